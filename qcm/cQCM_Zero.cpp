// Zeroing the thickness of one quartz monitor or of all of them.
#include "qcm/cQCM.h"

#include "app/cErrHandler.h"
#include "qcm/cTRV600a.h"

int32_t cQCM::Zero(int lSensor) {
    ORUN_PROC("cQCM_Zero");
    int32_t result = 0;
    try {
        if (QCMType_ == 1) result = mc600_->ZeroSensor(lSensor);
        else if (QCMType_ == 2) result = QCMSensorEnabled(lSensor) ? mcMirel_->Zero(MirelSN_(lSensor)) : kNotEnabled;
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

int32_t cQCM::ZeroAll() {
    ORUN_PROC("cQCM_ZeroAll");
    int32_t result = 0;
    try {
        if (QCMType_ == 1) {
            mc600_->ZeroAll();
            mc600_->ClearBuff();
        } else if (QCMType_ == 2) {
            result = mcMirel_->ZeroAll();
        }
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}
