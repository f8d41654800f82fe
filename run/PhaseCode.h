#pragma once
// The run-phase codes live with their lowest user, the application state.
#include "app/PhaseCode.h"
