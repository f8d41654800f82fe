#include "Engine.h"

#include "SysfsPci.h"

#include <system_error>

namespace trv600a {

Engine& engine()
{
    static Engine instance;
    return instance;
}

Engine::~Engine()
{
    joinThreads();
}

std::shared_ptr<IPciAccess> Engine::pci()
{
    std::lock_guard lock(configMutex_);
    if (pci_)
        return pci_;
    return std::make_shared<SysfsPci>(SysfsPci::rootFromEnvironment());
}

void Engine::installPci(std::shared_ptr<IPciAccess> pci)
{
    std::lock_guard lock(configMutex_);
    pci_ = std::move(pci);
}

void Engine::sleepMs(int ms)
{
    std::function<void(int)> sleeper;
    {
        std::lock_guard lock(configMutex_);
        sleeper = sleeper_;
    }
    if (sleeper)
        sleeper(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void Engine::installSleep(std::function<void(int)> sleeper)
{
    std::lock_guard lock(configMutex_);
    sleeper_ = std::move(sleeper);
}

void Engine::startThreads()
{
    joinThreads();
    measEvent.rearm();
    analogEvent.rearm();
    // A thread that cannot be created simply does not run.
    try {
        ++live_;
        measThread_ = std::thread([this] { measurementLoop(); });
    } catch (const std::system_error&) {
        --live_;
    }
    try {
        ++live_;
        analogThread_ = std::thread([this] { analogLoop(); });
    } catch (const std::system_error&) {
        --live_;
    }
}

void Engine::joinThreads()
{
    measEvent.requestExit();
    analogEvent.requestExit();
    if (measThread_.joinable())
        measThread_.join();
    if (analogThread_.joinable())
        analogThread_.join();
}

void Engine::measurementLoop()
{
    while (measEvent.waitNext()) {
        measurementPass();
        measEvent.reset();
    }
    --live_;
}

void Engine::analogLoop()
{
    while (analogEvent.waitNext())
        analogPass();
    --live_;
}

bool Engine::measurementPass()
{
    bool ran = false;
    {
        std::lock_guard lock(mutex);
        CardState& st = state;
        if (st.simulate) {
            simulatedCycle(st);
            ran = true;
        } else if (st.numCards > 0 && st.cards[0] && (readReg(st, 0, 0) & 0x80000000u)) {
            realCycle(st);
            ran = true;
        }
    }
    if (ran)
        countCycle();
    return ran;
}

bool Engine::analogPass()
{
    std::lock_guard lock(mutex);
    if (state.simulate)
        return false;
    return analogConversion(state);
}

void Engine::countCycle()
{
    {
        std::lock_guard lock(cycleMutex_);
        ++cycles_;
    }
    cycleCv_.notify_all();
}

uint64_t Engine::cycles() const
{
    std::lock_guard lock(cycleMutex_);
    return cycles_;
}

bool Engine::waitForCycles(uint64_t count, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(cycleMutex_);
    return cycleCv_.wait_for(lock, timeout, [&] { return cycles_ >= count; });
}

uint32_t readReg(CardState& st, int card, uint32_t offset)
{
    if (card < 0 || card >= st.numCards || card >= kMaxCards || !st.cards[card])
        return 0;
    return st.cards[card]->read32(offset);
}

void writeReg(CardState& st, int card, uint32_t offset, uint32_t value)
{
    if (card < 0 || card >= st.numCards || card >= kMaxCards || !st.cards[card])
        return;
    st.cards[card]->write32(offset, value);
}

void advanceReadingRing(CardState& st)
{
    st.writeIndex = static_cast<uint8_t>((st.writeIndex + 1) % kSlots);
    if (st.writeIndex == st.readIndex)
        st.readIndex = static_cast<uint8_t>((st.readIndex + 1) % kSlots);
}

void pushAnalogRing(CardState& st)
{
    st.analogWriteIndex = static_cast<uint16_t>((st.analogWriteIndex + 1) % kSlots);
    if (st.analogWriteIndex == st.analogReadIndex)
        st.analogReadIndex = static_cast<uint16_t>((st.analogReadIndex + 1) % kSlots);
    st.analogRing[st.analogWriteIndex] = st.analog;
}

}  // namespace trv600a
