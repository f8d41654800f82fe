#pragma once
// The controller unit's side of the command set: what it holds (channels, PMT volts,
// output codes, relays, emission sensors, digital inputs) and the one reply it gives to
// each command text. Replies are texts without the acknowledgement letter; framing is
// the transport's business.
#include "unitsim/UnitPlant.h"

#include <QString>
#include <cstdint>
#include <functional>

class UnitModel {
public:
    UnitModel();

    // The reply text to one command text.
    QString Answer(const QString& command);

    // ---- settings of the emulated unit ----
    QString firmware = QStringLiteral("4.11");
    // Ends the sensor ("D") and reading ("G") replies; the station cuts two characters
    // off their bodies.
    QString trailer = QStringLiteral(";;");
    // Milliseconds now (monotonic); the platform clock by default.
    std::function<int64_t()> clock;
    UnitPlant plant;

    // ---- the unit's state, readable and settable by tests ----
    bool active[8];
    bool readingsStopped[8] = {};  // active, but no readings come
    int64_t delivered[8] = {};     // readings of each channel given in "G" replies so far
    int channelFields = 8;         // fields of the channel reply ("A"); fewer cut it short
    int32_t periodMs[8];
    int32_t pmtVolts[8] = {};
    int32_t pmtCal[8] = {};
    int32_t bias[8];
    bool gasCorrection = false;  // third field of the last "B"
    int32_t powerCode[8];
    int32_t relays = 0;       // bit n = relay n
    int32_t inputs = 0;       // bit n = digital input n (0..12)
    int32_t handOutput = 0;   // last "U": output (0 = none) and code
    int32_t handCode = 32767;
    bool emission[4] = {};
    double setPoint[4] = {};  // mA
    double leakage[4];        // mA
    int32_t filters[8] = {};  // "O" n,v by filter number 1..7

    // Firmware version times 100 (411 for "4.11").
    int Version() const;
    // Every output at its zero code.
    bool PowersZero() const;

    // The unit switched off and on again: relays off, detectors at 0 V, every output at
    // 0 V, emission off, hand control released, periods back to the power-on value. The
    // link stays; nothing tells the station.
    void PowerCycle();

private:
    QString Reading(bool repeat);
    QString Sensors() const;
    QString Channels() const;
    QString Inputs() const;
    bool ReadingDue(int64_t now) const;
    void AdvancePlant(int64_t now);

    int64_t lastReport_[8];
    QString lastReading_;
};
