#pragma once
// What the unit receives and holds while the slow-link benchmark measures: how many
// commands of each letter, the gaps between requests of a kind, how often output 1's power
// fell to zero and came back soon after, and for each supply dip the power the unit held
// before it and the first power the restarted unit was given.
#include "unitsim/UnitSim.h"

#include <QElapsedTimer>
#include <QObject>
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

    const std::map<char, int>& Received() const { return received_; }
    int Received(char letter) const;
    const RequestGaps& Inputs() const { return inputs_; }
    const RequestGaps& Readings() const { return readings_; }
    const PowerPulses& Pulses() const { return pulses_; }
    const std::vector<Dip>& Dips() const { return dips_; }
    double MeasuredMs() const { return measuredMs_; }

private:
    void Command(const QString& c);

    UnitSim& sim_;
    QElapsedTimer clock_;
    QTimer sampler_;
    bool measuring_ = false;
    double measuredMs_ = 0.0;
    std::map<char, int> received_;
    RequestGaps inputs_, readings_;
    PowerPulses pulses_{10000.0};
    std::vector<Dip> dips_;
};
