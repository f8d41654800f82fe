#pragma once
// The least a program can spend on the unit's poll: a client that makes the exchanges the
// station's poll makes and nothing else. Every 90 ms it asks "D", "M" and "F", and "G" when
// "F" answers 1, each over a blocking TCP socket, one command at a time, with the
// station's own frame routine and collector; no event loop, no display. As the station's
// poll timer does, the next tick comes 90 ms after the previous one, or 90 ms after the
// reading when there was one.
//
// It runs on a thread of its own, whose CPU time (user and system) is its cost, so the
// station and this floor can be measured side by side in one run.
#include "unit/FrameCollector.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// A blocking TCP connection to 127.0.0.1:port with no send delay, as the station's link
// makes; its descriptor, or -1.
int ConnectLoopback(uint16_t port);

class PollFloor {
public:
    // Connects to the emulator at 127.0.0.1:port, with no send delay as the station's link.
    explicit PollFloor(uint16_t port);
    ~PollFloor();
    PollFloor(const PollFloor&) = delete;
    PollFloor& operator=(const PollFloor&) = delete;

    bool Connected() const { return fd_ >= 0; }
    // Starts the thread: it exchanges each of the setup commands once (the settings that the
    // station gave its own emulator, so that both emulators report readings alike), then
    // polls every intervalMs until Stop.
    void Start(std::vector<std::string> setup, int intervalMs);
    void Stop();
    // The setup is done and the poll has made its first tick.
    bool Polling() const { return ticks_ > 0; }

    // CPU seconds the poll's thread has used so far (0 before Start and after Stop).
    double CpuSeconds() const;
    int Ticks() const { return ticks_; }
    int Exchanges() const { return exchanges_; }
    int Readings() const { return readings_; }
    // A reply did not come, or came garbled: the figures stop there.
    bool Failed() const { return failed_; }

private:
    void Run(const std::vector<std::string>& setup);
    // Sends the frame of text and waits for the reply frame; its text (after the
    // acknowledgement letter) in reply. False on a lost link or a bad frame.
    bool Exchange(const std::string& text, std::string& reply);

    int fd_ = -1;
    int intervalMs_ = 90;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> failed_{false};
    std::atomic<int> ticks_{0};
    std::atomic<int> exchanges_{0};
    std::atomic<int> readings_{0};
    FrameCollector rx_;
};
