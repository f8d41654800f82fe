// The display refresh of the main window.
#include "app/SettingsGlobals.h"
#include "app/modUtil.h"
#include "platform/Clock.h"
#include "run/frmMain.h"
#include "run/modCalculations.h"

// Only the meter timing is kept here so far: the channel, graph and data-log refreshes
// come with the window's panels.
void frmMain::UpdateForm() {
    const float now = Timer();
    if (modUtil::TimeDiff(static_cast<float>(gLastMeterTime), now) >= static_cast<float>(MeterDamping))
        gLastMeterTime = now;
}
