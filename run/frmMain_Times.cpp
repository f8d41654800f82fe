// The elapsed process and layer times as texts, and the time displays of a stopped
// program.
#include "app/VBConv.h"
#include "run/frmMain.h"

#include <QLabel>
#include <QProgressBar>

namespace {

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
