#pragma once
// The points of a strip chart, kept the way the graph window plots its readings: two
// groups of eight series (group 1 on the left Y axis, group 2 on the right) that share one
// row of X values, a fixed number of points per series, and the X axis window that
// follows the newest point. The chart widget draws what this holds.
//
// A reading becomes a point at most once per point spacing (the X span over the number of
// points). When the row is full the oldest points are let go as the scroll setting says
// (1 % for "Strip", else 25, 50, 75 or 100 %) and the newest ones move to the front, so
// the chart never stalls and never writes past its row. Points are numbered from 1; a
// value that no reading wrote is a hole (NaN), which the chart leaves out.
//
// The rows are rings: letting points go moves where point 1 lives instead of moving the
// points, so a full row of the largest size scrolls without copying it during a reading.
#include "windows/StripExtremes.h"

#include <cstdint>
#include <span>
#include <vector>

struct GraphRec;

class StripChartModel {
public:
    static constexpr int kGroups = 2;  // group 1: left Y axis, group 2: right Y axis
    static constexpr int kSeries = 8;  // series i (1..8) draws channel i - 1
    // The point count is kept within 1..kMaxPoints whatever a stored setting says.
    static constexpr int32_t kMaxPoints = 100000;

    // What one reading did.
    struct Plot {
        bool added = false;      // a point was written at NextPoint()
        bool shifted = false;    // the row was full: points were let go before it
        bool axisMoved = false;  // the X axis window moved on to take the point
    };

    StripChartModel();

    // Empties the chart: no points, nothing plotted yet, last time 0.
    void Clear();
    // Sets the number of points per series (kept within 1..kMaxPoints) and empties the chart.
    void SetNumPoints(int32_t points);
    int32_t NumPoints() const { return numPoints_; }
    // How many points are shown (1..LastPoint()).
    int32_t LastPoint() const { return lastPoint_; }
    // The point the newest reading occupies; 0 while nothing was plotted since Clear.
    int32_t NextPoint() const { return nextPoint_; }
    // The time argument (seconds) of the newest point.
    double LastTime() const { return lastTime_; }

    // While held, readings are dropped and nothing changes.
    bool Hold() const { return hold_; }
    void SetHold(bool hold) { hold_ = hold; }

    // The X axis window, in the graph's X unit.
    double XMin() const { return xMin_; }
    double XMax() const { return xMax_; }
    void SetXRange(double min, double max);

    // Plots one reading taken Time seconds after the layer started, with the settings of
    // Rec (data kind, channels and their axes, scroll, X unit). Readings holds a value per
    // channel (8), or for the Sensor kind the flux values and then the gas values (16);
    // values it does not hold are left as holes. A time that is no number is dropped.
    Plot Reading(double Time, std::span<const double> Readings, const GraphRec& Rec);

    // Converts the X values shown from one X unit to another (0 s, 1 min, 2 h). The axis
    // window is left as it is.
    void ConvertX(int32_t fromUnits, int32_t toUnits);

    // Values by point 1..NumPoints(); a hole is NaN (every point past LastPoint() is one).
    double X(int32_t point) const;
    double Y(int group, int series, int32_t point) const;
    // The rows themselves, for drawing: point p (1..LastPoint()) is in slot Slot(p); the
    // slot after the last one is 0.
    size_t Slot(int32_t point) const {
        const int64_t s = int64_t(start_) + point - 1;
        return static_cast<size_t>(s >= numPoints_ ? s - numPoints_ : s);
    }
    const double* XRow() const { return x_.data(); }
    const double* YRow(int group, int series) const { return y_[index(group, series)].data(); }
    // The extremes of the rows' blocks: block row 0 holds the X values, BlockRow(group,
    // series) a series.
    const StripExtremes& Blocks() const { return extremes_; }
    static size_t BlockRow(int group, int series) { return 1 + index(group, series); }

    // Seconds in one X unit: 1, 60 or 3600 (any other unit counts as seconds).
    static double UnitSeconds(int32_t units);
    // How many of a full row's points stay when it scrolls: all but 1 % (Strip, 0) or
    // XScroll quarters of them, rounded half to even, and always at least one point fewer
    // than the row holds.
    static int32_t KeepOnShift(int32_t points, int32_t xScroll);

private:
    static size_t index(int group, int series);
    // Tells the block extremes that slot was written in every row.
    void written(size_t slot);
    // Raises the axis window past Now in whole steps of the scroll setting.
    bool Follow(double now, int32_t xScroll);

    int32_t numPoints_ = 0;
    int32_t start_ = 0;  // the slot of point 1
    int32_t lastPoint_ = 0;
    int32_t nextPoint_ = 0;
    double lastTime_ = 0.0;
    bool hold_ = false;
    double xMin_ = 0.0;
    double xMax_ = 60.0;
    std::vector<double> x_;
    std::vector<double> y_[kGroups * kSeries];
    StripExtremes extremes_;
};
