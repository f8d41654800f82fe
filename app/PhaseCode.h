#pragma once
// The run-phase codes shared by the application state, the phase machine, the displays
// and the remote protocol. 99 is the shutdown and has no name; 30, 31, 32 and 40 occur
// only as channel phases.
#include <QString>
#include <cstdint>

namespace PhaseCode {
constexpr int16_t Startup = 0;
constexpr int16_t InitRun = 1;
constexpr int16_t Stopped = 4;
constexpr int16_t Ramp1 = 5;
constexpr int16_t Soak1 = 6;
constexpr int16_t Ramp2 = 7;
constexpr int16_t Soak2 = 8;
constexpr int16_t ShutterDelay = 9;
constexpr int16_t Deposit = 10;
constexpr int16_t QcmCal = 11;
constexpr int16_t IdleRamp = 16;
constexpr int16_t Idle = 17;
constexpr int16_t StopLayer = 18;
constexpr int16_t StartLayer = 19;
constexpr int16_t Index = 20;
constexpr int16_t ManPower = 30;
constexpr int16_t ManRamp = 31;
constexpr int16_t Constant = 32;
constexpr int16_t HoldPower = 40;
constexpr int16_t CommError = 98;
constexpr int16_t Shutdown = 99;

// Display name of a phase code ("STOPPED", "DEPOSIT" ...); empty for a code without one,
// the shutdown code 99 included.
QString PhaseName(int code);
}  // namespace PhaseCode
