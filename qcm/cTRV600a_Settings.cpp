// The per-output loop, full-scale and mode properties and the per-sensor material
// properties: each change goes to the library through its command, which checks it.
#include "qcm/cTRV600a.h"

namespace {
enum LoopValue { kRate, kP, kI, kD };
}

void cTRV600a::SetLoopValue(int out, int which, double value) {
    if (!OutputChecked(out)) return;
    if (OutputMode_(out) != kAutomatic) {
        // Under manual power the value waits for the next switch to automatic control.
        (which == kRate ? Rate_ : which == kP ? PTerm_ : which == kI ? ITerm_ : DTerm_)(out) = value;
        return;
    }
    SendLoop(which == kRate ? value : Rate_(out), which == kP ? value : PTerm_(out),
             which == kI ? value : ITerm_(out), which == kD ? value : DTerm_(out), out);
}

double cTRV600a::PTerm(int out) { return OutputChecked(out) ? PTerm_(out) : 0.0; }
void cTRV600a::setPTerm(int out, double value) { SetLoopValue(out, kP, value); }
double cTRV600a::ITerm(int out) { return OutputChecked(out) ? ITerm_(out) : 0.0; }
void cTRV600a::setITerm(int out, double value) { SetLoopValue(out, kI, value); }
double cTRV600a::DTerm(int out) { return OutputChecked(out) ? DTerm_(out) : 0.0; }
void cTRV600a::setDTerm(int out, double value) { SetLoopValue(out, kD, value); }
double cTRV600a::Rate(int out) { return OutputChecked(out) ? Rate_(out) : 0.0; }
void cTRV600a::setRate(int out, double value) { SetLoopValue(out, kRate, value); }

double cTRV600a::FSOut(int out) { return OutputChecked(out) ? FSOut_(out) : 0.0; }

void cTRV600a::setFSOut(int out, double volts) {
    if (!OutputChecked(out)) return;
    SendFullScale(out, volts, MaxPower_(out), SlewRate_(out));
    // The voltage is kept even when the library refused the call.
    if (volts >= FSOutMin() && volts <= FSOutMax()) FSOut_(out) = volts;
}

double cTRV600a::SlewRate(int out) { return OutputChecked(out) ? SlewRate_(out) : 0.0; }

void cTRV600a::setSlewRate(int out, double value) {
    if (OutputChecked(out)) SendFullScale(out, FSOut_(out), MaxPower_(out), value);
}

double cTRV600a::MaxPower(int out) { return OutputChecked(out) ? MaxPower_(out) : 0.0; }

void cTRV600a::setMaxPower(int out, double value) {
    if (OutputChecked(out)) SendFullScale(out, FSOut_(out), value, SlewRate_(out));
}

bool cTRV600a::PIDMode(int out) { return OutputChecked(out) && OutputMode_(out) == kAutomatic; }

void cTRV600a::setPIDMode(int out, bool automatic) {
    if (!OutputChecked(out)) return;
    if (automatic) SendLoop(Rate_(out), PTerm_(out), ITerm_(out), DTerm_(out), out);
    else SendPower(out, GetPower(out));
}

double cTRV600a::Tooling(int s) { return SensorChecked(s) ? Tooling_(s) : 0.0; }

void cTRV600a::setTooling(int s, double value) {
    if (SensorChecked(s)) SendMaterial(s, Density_(s), ZFactor_(s), value);
}

double cTRV600a::Density(int s) { return SensorChecked(s) ? Density_(s) : 0.0; }

void cTRV600a::setDensity(int s, double value) {
    if (SensorChecked(s)) SendMaterial(s, value, ZFactor_(s), Tooling_(s));
}

double cTRV600a::ZFactor(int s) { return SensorChecked(s) ? ZFactor_(s) : 0.0; }

void cTRV600a::setZFactor(int s, double value) {
    if (SensorChecked(s)) SendMaterial(s, Density_(s), value, Tooling_(s));
}
