#include "qcm/cQCM.h"

cQCM* gQCM = nullptr;

cQCM::cQCM(QObject* parent) : QObject(parent) {}

cQCM::~cQCM() = default;

void cQCM::setQCMType(int32_t value) { QCMType_ = value; }

// Neither quartz source is driven yet, so there is no monitor to set.
int32_t cQCM::Material(int32_t, double, double, double) { return 0; }
