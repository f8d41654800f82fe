#pragma once
// What the system does with each signal by default, asked of a child process that takes
// it with the default action: the class a program's signal handling is judged against,
// taken from the system rather than from a list.
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

enum class SignalDefault { Ends, Stops, Neither, NotForPrograms };

inline SignalDefault SignalDefaultOf(int sig) {
    const pid_t child = ::fork();
    if (child == 0) {
        // A group of its own in this session: the system discards a terminal's stop sent
        // to a group no parent outside it looks after (an orphaned one).
        ::setpgid(0, 0);
        struct sigaction dfl {};
        dfl.sa_handler = SIG_DFL;
        sigemptyset(&dfl.sa_mask);
        // The C library refuses the signals it keeps for itself.
        if (::sigaction(sig, &dfl, nullptr) != 0) ::_exit(3);
        sigset_t one;
        sigemptyset(&one);
        sigaddset(&one, sig);
        ::sigprocmask(SIG_UNBLOCK, &one, nullptr);
        ::raise(sig);
        ::_exit(0);
    }
    if (child < 0) return SignalDefault::NotForPrograms;
    int status = 0;
    ::waitpid(child, &status, WUNTRACED);
    if (WIFSTOPPED(status)) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        return SignalDefault::Stops;
    }
    if (WIFSIGNALED(status)) return SignalDefault::Ends;
    return WIFEXITED(status) && WEXITSTATUS(status) == 3 ? SignalDefault::NotForPrograms : SignalDefault::Neither;
}

// The signals from 1 to SIGRTMAX whose default is what, SIGKILL and SIGSTOP left out: no
// program can catch them.
// A program started with this runs in such a group of its own, so a terminal's stop is
// not discarded before it reaches it (QProcess::setChildProcessModifier).
inline void OwnProcessGroup() { ::setpgid(0, 0); }

inline std::vector<int> SignalsWhoseDefault(SignalDefault what) {
    std::vector<int> found;
    for (int sig = 1; sig <= SIGRTMAX; ++sig)
        if (sig != SIGKILL && sig != SIGSTOP && SignalDefaultOf(sig) == what) found.push_back(sig);
    return found;
}
