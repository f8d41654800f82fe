#include "qcm/cQCM.h"


cQCM::cQCM(QObject* parent) : QObject(parent) {}

cQCM::~cQCM() = default;

void cQCM::setQCMType(int32_t value) { QCMType_ = value; }
