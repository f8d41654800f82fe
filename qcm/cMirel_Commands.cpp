// The sensor driver's commands and the conversion of a count into frequency, crystal
// life, thickness and rate.
#include "qcm/cMirel.h"

#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "platform/Clock.h"

#include <QVariantList>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979;
// The sensor's reference clock: the count is its ticks over `gate` crystal cycles.
constexpr double kReferenceHz = 199065600.0;
// The sensor's timer clock, for the timer count of a period.
constexpr double kTimerHz = 50000000.0;
constexpr double kFreqLow = 1000000.0;
constexpr double kFreqHigh = 30000000.0;

bool Within(double v, double low, double high) { return v >= low && v <= high; }

// The number after a reply's echo; 0 (not a count) for a number too large to read.
double CountOf(const QString& text) {
    try {
        return vb::Val(text);
    } catch (const RuntimeError&) {
        return 0.0;
    }
}

}  // namespace

double cMirel::Thickness(const Slot& s, double F) const {
    return 4.416864e13 / (kPi * s.density * F * s.zFactor) *
           std::atan(s.zFactor * std::tan(kPi * (FreqInit_ - F) / FreqInit_)) * s.tooling * 0.01;
}

void cMirel::ZeroSlot(Slot& s) {
    s.zeroFrequency = s.frequency;
    s.zeroOffset += s.previousThickness;
    s.previousThickness = 0.0;
}

int32_t cMirel::Revision(const QString& SN, QString& Rev) {
    ORUN_PROC("cMirel_Revision");
    try {
        const QString reply = CommMirel(SN, QStringLiteral("!@"));
        if (Status_ != MirelStatus::Success) return Status_;
        if (reply.size() >= 2 && vb::UCase(reply.left(2)) == u"!@") {
            // The text between the echo and the line end.
            Rev = reply.mid(2, std::max<qsizetype>(0, reply.size() - 4));
            Status_ = MirelStatus::Success;
        } else {
            Status_ = MirelStatus::NoEcho;
        }
    } catch (...) {
        gErr.HandleError();
    }
    return Status_;
}

QVariant cMirel::GetReadingVariant(const QString& SN) {
    ORUN_PROC("cMirel_GetReadingVariant");
    QVariantList values;
    try {
        MirelReadingArray reading;
        GetReading(SN, reading);
        for (double v : reading) values << v;
    } catch (...) {
        gErr.HandleError();
    }
    return values;
}

int32_t cMirel::GetReading(const QString& SN, MirelReadingArray& Reading) {
    ORUN_PROC("cMirel_GetReading");
    try {
        // A reading forms no new rate unless it is found to below.
        if (const int k = MirelIndex(SN); k >= 1) Slots_(k).rateSpan = 0.0;
        const QString reply = CommMirel(SN, QStringLiteral("!A") + QString::number(ReadingFlag_));
        if (Status_ != MirelStatus::Success) return Status_;
        // A reply too short to hold the echo is no reading either.
        if (reply.size() < 2 || vb::UCase(reply.left(2)) != u"!A") return Status_ = MirelStatus::NoReadingEcho;
        const int k = MirelIndex(SN);
        if (k < 1) return Status_ = MirelStatus::NotConnected;
        const double count = CountOf(reply.mid(2));
        if (count <= 0.0) {
            Status_ = count == -1.0 ? MirelStatus::NoCrystal
                      : count == -2.0 ? MirelStatus::NotMeasuring
                                      : MirelStatus::BadCount;
            return Status_;
        }
        Slot& s = Slots_(k);
        const double F = s.gateCount * kReferenceHz / count;
        s.frequency = F;
        Reading(2) = F;
        if (F > FreqMax_ || F < FreqMin_) {
            Reading(2) = -1.0;
            ReadingFlag_ = 0;
            return Status_ = MirelStatus::FrequencyOutside;
        }
        ReadingFlag_ = 1;
        Reading(3) = FreqInit_ != FreqMin_ ? 100.0 - (FreqInit_ - F) * 100.0 / (FreqInit_ - FreqMin_) : 0.0;
        if (s.density == 0.0 || s.zFactor == 0.0 || s.period == 0.0 || F == 0.0 || FreqInit_ == 0.0) {
            Reading(0) = 0.0;
            Reading(1) = 0.0;
            return Status_ = MirelStatus::BadValue;
        }
        const double T = Thickness(s, F);
        // The first reading of a sensor never zeroed is its thickness origin.
        if (s.zeroOffset == 0.0) {
            s.zeroOffset = T;
            s.zeroFrequency = F;
        }
        const double thickness = T - s.zeroOffset;
        Reading(1) = thickness * 0.001;
        // The rate is the thickness grown over the real time since the reading it is taken
        // from, which is kept until at least a whole period has passed: readings that come
        // faster than the period give neither a rate of 0 nor one over a time rounded away.
        // Between two rates the last one stands. Both ends are taken in the present
        // material, so a zeroing or a new material between them changes nothing.
        const int64_t now = TickMs();
        if (s.rateFromMs < 0 || now < s.rateFromMs) {
            s.rateFromMs = now;
            s.rateFromFrequency = F;
            s.rate = 0.0;
        } else if ((now - s.rateFromMs) * 0.001 >= s.period) {
            s.rateSpan = (now - s.rateFromMs) * 0.001;
            s.rate = (T - Thickness(s, s.rateFromFrequency)) / s.rateSpan;
            s.rateFromMs = now;
            s.rateFromFrequency = F;
        }
        Reading(0) = s.rate;
        s.previousThickness = thickness;
        Status_ = MirelStatus::Success;
    } catch (...) {
        gErr.HandleError();
    }
    return Status_;
}

double cMirel::RateSpan(const QString& SN) {
    const int k = MirelIndex(SN);
    return k >= 1 ? Slots_(k).rateSpan : 0.0;
}

int32_t cMirel::Period(const QString& SN, double period) {
    ORUN_PROC("cMirel_Period");
    try {
        if (!Within(period, 0.1, 2.0)) return Status_ = MirelStatus::BadValue;
        const int k = MirelIndex(SN);
        if (k < 1) return Status_ = MirelStatus::NotConnected;
        if (!Within(FreqMin_, kFreqLow, kFreqHigh)) return Status_ = MirelStatus::BadValue;

        const int32_t gate = vb::CLng(period * FreqMin_);
        QString reply = CommMirel(SN, QStringLiteral("!B") + QString::number(gate));
        if (Status_ != MirelStatus::Success) return Status_;
        if (!reply.startsWith(QStringLiteral("!B"))) return Status_ = MirelStatus::NoEcho;
        Slots_(k).gateCount = gate;

        const int32_t timer = vb::CLng(period * kTimerHz);
        reply = CommMirel(SN, QStringLiteral("!C") + QString::number(timer));
        if (Status_ != MirelStatus::Success) return Status_;
        if (!reply.startsWith(QStringLiteral("!C"))) return Status_ = MirelStatus::NoEcho;
        Slots_(k).timerCount = timer;
        Slots_(k).period = period;
        Status_ = MirelStatus::Success;
    } catch (...) {
        gErr.HandleError();
    }
    return Status_;
}

int32_t cMirel::Material(const QString& SN, double density, double zFactor, double tooling) {
    ORUN_PROC("cMirel_Material");
    try {
        const bool ok = Within(density, 0.4, 99.99) && Within(zFactor, 0.1, 9.99) && Within(tooling, 0.0, 999.0);
        if (!ok) return Status_ = MirelStatus::BadValue;
        const int k = MirelIndex(SN);
        if (k < 1) return Status_ = MirelStatus::NotConnected;
        Slot& s = Slots_(k);
        s.density = density;
        s.zFactor = zFactor;
        s.tooling = tooling;
        // The thickness keeps its origin: both ends are worked out again in the new
        // material.
        if (s.zeroFrequency != 0.0) {
            s.zeroOffset = Thickness(s, s.zeroFrequency);
            s.previousThickness = Thickness(s, s.frequency) - s.zeroOffset;
        }
        Status_ = MirelStatus::Success;
    } catch (...) {
        gErr.HandleError();
    }
    return Status_;
}

int32_t cMirel::InitFreq(double maximum, double minimum, double initial) {
    ORUN_PROC("cMirel_InitFreq");
    try {
        Status_ = MirelStatus::Success;
        const bool ok = Within(maximum, kFreqLow, kFreqHigh) && Within(minimum, kFreqLow, kFreqHigh) &&
                        Within(initial, kFreqLow, kFreqHigh) && minimum <= initial && initial <= maximum;
        if (!ok) return Status_ = MirelStatus::BadValue;
        FreqMax_ = maximum;
        FreqMin_ = minimum;
        FreqInit_ = initial;
    } catch (...) {
        gErr.HandleError();
    }
    return Status_;
}

int32_t cMirel::Zero(const QString& SN) {
    ORUN_PROC("cMirel_Zero");
    try {
        const int k = MirelIndex(SN);
        if (k < 1) return Status_ = MirelStatus::NotConnected;
        ZeroSlot(Slots_(k));
        Status_ = MirelStatus::Success;
    } catch (...) {
        gErr.HandleError();
    }
    return Status_;
}

int32_t cMirel::ZeroAll() {
    ORUN_PROC("cMirel_ZeroAll");
    try {
        for (Slot& s : Slots_) ZeroSlot(s);
        Status_ = MirelStatus::Success;
    } catch (...) {
        gErr.HandleError();
    }
    return 0;
}
