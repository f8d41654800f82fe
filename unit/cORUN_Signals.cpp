// Channel signals, flux and the two-point PMT calibration. The reading and "C" replies
// call in here; the computations themselves are still to be filled in, so for now the
// signals read 0, the flux keeps its stored value and a calibration only records its
// channel.
#include "unit/cORUN.h"

#include "app/VBConv.h"

double cORUN::I1_Total(int ch) const {
    (void)Reading_(ch);
    return 0.0;
}

double cORUN::I2_Total(int ch) const {
    (void)Reading_(ch);
    return 0.0;
}

double cORUN::I3_Bkg(int ch) const {
    (void)Reading_(ch);
    return 0.0;
}

double cORUN::ChanFlux(int ch) const { return ChanFlux_(ch); }
double cORUN::ChanPercent(int ch) const { return ChanPercent_(ch); }
double cORUN::GasPercent(int ch) const { return GasPercent_(ch); }

void cORUN::setCalChan(int ch) { CalChan_ = ch; }
void cORUN::setCalHiBias(double value) { CalHiBias_ = vb::CLng(value); }
void cORUN::setCalLoBias(double value) { CalLoBias_ = vb::CLng(value); }

void cORUN::UpdateFlux(int) {}
void cORUN::CalAcknowledge() {}
void cORUN::CalSlopeIntercept(int) {}
