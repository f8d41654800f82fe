#include "platform/TerminationRequest.h"

#include "platform/SignalRoles.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int gPipe[2] = {-1, -1};
bool gRequested = false;

void Handler(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(gPipe[0], &byte, 1);
}

}  // namespace

void OnTerminationRequest(std::function<void()> onRequest) {
    if (gPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, gPipe) != 0) return;
    // However many requests come while the event loop is busy, the handler never waits for
    // room: one byte waiting is enough.
    ::fcntl(gPipe[0], F_SETFL, ::fcntl(gPipe[0], F_GETFL) | O_NONBLOCK);
    auto* notifier = new QSocketNotifier(gPipe[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [onRequest = std::move(onRequest)] {
        char byte = 0;
        [[maybe_unused]] const ssize_t n = ::read(gPipe[1], &byte, 1);
        gRequested = true;
        onRequest();
    });
    struct sigaction action = {};
    action.sa_handler = Handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig = 1; sig <= SignalRoles::Highest(); ++sig)
        if (SignalRoles::Of(sig) == SignalRoles::Role::RequestToEnd) sigaction(sig, &action, nullptr);
}

bool TerminationRequested() { return gRequested; }
