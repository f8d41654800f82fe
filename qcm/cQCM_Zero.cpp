// Zeroing the quartz monitors' thickness.
#include "qcm/cQCM.h"

// Neither quartz source is driven yet, so there is no thickness to zero.
int32_t cQCM::ZeroAll() { return 0; }
int32_t cQCM::Zero(int) { return 0; }
