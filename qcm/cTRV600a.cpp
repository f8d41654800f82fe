// The card class's life: its defaults, start and shutdown, the card counts, the plain
// settings and the front panel that is never read.
#include "qcm/cTRV600a.h"

#include "app/RoutineError.h"
#include "app/VBConv.h"
#include "platform/Clock.h"
#include "platform/ccrpTimer.h"

cTRV600a::cTRV600a(QObject* parent) : cTRV600a(TrvLibrary::Load(), parent) {}

cTRV600a::cTRV600a(std::shared_ptr<const TrvApi> api, QObject* parent)
    : QObject(parent), api_(std::move(api)) {
    if (!api_) throw RuntimeError::ObjectNotSet();
    Create();
}

void cTRV600a::Create() {
    XFInit_ = (10000000.0 - 1000000.0) / 2 + 1000000.0;
    for (int out = 0; out < kOutputs; ++out) {
        OutputName_(out) = QStringLiteral("Output ") + vb::CStr(out + 1);
        OutputMode_(out) = kAutomatic;
        Rate_(out) = PTerm_(out) = ITerm_(out) = DTerm_(out) = 0.0;
        FSOut_(out) = -10.0;
        MaxPower_(out) = 0.0;
        SlewRate_(out) = 0.0;
        SensorFailLimit_(out) = 3;
    }
    for (int s = 0; s < kSensors; ++s) {
        SensorName_(s) = QStringLiteral("Sensor ") + vb::CStr(s + 1);
        SensorDual_(s) = false;
        SensorLoop_(s) = -1;
        Tooling_(s) = 0.0;
        Density_(s) = 0.4;
        ZFactor_(s) = 0.1;
    }
    AnalogLoop_.fill(-1);

    SendStartup(0);

    TRVTimer_ = new ccrpTimer(this);
    TRVTimer_->setInterval(1000);
    TRVTimer_->setEnabled(false);
    connect(TRVTimer_, &ccrpTimer::Timer, this, &cTRV600a::TRVTimer_Timer);

    FPEnabled_ = false;
    MedChange_ = 15;
    FastChange_ = 40;
    DisplayOn_ = true;

    FPTimer_ = new ccrpTimer(this);
    FPTimer_->setInterval(250);
    connect(FPTimer_, &ccrpTimer::Timer, this, &cTRV600a::FPTimer_Timer);
    ArmFPTimer();
}

cTRV600a::~cTRV600a() {
    TRVTimer_->setEnabled(false);
    delete TRVTimer_;
    TRVTimer_ = nullptr;
    FPTimer_->setEnabled(false);
    delete FPTimer_;
    FPTimer_ = nullptr;
    SendSimulate(1);
    SendStartup(-1);
}

int32_t cTRV600a::Fail(int32_t code, const QString& text) {
    emit TRVError(code, text);
    return code;
}

bool cTRV600a::SensorChecked(int s) {
    if (ValidSensor(s)) return true;
    Fail(10, QStringLiteral("Invalid Sensor Number."));
    return false;
}

bool cTRV600a::OutputChecked(int out) {
    if (ValidOutput(out)) return true;
    Fail(5, QStringLiteral("Invalid Output Number."));
    return false;
}

int cTRV600a::LoopOf(int s) const {
    const int out = SensorLoop_(s);
    return ValidOutput(out) ? out : -1;
}

// ---- Card system ----

int32_t cTRV600a::Revision(int n) const { return CardVersions_.inRange(n) ? CardVersions_(n) : 0; }

int cTRV600a::NumSensors() const { return NumCards_ == 0 ? kSensors : 4 * NumCards_; }

int cTRV600a::NumOutputs() const {
    if (NumCards_ == 0) return kOutputs;
    return 2 * NumCards_ + (CardVersions_(7) >= 1 ? 2 : 0);
}

int cTRV600a::NumAnalog() const {
    if (NumCards_ == 0) return kAnalogs;
    return CardVersions_(7) >= 1 ? kAnalogs : 0;
}

bool cTRV600a::NumSensorValid(int s) const {
    if (NumCards_ == 0) return ValidSensor(s);
    return s >= 0 && s < 4 * NumCards_;
}

bool cTRV600a::NumOutputValid(int out) const {
    if (NumCards_ == 0) return ValidOutput(out);
    if (out >= 0 && out < 2 * NumCards_) return true;
    return (out == 12 || out == 13) && CardVersions_(7) >= 1;
}

bool cTRV600a::NumAnalogValid(int a) const {
    return a >= 0 && a < kAnalogs && (NumCards_ == 0 || CardVersions_(7) >= 1);
}

bool cTRV600a::TimerEnabled() const { return TRVTimer_->Enabled(); }

void cTRV600a::setTimerEnabled(bool on) { TRVTimer_->setEnabled(on); }

QString cTRV600a::DLLName() const { return TrvLibrary::FileName(); }

// ---- Frequency window, period and averaging ----

void cTRV600a::setPeriod(double value) { SendInit(XFMax_, XFMin_, XFInit_, value); }

void cTRV600a::SensorFrequency(double maxFreq, double minFreq, double initFreq) {
    SendInit(maxFreq, minFreq, initFreq, Period_);
}

void cTRV600a::setFilterSize(int32_t value) {
    if (value > 0) FilterSize_ = value > kFilterSlots ? kFilterSlots : value;
    for (auto& slot : SensorRing_) slot.fill(0.0);
    BufferIndex_ = 1;
    BufferCount_ = 1;
}

// ---- Names and status words ----

QString cTRV600a::OutputName(int out) { return OutputChecked(out) ? OutputName_(out) : QString(); }

void cTRV600a::setOutputName(int out, const QString& name) {
    if (OutputChecked(out)) OutputName_(out) = name;
}

QString cTRV600a::SensorName(int s) { return SensorChecked(s) ? SensorName_(s) : QString(); }

void cTRV600a::setSensorName(int s, const QString& name) {
    if (SensorChecked(s)) SensorName_(s) = name;
}

int16_t cTRV600a::OutputStatus(int out) { return OutputChecked(out) ? OutputStatus_(out) : 0; }

int16_t cTRV600a::SensorErrorWord(int s) { return SensorChecked(s) ? SensorErrorWord_(s) : 0; }

bool cTRV600a::SensorError(int s, int nError) const {
    const int16_t word = SensorErrorWord_(s);
    return nError >= 0 && nError < 16 && (word & (1 << nError)) != 0;
}

bool cTRV600a::SensorEnabled(int s) { return SensorChecked(s) && Enabled(s); }

void cTRV600a::setSensorEnabled(int s, bool enabled) {
    if (!SensorChecked(s)) return;
    if (enabled) {
        FailCount_(s) = 0;
        QualityCount_(s) = 0;
        QualityIndex_(s) = 0;
        QualityHistory_(s).fill(0.0);
        StabilitySum_(s) = 0;
        LastFrequency_(s) = 0;
    }
    SetSensorStatus(s, kSensorDisabled, !enabled);
}

// ---- Front panel ----

void cTRV600a::ReadFP(int16_t* Switch, int16_t* Knob) {
    if (Switch) *Switch = 0;
    if (Knob) *Knob = 0;
}

int cTRV600a::FPInterval() const { return FPTimer_->Interval(); }

void cTRV600a::setFPInterval(int ms) { FPTimer_->setInterval(ms); }

void cTRV600a::setFPEnabled(bool on) {
    FPEnabled_ = on;
    ArmFPTimer();
}

void cTRV600a::setDisplayTimer(int16_t seconds) {
    DisplayTimer_ = seconds;
    if (seconds != 0) DisplayStart_ = vb::DateSerialOf(Now());
    else DisplayOn_ = true;
    ArmFPTimer();
}

void cTRV600a::FPTimer_Timer() {
    if (DisplayTimer_ >= 1 && DisplayOn_ &&
        DiffSeconds(DisplayStart_, vb::DateSerialOf(Now())) > DisplayTimer_)
        DisplayOn_ = false;
    if (FPEnabled_) ReadFP();
    ArmFPTimer();
}

// The tick counts the display time down and reads the panel; with neither to do it would
// only wake the station four times a second for nothing.
void cTRV600a::ArmFPTimer() { FPTimer_->setEnabled(FPEnabled_ || (DisplayTimer_ >= 1 && DisplayOn_)); }

int32_t cTRV600a::DiffSeconds(double d1, double d2) {
    return ResultReportingErrors<int32_t>(QStringLiteral("DiffSeconds"), 0,
                                          [&] { return vb::CLng((d2 - d1) * 86400.0); });
}
