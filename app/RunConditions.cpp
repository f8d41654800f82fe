#include "app/RunConditions.h"

#include "app/Globals.h"
#include "app/Hooks.h"
#include "app/cApp.h"

// Before the program's objects register their calls there is neither a link nor an exit.
bool DetectorCalibrating() { return Hooks::UnitCalibrating && Hooks::UnitCalibrating(); }

RunConditions::RunConditions()
    : phase_(gApp ? gApp->Phase() : 0),
      process_(gApp ? gApp->ProcNum() : 0),
      step_(gApp ? gApp->ProcLayer() : 0),
      stops_(gApp ? gApp->Stops() : 0),
      exiting_(Hooks::ExitAllowsRunStart && !Hooks::ExitAllowsRunStart()),
      calibrating_(DetectorCalibrating()) {}

QString RunConditions::Changed() const {
    const RunConditions now;
    if (now.exiting_ != exiting_) return QStringLiteral("the program is ending");
    if (now.stops_ != stops_) return QStringLiteral("a stop was asked for");
    if (now.phase_ != phase_) return QStringLiteral("the run moved on");
    if (now.process_ != process_) return QStringLiteral("another process was selected");
    if (now.step_ != step_) return QStringLiteral("another layer was chosen");
    if (now.calibrating_ != calibrating_) return QStringLiteral("a detector calibration started or ended");
    return QString();
}
