// The relay outputs that follow the run phase, by each relay's function.
#include "run/modPhases.h"
#include "run/modPhasesDetail.h"

#include "app/Globals.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "data/FilmRec.h"
#include "run/modIO.h"
#include "unit/cORUN.h"

#include <array>

namespace modPhases {

namespace {

// The columns of the relay table: the phases that switch relays.
enum Column { kStopped, kStartLayer, kCondition, kShutterDelay, kDeposit, kIdle, kStopLayer, kShutdown, kNone };

Column ColumnOf(int16_t phase) {
    switch (phase) {
    case PhaseCode::Stopped: return kStopped;
    case PhaseCode::StartLayer: return kStartLayer;
    case PhaseCode::Ramp1:
    case PhaseCode::Soak1:
    case PhaseCode::Ramp2:
    case PhaseCode::Soak2: return kCondition;
    case PhaseCode::ShutterDelay: return kShutterDelay;
    case PhaseCode::Deposit: return kDeposit;
    case PhaseCode::IdleRamp:
    case PhaseCode::Idle: return kIdle;
    case PhaseCode::StopLayer: return kStopLayer;
    case PhaseCode::Shutdown: return kShutdown;
    default: return kNone;
    }
}

// What a relay of a function does in each column: '1' on, '0' off, '-' unchanged, and
// for the shutters 'f' on when the channel or source has a film in the step and 'q' on
// when a channel with a film measures with the quartz monitor (both else unchanged).
//                         STOPPED START  COND  SHTR  DEP  IDLE  STOPL SHUTDN
constexpr std::array<const char*, 13> kProcessStates = {{
    "00000000",  //  0 Not Assigned
    "10000001",  //  1 Process Stopped
    "01111110",  //  2 Process Running
    "10000010",  //  3 Layer Stopped
    "00111100",  //  4 Layer Running
    "00011000",  //  5 Deposit Phase
    "00100000",  //  6 Pre-Cond Phase
    "00000100",  //  7 Soak Hold Phase
    "01111100",  //  8 Process Active
    "00000000",  //  9 Manual Mode
    "00----00",  // 10 Max Power
    "00----00",  // 11 Time Setpoint
    "00-----0",  // 12 Channel Error
}};
constexpr const char* kChannelShutter = "000ff000";  // 20-27
constexpr const char* kSourceShutter = "0000f000";   // 30-35
constexpr const char* kQCMShutter = "000qq00-";      // 40-43

// The rule of a function code in a column.
char RuleOf(int16_t code, Column column) {
    if (code >= 0 && code <= 12) return kProcessStates[static_cast<size_t>(code)][column];
    if (code >= 20 && code <= 27) return kChannelShutter[column];
    // The phase machine leaves "Source 7 Shutter" and "Source 8 Shutter" alone.
    if (code >= 30 && code <= 35) return kSourceShutter[column];
    if (code >= 40 && code <= 43) return kQCMShutter[column];
    return '-';
}

// Whether some channel with a film in the step measures with quartz monitor n (1..4).
bool MonitorInUse(int32_t n) {
    for (int16_t ch = 0; ch <= 7; ++ch) {
        const FilmRec* film = ChanFilmRec(ch);
        if (film && InputType::IsQuartz(film->Input_Type) && InputType::QuartzMonitor(film->Input_Type) == n - 1)
            return true;
    }
    return false;
}

}  // namespace

int16_t RelayWordFor(int16_t phase, int16_t word) {
    const Column column = ColumnOf(phase);
    if (column == kNone) return word;
    for (int16_t i = 0; i <= 11; ++i) {
        const int16_t code = modIO::GetOutputFunction(i);
        const auto bit = static_cast<int16_t>(1 << i);
        switch (RuleOf(code, column)) {
        case '1': word = static_cast<int16_t>(word | bit); break;
        case '0': word = static_cast<int16_t>(word & ~bit); break;
        case 'f': {
            const int16_t ch = static_cast<int16_t>(code >= 30 ? code - 30 : code - 20);
            if (RunApp().ChanFilm(ch) >= 1) word = static_cast<int16_t>(word | bit);
            break;
        }
        case 'q':
            if (MonitorInUse(code - 39)) word = static_cast<int16_t>(word | bit);
            break;
        default: break;
        }
    }
    return word;
}

int16_t ExitRelayWord(int16_t word) {
    const int16_t phase = gApp ? gApp->Phase() : PhaseCode::Stopped;
    const bool running = phase != PhaseCode::Stopped && phase != PhaseCode::StopLayer && phase != PhaseCode::Index &&
                         phase != PhaseCode::Startup && phase != PhaseCode::Shutdown;
    if (running) word = RelayWordFor(PhaseCode::StopLayer, word);
    return RelayWordFor(PhaseCode::Shutdown, word);
}

void PhaseRelays(int16_t phase) {
    ORUN_PROC("modPhases_PhaseRelays");
    try {
        if (ColumnOf(phase) == kNone) return;
        cORUN& unit = RunUnit();
        const int16_t before = unit.RelayReg();
        const int16_t after = RelayWordFor(phase, before);
        for (int16_t i = 0; i <= 11; ++i) unit.setRelay(i, (after >> i) & 1);
        if (unit.RelayReg() != before) unit.SendRelays();
    } catch (...) {
        gErr.HandleError();
    }
}

}  // namespace modPhases
