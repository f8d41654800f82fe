// The relay and input grids of the I/O tab.
#include "windows/frmSystem.h"

// The grids are not built yet, so there is nothing to refill.
void frmSystem::InitGridRelay() {}
void frmSystem::InitGridInput() {}
