// The elapsed process and layer times as texts.
#include "app/VBConv.h"
#include "run/frmMain.h"

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
