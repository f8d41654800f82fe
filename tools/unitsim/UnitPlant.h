#pragma once
// The process the unit measures: each source output drives the light of its channel
// through a first-order lag, and the channel's converter turns signal, gas light and
// background into counts against the bias it was last given.
//
// Counts rise with the signal on firmware 2.00 and later, and fall with it before, so
// that the station's calibration (counts against two bias values at 0 PMT volts) turns
// them into a positive flux on both.
#include <cstdint>

struct PlantParams {
    double lagSeconds = 1.0;      // time constant of a source
    double signalFull = 1000.0;   // signal at full drive and 1000 PMT volts
    double gasLight = 30.0;       // gas light at 1000 PMT volts (firmware 2.00 and later)
    double background = 10.0;     // background light at 1000 PMT volts
    double countsPerUnit = 10.0;  // converter gain
    double biasSpan = 4000.0;     // converter range in bias units
    // A converter whose background integration does not see the bias: it reads the same
    // counts at any bias (those of the bias half way up its range).
    bool flatBackground = false;
};

struct ChannelCounts {
    int32_t main = 0;        // signal + gas + background
    int32_t background = 0;  // background only
    int32_t gas = 0;         // gas + background (firmware 2.00 and later)
};

class UnitPlant {
public:
    PlantParams params;

    // Moves every source's lag on to `nowMs`; drive(ch) is the output's share 0..1.
    void Advance(int64_t nowMs, const double drive[8]);
    // The counts of a channel now.
    ChannelCounts Counts(int ch, int32_t pmtVolts, int32_t bias, bool newFirmware) const;
    // The lagged drive of a channel (0..1).
    double Level(int ch) const { return level_[ch & 7]; }
    void Reset();

private:
    double level_[8] = {};
    int64_t lastMs_ = -1;
};

// The share 0..1 of full drive that an output's power code gives (code 32767 is 0 V,
// 65534 is 10 V).
double DriveOfCode(int32_t code);
