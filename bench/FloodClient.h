#pragma once
// A careless remote-control client on a thread of its own, over a plain loopback socket:
// it sends requests back to back without waiting for their replies, either reading every
// reply (Pipelining) or never reading one (NeverReads). The requests cycle through a few
// commands, so the order of the replies can be checked against the order of the requests.
#include <atomic>
#include <cstdint>
#include <thread>

class FloodClient {
public:
    enum class Mode { Pipelining, NeverReads };

    FloodClient(uint16_t port, Mode mode);
    ~FloodClient();
    FloodClient(const FloodClient&) = delete;
    FloodClient& operator=(const FloodClient&) = delete;

    // Stops sending and closes the connection.
    void Stop();

    bool Connected() const { return connected_; }
    // Requests wholly handed to the system, and replies received whole.
    int64_t Sent() const { return sent_; }
    int64_t Replies() const { return replies_; }
    // Replies whose echo was not that of the request they answer, in order.
    int64_t OutOfOrder() const { return outOfOrder_; }

private:
    void Run(uint16_t port);

    Mode mode_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> connected_{false};
    std::atomic<int64_t> sent_{0};
    std::atomic<int64_t> replies_{0};
    std::atomic<int64_t> outOfOrder_{0};
    std::thread thread_;
};
