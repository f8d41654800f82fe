#include "app/Globals.h"

cApp* gApp = nullptr;
cORUN* gORUN = nullptr;
cQCM* gQCM = nullptr;
cComm* gComm = nullptr;
frmMain* gMainForm = nullptr;
