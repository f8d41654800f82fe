#include "platform/SignalRoles.h"

#include <csignal>
#include <initializer_list>

namespace SignalRoles {

namespace {

void Nothing(int) {}

}  // namespace

Role Of(int sig) {
    switch (sig) {
    case SIGTERM:
    case SIGINT:
    case SIGHUP: return Role::RequestToEnd;
    case SIGPIPE:
    case SIGXFSZ: return Role::FailedWrite;
    case SIGTSTP:
    case SIGTTIN:
    case SIGTTOU: return Role::TerminalStop;
    case SIGCHLD:
    case SIGCONT:
    case SIGURG:
    case SIGWINCH:
    case SIGKILL:
    case SIGSTOP: return Role::Untouched;
    default: return sig >= 1 && sig <= Highest() ? Role::LastStop : Role::Untouched;
    }
}

int Highest() { return SIGRTMAX; }

bool Takeable(int sig) {
    struct sigaction current {};
    return ::sigaction(sig, nullptr, &current) == 0;
}

void KeepGoingThroughHarmlessSignals() {
    // A handler that does nothing rather than SIG_IGN where that is enough: a handler is
    // not passed on to the programs this one starts (a help viewer), an ignored signal is.
    struct sigaction nothing {};
    nothing.sa_handler = &Nothing;
    sigemptyset(&nothing.sa_mask);
    nothing.sa_flags = SA_RESTART;
    for (int sig : {SIGPIPE, SIGXFSZ, SIGTSTP}) ::sigaction(sig, &nothing, nullptr);
    // A background read or write of the terminal is refused at once (EIO) or goes through
    // when these are ignored; caught, it would be tried again for ever.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (int sig : {SIGTTIN, SIGTTOU}) ::sigaction(sig, &ignore, nullptr);
}

}  // namespace SignalRoles
