// Whether a channel has a live reading of its film's input to control on. A loop run on a
// reading that never came, or stopped coming, winds its source up to the film's maximum
// power: such a channel is held at 0 instead, and shows its error (the channel-error test
// counts it). The layer then goes on as for any channel error: in DEPOSIT, MAN RAMP and
// CONSTANT the film's error action decides (Ignore keeps the channel at 0 until its
// reading returns and the loop starts afresh, Stop stops the layer with its message, Hold
// holds the power averaged over its last readings, or 0 when its loop never ran on a
// reading in the layer); in SHTR DLY a channel held at 0 cannot
// capture, so the layer fails at the end of its shutter delay with that message.
#include "run/modPhases.h"
#include "run/modPhasesDetail.h"

#include "app/ChannelData.h"
#include "app/Globals.h"
#include "app/Hooks.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modUtil.h"
#include "data/FilmRec.h"
#include "data/modDB.h"
#include "platform/Clock.h"
#include "qcm/cQCM.h"
#include "run/modCalculations.h"
#include "unit/cORUN.h"

#include <algorithm>
#include <cmath>

namespace modPhases {

namespace {

// The unit's channel-error bit of an active detector whose readings stopped.
constexpr int32_t kReadingsStopped = 2;
// A quartz or analog reading is live for this many measurement periods, and at least for
// the shortest span below: one late event is no fault.
constexpr double kLivePeriods = 3.0;
constexpr double kShortestLive = 1.0;

// The input type each channel's last quartz or analog reading came from (-1 none), and
// its timer value.
BoundedArray<int32_t, 0, 7> ReadingInput = [] {
    BoundedArray<int32_t, 0, 7> none;
    none.fill(-1);
    return none;
}();
BoundedArray<float, 0, 7> ReadingTime;
// Timer values of the unit's last good reply and last reading reply.
float LastReply = 0.0f;
float LastReadingReply = 0.0f;
// Seconds the unit takes to tell of an active detector without readings.
constexpr float kReadingsSilent = 2.0f;
// The usual time between reading replies, and how many of those a reading stays live for:
// on a slow link a reading is as old as the link's pace makes it, not a dead detector's.
float ReadingGapSeconds = 0.0f;
constexpr float kLiveGaps = 2.5f;
// Readings further apart than this cannot hold a source at its rate.
constexpr float kSlowestControl = 4.0f;
float ReadingLiveSpan() { return std::max(kReadingsSilent, kLiveGaps * ReadingGapSeconds); }
// The unit said it has no reading ready ("F0") since its last reading reply.
bool NoReadingSince = false;
// The detectors are silent: the unit answers that no reading is ready, and its last
// reading is older than the readings' pace allows. A slow link whose questions have not
// come round to the reading yet is no silent detector.
bool DetectorsSilent() { return NoReadingSince && modUtil::TimeDiff(LastReadingReply, LastReply) > ReadingLiveSpan(); }

// Per channel: the layer record its loop belongs to, the unit's count of its detector's
// readings when that layer started or the loop last restarted, and whether the loop has
// set a power on a reading in that layer. The unit tells of a detector that never reads
// only two seconds on; until then a reading that is not there must not look live.
BoundedArray<int16_t, 0, 7> LoopLayer;
BoundedArray<uint32_t, 0, 7> LoopMark;
BoundedArray<bool, 0, 7> LoopRan;

// A detector reading arrived for the channel's layer since the mark.
bool FreshReading(int16_t ch) {
    return LoopLayer(ch) == RunApp().ChanLayer(ch) && RunUnit().ReadingsTaken(ch) != LoopMark(ch);
}

// Per channel: the unit's count of its detector's readings when the intake last took one;
// the count when the last control tick began, and whether a reading came since then that
// its loop has not stepped on. A loop steps only on a reading of its own tick: a control
// tick without one leaves the power where it is, so nothing is integrated on an old value.
BoundedArray<uint32_t, 0, 7> TakenCount;
BoundedArray<uint32_t, 0, 7> TickCount;
BoundedArray<bool, 0, 7> NewThisTick;
// Per channel: the quartz or analog readings its source newly formed since the last control
// tick, and those of this tick that its loop has not stepped on. A source that forms more
// than one between two ticks gets a step for each, each over its own time, so the loop's
// gains mean the same at any pace of the ticks.
struct FormedReadings {
    LoopStep steps[kMaxLoopSteps];
    int count = 0;
};
BoundedArray<FormedReadings, 0, 7> Formed;
BoundedArray<FormedReadings, 0, 7> ThisTick;

void Add(FormedReadings& r, const LoopStep& step) {
    if (r.count == kMaxLoopSteps) {
        // Ticks held back this long: the oldest reading is dropped rather than any step
        // made longer than its own reading.
        for (int i = 1; i < kMaxLoopSteps; ++i) r.steps[i - 1] = r.steps[i];
        --r.count;
    }
    r.steps[r.count++] = step;
}

// Per channel: its last reading's calculation, or its loop's step on it, gave no number;
// and whether that was named since the channel last went through whole.
BoundedArray<bool, 0, 7> ReadingNotNumber;
BoundedArray<bool, 0, 7> StepNotNumber;
BoundedArray<bool, 0, 7> NotNumberNamed;
// How long the fault's tip stays over the main window (ms).
constexpr int32_t kFaultTipMs = 10000;

// Every reading taken so far is spent: only one that comes after this drives a loop.
void SpendReadings() {
    for (int16_t ch = 0; ch <= 7; ++ch) {
        TickCount(ch) = RunUnit().ReadingsTaken(ch);
        NewThisTick(ch) = false;
        Formed(ch).count = 0;
        ThisTick(ch).count = 0;
    }
}

// Named once, without a box: the control tick must never wait on one.
void NameNotNumber(int16_t ch) {
    if (NotNumberNamed(ch)) return;
    NotNumberNamed(ch) = true;
    const QString text = QStringLiteral("Channel %1 has no valid reading: its calculation gives no number (an overflow or "
                                        "a division by 0; check the channel's calibration and its film's Cal. Gain, Cal. "
                                        "Zero and User Mulitplier). Its source is held at 0 until it reads a number again.")
                             .arg(ch + 1);
    gErr.Note(text);
    if (gMainForm) Hooks::Call(Hooks::ShowMainFormTip, text, kFaultTipMs);
}

}  // namespace

bool CalibrationMissing(int16_t ch) {
    if (!LoopLayer.inRange(ch) || !gORUN) return false;
    return modDB::ChannelCalibrationUnread(ch) || !gORUN->CalibrationSound(ch);
}

bool TakeUnitReading(int16_t ch) {
    const FilmRec* film = ChanFilmRec(ch);
    if (!film || !InputType::IsEmission(film->Input_Type) || CalibrationMissing(ch)) return false;
    const uint32_t count = RunUnit().ReadingsTaken(ch);
    if (count == TakenCount(ch)) return false;
    TakenCount(ch) = count;
    return true;
}

void NoteReadingNumber(int16_t ch, bool number) {
    if (!ReadingNotNumber.inRange(ch)) return;
    ReadingNotNumber(ch) = !number;
    if (!number) NameNotNumber(ch);
    else if (!StepNotNumber(ch)) NotNumberNamed(ch) = false;
}

void NoteControlTick() {
    for (int16_t ch = 0; ch <= 7; ++ch) {
        const uint32_t count = RunUnit().ReadingsTaken(ch);
        NewThisTick(ch) = count != TickCount(ch);
        TickCount(ch) = count;
        ThisTick(ch) = Formed(ch);
        Formed(ch).count = 0;
    }
}

int TakeLoopSteps(int16_t ch, LoopStep (&steps)[kMaxLoopSteps]) {
    const FilmRec* film = ChanFilmRec(ch);
    if (!film || !NewThisTick.inRange(ch)) return 0;
    if (InputType::IsEmission(film->Input_Type)) {
        // The unit forms one reading per channel per integration period, and a reading
        // reply carries at most one of a channel.
        if (!NewThisTick(ch)) return 0;
        NewThisTick(ch) = false;
        steps[0] = {gChanUser(ch), RunUnit().ChanPeriod(ch)};
        return 1;
    }
    FormedReadings& mine = ThisTick(ch);
    const int n = mine.count;
    for (int i = 0; i < n; ++i) steps[i] = mine.steps[i];
    mine.count = 0;
    return n;
}

void NoteStepNumber(int16_t ch, bool number) {
    StepNotNumber(ch) = !number;
    if (!number) NameNotNumber(ch);
    else NotNumberNamed(ch) = false;
}

void NoteLayerStart(int16_t ch) {
    if (!LoopLayer.inRange(ch)) return;
    LoopLayer(ch) = RunApp().ChanLayer(ch);
    LoopMark(ch) = RunUnit().ReadingsTaken(ch);
    LoopRan(ch) = false;
}

void LoopRunsOn(int16_t ch) {
    if (LoopLayer.inRange(ch)) LoopLayer(ch) = RunApp().ChanLayer(ch);
}

void RestartLoop(int16_t ch) {
    modCalculations::ResetPID(ch);
    // The loop starts afresh on a reading that comes after this.
    if (LoopLayer(ch) != RunApp().ChanLayer(ch)) NoteLayerStart(ch);
    else LoopMark(ch) = RunUnit().ReadingsTaken(ch);
}

void NoteLoopRan(int16_t ch) {
    if (LoopLayer(ch) != RunApp().ChanLayer(ch)) NoteLayerStart(ch);
    LoopRan(ch) = true;
}

double HoldPower(int16_t ch) {
    if (!LoopRan.inRange(ch) || !LoopRan(ch) || LoopLayer(ch) != RunApp().ChanLayer(ch)) return 0.0;
    return gChanPowerFilter(ch).Average();
}

void NoteReading(int16_t ch, int32_t inputType, double seconds) {
    if (!ReadingInput.inRange(ch)) return;
    ReadingInput(ch) = inputType;
    ReadingTime(ch) = Timer();
    if (seconds > 0.0 && std::isfinite(seconds)) Add(Formed(ch), {gChanUser(ch), seconds});
}

void ForgetReadings() {
    ReadingInput.fill(-1);
    LoopLayer.fill(0);
    LoopMark.fill(0);
    LoopRan.fill(false);
    TakenCount.fill(0);
    TickCount.fill(0);
    NewThisTick.fill(false);
    for (int16_t ch = 0; ch <= 7; ++ch) Formed(ch).count = ThisTick(ch).count = 0;
    ReadingNotNumber.fill(false);
    StepNotNumber.fill(false);
    NotNumberNamed.fill(false);
    LastReply = LastReadingReply = 0.0f;
    ReadingGapSeconds = 0.0f;
    NoReadingSince = false;
}

namespace {

// Whether channel ch's input reads; for a detector, when fresh, also whether a reading of
// its own arrived since its layer started or its loop restarted.
bool InputReads(int16_t ch, bool fresh) {
    const FilmRec* film = ChanFilmRec(ch);
    if (!film || ReadingNotNumber(ch)) return false;
    const int32_t type = film->Input_Type;
    if (InputType::IsEmission(type)) {
        // A detector at 0 V reads nothing, whatever the unit reports.
        const int32_t volts = vb::CLng(film->Sensor_PMT);
        const cORUN& unit = RunUnit();
        // Nor does one without a calibration that makes its reading depend on it.
        return volts > 0 && unit.ChanActive(ch) && unit.CalChan() != ch && unit.DetectorGiven(ch, volts) &&
               !CalibrationMissing(ch) &&
               (unit.ChanError(ch) & kReadingsStopped) == 0 && (!fresh || FreshReading(ch)) &&
               !DetectorsSilent();
    }
    if (!InputType::IsMeasured(type)) return false;
    if (InputType::IsQuartz(type) && !RunQCM().QCMSensorEnabled(InputType::QuartzMonitor(type))) return false;
    // A card or monitor that is not there never raises a reading for the input.
    if (ReadingInput(ch) != type) return false;
    const double live = std::max(kLivePeriods * RunQCM().Period(), kShortestLive);
    return modUtil::TimeDiff(ReadingTime(ch), Timer()) <= live;
}

}  // namespace

bool ReadingLive(int16_t ch) { return InputReads(ch, true); }

bool ReadingFailed(int16_t ch) { return !InputReads(ch, false) || (StepNotNumber.inRange(ch) && StepNotNumber(ch)); }

bool UnderRateControl(int16_t ch) {
    const FilmRec* film = ChanFilmRec(ch);
    if (!film || RunApp().ChanOutput(ch) < 0) return false;
    switch (RunApp().ChanPhase(ch)) {
    case PhaseCode::Deposit:
    case PhaseCode::QcmCal:
    case PhaseCode::ManRamp:
    case PhaseCode::Constant: return true;
    // Only a capture channel is controlled in SHTR DLY; the others keep their soak power.
    case PhaseCode::ShutterDelay: return film->Shutter_Delay >= 1;
    default: return false;
    }
}

bool HoldBlindChannels() {
    bool changed = false;
    for (int16_t ch = 0; ch <= 7; ++ch) {
        if (!UnderRateControl(ch) || ReadingLive(ch)) continue;
        if (PresentPower(ch) != 0.0) {
            SetChanPower(ch, 0.0);
            changed = true;
        }
        // The loop starts afresh from 0 once its reading is back.
        RestartLoop(ch);
    }
    return changed;
}

void NoteUnitReply(bool reading, bool noReading) {
    if (noReading) NoReadingSince = true;
    const float now = Timer();
    // After a stall of the link (a reset, a unit that restarted) no reading from before it
    // drives anything, and the gap it leaves says nothing of the readings' pace.
    const bool stall = LastReply != 0.0f && modUtil::TimeDiff(LastReply, now) > kReadingsSilent;
    if (stall) SpendReadings();
    LastReply = now;
    if (!reading) return;
    NoReadingSince = false;
    if (!stall && LastReadingReply != 0.0f) {
        const float gap = modUtil::TimeDiff(LastReadingReply, now);
        ReadingGapSeconds = ReadingGapSeconds == 0.0f ? gap : 0.7f * ReadingGapSeconds + 0.3f * gap;
    }
    LastReadingReply = now;
}

void NoteLinkLapse() {
    SpendReadings();
    LastReadingReply = 0.0f;
    NoReadingSince = true;
}

double ReadingGap() { return ReadingGapSeconds; }

bool ReadingsTooSlow() {
    if (ReadingGapSeconds <= kSlowestControl) return false;
    for (int16_t ch = 0; ch <= 7; ++ch) {
        const FilmRec* film = ChanFilmRec(ch);
        if (film && InputType::IsEmission(film->Input_Type) && UnderRateControl(ch)) return true;
    }
    return false;
}

}  // namespace modPhases
