#include "TestHook.h"

#include "Engine.h"

namespace trv600a::testhook {

void reload()
{
    Engine& e = engine();
    std::lock_guard life(e.lifecycle);
    e.joinThreads();
    {
        std::lock_guard lock(e.mutex);
        e.state = CardState{};
    }
    e.measEvent.rearm();
    e.analogEvent.rearm();
    e.measEvent.setStepping(false);
    e.analogEvent.setStepping(false);
    e.installPci(nullptr);
    e.installSleep(nullptr);
}

void usePci(std::shared_ptr<IPciAccess> pci)
{
    engine().installPci(std::move(pci));
}

void useSleep(std::function<void(int ms)> sleeper)
{
    engine().installSleep(std::move(sleeper));
}

void setStepping(bool on)
{
    engine().measEvent.setStepping(on);
    engine().analogEvent.setStepping(on);
}

bool stepMeasurement()
{
    return engine().measurementPass();
}

bool stepAnalog()
{
    return engine().analogPass();
}

uint64_t cycles()
{
    return engine().cycles();
}

bool waitForCycles(uint64_t count, std::chrono::milliseconds timeout)
{
    return engine().waitForCycles(count, timeout);
}

int liveWorkerThreads()
{
    return engine().liveThreads();
}

int measurementWaitMs()
{
    return engine().measEvent.waitMs();
}

int analogWaitMs()
{
    return engine().analogEvent.waitMs();
}

double referenceClock()
{
    std::lock_guard lock(engine().mutex);
    return engine().state.refClock;
}

bool extended()
{
    std::lock_guard lock(engine().mutex);
    return engine().state.extended != 0;
}

}  // namespace trv600a::testhook
