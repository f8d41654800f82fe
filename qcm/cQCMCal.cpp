#include "qcm/cQCMCal.h"

cQCMCal::cQCMCal(QObject* parent) : QObject(parent) {}

cQCMCal::~cQCMCal() = default;

void cQCMCal::StartCal(int32_t channel, int16_t film) {
    Channel_ = channel;
    Film_ = film;
    Phase_ = 1;
}
