#include "remote/modComm.h"

#include "platform/MSComm.h"
#include "platform/RuntimeError.h"

namespace modComm {
namespace {
MSComm& Control(MSComm* ctl) {
    if (!ctl) throw RuntimeError::ObjectNotSet();
    return *ctl;
}
}  // namespace

bool OpenCommPort(MSComm* ctl, int16_t nPort) {
    try {
        if (nPort < 1 || nPort > 9) return true;
        MSComm& port = Control(ctl);
        CloseCommPort(ctl);
        port.setCommPort(nPort);
        if (port.PortOpen()) port.setPortOpen(false);
        port.setPortOpen(true);
        port.setPortOpen(false);
        port.setRThreshold(1);
        port.setPortOpen(true);
        return true;
    } catch (...) {
        return false;
    }
}

bool CloseCommPort(MSComm* ctl) {
    try {
        MSComm& port = Control(ctl);
        if (port.PortOpen()) {
            port.setPortOpen(false);
        } else {
            port.setPortOpen(true);
            port.setPortOpen(false);
        }
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace modComm
