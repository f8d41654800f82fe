#include "qcm/cQCM.h"

int32_t cQCM::Material(int32_t sensor, double density, double zFactor, double tooling) {
    (void)sensor;
    (void)density;
    (void)zFactor;
    (void)tooling;
    return 0;
}
