// What the editors use of the main window: the view handlers that the layer editor's
// Ctrl+R steps through, and the process menu that the process tree window rebuilds. The
// panels that each view lays out are the channel panel's work; here the handlers choose
// the view.
#include "run/frmMain.h"

#include "app/SettingsGlobals.h"

void frmMain::mnuViewProcess_Click() { ShowReadings = 0; }

void frmMain::mnuViewRatio_Click() { ShowReadings = 1; }

void frmMain::mnuViewRaw_Click() { ShowReadings = 2; }

// The menus make the Open Process submenu; until they do, there is no menu to rebuild.
void frmMain::BuildProcessMenu() {}
