#include "unitsim/UnitModel.h"

#include "platform/Clock.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {
constexpr double kRawStep = 1.953e-6;
// Sensor values of a sensor that is on.
constexpr double kSensorWatts = 20.0;
constexpr double kFilamentAmps = 2.5;
constexpr double kBiasVolts = 150.0;
// Firmware before 2.00 reports emission and leakage through this gain (the station's
// default LEAKGAIN) with no offset.
constexpr double kOldLeakGain = 0.0122;

// Number n (1-based) of the comma-separated list in text; 0 when missing.
double NumberAt(const QStringList& parts, int n) {
    if (n < 1 || n > parts.size()) return 0.0;
    return parts[n - 1].trimmed().toDouble();
}
// A value brought into the range of a 32-bit whole number (NaN gives 0).
int32_t Clamp32(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<int32_t>(std::clamp(v, double(INT32_MIN), double(INT32_MAX)));
}
int32_t IntAt(const QStringList& parts, int n) { return Clamp32(std::nearbyint(NumberAt(parts, n))); }
QString Raw(double v) { return QString::number(std::llround(v)); }
}  // namespace

UnitModel::UnitModel() {
    clock = [] { return TickMs(); };
    for (int ch = 0; ch < 8; ++ch) {
        active[ch] = true;
        periodMs[ch] = 100;
        bias[ch] = 2000;
        powerCode[ch] = 32767;
        lastReport_[ch] = INT64_MIN / 2;
    }
    for (double& l : leakage) l = 0.02;
}

void UnitModel::PowerCycle() {
    relays = 0;
    handOutput = 0;
    handCode = 32767;
    for (int ch = 0; ch < 8; ++ch) {
        pmtVolts[ch] = 0;
        periodMs[ch] = 100;
        bias[ch] = 2000;
        powerCode[ch] = 32767;
    }
    for (int s = 0; s < 4; ++s) {
        emission[s] = false;
        setPoint[s] = 0.0;
    }
    for (int32_t& f : filters) f = 0;
    lastReading_.clear();
}

int UnitModel::Version() const { return Clamp32(std::nearbyint(firmware.toDouble() * 100.0)); }

QString UnitModel::Answer(const QString& command) {
    if (command.isEmpty()) return {};
    const QChar letter = command.at(0);
    const QString args = command.mid(1);
    const QStringList parts = args.split(QLatin1Char(','));
    const int64_t now = clock();
    AdvancePlant(now);

    switch (letter.unicode()) {
    case '@': return QStringLiteral("ORUN ") + firmware;
    case 'A': return Channels();
    case 'B': {
        const int ch = IntAt(parts, 1) - 1;
        if (ch >= 0 && ch < 8) {
            // Computed in 64 bits: "B1,800000000" must not overflow.
            periodMs[ch] = Clamp32(static_cast<double>(int64_t{IntAt(parts, 2)} * (Version() >= 200 ? 3 : 2)));
            if (parts.size() >= 3) gasCorrection = IntAt(parts, 3) != 0;
        }
        return QStringLiteral("B");
    }
    case 'C': {
        const int ch = IntAt(parts, 1) - 1;
        if (ch >= 0 && ch < 8) bias[ch] = IntAt(parts, 2);
        return QStringLiteral("C");
    }
    case 'D': return Sensors();
    case 'F': return ReadingDue(now) ? QStringLiteral("F1") : QStringLiteral("F0");
    case 'G': return Reading(false);
    case 'g': return Reading(true);
    case 'H': {
        const int ch = IntAt(parts, 1) - 1;
        const int32_t v = IntAt(parts, 2);
        if (ch >= 0 && ch < 8) {
            if (v > 65356) pmtCal[ch] = v;
            else if (v >= 0 && v <= 1250) pmtVolts[ch] = v;
        }
        return QStringLiteral("H");
    }
    case 'I': {
        const int ch = IntAt(parts, 1) - 1;
        if (ch < 0 || ch >= 8) return QStringLiteral("I");
        return QStringLiteral("I%1,%2").arg(ch + 1).arg(pmtCal[ch]);
    }
    case 'K':
        for (int o = 0; o < 6 && o < parts.size(); ++o) powerCode[o] = IntAt(parts, o + 1);
        return QStringLiteral("K");
    case 'W':
        for (int o = 0; o < 2 && o < parts.size(); ++o) powerCode[6 + o] = IntAt(parts, o + 1);
        return QStringLiteral("W");
    case 'M': return Inputs();
    case 'N': {
        int32_t r = 0;
        for (int n = 0; n < 12 && n < parts.size(); ++n)
            if (parts[n].trimmed() == QLatin1String("1")) r |= 1 << n;
        relays = r;
        return QStringLiteral("N");
    }
    case 'O': {
        const int n = IntAt(parts, 1);
        if (n >= 1 && n <= 7) filters[n] = IntAt(parts, 2);
        return QStringLiteral("O");
    }
    case 'S': {
        const QStringList sv = args.split(QLatin1Char(';'));
        const int s = sv.value(0).toInt() - 1;
        if (s >= 0 && s < 4) emission[s] = sv.value(1).toInt() > 0;
        return QStringLiteral("S");
    }
    case 'U':
        handOutput = IntAt(parts, 1);
        handCode = IntAt(parts, 2);
        return QStringLiteral("U");
    case 'V':
        for (int s = 0; s < 4; ++s) setPoint[s] = NumberAt(parts, s + 1) / 100.0;
        return QStringLiteral("V");
    default: return QString(letter);
    }
}

bool UnitModel::PowersZero() const {
    return std::all_of(std::begin(powerCode), std::end(powerCode), [](int32_t c) { return c == 32767; });
}

void UnitModel::AdvancePlant(int64_t now) {
    double drive[8];
    for (int ch = 0; ch < 8; ++ch) drive[ch] = DriveOfCode(powerCode[ch]);
    plant.Advance(now, drive);
}

bool UnitModel::ReadingDue(int64_t now) const {
    for (int ch = 0; ch < 8; ++ch)
        if (active[ch] && !readingsStopped[ch] && now - lastReport_[ch] >= periodMs[ch]) return true;
    return false;
}

QString UnitModel::Reading(bool repeat) {
    if (repeat && !lastReading_.isEmpty()) return lastReading_;
    const int64_t now = clock();
    const bool newFirmware = Version() >= 200;
    QString r = QStringLiteral("G");
    for (int ch = 0; ch < 8; ++ch) {
        r += QLatin1Char(';');
        if (!active[ch] || readingsStopped[ch] || now - lastReport_[ch] < periodMs[ch]) continue;
        lastReport_[ch] = now;
        ++delivered[ch];
        const ChannelCounts c = plant.Counts(ch, pmtVolts[ch], bias[ch], newFirmware);
        r += QStringLiteral("%1,%2,%3,0,%4,0").arg(c.main).arg(periodMs[ch] / 2).arg(c.background).arg(c.gas);
    }
    r += trailer;
    lastReading_ = r;
    return r;
}

QString UnitModel::Sensors() const {
    static constexpr int kOrder[4] = {0, 2, 1, 3};
    const bool newFirmware = Version() >= 200;
    QStringList values;
    int32_t status = 0;
    for (int s : kOrder) {
        const bool on = emission[s];
        const double emitted = on ? setPoint[s] : 0.0;
        const double leak = leakage[s];
        double e, l;
        if (newFirmware) {
            e = (emitted + leak) * 0.1 / kRawStep;
            l = leak * 0.1 / kRawStep;
        } else {
            e = (emitted + leak) / kOldLeakGain;
            l = leak / kOldLeakGain;
        }
        values << Raw(e) << Raw(l) << Raw(on ? kSensorWatts / (kRawStep * 7.0) : 0.0)
               << Raw((1.25 - (on ? kFilamentAmps : 0.0) / 18.0) / kRawStep)
               << Raw(on ? kBiasVolts / (kRawStep * 220.0) : 0.0);
        if (on) status |= 1 << s;
    }
    values << QString::number(status);
    return QStringLiteral("D;") + values.join(QLatin1Char(',')) + trailer;
}

QString UnitModel::Channels() const {
    QStringList f;
    for (int ch = 0; ch < 8 && ch < channelFields; ++ch) f << (active[ch] ? QStringLiteral("1") : QStringLiteral("0"));
    return QStringLiteral("A") + f.join(QLatin1Char(','));
}

QString UnitModel::Inputs() const {
    QStringList f;
    for (int n = 0; n < 13; ++n) f << ((inputs >> n) & 1 ? QStringLiteral("1") : QStringLiteral("0"));
    return QStringLiteral("M") + f.join(QLatin1Char(','));
}
