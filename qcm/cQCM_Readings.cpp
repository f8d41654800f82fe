// The facade's frequency settings, revision, monitor assignments, and the readings of
// the sources turned into its own events.
#include "qcm/cQCM.h"

#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "platform/Clock.h"
#include "qcm/cTRV600a.h"

#include <limits>

namespace {
constexpr int32_t kRefused = -1;
}

int32_t cQCM::InitFreq(double maximum, double minimum, double initial, double period) {
    ORUN_PROC("cQCM_InitFreq");
    int32_t result = kRefused;
    try {
        const auto inRange = [](double f) { return f >= 1000000.0 && f <= 10000000.0; };
        if (!inRange(maximum) || !inRange(minimum) || !inRange(initial)) return kRefused;
        if (!(maximum >= initial && initial >= minimum)) return kRefused;
        if (!(period >= 0.1 && period <= 2.0)) return kRefused;
        FreqMax_ = maximum;
        FreqMin_ = minimum;
        FreqInit_ = initial;
        Period_ = period;
        result = 0;
        if (QCMType_ == 1) {
            result = mc600_->SendInit(maximum, minimum, initial, period);
            ResetCard();
        } else if (QCMType_ == 2) {
            for (int q = 0; q <= 3; ++q) {
                if (MirelSN_(q).isEmpty()) continue;
                result = mcMirel_->InitFreq(maximum, minimum, initial);
                if (result == 0) result = mcMirel_->Period(MirelSN_(q), period);
            }
        }
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

void cQCM::ResetCard() {
    for (int s = 0; s < cTRV600a::kSensors; ++s) mc600_->SendMaterial(s, 1.0, 1.0, 100.0);
    TrvSensorMap sensors;
    sensors.fill(-1);
    mc600_->SendMapSensors(sensors);
    TrvAnalogMap analogs;
    analogs.fill(-1);
    mc600_->SendMapAnalog(analogs);
    for (int out = 0; out < cTRV600a::kOutputs; ++out) {
        mc600_->SendFullScale(out, 0.0, 0.0, 0.0);
        mc600_->SendPower(out, 0.0);
    }
    mc600_->setOpMode(Simulate);
    mc600_->SendStartMeas();
    mc600_->ZeroAll();
}

int16_t cQCM::Revision(int QCM) {
    ORUN_PROC("cQCM_Revision");
    int16_t result = 0;
    try {
        if (QCMType_ == 1) {
            result = static_cast<int16_t>(mc600_->Revision(QCM));
        } else if (QCMType_ == 2 && !MirelSN(QCM).isEmpty()) {
            QString rev;
            mcMirel_->Revision(MirelSN(QCM), rev);
            // A revision such as "1.05" is 105; a text that makes no such number gives 0.
            double value = 0.0;
            try {
                value = vb::Val(vb::Right(rev, 4)) * 100.0;
            } catch (const RuntimeError&) {
                value = 0.0;
            }
            if (value > std::numeric_limits<int16_t>::min() && value < std::numeric_limits<int16_t>::max())
                result = vb::CInt(value);
        }
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

double cQCM::QCMFreq(int QCM) const {
    if (QCMType_ == 0 || !LastFreq_.inRange(QCM)) return 0.0;
    return LastFreq_(QCM);
}

bool cQCM::QCMSensorEnabled(int QCM) const {
    return QCMSensorEnabled_.inRange(QCM) ? QCMSensorEnabled_(QCM) : false;
}

void cQCM::setQCMSensorEnabled(int QCM, bool value) {
    if (QCMSensorEnabled_.inRange(QCM)) QCMSensorEnabled_(QCM) = value;
}

QString cQCM::MirelSN(int Chan) const { return MirelSN_.inRange(Chan) ? MirelSN_(Chan) : QString(); }

void cQCM::setMirelSN(int Chan, const QString& value) {
    if (MirelSN_.inRange(Chan)) MirelSN_(Chan) = value;
}

bool cQCM::QCMAnswered(int QCM) const { return Answered_.inRange(QCM) && Answered_(QCM); }

double cQCM::QCMReadingSpan(int QCM) const {
    if (!Span_.inRange(QCM) || !QCMAnswered(QCM)) return 0.0;
    return Span_(QCM) < 0.0 ? Period_ : Span_(QCM);
}

void cQCM::RaiseReading(QCMReadingArray& Readings, double dTime) {
    if (ReadingsStopped_) return;
    for (int q = 0; q <= 3; ++q) LastFreq_(q) = Readings(QCMReadingIndex(q, 2));
    emit QCMReading(Readings, dTime);
}

void cQCM::mcMirel_Events_MirelReading(const QString& SN, MirelReadingArray& Reading) {
    const ProcTrace trace(gErr, QStringLiteral("cQCM_mcMirel_Events_MirelReading"));
    try {
        if (QCMType_ != 2) return;
        const QString serial = vb::UCase(SN);
        // One sensor may serve several monitors.
        for (int q = 0; q <= 3; ++q) {
            Answered_(q) = vb::UCase(MirelSN_(q)) == serial;
            Span_(q) = Answered_(q) ? mcMirel_->RateSpan(serial) : 0.0;
            if (!Answered_(q)) continue;
            MirelReadings_(QCMReadingIndex(q, 0)) = Reading(0);
            MirelReadings_(QCMReadingIndex(q, 1)) = Reading(1) * 1000.0;
            MirelReadings_(QCMReadingIndex(q, 2)) = Reading(2);
            MirelReadings_(QCMReadingIndex(q, 3)) = Reading(3);
        }
        RaiseReading(MirelReadings_, static_cast<double>(Timer()));
    } catch (...) {
        gErr.HandleError();
    }
}

void cQCM::mc600_Events_TRVReading(const TrvSensorReadings& Sensors, const TrvOutputReadings&, double dTime) {
    const ProcTrace trace(gErr, QStringLiteral("cQCM_mc600_Events_TRVReading"));
    try {
        if (QCMType_ != 1) return;
        // The card's first four sensors are the monitors; its fourth quantity is the rate
        // deviation, in the place of the sensors' crystal life.
        QCMReadingArray readings;
        for (int q = 0; q <= 3; ++q) {
            Answered_(q) = true;
            Span_(q) = kWholePeriod;
            for (int quantity = 0; quantity <= 3; ++quantity)
                readings(QCMReadingIndex(q, quantity)) = Sensors(q, quantity);
        }
        RaiseReading(readings, dTime);
    } catch (...) {
        gErr.HandleError();
    }
}

void cQCM::mc600_Events_TRVAnalog(const TrvAnalogReadings& Analog, double dTime) {
    const ProcTrace trace(gErr, QStringLiteral("cQCM_mc600_Events_TRVAnalog"));
    try {
        if (QCMType_ != 1 || ReadingsStopped_) return;
        VeskReadingArray values;
        for (int a = 0; a <= 3; ++a) values(a) = Analog(a);
        emit VeskReading(values, dTime);
    } catch (...) {
        gErr.HandleError();
    }
}
