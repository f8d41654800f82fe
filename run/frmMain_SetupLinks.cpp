// What the system setup window uses of the main window: the number of channel rows and
// the redraws after a setting changed. The panels that follow them are the channel and
// sensor panels' work; here the row count is kept.
#include "run/frmMain.h"

void frmMain::setFormSize(int16_t nSize) { FormSize_ = nSize; }

void frmMain::ShowChannels() {}

void frmMain::ShowSensors() {}

void frmMain::SetFormColors() {}
