#pragma once
// What the library's own tests reach besides the exports: the PCI access and the sleeps
// used by the next start, stepping of the two worker loops, and a few internal values.
// Not exported from the shared library.
#include "PciAccess.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace trv600a::testhook {

// Back to the state of a freshly loaded library: threads ended and joined, cards closed,
// every setting at its default, the installed PCI access, sleeps and stepping removed.
void reload();

// The PCI access of the next start (null: sysfs under $TRV600A_SYSFS_ROOT or /sys).
void usePci(std::shared_ptr<IPciAccess> pci);
// Stands in for the plain sleeps of the reset sequence.
void useSleep(std::function<void(int ms)> sleeper);

// With stepping on, the worker threads run no pass of their own; the test runs one pass
// of either loop (after its wait) with the functions below. True when a measurement cycle
// ran or an analog conversion was read.
void setStepping(bool on);
bool stepMeasurement();
bool stepAnalog();

// Measurement cycles run so far, and a wait for the free-running threads to reach a count.
uint64_t cycles();
bool waitForCycles(uint64_t count, std::chrono::milliseconds timeout);

int liveWorkerThreads();
int measurementWaitMs();
int analogWaitMs();
double referenceClock();
bool extended();

}  // namespace trv600a::testhook
