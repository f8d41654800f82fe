// Fuzz target of the programmer's receiving side: arbitrary bytes as they could come off
// the instrument's line, fed byte by byte into the framed-query receiver and the
// boot-loader receiver. Checks that each stays within its buffer, that a completed query
// carries one of the defined status codes, and that the reply text stays bounded.
#include "flash/BootFrame.h"

#include <cstdint>
#include <cstdlib>

using namespace NorvikFlash;

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RxFrameRec query;
    RxFrameRec boot;
    QByteArray rxText;
    for (size_t i = 0; i < size; ++i) {
        int16_t status = csPending;
        QByteArray body;
        if (FramedReplyByte(query, data[i], status, body)) {
            check(status == csReplyOk || status == csReplyB || status == csReplyC || status == csReplyOther ||
                  status == csReplyE || status == csBadCrc);
            check(status == csReplyOk || body.isEmpty());
            check(body.size() <= kMaxReplyMessage);
        }
        check(query.Index >= 0 && query.Index <= 2 + query.Buffer.size());
        check(query.Index < 2 || query.Index < query.Buffer.size());
        if (BootReplyByte(boot, rxText, data[i])) {
            const QByteArray again = ReplyFrame(rxText.mid(1, rxText.size() - 3));
            check(again.mid(1) == rxText);  // a good reply is exactly a well-formed frame
        }
        check(rxText.size() <= 256);
    }
    return 0;
}
