// The commands that send settings to the card library or read values back: each checks
// its arguments in a fixed order, calls one export, and keeps the values it sent.
#include "qcm/cTRV600a.h"

#include "app/VBConv.h"
#include "platform/Events.h"
#include "platform/ccrpTimer.h"

namespace {

// Inclusive range check that also refuses NaN.
bool within(double v, double lo, double hi) { return v >= lo && v <= hi; }

QString startupText(int32_t status) {
    switch (status) {
    case 901: return QStringLiteral("Two TRV-600 cards jumpered as slave.");
    case 902: return QStringLiteral("Two TRV-600 cards jumpered as master.");
    case 903: return QStringLiteral("TRV-600 is jumpered as a slave.");
    case 904: return QStringLiteral("No TRV-600 card found.");
    case 905: return QStringLiteral("No TRV-600 interrupt not enabled.");
    case 906: return QStringLiteral("No TRV-600 driver found.");
    default: return QStringLiteral("Unresolved TRV-600 startup error.");
    }
}

}  // namespace

int32_t cTRV600a::SendInit(double XFMax, double XFMin, double XFInit, double Period) {
    const bool inWindow = within(XFMax, XFreqMin(), XFreqMax()) && within(XFMin, XFreqMin(), XFreqMax()) &&
                          within(XFInit, XFreqMin(), XFreqMax());
    if (!inWindow || !(XFMin <= XFInit && XFInit <= XFMax))
        return Fail(1, QStringLiteral("Frequency must be: 1000000 <= XFMin <= XFInit <= XFmax <= 10000000"));
    if (!within(Period, PeriodMin(), PeriodMax()))
        return Fail(2, QStringLiteral("Period must be: 0.1 <= Period <= 2"));
    if (Api().Kor500Init(XFMax, XFMin, XFInit, Period) != 0)
        return Fail(99, QStringLiteral("Unresolved Init Error"));
    XFMax_ = XFMax;
    XFMin_ = XFMin;
    XFInit_ = XFInit;
    Period_ = Period;
    // From now on the poll keeps up with the library's ring; the owner enables it.
    TRVTimer_->setInterval(10);
    return 0;
}

int32_t cTRV600a::SendStartMeas() {
    if (Api().Kor500StartMeas() != 0) return Fail(99, QStringLiteral("Unexpected StartMeas Error"));
    return 0;
}

int32_t cTRV600a::SendMaterial(int sensor, double density, double zfactor, double tooling) {
    if (!ValidSensor(sensor)) return Fail(10, QStringLiteral("Invalid Sensor Number."));
    if (!within(density, DensityMin(), DensityMax()))
        return Fail(11, QStringLiteral("Density must be: 0.4 <= Density <= 99.99"));
    if (!within(zfactor, ZFactorMin(), ZFactorMax()))
        return Fail(13, QStringLiteral("ZFactor must be: 0.1 <= ZFactor <= 9.999"));
    if (!within(tooling, ToolingMin(), ToolingMax()))
        return Fail(12, QStringLiteral("Tooling must be: 0 <= Tooling <= 999"));
    const int32_t mask = int32_t(1) << sensor;
    if (Api().Kor500Material(mask, density, zfactor, tooling / 100) != 0)
        return Fail(99, QStringLiteral("Unexpected Material Error on Sensor ") + vb::CStr(sensor + 1));
    Density_(sensor) = density;
    ZFactor_(sensor) = zfactor;
    Tooling_(sensor) = tooling;
    return 0;
}

int32_t cTRV600a::SendLoop(double rate, double pTerm, double iTerm, double dTerm, int out) {
    if (!within(rate, RateMin(), RateMax())) return Fail(6, QStringLiteral("Rate must be: 0 <= Rate <= 999.9"));
    if (!within(pTerm, PTermMin(), PTermMax())) return Fail(7, QStringLiteral("PTerm must be: 0 <= PTerm <= 9999"));
    if (!within(iTerm, ITermMin(), ITermMax())) return Fail(8, QStringLiteral("ITerm must be: 0 <= ITerm <= 999.9"));
    if (!within(dTerm, DTermMin(), DTermMax())) return Fail(9, QStringLiteral("DTerm must be: 0 <= DTerm <= 99.9"));
    if (!ValidOutput(out)) return Fail(5, QStringLiteral("Invalid Output Number."));
    if (Api().Kor500Loop2(rate, pTerm, iTerm, dTerm, out) != 0)
        return Fail(99, QStringLiteral("Unexpected Loop Error on Output ") + vb::CStr(out + 1));
    Rate_(out) = rate;
    PTerm_(out) = pTerm;
    ITerm_(out) = iTerm;
    DTerm_(out) = dTerm;
    if (OutputMode_(out) == kManualPower) {
        OutputMode_(out) = kAutomatic;
        emit TRVOutputEvent(2, OutputName_(out) + QStringLiteral(" set to PID mode."), out);
    }
    return 0;
}

int32_t cTRV600a::SendFullScale(int out, double volts, double power, double slew) {
    if (!ValidOutput(out)) return Fail(5, QStringLiteral("Invalid Output Number."));
    if (!within(volts, FSOutMin(), FSOutMax()))
        return Fail(14, QStringLiteral("Ouput voltage must be: -10 <= Output Voltage <= 10"));
    if (!within(power, PowerMin(), PowerMax()))
        return Fail(15, QStringLiteral("Output Power must be: 0 <= Power <= 100"));
    if (!within(slew, SlewRateMin(), SlewRateMax()))
        return Fail(16, QStringLiteral("Slew Rate must be: 0 <= Slew Rate <= 100"));
    if (Api().Kor500FullScale(out, volts, power / 100, slew / 100) != 0)
        return Fail(99, QStringLiteral("Unexpected FullScale Error on Output ") + vb::CStr(out + 1));
    FSOut_(out) = volts;
    MaxPower_(out) = power;
    SlewRate_(out) = slew;
    return 0;
}

int32_t cTRV600a::SendPower(int out, double power) {
    if (!ValidOutput(out)) return Fail(5, QStringLiteral("Invalid Output Number."));
    // Checked against the output's own maximum, reported with the general limits' text.
    if (!within(power, 0.0, MaxPower_(out)))
        return Fail(15, QStringLiteral("Output Power must be: 0 <= Power <= 100"));
    if (Api().Kor500SetPower(out, power / 100) != 0)
        return Fail(99, QStringLiteral("Unexpected SendPower Error on Output ") + vb::CStr(out + 1));
    if (OutputMode_(out) == kAutomatic) {
        OutputMode_(out) = kManualPower;
        emit TRVOutputEvent(3, OutputName_(out) + QStringLiteral(" PID -> Manual Power ") +
                                   vb::Format(power, QStringLiteral("##0.0")) + QStringLiteral("% ."),
                            out);
    }
    return 0;
}

double cTRV600a::GetPower(int out) {
    if (!OutputChecked(out)) return 0.0;
    std::array<double, TRV600A_POWER_ARRAY> power{};
    Api().Kor500GetPower(power.data());
    return power[static_cast<size_t>(out)] * 100;
}

int32_t cTRV600a::GetSystem(TrvSystemArray& SystemArray) {
    std::array<double, TRV600A_MATERIAL_ARRAY> materials{};
    return Api().Kor500GetMaterial(materials.data(), &SystemArray(0));
}

int32_t cTRV600a::GetMaterials(TrvMaterialTable& materials) {
    std::array<double, TRV600A_SYSTEM_ARRAY> system{};
    return Api().Kor500GetMaterial(materials.data(), system.data());
}

int32_t cTRV600a::ZeroSensor(int sensor) {
    if (!ValidSensor(sensor)) return Fail(10, QStringLiteral("Invalid Sensor Number."));
    if (Api().Kor500ZeroSensor(sensor) != 0) return Fail(99, QStringLiteral("Unexpected ZeroThickness Error"));
    ClearBuff();
    return 0;
}

int32_t cTRV600a::ZeroThickness(int out) {
    if (!ValidOutput(out)) return Fail(5, QStringLiteral("Invalid Output Number."));
    if (Api().Kor500Zero2(out) != 0) return Fail(99, QStringLiteral("Unexpected ZeroThickness Error"));
    ClearBuff();
    return 0;
}

int32_t cTRV600a::ZeroAll() {
    for (int s = 0; s < kSensors; ++s)
        if (NumSensorValid(s)) ZeroSensor(s);
    for (int out = 0; out < kOutputs; ++out)
        if (NumOutputValid(out)) ZeroThickness(out);
    return 0;
}

int32_t cTRV600a::SendSimulate(int32_t mode) {
    if (mode != 0 && mode != 1) return Fail(17, QStringLiteral("TRV mode must be Normal(0) or Simulate(1)"));
    // Without a first card the system always simulates.
    if (Revision(1) == 0 && mode == 0) mode = 1;
    if (Api().Kor500Simulate(mode) != 0) return Fail(99, QStringLiteral("Unexpected SendSimulate Error"));
    OpMode_ = mode;
    if (mode == 1) emit TRVOutputEvent(1, QStringLiteral("TRV600 set to simulate mode."), 0);
    else emit TRVOutputEvent(0, QStringLiteral("TRV600 set to normal mode."), 0);
    return 0;
}

int32_t cTRV600a::SendStartup(int32_t mode) {
    if (mode == -1) {
        if (CardsStarted_) {
            CardVersions_(0) = Api().Kor500Startup2(-1, &CardVersions_(0));
            CardsStarted_ = false;
        }
        return 0;
    }
    if (mode != 0 || CardsStarted_) return 0;
    CardVersions_(0) = Api().Kor500Startup2(0, &CardVersions_(0));
    // The count ends at the first card position without a revision.
    NumCards_ = 0;
    for (int i = 1; i <= 6 && CardVersions_(i) >= 1; ++i) NumCards_ = i;
    CardsStarted_ = true;
    // Every start leaves the cards simulating until the owner chooses the mode.
    SendSimulate(1);
    if (CardVersions_(0) >= 900) Fail(CardVersions_(0), startupText(CardVersions_(0)));
    return 0;
}

void cTRV600a::ClearStatus() {
    SensorErrorWord_.fill(0);
    FailCount_.fill(0);
    QualityCount_.fill(0);
    for (auto& history : QualityHistory_) history.fill(0.0);
    QualityIndex_.fill(0);
    LastFrequency_.fill(0);
    StabilitySum_.fill(0);
    OutputStatus_.fill(0);
    ControlErrorStart_.fill(0.0);
    for (int s = 0; s < kSensors; ++s) {
        emit TRVSensorEvent(-1, QStringLiteral("Sensor status cleared."), s);
        // The backup crystal of each dual pair waits disabled until it is needed.
        if (SensorDual_(s) && s % 2 == 1) setSensorEnabled(s, false);
    }
}

void cTRV600a::ClearBuff() {
    int32_t pending;
    do {
        pending = Api().Kor500GetReadings(SensorRing_(BufferIndex_).data(), OutputRing_(BufferIndex_).data());
        if (pending >= 1) DoEvents();
    } while (pending >= 1);
    for (auto& slot : SensorRing_) slot.fill(0.0);
    BufferIndex_ = 1;
    BufferCount_ = 1;
}
