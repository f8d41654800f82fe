#pragma once
// Settings of the configuration file that the program keeps in globals named after their
// keys.
#include <cstdint>

// [Debug] Debug: 3 logs bad controller frames and time-outs, 4 keeps reading lines.
extern int32_t Debug;
