#pragma once
// Opening and closing the serial control of the remote-control endpoint (and of the setup
// window's port probe).
#include <cstdint>

class MSComm;

namespace modComm {

// For a port 1..9: closes the control (CloseCommPort), sets its port, opens and closes
// it once, sets it to report every received character (RThreshold 1) and opens it again.
// A port outside 1..9 leaves the control untouched. True when no error occurred.
bool OpenCommPort(MSComm* ctl, int16_t nPort);
// Closes an open port; opens and closes a closed one once. True when no error occurred.
bool CloseCommPort(MSComm* ctl);

}  // namespace modComm
