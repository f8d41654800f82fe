// Fuzz target of the remote-control server's request side: arbitrary bytes as a client
// could send them, framed as the serial and TCP endpoints frame them, each frame answered
// through the relay endpoint, and the whole input once more as one relay request. Every
// answer must be one well-formed reply frame: the request's first four characters, ACK
// or NAK, ";", the checksum of everything before it, and CR. No error may reach the error
// handler (which would show a box), and the collector never holds more than its bound.
#include "app/cApp.h"
#include "platform/Brevox.h"
#include "platform/Dialogs.h"
#include "remote/RequestCollector.h"
#include "remote/cComm.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

class FuzzRelay : public BrevoxComm {
public:
    void Reply(const QString& sText) override {
        ++count;
        last = sText;
    }
    int count = 0;
    QString last;
};

FuzzRelay* gRelay = nullptr;
cComm* gServer = nullptr;

void setUp() {
    static int argc = 1;
    static char name[] = "fuzz_remote_request";
    static char* argv[] = {name, nullptr};
    if (gServer) return;
    new QCoreApplication(argc, argv);
    SetDialogResponder([](const DialogRequest&) -> DialogAnswer { std::abort(); });
    Brevox::SetFactory([] {
        auto relay = std::make_unique<FuzzRelay>();
        gRelay = relay.get();
        return std::unique_ptr<BrevoxComm>(std::move(relay));
    });
    gApp = new cApp;
    gServer = new cComm;
    check(gRelay != nullptr);
}

void checkReply(const QString& request) {
    const QString frame = gRelay->last;
    const QString echo = request.left(4);
    check(frame.endsWith(u'\r') && frame.count(u'\r') == 1 + echo.count(u'\r'));
    check(frame.startsWith(echo));
    const QChar head = echo.size() < frame.size() ? frame.at(echo.size()) : QChar();
    check(head == QChar(0x06) || head == QChar(0x15));
    const QByteArray bytes = frame.toLatin1();
    uint8_t sum = 0;
    for (qsizetype i = 0; i < bytes.size() - 3; ++i) sum ^= static_cast<uint8_t>(bytes[i]);
    check(bytes.mid(bytes.size() - 3, 2) == QByteArray::number(sum, 16).rightJustified(2, '0').toUpper());
    check(bytes[bytes.size() - 4] == ';');
}

void ask(const QString& request) {
    const int before = gRelay->count;
    emit gRelay->CommandEvent(request + u'\r');
    check(gRelay->count == before + 1);
    checkReply(request);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    setUp();
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    RequestCollector collector;
    for (const QChar c : text) {
        if (collector.Feed(c)) ask(collector.Text());
        check(collector.Text().size() <= RequestCollector::kCapacity);
    }
    ask(text);
    return 0;
}
