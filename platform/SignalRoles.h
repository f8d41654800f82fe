#pragma once
// What each signal the system can send does to the station program. A signal whose
// default action would end the process, or suspend it, must never leave the unit it
// drives powered with nobody in control:
//
// - RequestToEnd (SIGTERM, SIGINT, SIGHUP): the session ends, a service manager stops the
//   program, Ctrl+C. The program closes as a confirmed exit does (TerminationRequest).
// - FailedWrite (SIGPIPE, SIGXFSZ): a write to a pipe nobody reads any more (standard
//   error piped to a logger that died) or past the file-size limit. The write fails with
//   its error, as on a full disk, and the station goes on.
// - TerminalStop (SIGTSTP, SIGTTIN, SIGTTOU): Ctrl+Z in the terminal that started the
//   program, or its reads and writes from the background. Ignored: a suspended program
//   would hold its sources at their powers for as long as it stays suspended.
// - LastStop: every other signal whose default action ends the process (SIGQUIT, the
//   faults, SIGUSR1/2, the timers, the resource limits, the real-time signals...). The
//   unit gets its last stop, then the signal ends the program as it would have.
// - Untouched: the signals whose default neither ends nor stops the process (SIGCHLD,
//   SIGCONT, SIGURG, SIGWINCH), and SIGKILL and SIGSTOP, which no program can catch: a
//   SIGKILL ends the program with the unit as it was.
//
// The class is every signal from 1 to SIGRTMAX except those that by their default do
// not end the process: a signal this list does not name ends up with the last stop.
namespace SignalRoles {

enum class Role { Untouched, RequestToEnd, FailedWrite, TerminalStop, LastStop };

Role Of(int sig);

// The highest signal number the system has (SIGRTMAX).
int Highest();

// The signals the C library keeps for itself (its threads' cancellation and set-id
// calls) are refused by it: the program cannot take them.
bool Takeable(int sig);

// Gives FailedWrite and TerminalStop their dispositions (once, for the program).
void KeepGoingThroughHarmlessSignals();

}  // namespace SignalRoles
