// The unit's last stop, for the ends the program does not choose: a child process holds
// the link's frames and descriptor (one end of a socket pair) and ends as the case says;
// this process plays the unit on the other end and keeps what it was told.
#include "app/Hooks.h"
#include "app/modUtil.h"
#include "platform/LastStop.h"
#include "unit/FrameCollector.h"
#include "unit/cORUN.h"
#include "unitsim/UnitSim.h"

#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int16_t StoppedRelays(int16_t) { return 0b0001; }

// Under AddressSanitizer a memory fault is passed on to the sanitizer's own handler, which
// reports it and ends the process with its exit status (1) instead of the signal.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitizerTakesFaults = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitizerTakesFaults = true;
#else
constexpr bool kSanitizerTakesFaults = false;
#endif
#else
constexpr bool kSanitizerTakesFaults = false;
#endif

struct Ending {
    const char* what;
    std::function<void(int link)> end;  // in the child; never returns
    bool serial;  // the link is a serial line (a pseudo-terminal), else a socket
    bool unitAnswers;
    bool stopped;     // the unit receives the stop
    int exitStatus;   // -1: ended by signal (below)
    int signal;       // 0 there: SIGRTMIN + 5, which is known only at run time
};

// Plays the unit on fd until the child has closed its end; returns the commands taken.
QStringList ServeUnit(int fd, UnitModel& model, bool answer) {
    UnitSim replies;
    FrameCollector rx;
    QStringList taken;
    QDeadlineTimer deadline(15000);
    char chunk[512];
    while (!deadline.hasExpired()) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i) {
            if (!rx.Feed(static_cast<uint8_t>(chunk[i])) || !rx.CheckOk()) continue;
            const QByteArrayView text = rx.Text();
            const QString command = QString::fromLatin1(text.data(), text.size());
            taken << command;
            const QString reply = model.Answer(command);
            const QByteArray bytes = replies.ReplyBytes(reply);
            if (answer) [[maybe_unused]] const ssize_t w = ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size()));
        }
    }
    return taken;
}

}  // namespace

// Each way of ending leaves the unit with zero powers, its emission and hand control off and
// the exit's relay word, and ends the process by itself (status 1) rather than by a crash
// signal; a crash, or a signal whose default ends the process, still stops the unit and
// then ends it as that signal. The program's own end, and a descriptor whose
// number now names another file, send nothing.
TEST(LastStop, EveryEndThatIsNotTheProgramsOwnStopsTheUnitFirst) {
    QTemporaryDir dir;
    const QString other = dir.filePath("other.txt");
    const Ending endings[] = {
        {"a library's exit()", [](int) { std::exit(3); }, false, true, true, 1, 0},
        {"a library's exit() on a serial line", [](int) { std::exit(3); }, true, true, true, 1, 0},
        {"a fatal Qt message", [](int) { qFatal("The display is gone"); }, false, true, true, 1, 0},
        {"a critical error", [](int) { modUtil::EndProgram(1); }, false, true, true, 1, 0},
        {"quick_exit", [](int) { std::quick_exit(4); }, false, true, true, 4, 0},
        {"a crash", [](int) { *static_cast<volatile int*>(nullptr) = 1; }, false, true, true, -1, SIGSEGV},
        {"abort()", [](int) { std::abort(); }, false, true, true, -1, SIGABRT},
        {"SIGUSR1 from another process", [](int) { ::kill(::getpid(), SIGUSR1); ::pause(); }, false, true, true, -1, SIGUSR1},
        {"a real-time signal on a serial line", [](int) { ::kill(::getpid(), SIGRTMIN + 5); ::pause(); }, true, true, true, -1,
         0},
        {"exit() with the unit silent", [](int) { std::exit(3); }, false, false, true, 1, 0},
        {"the entry routine's own end", [](int) { LastStop::EndingNormally(); std::exit(0); }, false, true, false, 0, 0},
        {"the link closed and its number reused",
         [&other](int link) {
             const int file = ::open(other.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_TRUNC, 0600);
             ::dup2(file, link);  // the link's number now names the file
             std::exit(3);
         },
         false, true, false, 1, 0},
    };
    for (const Ending& e : endings) {
        SCOPED_TRACE(e.what);
        int pair[2];
        if (e.serial) {
            // The unit's end is the terminal's master, the station's its raw slave.
            ASSERT_EQ(::openpty(&pair[1], &pair[0], nullptr, nullptr, nullptr), 0);
            termios raw{};
            ASSERT_EQ(::tcgetattr(pair[0], &raw), 0);
            ::cfmakeraw(&raw);
            ASSERT_EQ(::tcsetattr(pair[0], TCSANOW, &raw), 0);
        } else {
            ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
        }
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pair[1]);
            Hooks::ExitRelayWord = &StoppedRelays;
            const cORUN link;  // the stop's frames, as the link keeps them
            LastStop::SetLink(pair[0]);
            LastStop::InstallForProgram();
            e.end(pair[0]);
            ::_exit(99);
        }
        ::close(pair[0]);
        UnitModel unit;
        unit.powerCode[0] = 40000;
        unit.powerCode[7] = 50000;
        unit.emission[0] = unit.emission[2] = true;
        unit.handOutput = 2;
        unit.handCode = 45000;
        unit.relays = 0b1110;
        const QStringList taken = ServeUnit(pair[1], unit, e.unitAnswers);
        ::close(pair[1]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (e.signal == SIGSEGV && kSanitizerTakesFaults) {
            ASSERT_TRUE(WIFEXITED(status)) << "signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
            EXPECT_EQ(WEXITSTATUS(status), 1);
        } else if (e.exitStatus >= 0) {
            ASSERT_TRUE(WIFEXITED(status)) << "signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
            EXPECT_EQ(WEXITSTATUS(status), e.exitStatus);
        } else {
            ASSERT_TRUE(WIFSIGNALED(status));
            EXPECT_EQ(WTERMSIG(status), e.signal != 0 ? e.signal : SIGRTMIN + 5);
        }
        if (!e.stopped) {
            EXPECT_TRUE(taken.isEmpty()) << taken.join(' ').toStdString();
            EXPECT_EQ(unit.powerCode[0], 40000);
            continue;
        }
        EXPECT_EQ(taken, QStringList({"K32767,32767,32767,32767,32767,32767", "W32767,32767",
                                      "N1,0,0,0,0,0,0,0,0,0,0,0", "S1;0", "S2;0", "S3;0", "S4;0", "U0,32767"}));
        for (int o = 0; o <= 7; ++o) EXPECT_EQ(unit.powerCode[o], OutputCode::ZeroVolts) << "output " << o;
        for (int s = 0; s <= 3; ++s) EXPECT_FALSE(unit.emission[s]) << "sensor " << s;
        EXPECT_EQ(unit.handOutput, 0);
        EXPECT_EQ(unit.relays, 0b0001);
    }
    QFile file(other);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.size(), 0) << "a file that took the link's number is left alone";
}
