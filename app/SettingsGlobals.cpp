#include "app/SettingsGlobals.h"

int32_t Debug = 0;
