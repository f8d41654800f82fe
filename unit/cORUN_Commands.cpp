// The commands that change the unit, and the quantities computed from the unit's model.
// Every command goes through the one send path (setCommand).
#include "unit/cORUN.h"

#include "app/VBConv.h"
#include "unit/ExitRule.h"

#include <algorithm>

namespace {
constexpr double kRawStep = 1.953e-6;  // one raw step of a sensor value
QString Num(int32_t v) { return vb::CStr(static_cast<int>(v)); }
}  // namespace

void cORUN::SendString(const QString& sText) { setCommand(sText); }

void cORUN::SendGetVersion() {
    QueueEmpty();
    setEnabled(true);
    // The identification starts the exchange afresh: it does not wait behind a command
    // sent before the link was opened again (into a dropped connection, on the port given
    // up), whose reply will never come.
    CommStatus_ = 0;
    setCommand(QStringLiteral("@"));
}

void cORUN::SendReadChannels() { setCommand(QStringLiteral("A")); }
void cORUN::SendReadSensors() { setCommand(QStringLiteral("D")); }
void cORUN::SendReadDigitalInputs() { setCommand(QStringLiteral("M")); }
void cORUN::SendCheckReading() { setCommand(QStringLiteral("F")); }
void cORUN::SendGetReading() { setCommand(QStringLiteral("G")); }

void cORUN::setChanUpdate(int ch, int32_t ms) {
    if (ms < 100 || ms > 2000) return;
    ChanUpdate_(ch) = ms;
    if (!ChanActive(ch) || Version_ == 0) return;
    QString t = QLatin1Char('B') + Num(ch + 1) + QLatin1Char(',');
    if (Version_ < 200) {
        t += Num(ms / 2);
    } else {
        t += Num(ms / 3) + (GasCalEnabled_ ? QStringLiteral(",1") : QStringLiteral(",0"));
    }
    // Until the unit has taken it, and for the one reading after that, the readings may
    // still report the old period (a few readings at most, should its answer not come).
    PeriodSettle_(ch) = kSettleReadings;
    PeriodGiven_(ch) = true;
    setCommand(t);
}

void cORUN::setPMTVolts(int ch, int32_t volts) {
    if (volts < 0 || volts > 1250) return;
    PMTVolts_(ch) = volts;
    // A channel under detector calibration keeps its PMT off while its points are
    // measured, whoever asks (a run's start, the channel states read again after the link
    // came back); the calibration's end gives it the volts held here.
    if (!ChanActive(ch) || ch == CalChan_) return;
    setCommand(QLatin1Char('H') + Num(ch + 1) + QLatin1Char(',') + Num(volts));
    PMTVoltsSent_(ch) = volts;
}

void cORUN::setPMTCal(int ch, int32_t value) {
    // Values at or below the threshold are volts, not calibration values: not sent here.
    if (value <= OutputCode::PmtCalThreshold || !ChanActive(ch)) return;
    setCommand(QLatin1Char('H') + Num(ch + 1) + QLatin1Char(',') + Num(value));
    setCommand(QLatin1Char('I') + Num(ch + 1));
}

void cORUN::setEmissionOn(int s, int32_t value) {
    if (value > 0 && !ExitRule::Allows(ExitRule::Act::Emission, Terminating_)) return;
    if (s != 1 || GasCalEnabled_) {
        EmissionOn_(s) = value;
        if (value > 0) setEmissionSetPt(s, EmissionSetPt_(s));
        setCommand(QLatin1Char('S') + Num(s + 1) + QLatin1Char(';') + Num(value));
    } else {
        // The first gas sensor runs only while gas calibration is on.
        EmissionOn_(1) = 0;
        setCommand(QStringLiteral("S2;0"));
    }
}

void cORUN::setEmissionSetPt(int s, double value) {
    if (value < 2.0 || value > 10.0) return;
    EmissionSetPt_(s) = value;
    SendSetPoints();
}

void cORUN::SendSetPoints() {
    QString t = QStringLiteral("V");
    for (int i = 0; i <= 3; ++i) {
        if (i > 0) t += QLatin1Char(',');
        t += vb::CStr(EmissionSetPt_(i) * 100.0);
    }
    setCommand(t);
}

double cORUN::EmissionCurrent(int s) const {
    const auto& raw = SensorRaw_(s);
    if (Version_ >= 200) {
        if (EmissionOn_(s) < 1) return 0.0;
        return (raw(0) * kRawStep) / 0.1 - (raw(1) * kRawStep) / 0.1;
    }
    return (raw(0) - LeakOffset_) * LeakGain_ - LeakageCurrent(s);
}

double cORUN::LeakageCurrent(int s) const {
    const auto& raw = SensorRaw_(s);
    if (Version_ >= 200) {
        if (EmissionOn_(s) < 1) return 0.0;
        return (raw(1) * kRawStep) / 0.1;
    }
    return (raw(1) - LeakOffset_) * LeakGain_;
}

double cORUN::SensorPower(int s) const {
    if (EmissionOn_(s) > 0) return SensorRaw_(s)(2) * kRawStep * 7.0;
    return 0.0;
}

double cORUN::FilamentCurrent(int s) const {
    if (EmissionOn_(s) < 1) return 0.0;
    return (1.25 - SensorRaw_(s)(3) * kRawStep) * 18.0;
}

double cORUN::BiasVoltage(int s) const {
    if (EmissionOn_(s) < 1) return 0.0;
    return SensorRaw_(s)(4) * kRawStep * 220.0;
}

void cORUN::SendRelays() {
    QString t = QStringLiteral("N");
    for (int n = 0; n <= 11; ++n) {
        if (n > 0) t += QLatin1Char(',');
        t += Relay(n) ? QLatin1Char('1') : QLatin1Char('0');
    }
    setCommand(t);
    // The relays the exit would leave follow the word the unit is given.
    KeepLastStop(true);
}

void cORUN::SendFilter(int n) {
    if (Filter(n) <= 0) return;
    setCommand(QLatin1Char('O') + Num(n) + QLatin1Char(',') + Num(Filter(n)));
    FilterStatus_(n) = 0;
}

void cORUN::setHandCtrlOutput(int o) {
    if (o != -1 && !ExitRule::Allows(ExitRule::Act::HandControl, Terminating_)) return;
    HandCtrlOutput_ = o;
    if (o == -1) {
        setCommand(QStringLiteral("U0,") + Num(OutputCode::ZeroVolts));
    } else if (o >= 0 && o <= 7) {
        const int32_t code = FullScale_(o) == OutputCode::OneToFive
                                 ? OutputCode::HandCtrlOneToFive
                                 : OutputCode::ZeroVolts + vb::CLng(FullScale_(o) * OutputCode::HandCtrlSpan) / 10;
        setCommand(QLatin1Char('U') + Num(o + 1) + QLatin1Char(',') + Num(code));
    }
}

void cORUN::setFullScale(int o, double volts) {
    if (o < 0 || o > 7) return;
    FullScale_(o) = volts;
    if (o == HandCtrlOutput_) setHandCtrlOutput(o);
}

void cORUN::setMaxPower(int o, double percent) {
    if (o < 0 || o > 7) return;
    MaxPower_(o) = percent;
}

int32_t cORUN::PowerCode(int o, double p) const {
    // In the "1-5" V mode 0 % is 1 V and 100 % is 5 V.
    if (FullScale_(o) == OutputCode::OneToFive)
        return vb::CLng(((p * 4.0 / 100.0) + 1.0) * OutputCode::Span / 10.0 + OutputCode::ZeroVolts);
    return vb::CLng(FullScale_(o) / 10.0 * p / 100.0 * OutputCode::Span + OutputCode::ZeroVolts);
}

void cORUN::setPower(int o, double percent) {
    double p = ExitRule::Allows(ExitRule::Act::SourcePower, Terminating_) ? percent : 0.0;
    if (p < 0.0) p = 0.0;
    if (p > MaxPower_(o)) p = MaxPower_(o);
    Requested_(o) = p;
    PowerCode_(o) = PowerCode(o, std::min(p, ClimbCap(o)));
}

double cORUN::Power(int o) const {
    // While a restart's climb caps what is sent, the power is still the one the program
    // set: limits and loops judge that, and the climb only delays it.
    if (ClimbStart_ >= 0) return PercentOfCode(o, PowerCode(o, Requested_(o)));
    return PercentOfCode(o, PowerCode_(o));
}

double cORUN::PowerHeld(int o) const { return PercentOfCode(o, HeldCode_(o)); }

bool cORUN::PowerConfirmed(int o) const { return HeldKnown_(o) && HeldCode_(o) == PowerCode_(o) && !PowerOnItsWay(o); }

double cORUN::PercentOfCode(int o, int32_t c) const {
    const double fs = FullScale_(o);
    const double code = c;
    if (fs == 0.0) return 0.0;
    if (fs == OutputCode::OneToFive)
        return ((code - OutputCode::ZeroVolts) / OutputCode::Span * 10.0 - 1.0) / 4.0 * 100.0;
    return (code - OutputCode::ZeroVolts) / (fs / 10.0 * OutputCode::Span) * 100.0;
}

void cORUN::SendPower() {
    ApplyPowers();
    QString k = QStringLiteral("K");
    for (int o = 0; o <= 5; ++o) {
        if (o > 0) k += QLatin1Char(',');
        k += Num(PowerCode_(o));
    }
    setCommand(k);
    setCommand(QLatin1Char('W') + Num(PowerCode_(6)) + QLatin1Char(',') + Num(PowerCode_(7)));
}
