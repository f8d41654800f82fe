// The crystal frequencies, the measurement period and the monitors' enabled flags.
#include "qcm/cQCM.h"

int32_t cQCM::InitFreq(double maximum, double minimum, double initial, double period) {
    const auto inRange = [](double f) { return f >= 1000000.0 && f <= 10000000.0; };
    if (!inRange(maximum) || !inRange(minimum) || !inRange(initial)) return -1;
    if (!(maximum >= initial && initial >= minimum)) return -1;
    if (!(period >= 0.1 && period <= 2.0)) return -1;
    FreqMax_ = maximum;
    FreqMin_ = minimum;
    FreqInit_ = initial;
    Period_ = period;
    // Passing the values on to the card or the USB sensors comes with those sources.
    return 0;
}

// No quartz card is driven yet, so its version block reads 0.
int16_t cQCM::Revision(int) const { return 0; }

bool cQCM::QCMSensorEnabled(int QCM) const {
    return QCMSensorEnabled_.inRange(QCM) ? QCMSensorEnabled_(QCM) : false;
}

void cQCM::setQCMSensorEnabled(int QCM, bool value) {
    if (QCMSensorEnabled_.inRange(QCM)) QCMSensorEnabled_(QCM) = value;
}
