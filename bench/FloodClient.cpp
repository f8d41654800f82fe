#include "FloodClient.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The requests in the order they go out, over and over; each reply echoes its first four
// characters.
constexpr std::string_view kRequests[] = {"@QM;49;00\r", "@QP;5;00\r", "@QV;21;00\r"};
constexpr int kCycle = 3;

std::string Batch() {
    std::string batch;
    while (batch.size() < 8192)
        for (std::string_view r : kRequests) batch += r;
    return batch;
}

}  // namespace

FloodClient::FloodClient(uint16_t port, Mode mode) : mode_(mode) {
    thread_ = std::thread([this, port] { Run(port); });
}

FloodClient::~FloodClient() { Stop(); }

void FloodClient::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void FloodClient::Run(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    connected_ = true;
    const std::string batch = Batch();
    size_t offset = 0;  // into batch: what has gone out of the present copy
    std::string reply;
    int64_t expected = 0;  // index of the request the next reply answers
    char in[65536];
    while (!stop_) {
        pollfd p{fd, static_cast<short>(POLLOUT | (mode_ == Mode::Pipelining ? POLLIN : 0)), 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        if (p.revents & (POLLERR | POLLHUP)) break;
        if (p.revents & POLLOUT) {
            const ssize_t n = ::send(fd, batch.data() + offset, batch.size() - offset, MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN && errno != EINTR) break;
            if (n > 0) {
                for (size_t i = offset; i < offset + static_cast<size_t>(n); ++i)
                    if (batch[i] == '\r') ++sent_;
                offset = (offset + static_cast<size_t>(n)) % batch.size();
            }
        }
        if (p.revents & POLLIN) {
            const ssize_t n = ::recv(fd, in, sizeof in, 0);
            if (n == 0) break;
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR) continue;
                break;
            }
            for (ssize_t i = 0; i < n; ++i) {
                reply += in[i];
                if (in[i] != '\r') continue;
                if (reply.compare(0, 4, kRequests[expected % kCycle].substr(0, 4)) != 0) ++outOfOrder_;
                ++expected;
                ++replies_;
                reply.clear();
            }
        }
    }
    connected_ = false;
    ::close(fd);
}
