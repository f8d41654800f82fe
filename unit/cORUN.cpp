#include "unit/cORUN.h"

#include "platform/Clock.h"
#include "platform/LastStop.h"
#include "platform/SPort.h"
#include "platform/ccrpTimer.h"

cORUN::cORUN(QObject* parent) : QObject(parent) {
    Port_ = new SPort(this);
    connect(Port_, &SPort::RxData, this, &cORUN::Port_RxData);
    // The port's error event needs no action: a dead port ends in a reply time-out.

    ORUNTimer_ = new ccrpTimer(this);
    ORUNTimer_->setObjectName(QStringLiteral("ORUNTimer"));
    ORUNTimer_->setInterval(OrunTiming::FirstReplyMs);
    // Every command starts it and every reply stops it, several times per poll.
    ORUNTimer_->setRestartsOften(true);
    connect(ORUNTimer_, &ccrpTimer::Timer, this, &cORUN::ORUNTimer_Timer);
    // Started only once a reply is late, so a sound link keeps no timer running for it.
    AskTimer_ = new ccrpTimer(this);
    AskTimer_->setObjectName(QStringLiteral("AskAgainTimer"));
    connect(AskTimer_, &ccrpTimer::Timer, this, [this] {
        AskTimer_->setEnabled(false);
        if (CommStatus_ == 1) CheckOverdue();
    });
    PeriodSeen_.fill(-1);
    PeriodSettle_.fill(0);
    PeriodGiven_.fill(false);
    Requested_.fill(0.0);
    ClimbRate_.fill(OrunTiming::DefaultClimbRate);

    ChanErrorWord_.fill(1);
    ChanUpdate_.fill(10);
    PMTVoltsSent_.fill(-1);
    LastReadingTime_.fill(static_cast<double>(Timer()));
    SensorMap_.fill(1);
    CalPackets_.fill(10);
    FilterStatus_.fill(1);
    GasCal_(0) = 1.0;
    GasCal_(1) = 0.0;
    PowerCode_.fill(OutputCode::ZeroVolts);
    HeldCode_.fill(OutputCode::ZeroVolts);
    HeldKnown_.fill(false);
    QuestionAskedAt_.fill(-1);
    KeepLastStop(true);
}

cORUN::~cORUN() {
    // A link released goes on stopping nothing: the shutdown has stopped the unit.
    if (LastStopFd_ >= 0 && LastStop::Link() == LastStopFd_) LastStop::SetLink(-1);
    Enabled_ = false;
    ORUNTimer_->setEnabled(false);
    try {
        Port_->SetSettings(QStringLiteral("9600,N,8,1"));
    } catch (const std::exception&) {
    }
    Port_->Close();
}

void cORUN::setEnabled(bool value) {
    Enabled_ = value;
    if (value) Response_.clear();
}

bool cORUN::ChanActive(int ch) const { return (ChanErrorWord_(ch) & 1) == 0; }

int32_t cORUN::ChanError(int ch) const {
    if (!PerChannel<int32_t>::inRange(ch)) return 0;
    return ChanErrorWord_(ch);
}

uint32_t cORUN::ReadingsTaken(int ch) const { return PerChannel<uint32_t>::inRange(ch) ? ReadingCount_(ch) : 0; }

double cORUN::ChanPeriod(int ch) const { return Reading_(ch)(1) * 2.0 / 1000.0; }

int32_t cORUN::ChanCounts(int ch, int Rdg) const {
    if (Rdg < 0 || Rdg > 5) return 0;
    return Reading_(ch)(Rdg);
}

bool cORUN::Relay(int n) const {
    if (n < 0 || n > 11) return false;
    return (RelayReg_ & (1 << n)) != 0;
}

void cORUN::setRelay(int n, bool on) {
    if (n < 0 || n > 11) return;
    if (on) RelayReg_ = static_cast<int16_t>(RelayReg_ | (1 << n));
    else RelayReg_ = static_cast<int16_t>(RelayReg_ & ~(1 << n));
}

bool cORUN::InputState(int n) const {
    if (n < 0 || n > 11) return false;
    return (InputReg_ & (1 << n)) != 0;
}

int32_t cORUN::Filter(int n) const {
    if (n <= 0) return 0;
    return Filter_(n);
}

void cORUN::setFilter(int n, int32_t value) {
    if (n <= 0) return;
    Filter_(n) = value;
}

double cORUN::GasCal(int s) const {
    if (s >= 2) return 0.0;
    return GasCal_(s);
}

void cORUN::setGasCal(int s, double value) {
    if (s >= 2 || value <= 0.0) return;
    GasCal_(s) = value;
}

void cORUN::setMaxLeakage(int s, double value) {
    if (value < 0.0 || value > 10.0) return;
    MaxLeakage_(s) = value;
}

void cORUN::SensorParams(double LeakOffset, double LeakGain, double PowerGain) {
    LeakOffset_ = LeakOffset;
    LeakGain_ = LeakGain;
    PowerGain_ = PowerGain;
}

int16_t cORUN::ORUNSensorOn(int s) const {
    if (s < 0 || s > 31) return 0;
    return (SensorStatus_ & (1 << s)) != 0 ? 1 : 0;
}
