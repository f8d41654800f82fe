#include "QtLoopFloor.h"

#include "PollFloor.h"

#include "unit/FrameCollector.h"
#include "unit/OrunFrame.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace qtloopfloor {
namespace {

double ProcessCpu() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The floor's connection, made non-blocking: replies are read when the notifier wakes.
int Connect(uint16_t port) {
    const int fd = ConnectLoopback(port);
    if (fd >= 0 && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The poll as the station's timer and reply handlers drive it: a tick sends "D"; each
// reply sends the next request ("M", "F", and "G" when "F" answered 1); the next tick is
// due 90 ms after this one, or 90 ms after the reading when there was one.
class Poller {
public:
    Poller(int fd, int intervalMs, std::vector<std::string> setup)
        : fd_(fd), interval_(intervalMs), setup_(std::move(setup)), replies_(fd, QSocketNotifier::Read) {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        QObject::connect(&replies_, &QSocketNotifier::activated, [this] { Receive(); });
        clock_.start();
        if (setup_.empty()) timer_.start(interval_);
        else Send(setup_.front());
    }

    int ticks = 0, exchanges = 0, readings = 0;
    bool failed = false;

private:
    enum class Step { Setup, Sensors, Inputs, Check, Reading };

    void Send(const std::string& text) {
        uint8_t frame[OrunFrame::kMaxText + OrunFrame::kOverhead];
        const size_t n = OrunFrame::BuildFrame(reinterpret_cast<const uint8_t*>(text.data()), text.size(), frame);
        // A few bytes on an idle loopback connection always fit its buffer at once.
        if (n == 0 || ::send(fd_, frame, n, MSG_NOSIGNAL) != static_cast<ssize_t>(n)) Fail();
    }

    void Tick() {
        tickAt_ = clock_.elapsed();
        ++ticks;
        step_ = Step::Sensors;
        Send("D");
    }

    void Receive() {
        char chunk[512];
        for (;;) {
            const ssize_t k = ::recv(fd_, chunk, sizeof chunk, 0);
            if (k < 0 && errno == EINTR) continue;
            if (k < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
            if (k <= 0) return Fail();
            for (ssize_t i = 0; i < k; ++i) {
                if (!rx_.Feed(static_cast<uint8_t>(chunk[i]))) continue;
                if (!rx_.CheckOk() || rx_.Bytes()[2] != 'A') return Fail();
                ++exchanges;
                Replied(rx_.Slice(3));
            }
        }
    }

    void Replied(QByteArrayView body) {
        switch (step_) {
        case Step::Setup:
            if (++setupDone_ < setup_.size()) Send(setup_[setupDone_]);
            else timer_.start(interval_);
            break;
        case Step::Sensors: step_ = Step::Inputs; Send("M"); break;
        case Step::Inputs: step_ = Step::Check; Send("F"); break;
        case Step::Check:
            if (body.size() >= 2 && body[1] == '1') {
                step_ = Step::Reading;
                Send("G");
            } else {
                timer_.start(static_cast<int>(std::max<qint64>(0, tickAt_ + interval_ - clock_.elapsed())));
            }
            break;
        case Step::Reading:
            ++readings;
            timer_.start(interval_);
            break;
        }
    }

    void Fail() {
        failed = true;
        timer_.stop();
        replies_.setEnabled(false);
    }

    int fd_;
    int interval_;
    std::vector<std::string> setup_;
    size_t setupDone_ = 0;
    Step step_ = Step::Setup;
    qint64 tickAt_ = 0;
    QElapsedTimer clock_;
    QTimer timer_;
    QSocketNotifier replies_;
    FrameCollector rx_;
};

}  // namespace

int RunChild(const QStringList& args) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "qt-loop-floor";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QWidget window;  // a shown window, as the station has: the loop serves its platform too
    window.resize(320, 200);
    window.show();
    const int fd = Connect(static_cast<uint16_t>(args.value(0).toUInt()));
    if (fd < 0) return 1;
    std::vector<std::string> setup;
    for (qsizetype i = 2; i < args.size(); ++i) setup.push_back(args[i].toStdString());
    Poller poller(fd, std::max(1, args.value(1).toInt()), std::move(setup));
    // Each line the parent writes is a request for the figures; the end of input ends it.
    QSocketNotifier requests(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&requests, &QSocketNotifier::activated, [&] {
        char line[64];
        const ssize_t k = ::read(STDIN_FILENO, line, sizeof line);
        if (k <= 0) return QCoreApplication::quit();
        std::printf("%d %d %d %.9f %d\n", poller.ticks, poller.exchanges, poller.readings, ProcessCpu(), poller.failed ? 0 : 1);
        std::fflush(stdout);
    });
    const int status = app.exec();
    ::close(fd);
    return status;
}

Process::~Process() { Stop(); }

bool Process::Start(const QString& program, uint16_t port, int intervalMs, const std::vector<std::string>& setup) {
    QStringList args{QStringLiteral("--qt-loop-floor"), QString::number(port), QString::number(intervalMs)};
    for (const std::string& s : setup) args << QString::fromStdString(s);
    child_.setProcessChannelMode(QProcess::SeparateChannels);
    child_.start(program, args);
    return child_.waitForStarted(5000);
}

Sample Process::Read() {
    Sample s;
    if (child_.state() != QProcess::Running) return s;
    child_.write("?\n");
    QByteArray line;
    while (!line.endsWith('\n') && child_.waitForReadyRead(5000)) line += child_.readAll();
    int ok = 0;
    s.ok = std::sscanf(line.constData(), "%d %d %d %lf %d", &s.ticks, &s.exchanges, &s.readings, &s.cpu, &ok) == 5 && ok;
    return s;
}

void Process::Stop() {
    if (child_.state() == QProcess::NotRunning) return;
    child_.closeWriteChannel();
    if (!child_.waitForFinished(5000)) {
        child_.kill();
        child_.waitForFinished(2000);
    }
}

}  // namespace qtloopfloor
