#pragma once
// The least a poll made from a Qt window's event loop can spend: the exchanges of the
// floor client (PollFloor), made the way the station makes them, from the main thread of
// a QApplication with a window shown, woken by a timer and by the socket's notifier, with
// nothing else to do. Beside the floor it tells how much of the station's cost is the
// event loop's own and how much is the station's work.
//
// It runs in a process of its own (bench_poll started again with --qt-loop-floor), since
// an application has one main thread and the station's benchmark needs its own. The
// parent reads its figures through a pipe: a line on its standard input is answered by a
// line "ticks exchanges readings cpu-seconds" on its standard output; the end of its
// input ends it.
#include <QProcess>
#include <QStringList>
#include <string>
#include <vector>

namespace qtloopfloor {

// What the child process reported.
struct Sample {
    int ticks = 0;
    int exchanges = 0;
    int readings = 0;
    double cpu = 0.0;  // seconds, the whole process
    bool ok = false;
};

// The child's main: args are the port, the interval in ms and the setup commands.
int RunChild(const QStringList& args);

// The parent's side: starts this program again as the child, against 127.0.0.1:port.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Start(const QString& program, uint16_t port, int intervalMs, const std::vector<std::string>& setup);
    // Its figures now; not ok once it has failed or ended. The child answers from its own
    // loop, whatever its emulator does, so this waits only for the pipe.
    Sample Read();
    void Stop();

private:
    QProcess child_;
};

}  // namespace qtloopfloor
