// The elapsed process and layer times as texts, and the time displays of a stopped
// program.
#include "app/VBConv.h"
#include "app/modUtil.h"
#include "platform/Clock.h"
#include "run/frmMain.h"

#include <cmath>

#include <QLabel>
#include <QProgressBar>

namespace {

constexpr float kDay = 86400.0f;
// The smallest time the timer gives apart from 0.
constexpr float kTimerStep = 0.001f;

// Seconds as a time of day: nothing before the start, and never beyond the last second of
// a day, so a run longer than a day does not wrap round to a small time.
QString ElapsedText(float t) {
    if (!(t > 0.0f)) return QStringLiteral("00:00:00");
    if (t > 86399.0f) return QStringLiteral("23:59:59");
    return vb::Format(static_cast<double>(t) / 86400.0, QStringLiteral("hh:mm:ss"));
}

}  // namespace

QString frmMain::ProcessTime() const { return ElapsedText(RunElapsed_); }

QString frmMain::LayerTime() const { return ElapsedText(LayerElapsed_); }

void frmMain::ClearLayerTimes() {
    lblLayer(1)->clear();
    lblPhase(1)->clear();
    lblPhase(2)->clear();
    prgPhase->setValue(0);
}

void frmMain::PauseRunTime() {
    if (RunStartTime != 0.0f && RunPausedAt == 0.0f) RunPausedAt = Timer();
}

void frmMain::ResumeRunTime() {
    if (RunPausedAt == 0.0f) return;
    if (RunStartTime != 0.0f) {
        // The start moves on by the stop, within the day the timer counts (the difference
        // adds a day back across midnight); 0 would mean no run at all.
        float start = std::fmod(RunStartTime + modUtil::TimeDiff(RunPausedAt, Timer()), kDay);
        RunStartTime = start > 0.0f ? start : kTimerStep;
    }
    RunPausedAt = 0.0f;
}

// STOPPED has no run, layer or phase to time: the window shows no times and an empty
// phase bar, as before the first run, instead of the last run's figures as if they still
// counted. A stopped layer keeps its figures: its run goes on from there.
void frmMain::ClearRunTimes() {
    lblProcess(1)->clear();
    lblLayer(1)->clear();
    lblPhase(1)->clear();
    lblPhase(2)->clear();
    prgPhase->setValue(0);
}
