#pragma once
// The front-panel disable word: each set bit locks one operator control of the main
// window. 0 at start; the remote-control server writes the whole word, and the digital
// inputs of the two emission interlocks set and clear bits 2 and 3.
#include <cstdint>

extern int16_t SystemFlags;

// The bits of SystemFlags (bit 0 least significant), as BitTestInteger takes them.
namespace SystemFlag {
constexpr int16_t RunButtons = 0;   // run buttons and sensor frames hidden
constexpr int16_t Exit = 1;         // the close box refuses to close the program
constexpr int16_t Sensor1 = 2;      // sensor 1 and its gas sensor locked
constexpr int16_t Sensor2 = 3;      // sensor 2 and its gas sensor locked
constexpr int16_t DataLog = 4;      // data-log switch disabled
constexpr int16_t ChannelEdit = 5;  // channels cannot be opened for editing
constexpr int16_t Zero = 6;         // zero buttons hidden
constexpr int16_t ManualPower = 7;  // manual-power switches hidden
constexpr int16_t FileMenu = 8;     // File menu hidden
constexpr int16_t EditMenu = 9;     // Edit menu hidden
constexpr int16_t GraphSetup = 10;  // graph set-up locked
}  // namespace SystemFlag
