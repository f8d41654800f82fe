// orun_jetread <Access file> <SQLite file>
//
// Copies every user table of an Access (Jet 3 or Jet 4) database, and its user-defined
// database properties, into a new SQLite file. The Access file is only read. The station
// runs this program for each such file it opens, as a process of its own with a time
// limit, and takes the SQLite file only when the program ends with status 0.
//
// Exit status: 0 the copy is whole; 3 the file cannot be read (the cause, one line, on
// standard output); 2 wrong arguments. A crash or the limits below end it by a signal; the
// library may also end it with a status of its own.
#include "JetConvert.h"

#include <QCoreApplication>
#include <cstdio>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryLimit = false;  // the sanitizer's shadow memory needs the room
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kMemoryLimit = false;
#else
constexpr bool kMemoryLimit = true;
#endif
#else
constexpr bool kMemoryLimit = true;
#endif

void Limit(int resource, rlim_t value) {
    const rlimit limit{value, value};
    setrlimit(resource, &limit);
}

// A damaged file may lead the library into endless work or memory: the process then ends
// by a signal, well before the station's own time limit, and leaves no core file.
void LimitThisProcess() {
    // Gone with the station: a reader left behind must not write on after it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() == 1) _exit(1);
    Limit(RLIMIT_CORE, 0);
    Limit(RLIMIT_CPU, 5);                       // seconds of work; a recipe file takes a hundredth
    Limit(RLIMIT_FSIZE, 512ull * 1024 * 1024);  // the copy
    if (kMemoryLimit) Limit(RLIMIT_AS, 2048ull * 1024 * 1024);
}

// The library prints dumps of damaged pages on standard output: they go nowhere, and the
// cause is written on the output as it was when the program started.
FILE* KeepOutputForTheCause() {
    const int cause = dup(STDOUT_FILENO);
    const int nowhere = open("/dev/null", O_WRONLY);
    if (cause < 0 || nowhere < 0) return stdout;
    dup2(nowhere, STDOUT_FILENO);
    close(nowhere);
    FILE* out = fdopen(cause, "w");
    return out ? out : stdout;
}

constexpr int kCannotRead = 3;

}  // namespace

int main(int argc, char** argv) {
    LimitThisProcess();
    if (argc != 3) {
        std::fprintf(stderr, "usage: orun_jetread <Access file> <SQLite file>\n");
        return 2;
    }
    FILE* causeOut = KeepOutputForTheCause();
    QCoreApplication app(argc, argv);
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString target = QString::fromLocal8Bit(argv[2]);
    try {
        ConvertJetToSqlite(source, target);
    } catch (const JetError& e) {
        std::fprintf(causeOut, "%s\n", e.cause.toUtf8().constData());
        std::fflush(causeOut);
        return kCannotRead;
    }
    return 0;
}
