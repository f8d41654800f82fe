// What the layer and film editor uses of the main window: the view handlers that its
// Ctrl+R steps through. The panels that each view lays out are the channel panel's work;
// here the handlers choose the view.
#include "run/frmMain.h"

#include "app/SettingsGlobals.h"

void frmMain::mnuViewProcess_Click() { ShowReadings = 0; }

void frmMain::mnuViewRatio_Click() { ShowReadings = 1; }

void frmMain::mnuViewRaw_Click() { ShowReadings = 2; }
