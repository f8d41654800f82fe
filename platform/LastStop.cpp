#include "platform/LastStop.h"

#include <QtGlobal>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
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

constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
struct sigaction gBefore[sizeof kCrashSignals / sizeof kCrashSignals[0]];

void OnCrash(int sig, siginfo_t* info, void*) {
    Run();
    // The signal goes on to whoever had it before (a sanitizer's report, or the default
    // end with its core), as it would have without the stop: a faulting instruction
    // faults again on the return, a signal sent by a process is sent again.
    for (size_t i = 0; i < sizeof kCrashSignals / sizeof kCrashSignals[0]; ++i)
        if (kCrashSignals[i] == sig) ::sigaction(sig, &gBefore[i], nullptr);
    if (!info || info->si_code <= 0) ::raise(sig);
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
    if (gRan.test_and_set()) return false;
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

void InstallForProgram() {
    std::atexit(&OnExit);
    static bool installed = false;
    if (installed) return;
    installed = true;
    std::at_quick_exit(&OnQuickExit);
    gPreviousHandler = qInstallMessageHandler(&OnFatalMessage);
    struct sigaction action {};
    action.sa_sigaction = &OnCrash;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    for (size_t i = 0; i < sizeof kCrashSignals / sizeof kCrashSignals[0]; ++i)
        ::sigaction(kCrashSignals[i], &action, &gBefore[i]);
}

void EndingNormally() { gNormalEnd.store(true); }

}  // namespace LastStop
