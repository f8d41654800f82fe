#include "app/SystemFlags.h"

int16_t SystemFlags = 0;
