#include "PollFloor.h"

#include "unit/OrunFrame.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace {

timespec Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t;
}

timespec Later(timespec t, int ms) {
    t.tv_nsec += static_cast<long>(ms) * 1000000L;
    t.tv_sec += t.tv_nsec / 1000000000L;
    t.tv_nsec %= 1000000000L;
    return t;
}

}  // namespace

int ConnectLoopback(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

PollFloor::PollFloor(uint16_t port) : fd_(ConnectLoopback(port)) {}

PollFloor::~PollFloor() {
    Stop();
    if (fd_ >= 0) ::close(fd_);
}

bool PollFloor::Exchange(const std::string& text, std::string& reply) {
    uint8_t frame[OrunFrame::kMaxText + OrunFrame::kOverhead];
    const size_t n = OrunFrame::BuildFrame(reinterpret_cast<const uint8_t*>(text.data()), text.size(), frame);
    if (n == 0) return false;
    for (size_t sent = 0; sent < n;) {
        const ssize_t k = ::send(fd_, frame + sent, n - sent, MSG_NOSIGNAL);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        sent += static_cast<size_t>(k);
    }
    // The emulator answers one frame per command; its bytes may come in pieces.
    char chunk[512];
    for (;;) {
        const ssize_t k = ::recv(fd_, chunk, sizeof chunk, 0);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        for (ssize_t i = 0; i < k; ++i) {
            if (!rx_.Feed(static_cast<uint8_t>(chunk[i]))) continue;
            if (!rx_.CheckOk() || rx_.Bytes()[2] != 'A') return false;
            const QByteArrayView body = rx_.Slice(3);
            reply.assign(body.data(), static_cast<size_t>(body.size()));
            ++exchanges_;
            return true;
        }
    }
}

void PollFloor::Start(std::vector<std::string> setup, int intervalMs) {
    if (fd_ < 0 || thread_.joinable()) return;
    intervalMs_ = intervalMs;
    stop_ = false;
    thread_ = std::thread([this, setup = std::move(setup)] { Run(setup); });
}

void PollFloor::Stop() {
    stop_ = true;
    if (!thread_.joinable()) return;
    // An exchange in flight may wait for an emulator served by the caller's own thread:
    // shutting the socket down ends the wait.
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
    thread_.join();
}

double PollFloor::CpuSeconds() const {
    if (!thread_.joinable()) return 0.0;
    clockid_t clock{};
    // The thread is joinable, so its handle is valid while it is read.
    if (pthread_getcpuclockid(const_cast<std::thread&>(thread_).native_handle(), &clock) != 0) return 0.0;
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void PollFloor::Run(const std::vector<std::string>& setup) {
    static const std::string kSensors = "D", kInputs = "M", kCheck = "F", kReading = "G";
    std::string reply;
    for (const std::string& command : setup) {
        if (!Exchange(command, reply)) {
            failed_ = true;
            return;
        }
    }
    timespec due = Later(Now(), intervalMs_);
    while (!stop_) {
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr) == EINTR) {
        }
        if (stop_) break;
        const timespec tick = due;
        bool ok = Exchange(kSensors, reply) && Exchange(kInputs, reply) && Exchange(kCheck, reply);
        bool reading = false;
        if (ok && reply.compare(0, 2, "F1") == 0) {
            ok = Exchange(kReading, reply);
            reading = true;
        }
        if (!ok) {
            if (!stop_) failed_ = true;
            break;
        }
        ++ticks_;
        if (reading) ++readings_;
        // The station's poll pauses for a reading and starts its period again after it.
        due = Later(reading ? Now() : tick, intervalMs_);
    }
}
