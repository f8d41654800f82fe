#include "platform/LastStop.h"

#include "platform/SignalRoles.h"

#include <QtGlobal>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace LastStop {

namespace {

struct FrameSet {
    int count = 0;
    int size[kMaxFrames] = {};
    char bytes[kMaxFrames][kMaxFrameBytes] = {};
};

// Two sets: the one not in use is filled, then made the one in use, so an end that comes
// in the middle of a change (a signal) still finds whole frames.
FrameSet gSets[2];
std::atomic<int> gActive{0};

// The link, and the file it named when it was given: a descriptor whose number was
// reused for another file after the link closed is not the link.
std::atomic<int> gFd{-1};
dev_t gDev = 0;
ino_t gIno = 0;

std::atomic_flag gRan = ATOMIC_FLAG_INIT;
std::atomic<bool> gNormalEnd{false};
QtMessageHandler gPreviousHandler = nullptr;

int64_t NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t{t.tv_sec} * 1000 + t.tv_nsec / 1000000;
}

// Waits until fd is ready for events or the time is up; false on the time-out or an error.
bool Ready(int fd, short events, int64_t deadline) {
    for (;;) {
        const int64_t left = deadline - NowMs();
        if (left <= 0) return false;
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left));
        if (r > 0) return (p.revents & events) != 0;
        if (r == 0) return false;
        if (errno != EINTR) return false;
    }
}

bool WriteAll(int fd, bool socket, const char* data, int size) {
    const int64_t deadline = NowMs() + 500;
    int done = 0;
    while (done < size) {
        // A socket the peer has closed must not end the process with SIGPIPE.
        const ssize_t n = socket ? ::send(fd, data + done, static_cast<size_t>(size - done), MSG_NOSIGNAL)
                                 : ::write(fd, data + done, static_cast<size_t>(size - done));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && Ready(fd, POLLOUT, deadline)) continue;
        return false;
    }
    return true;
}

// Reads what the unit sends until a reply frame whose text begins with letter has ended,
// or the time is up. Replies to commands sent before the stop are read and passed over.
bool AwaitReply(int fd, char letter, int waitMs) {
    const int64_t deadline = NowMs() + waitMs;
    char chunk[256];
    int sinceStart = -1;  // bytes since the last "!", -1 outside a frame
    char textStart = 0;
    while (Ready(fd, POLLIN, deadline)) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0) {
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            return false;
        }
        for (ssize_t i = 0; i < n; ++i) {
            const char c = chunk[i];
            if (c == '!') {
                sinceStart = 0;
                textStart = 0;
                continue;
            }
            if (sinceStart < 0) continue;
            ++sinceStart;
            // "!", the length character, the acknowledgement "A", then the reply text.
            if (sinceStart == 3) textStart = c;
            if (c == '\n') {
                if (textStart == letter) return true;
                sinceStart = -1;
            }
        }
    }
    return false;
}

void OnExit() {
    if (gNormalEnd.load()) return;
    Run();
    std::fflush(nullptr);
    ::_exit(1);
}

void OnQuickExit() { Run(); }

void OnFatalMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (gPreviousHandler) gPreviousHandler(type, context, message);
    if (type != QtFatalMsg) return;
    Run();
    std::fflush(nullptr);
    ::_exit(1);
}

// The crash signals: whoever had them before (a sanitizer) reports the crash and ends the
// process, so the stop goes first and the signal goes on to them.
bool PassesOn(int sig) {
    return sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE || sig == SIGILL || sig == SIGABRT;
}

// A fault of the instruction itself comes again when the handler returns.
bool Refaults(int sig, const siginfo_t* info) {
    return (sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE || sig == SIGILL) && info && info->si_code > 0;
}

constexpr int kMaxSignal = 64;
struct sigaction gBefore[kMaxSignal + 1];

void OnEndingSignal(int sig, siginfo_t* info, void*) {
    Run();
    // The signal goes on to whoever had it before (a sanitizer's report), or to the default
    // end with its core, as it would have without the stop: a faulting instruction faults
    // again on the return, any other signal is sent again.
    struct sigaction next = gBefore[sig];
    if (!(next.sa_flags & SA_SIGINFO) && next.sa_handler == SIG_IGN) next.sa_handler = SIG_DFL;
    ::sigaction(sig, &next, nullptr);
    if (Refaults(sig, info)) return;
    ::raise(sig);
    // Every signal waited while the stop went out; this one now ends the process.
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, sig);
    ::pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
}

// The longest a stop can take: every frame's write and reply wait.
constexpr int64_t kLongestStopMs = kMaxFrames * 800;
std::atomic<bool> gFinished{false};

bool RunOnce(int replyWaitMs) {
    const int fd = gFd.load();
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_dev != gDev || st.st_ino != gIno) return false;
    const bool socket = S_ISSOCK(st.st_mode);
    const FrameSet& set = gSets[gActive.load()];
    bool answering = true;
    for (int i = 0; i < set.count; ++i) {
        if (!WriteAll(fd, socket, set.bytes[i], set.size[i])) return false;
        // A unit that let one reply stay out is not waited for again.
        if (answering && set.size[i] > 2) answering = AwaitReply(fd, set.bytes[i][2], replyWaitMs);
    }
    return true;
}

}  // namespace

void SetFrames(const QList<QByteArray>& frames) {
    const int next = 1 - gActive.load();
    FrameSet& set = gSets[next];
    set.count = 0;
    for (const QByteArray& f : frames) {
        if (set.count == kMaxFrames) break;
        if (f.isEmpty() || f.size() > kMaxFrameBytes) continue;
        std::memcpy(set.bytes[set.count], f.constData(), static_cast<size_t>(f.size()));
        set.size[set.count] = static_cast<int>(f.size());
        ++set.count;
    }
    gActive.store(next);
}

void SetLink(int fd) {
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0) {
        gFd.store(-1);
        gDev = st.st_dev;
        gIno = st.st_ino;
        gFd.store(fd);
        return;
    }
    gFd.store(-1);
}

int Link() { return gFd.load(); }

bool Run(int replyWaitMs) {
    if (gRan.test_and_set()) {
        // The stop is going out from another thread (a second signal came there): nothing
        // may end the process before it is out.
        const int64_t deadline = NowMs() + kLongestStopMs;
        while (!gFinished.load() && NowMs() < deadline) {
            timespec pause{0, 1000000};
            ::nanosleep(&pause, nullptr);
        }
        return false;
    }
    // No signal on this thread interrupts the stop: it would wait for it for ever.
    sigset_t all;
    sigset_t before;
    sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, &before);
    const bool done = RunOnce(replyWaitMs);
    gFinished.store(true);
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return done;
}

void InstallForProgram() {
    std::atexit(&OnExit);
    static bool installed = false;
    if (installed) return;
    installed = true;
    std::at_quick_exit(&OnQuickExit);
    gPreviousHandler = qInstallMessageHandler(&OnFatalMessage);
    // Every signal waits while the stop goes out, however many come and from where.
    struct sigaction action {};
    action.sa_sigaction = &OnEndingSignal;
    sigfillset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO;
    for (int sig = 1; sig <= SignalRoles::Highest() && sig <= kMaxSignal; ++sig) {
        if (SignalRoles::Of(sig) != SignalRoles::Role::LastStop) continue;
        struct sigaction before {};
        if (::sigaction(sig, nullptr, &before) != 0) continue;  // kept by the C library
        // A signal another part of the process already uses (a profiler's SIGPROF) does not
        // end it: it stays theirs. A crash's handler ends it after its report.
        const bool handled = (before.sa_flags & SA_SIGINFO) || (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN);
        if (handled && !PassesOn(sig)) continue;
        gBefore[sig] = before;
        ::sigaction(sig, &action, nullptr);
    }
}

void EndingNormally() { gNormalEnd.store(true); }

}  // namespace LastStop
