#pragma once
// The driver of the Mirel USB quartz sensors: it finds the sensors behind the USB bridge,
// keeps up to 32 of them open, sends them the measurement timing, polls each for its
// count and turns the count into frequency, crystal life, thickness and rate. The quartz
// facade owns the one instance.
//
// Sensor lines, each ending CR LF both ways: "!@" revision, "!B"gate, "!C"timer and
// "!A"flag reading; the sensor echoes the command's first two characters and its value.
#include "platform/BoundedArray.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <cstdint>

class ccrpTimer;

// One sensor reading: 0 rate (A/s), 1 thickness (kA), 2 frequency (Hz; -1 when out of
// range), 3 crystal life (%).
using MirelReadingArray = BoundedArray<double, 0, 3>;
// The serials found, by slot - 1.
using MirelSerials = BoundedArray<QString, 0, 31>;

// Results of the driver's operations.
namespace MirelStatus {
constexpr int32_t Success = 0;
constexpr int32_t Busy = 1;              // an exchange is waiting for its reply
constexpr int32_t NoReply = 2;           // no whole reply within 0.1 s, or the write failed
constexpr int32_t NoCrystal = 3;         // the sensor answered the count -1
constexpr int32_t NotMeasuring = 4;      // the sensor answered the count -2
constexpr int32_t BadValue = 5;          // an argument out of range, or a zero material value
constexpr int32_t NoReadingEcho = 6;     // a reading reply without "!A"
constexpr int32_t NotConnected = 7;      // the serial number is not connected
constexpr int32_t FrequencyOutside = 8;  // frequency outside minimum..maximum
constexpr int32_t NoEcho = 9;            // a revision or period reply without its echo
constexpr int32_t BadCount = 153;        // any other count of 0 or below
}  // namespace MirelStatus

class cMirel : public QObject {
    Q_OBJECT
public:
    explicit cMirel(QObject* parent = nullptr);
    ~cMirel() override;

    // Opens every sensor behind the bridge (product id "82CB"), at most 32. A sensor
    // keeps the slot that holds its serial; a new one takes a free slot. Each found
    // serial is put at SNs(slot - 1) and the slot's period is sent to it. Returns the
    // number found.
    int32_t FindMirels(MirelSerials& SNs);
    // The sensor's revision text ("!@").
    int32_t Revision(const QString& SN, QString& Rev);
    // GetReading's four values as a list of numbers.
    QVariant GetReadingVariant(const QString& SN);
    // One reading ("!A") turned into rate, thickness, frequency and crystal life.
    int32_t GetReading(const QString& SN, MirelReadingArray& Reading);
    // Measurement period 0.1..2 s: sends the gate count ("!B") and the timer count ("!C").
    int32_t Period(const QString& SN, double period);
    // Density 0.4..99.99, Z-factor 0.1..9.99, tooling 0..999 %; a zeroed sensor keeps its
    // thickness origin.
    int32_t Material(const QString& SN, double density, double zFactor, double tooling);
    // Frequency limits, each 1,000,000..30,000,000 Hz with minimum <= initial <= maximum.
    int32_t InitFreq(double maximum, double minimum, double initial);
    int32_t Zero(const QString& SN);
    int32_t ZeroAll();
    // Polls every open sensor at this interval (ms); 0 stops the polling. Returns 0.
    int32_t SetReadingTimer(int32_t interval);
    int32_t ReadingTimer() const { return ReadingInterval_; }
    void setReadingTimer(int32_t interval) { SetReadingTimer(interval); }
    // The seconds of measurement the rate of the sensor's last reading newly covers: the
    // real time since the reading it was taken from when that reading formed a rate; 0 when
    // it formed none (faster than the period, the first after a start or a return).
    double RateSpan(const QString& SN);

signals:
    // A poll's reading of one sensor (status 0, or 8 with the frequency -1).
    void MirelReading(const QString& SN, MirelReadingArray& Reading);

private:
    struct Slot {
        QString serial;
        int32_t handle = 0;
        double density = 1.0;
        double zFactor = 1.0;
        double tooling = 100.0;
        double period = 0.25;
        int32_t timerCount = 0;
        int32_t gateCount = 0;
        double frequency = 0.0;
        double previousThickness = 0.0;
        double zeroFrequency = 0.0;
        double zeroOffset = 0.0;
        // The reading the rate is taken from (the millisecond clock, -1 before the first,
        // and its frequency), and the last rate.
        int64_t rateFromMs = -1;
        double rateFromFrequency = 0.0;
        double rate = 0.0;
        double rateSpan = 0.0;
        // The sensor went away (its line failed): the slot keeps its serial and its
        // settings, and the poll opens the sensor again when it comes back.
        bool gone = false;
    };

    void CloseMirels();
    // A sensor whose line failed is closed, so that it can come back under its serial.
    void LoseSensor(int slot);
    // Opens again the sensors that went away and are back behind the bridge.
    void FindLostMirels();
    // The slot 1..32 that holds the serial; 0 when none (not connected).
    int MirelIndex(const QString& SN);
    // One exchange with the sensor: the command out, the reply line back (blanks around
    // it removed; empty when the status is not 0).
    QString CommMirel(const QString& SN, const QString& command);
    void MirelTimer_Timer();
    // The thickness (A) of a crystal at frequency F with the slot's material.
    double Thickness(const Slot& s, double F) const;
    // The thickness from now on counts from the crystal's present state.
    static void ZeroSlot(Slot& s);

    BoundedArray<Slot, 0, 32> Slots_;
    double FreqMin_ = 5000000.0;
    double FreqInit_ = 6000000.0;
    double FreqMax_ = 6100000.0;
    int32_t Status_ = MirelStatus::Success;
    int32_t NumFound_ = 0;
    int32_t ReadingInterval_ = 0;
    QString CachedSerial_ = QStringLiteral("0");
    int CachedSlot_ = 0;
    int32_t ReadingFlag_ = 0;
    bool Exchanging_ = false;
    // When the poll last looked for sensors that went away (the millisecond clock).
    int64_t LookedForLostMs_ = -1;
    ccrpTimer* MirelTimer_ = nullptr;
};
