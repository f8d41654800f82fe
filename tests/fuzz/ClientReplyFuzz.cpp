// Fuzz target of the test client's reply side: arbitrary bytes as they could come off any
// link, fed one character at a time into the reply collector, every finished reply
// decoded. Checks that a reply shown always starts with its "@", that the collector stays
// within its bound and that decoding only adds the spelled-out ACK or NAK and a code name.
#include "testclient/ResponseCollector.h"

#include <cstdint>
#include <cstdlib>

namespace {
void check(bool ok) {
    if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ORUN_Comm::ResponseCollector collector;
    for (size_t i = 0; i < size; ++i) {
        if (!collector.Feed(QChar(static_cast<char16_t>(data[i])))) continue;
        const QString& reply = collector.Text();
        check(reply.startsWith(u'@'));
        check(reply.size() <= ORUN_Comm::ResponseCollector::kMaxLength);
        check(!reply.contains(u'\r'));
        const QString shown = ORUN_Comm::DecodeResponse(reply);
        check(shown.startsWith(u'@'));
        check(shown.size() <= reply.size() + 4);
    }
    return 0;
}
