// The facade's commands to one monitor or all of them: material and zeroing.
#include "qcm/cQCM.h"

#include "app/cErrHandler.h"

namespace {
// Status of a command to a monitor that no sensor serves.
constexpr int32_t kNotEnabled = -1;
}  // namespace

int32_t cQCM::Material(int32_t sensor, double density, double zFactor, double tooling) {
    ORUN_PROC("cQCM_Material");
    int32_t result = 0;
    try {
        if (QCMType_ == 2)
            result = QCMSensorEnabled(sensor) ? mcMirel_->Material(MirelSN_(sensor), density, zFactor, tooling)
                                              : kNotEnabled;
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

int32_t cQCM::Zero(int lSensor) {
    ORUN_PROC("cQCM_Zero");
    int32_t result = 0;
    try {
        if (QCMType_ == 2) result = QCMSensorEnabled(lSensor) ? mcMirel_->Zero(MirelSN_(lSensor)) : kNotEnabled;
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

int32_t cQCM::ZeroAll() {
    ORUN_PROC("cQCM_ZeroAll");
    int32_t result = 0;
    try {
        if (QCMType_ == 2) result = mcMirel_->ZeroAll();
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}
