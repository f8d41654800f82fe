// Fuzz target of the remote-control server's request side: arbitrary bytes as a client
// could send them, framed as the serial and TCP endpoints frame them, each frame answered
// through the relay endpoint, and the whole input once more as one relay request. Each
// answer must be one reply frame: the request's first four characters, ACK or NAK, and
// ";", the checksum of all before it and CR. No error may reach the error handler (it
// would show a box), and the collector never holds more than its bound.
#include "app/cApp.h"
#include "platform/Brevox.h"
#include "platform/Dialogs.h"
#include "remote/RequestCollector.h"
#include "remote/cComm.h"
#include "run/ProgramObjects.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

struct FuzzRelay : BrevoxComm {
    void Reply(const QString& sText) override { reply = sText.toLatin1(); }
    QByteArray reply;
};
FuzzRelay* gRelay = nullptr;

void ask(const QString& request) {
    gRelay->reply.clear();
    emit gRelay->CommandEvent(request + u'\r');
    const QByteArray& r = gRelay->reply;
    const QByteArray echo = request.left(4).toLatin1();
    check(r.startsWith(echo) && r.endsWith('\r') && r.count('\r') == 1 + echo.count('\r'));
    check(r.size() >= echo.size() + 4 && (r[echo.size()] == 0x06 || r[echo.size()] == 0x15));
    uint8_t sum = 0;
    for (qsizetype i = 0; i < r.size() - 3; ++i) sum ^= static_cast<uint8_t>(r[i]);
    check(r[r.size() - 4] == ';' && r.mid(r.size() - 3, 2) == QByteArray::number(sum + 256, 16).right(2).toUpper());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_remote_request";
    static char* argv[] = {name, nullptr};
    if (!gRelay) {
        new QCoreApplication(argc, argv);
        SetDialogResponder([](const DialogRequest&) -> DialogAnswer { std::abort(); });
        Brevox::SetFactory([] {
            auto relay = std::make_unique<FuzzRelay>();
            gRelay = relay.get();
            return std::unique_ptr<BrevoxComm>(std::move(relay));
        });
        ProgramObjects::CreateApp();
        ProgramObjects::CreateUnit();
        ProgramObjects::CreateComm();
        check(gRelay != nullptr);
    }
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    RequestCollector collector;
    for (const QChar c : text) {
        if (collector.Feed(c)) ask(collector.Text());
        check(collector.Text().size() <= RequestCollector::kCapacity);
    }
    ask(text);
    return 0;
}
