#pragma once
// What the unit receives and holds while the slow-link benchmark measures: how many
// commands of each letter, the gaps between requests of a kind, how often output 1's power
// fell to zero and came back soon after, for each supply dip the power the unit held
// before it and the first power the restarted unit was given, the restart's bursts of
// channel periods with and without a dip before them; and what a remote client is told of
// output 1's power against what the unit holds.
#include "unitsim/UnitSim.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTcpSocket>
#include <QTimer>
#include <map>
#include <optional>
#include <vector>

// Output 1's code as a percent of its 10 V full scale (32767 is 0 V).
double PowerPercent(int32_t code);

// The times between requests of one kind, the measured time's start and end counting as
// requests so that a kind never asked for shows the whole time as its gap.
struct RequestGaps {
    double lastMs = 0.0;
    double longestMs = 0.0;
    int since = 0;         // other commands since the last request
    int mostBetween = 0;   // the most other commands between two requests
    std::vector<double> intervalsMs;  // between two requests proper
    bool any = false;
    void Asked(double nowMs);
    void Other() { ++since; }
    void End(double nowMs);
    double MedianMs() const;
};

// Output 1's power falling from above zero to zero and back above zero within a window:
// what a station that drops and restores the power, or a unit that restarts, does to the
// deposit.
struct PowerPulses {
    explicit PowerPulses(double windowMs) : windowMs(windowMs) {}
    void Sample(double nowMs, int32_t code);
    double windowMs;
    int pulses = 0;
    double longestMs = 0.0;  // the longest of those pulses at zero
    std::optional<bool> above;
    std::optional<double> fellAtMs;
};

// What a remote client asking "@QM;11" (channel 1's power, whose output is output 1) is
// told, against what the unit holds: a reply counts as matching when it lies within 1 (of
// 100 %) of output 1's power when it was asked or when it came.
struct ToldPowers {
    int samples = 0;
    int off = 0;         // further than 1 from the unit's power
    int zeroTold = 0;    // 0.00 told while the unit held more
    int unreadable = 0;  // no number in the reply
    double worst = 0.0;  // the largest difference
    double worstAtMs = 0.0;
};

class SlowLinkWatch : public QObject {
public:
    explicit SlowLinkWatch(UnitSim& sim);

    struct Dip {
        double startMs = 0.0;
        int lengthMs = 0;
        double heldPercent = 0.0;              // output 1's power just before it
        std::optional<double> firstPercent;    // the first "K" after it, output 1's field
        double firstAfterMs = 0.0;             // how long after the dip ended that came
        bool firstUnreadable = false;          // a "K" came, its field no whole number
        bool answered() const { return firstPercent.has_value() || firstUnreadable; }
    };

    // Counting from now; ends at Stop.
    void Start();
    void Stop();
    double ElapsedMs() const { return clock_.nsecsElapsed() * 1e-6; }
    // Dips the unit's supply for ms now.
    void DipNow(int ms);
    // Asks the station's remote-control port for output 1's power every 100 ms, one
    // request at a time, from now until StopAsking; false when no connection is made.
    bool AskPowers(quint16 port);
    void StopAsking();

    const std::map<char, int>& Received() const { return received_; }
    int Received(char letter) const;
    const RequestGaps& Inputs() const { return inputs_; }
    const RequestGaps& Readings() const { return readings_; }
    const PowerPulses& Pulses() const { return pulses_; }
    const std::vector<Dip>& Dips() const { return dips_; }
    // Runs of "B" commands for three channels or more (a "B" asked again is no run): the
    // channel periods given again as after a restart; with a supply dip since the last
    // such run, and without one.
    int PeriodBurstsAfterDip() const { return burstsAfterDip_; }
    int PeriodBurstsWithoutDip() const { return burstsWithoutDip_; }
    const ToldPowers& Told() const { return told_; }
    double MeasuredMs() const { return measuredMs_; }

private:
    void Command(const QString& c);
    void Ask();
    void Answered();

    UnitSim& sim_;
    QElapsedTimer clock_;
    QTimer sampler_;
    bool measuring_ = false;
    double measuredMs_ = 0.0;
    std::map<char, int> received_;
    RequestGaps inputs_, readings_;
    PowerPulses pulses_{10000.0};
    std::vector<Dip> dips_;
    std::vector<QChar> burstChannels_;
    bool dipSinceBurst_ = false;
    int burstsAfterDip_ = 0, burstsWithoutDip_ = 0;
    QTcpSocket client_;
    QTimer asker_;
    QByteArray reply_;
    bool waiting_ = false;
    double askedPercent_ = 0.0;
    ToldPowers told_;
};
