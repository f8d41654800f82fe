// Fuzz target of the controller link's receiving side: arbitrary bytes as they could come
// off the wire, fed byte by byte into the frame collector and the link, and the same bytes
// again as the text of a well-formed reply frame, so the reply parsers see them too.
// Checks that the collector stays within its buffer, that the link's state stays one of
// its defined values, and that no error reaches the error handler (which would show a box).
#include "platform/Dialogs.h"
#include "unit/FrameCollector.h"
#include "unit/OrunFrame.h"
#include "unit/cORUN.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void setUp() {
    static int argc = 1;
    static char name[] = "fuzz_link_reply";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = nullptr;
    if (app) return;
    app = new QCoreApplication(argc, argv);
    // Every error inside the link is handled and reported through a box: none may happen.
    SetDialogResponder([](const DialogRequest&) -> DialogAnswer { std::abort(); });
}

void feed(cORUN& link, const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) link.ParseResponse(data[i]);
}

void checkModel(const cORUN& link) {
    check(link.CommStatus() >= 0 && link.CommStatus() <= 2);
    check(link.Response().size() <= FrameCollector::kCapacity);
    for (int ch = 0; ch <= 7; ++ch) {
        for (int r = 0; r <= 5; ++r) (void)link.ChanCounts(ch, r);
        check((link.ChanError(ch) & ~3) == 0);
    }
    check((link.InputReg() & ~0x1FFF) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    setUp();

    FrameCollector rx;
    for (size_t i = 0; i < size; ++i) {
        if (!rx.Feed(data[i])) continue;
        check(rx.Stored() <= FrameCollector::kCapacity);
        check(rx.Text().size() <= FrameCollector::kCapacity);
        if (rx.CheckOk()) check(rx.Bytes()[0] == OrunFrame::kStart && rx.Count() == rx.Bytes()[1] - 31);
    }

    cORUN link;
    link.CommInit(0, 0, QString());
    link.SendGetVersion();
    feed(link, data, size);
    checkModel(link);

    // The bytes as the text of a good reply, in pieces of at most the longest text.
    for (size_t at = 0; at < size || at == 0; at += OrunFrame::kMaxText - 1) {
        QByteArray text = "A";
        text.append(reinterpret_cast<const char*>(data) + at,
                    static_cast<qsizetype>(std::min<size_t>(size - at, OrunFrame::kMaxText - 1)));
        // LF and "!" cannot stand inside a frame's text.
        for (char& c : text)
            if (c == '\n' || c == '!') c = ' ';
        const QByteArray frame = OrunFrame::BuildFrame(text);
        check(!frame.isEmpty());
        link.SendCheckReading();
        feed(link, reinterpret_cast<const uint8_t*>(frame.constData()), static_cast<size_t>(frame.size()));
        checkModel(link);
        if (size == 0) break;
    }
    return 0;
}
