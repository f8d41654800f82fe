// Fuzz target of the test client's reply side, driven as its window drives it: arbitrary
// input as it could come off a link, either as bytes (the serial and TCP links hand each
// byte on as one character; first input byte even) or as the relay's reply text (any
// 16-bit characters, two input bytes each; first input byte odd), through the window's
// own reply routine. After every CR the window must show the decoding of the last whole
// reply of the same characters, starting with its "@" and within the collector's bound,
// or nothing before the first one.
#include "platform/Brevox.h"
#include "platform/SettingsStore.h"
#include "testclient/ResponseCollector.h"
#include "testclient/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

struct FuzzRelay : BrevoxComm {
    void Reply(const QString&) override {}
};

FuzzRelay* gRelay = nullptr;
ORUN_Comm::frmMain* gWindow = nullptr;

void start() {
    static int argc = 1;
    static char name[] = "fuzz_client_reply";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
    // The window's settings are read at its start; they stay out of the user's own.
    SettingsStore::SetLocation(QDir::tempPath() + QStringLiteral("/fuzz_client_reply"));
    Brevox::SetFactory([] {
        auto relay = std::make_unique<FuzzRelay>();
        gRelay = relay.get();
        return std::unique_ptr<BrevoxComm>(std::move(relay));
    });
    ORUN_Comm::SetProgramInfo();
    gWindow = new ORUN_Comm::frmMain;
    check(gRelay != nullptr);
}

// What the window shows matches the decoder's reading of the characters so far.
void checkShown(const ORUN_Comm::ResponseCollector& expected, bool done) {
    const QString shown = gWindow->txtResponse->text();
    if (!done) {
        check(shown.isEmpty());
        return;
    }
    check(shown == ORUN_Comm::DecodeResponse(expected.Text()));
    check(shown.startsWith(u'@'));
    check(expected.Text().size() <= ORUN_Comm::ResponseCollector::kMaxLength);
    check(shown.size() <= expected.Text().size() + 4);
}

}  // namespace

// The window's fonts come from fontconfig, which keeps what it allocates for the life of
// the process; that is not a leak of the code under test.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!gWindow) start();
    if (size == 0) return 0;
    // A CR ends whatever the last input left collecting, so this input starts afresh.
    gWindow->CheckResponse(QChar(u'\r'));
    gWindow->txtResponse->clear();
    ORUN_Comm::ResponseCollector expected;
    bool done = false;
    const bool relay = (data[0] & 1) != 0;
    QString text;
    if (relay) {
        for (size_t i = 1; i + 1 < size; i += 2) text += QChar(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    } else {
        for (size_t i = 1; i < size; ++i) text += QChar(static_cast<uchar>(data[i]));
    }
    // The relay hands over its reply texts whole; here each piece ends at a CR.
    qsizetype from = 0;
    while (from < text.size()) {
        qsizetype end = text.indexOf(u'\r', from);
        end = end < 0 ? text.size() : end + 1;
        const QString piece = text.mid(from, end - from);
        if (relay) {
            emit gRelay->ResponseEvent(piece);
        } else {
            for (const QChar c : piece) gWindow->CheckResponse(c);
        }
        for (const QChar c : piece) done = expected.Feed(c) || done;
        checkShown(expected, done);
        from = end;
    }
    return 0;
}
