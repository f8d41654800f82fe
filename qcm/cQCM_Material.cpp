// The material of one quartz monitor on the active source.
#include "qcm/cQCM.h"

#include "app/cErrHandler.h"
#include "qcm/cTRV600a.h"

int32_t cQCM::Material(int32_t sensor, double density, double zFactor, double tooling) {
    ORUN_PROC("cQCM_Material");
    int32_t result = 0;
    try {
        if (QCMType_ == 1)
            result = mc600_->SendMaterial(sensor, density, zFactor, tooling);
        else if (QCMType_ == 2)
            result = QCMSensorEnabled(sensor) ? mcMirel_->Material(MirelSN_(sensor), density, zFactor, tooling)
                                              : kNotEnabled;
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}
