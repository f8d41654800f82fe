#pragma once
// The engine behind the exported functions: the state, its mutex, the two worker threads
// and their wake-ups, and the steps that the exports and the threads run on the state.
// Every function below that takes a CardState runs with Engine::mutex held.
#include "CardState.h"
#include "WakeEvent.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace trv600a {

class Engine {
public:
    Engine() = default;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;
    // Unloading the library ends and joins both threads.
    ~Engine();

    std::mutex mutex;  // guards state
    CardState state;
    WakeEvent measEvent;
    WakeEvent analogEvent;

    // One start or stop at a time; held for the whole call.
    std::mutex lifecycle;

    // The PCI access of the next start: the installed one, else sysfs.
    std::shared_ptr<IPciAccess> pci();
    void installPci(std::shared_ptr<IPciAccess> pci);
    // The plain sleeps of the reset sequence.
    void sleepMs(int ms);
    void installSleep(std::function<void(int)> sleeper);

    // Fresh threads (each waiting on its event); the old ones must have been joined.
    void startThreads();
    // Asks both threads to end and joins them.
    void joinThreads();
    int liveThreads() const { return live_.load(); }

    // One pass of each thread's loop after its wait; true when a cycle or conversion ran.
    bool measurementPass();
    bool analogPass();

    uint64_t cycles() const;
    bool waitForCycles(uint64_t count, std::chrono::milliseconds timeout);

private:
    void measurementLoop();
    void analogLoop();
    void countCycle();

    std::thread measThread_;
    std::thread analogThread_;
    std::atomic<int> live_{0};
    std::mutex configMutex_;
    std::shared_ptr<IPciAccess> pci_;
    std::function<void(int)> sleeper_;
    mutable std::mutex cycleMutex_;
    std::condition_variable cycleCv_;
    uint64_t cycles_ = 0;
};

Engine& engine();

// Registers of the card at a position (0 for a missing card; writes to it do nothing).
uint32_t readReg(CardState& st, int card, uint32_t offset);
void writeReg(CardState& st, int card, uint32_t offset, uint32_t value);

// The reading ring's writer steps on by one slot, pushing the reader on when they meet.
void advanceReadingRing(CardState& st);
// Pushes the present analog values into the analog ring likewise.
void pushAnalogRing(CardState& st);

// Start-up and stop (discovery, ordering, reset, versions).
int32_t startCards(Engine& e, int32_t* versions);
int32_t stopCards(Engine& e);
void setPlaceholderMaterials(CardState& st);

// Measurement cycle.
void programTimers(Engine& e);
void counterRestart(CardState& st);
double frequencyOf(const CardState& st, uint32_t count);
void recomputeMaterialConstants(CardState& st);
void thicknessAndRate(CardState& st);
void realCycle(CardState& st);
void simulatedCycle(CardState& st);

// Control outputs, analog inputs and the front panel.
void controlStep(CardState& st);
void analogControlStep(CardState& st, int output, double value);
void writeOutput(CardState& st, int output, double power);
void clearOutputCodes(CardState& st);
// Every output of the cards at power 0 (outputs 12 and 13 too when card 0 has them),
// written to the cards whatever the mode: done before the library stops writing their
// registers (simulation, stop), so that no card is left driving its last output code.
void zeroOutputs(CardState& st, bool extendedOutputs);
bool analogConversion(CardState& st);
void readSwitches(CardState& st, int16_t& switches, int16_t& knobDelta);

}  // namespace trv600a
