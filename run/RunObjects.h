#pragma once
// The program's state, unit and quartz objects with their classes, as the run-control code
// uses them; the checked accessors themselves are in app/Globals.h.
#include "app/Globals.h"
#include "app/cApp.h"
#include "qcm/cQCM.h"
#include "unit/cORUN.h"
