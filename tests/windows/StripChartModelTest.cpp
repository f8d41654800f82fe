// The strip chart's point bookkeeping on its own: where readings land, when they are
// dropped, how a full row scrolls, the time that goes back across midnight, hold, the X
// axis that follows the newest point, and the unit conversion.
#include "data/GraphRec.h"
#include "windows/StripChartModel.h"

#include <gtest/gtest.h>
#include <cmath>
#include <vector>

namespace {

// A graph of the given points over 0..span seconds, channels 0, 1 and 2; channel 1 on the
// right axis.
struct Chart {
    StripChartModel m;
    GraphRec rec;
    Chart(int32_t points, double span, int32_t scroll = 0) {
        rec.Channels = 0b0111;
        rec.ChanAxis = 0b0010;
        rec.XScroll = scroll;
        m.SetNumPoints(points);
        m.SetXRange(0, span);
    }
    StripChartModel::Plot read(double t, double v = 1.0) {
        const std::vector<double> values(16, v);
        return m.Reading(t, values, rec);
    }
};

bool Hole(double v) { return std::isnan(v); }

TEST(StripChartModel, ReadingsLandAtOnePointPerSpacingOnTheirChannelsAxis) {
    Chart c(100, 100);  // one point per second
    EXPECT_TRUE(c.read(7.5, 3).added);  // the first reading, whenever it comes
    EXPECT_EQ(c.m.NextPoint(), 1);
    EXPECT_EQ(c.m.LastPoint(), 1);
    EXPECT_EQ(c.m.X(1), 7.5);
    EXPECT_EQ(c.m.Y(1, 1, 1), 3);         // channel 0 on the left
    EXPECT_TRUE(Hole(c.m.Y(2, 1, 1)));
    EXPECT_EQ(c.m.Y(2, 2, 1), 3);         // channel 1 on the right
    EXPECT_TRUE(Hole(c.m.Y(1, 2, 1)));
    EXPECT_TRUE(Hole(c.m.Y(1, 4, 1)));    // channel 3 not chosen

    EXPECT_FALSE(c.read(8.4).added);  // sooner than one spacing: nothing changes
    EXPECT_EQ(c.m.LastTime(), 7.5);
    EXPECT_EQ(c.m.LastPoint(), 1);
    EXPECT_TRUE(c.read(8.5).added);
    EXPECT_EQ(c.m.NextPoint(), 2);

    // The Sensor kind: flux left, gas right, for every chosen channel; values the array
    // does not hold stay holes.
    c.rec.Data = GraphDataKind::Sensor;
    const std::vector<double> eight = {10, 11, 12, 13, 14, 15, 16, 17};
    EXPECT_TRUE(c.m.Reading(20, eight, c.rec).added);
    EXPECT_EQ(c.m.Y(1, 2, 3), 11);
    EXPECT_TRUE(Hole(c.m.Y(2, 2, 3)));

    // A time that is no number is dropped.
    EXPECT_FALSE(c.read(NAN).added);
    EXPECT_FALSE(c.read(INFINITY).added);
}

TEST(StripChartModel, AFullRowKeepsItsNewestPointsAndAlwaysFreesOne) {
    struct Case {
        int32_t points, scroll, keep;
    };
    const Case cases[] = {
        {100, 4, 0},   {100, 2, 50}, {100, 3, 25}, {51, 0, 50},   {100, 0, 99},
        {149, 0, 148}, {150, 0, 148}, {250, 0, 248}, {50, 0, 49}, {11, 0, 10},
        {40000, 3, 10000},  // more points than a 16-bit count holds
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.points << " points, scroll " << k.scroll);
        EXPECT_EQ(StripChartModel::KeepOnShift(k.points, k.scroll), k.keep);
        // Span = points: one point per second, and the axis never moves within it.
        Chart c(k.points, k.points * 10.0, k.scroll);
        for (int i = 0; i < k.points; ++i) ASSERT_TRUE(c.read(i * 10.0, i).added);
        const auto plot = c.read(k.points * 10.0, k.points);
        EXPECT_TRUE(plot.shifted);
        EXPECT_EQ(c.m.NextPoint(), k.keep + 1);
        EXPECT_EQ(c.m.LastPoint(), k.keep + 1);
        // The newest points, oldest first, then the new one; nothing beyond.
        for (int p = 1; p <= k.keep; ++p) EXPECT_EQ(c.m.Y(1, 1, p), k.points - k.keep + p - 1);
        EXPECT_EQ(c.m.Y(1, 1, k.keep + 1), k.points);
        EXPECT_EQ(c.m.X(k.keep + 1), k.points * 10.0);
        if (k.keep + 2 <= k.points) {
            EXPECT_TRUE(Hole(c.m.X(k.keep + 2)));
        }
        // The next full row lets the oldest go again, now that the newest points lie
        // behind the oldest in memory.
        int n = k.points;
        do {
            ++n;
        } while (!c.read(n * 10.0, n).shifted);
        ASSERT_EQ(c.m.LastPoint(), k.keep + 1);
        for (int p = 1; p <= k.keep + 1; ++p) {
            ASSERT_EQ(c.m.Y(1, 1, p), n - k.keep + p - 1) << p;
            ASSERT_EQ(c.m.X(p), (n - k.keep + p - 1) * 10.0) << p;
        }
    }
    // A stored point count outside the chart's range is brought into it.
    StripChartModel m;
    m.SetNumPoints(0);
    EXPECT_EQ(m.NumPoints(), 1);
    m.SetNumPoints(2000000000);
    EXPECT_EQ(m.NumPoints(), StripChartModel::kMaxPoints);
}

TEST(StripChartModel, MidnightAndHold) {
    Chart c(100, 100);
    ASSERT_TRUE(c.read(86395).added);
    // Back to 5 s: 10 s after the last point counting across midnight.
    EXPECT_TRUE(c.read(5).added);
    EXPECT_EQ(c.m.LastTime(), 5);
    EXPECT_EQ(c.m.X(2), 5);

    // Held: nothing changes, not even the last time; after resuming, the first reading a
    // spacing past the last point is plotted.
    c.m.SetHold(true);
    for (double t : {6.0, 50.0, 1.0}) {
        EXPECT_FALSE(c.read(t).added);
        EXPECT_EQ(c.m.LastTime(), 5);
        EXPECT_EQ(c.m.LastPoint(), 2);
    }
    c.m.SetHold(false);
    EXPECT_FALSE(c.read(5.5).added);
    EXPECT_TRUE(c.read(6).added);
}

TEST(StripChartModel, TheTimeAxisFollowsInStepsOfTheScrollSetting) {
    struct Case {
        double min, max, now;
        int32_t scroll;
        double newMin, newMax;
        bool moved;
    };
    const Case cases[] = {
        {0, 100, 100, 0, 0, 100, false},       // not past the maximum
        {0, 100, 100.6, 0, 1, 101, true},      // Strip: steps of 1 %
        {0, 100, 103.5, 0, 4, 104, true},
        {0, 100, 130, 2, 50, 150, true},       // 50 %
        {0, 100, 401, 4, 400, 500, true},      // 100 %
        {0, 10.6, 10.8, 0, 0, 10.6, false},    // 10.8 is not above 11
        {0, 10.4, 10.8, 0, 0.416, 10.816, true},
        {5, 5, 50, 0, 5, 5, false},            // no span: the axis stays, nothing hangs
        {10, 0, 50, 0, 10, 0, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.min << ".." << k.max << " at " << k.now);
        Chart c(1000, 1, k.scroll);
        c.m.SetXRange(k.min, k.max);
        const auto plot = c.read(k.now);
        EXPECT_TRUE(plot.added);
        EXPECT_EQ(plot.axisMoved, k.moved);
        EXPECT_NEAR(c.m.XMax(), k.newMax, 1e-9);
        EXPECT_NEAR(c.m.XMin(), k.newMin, 1e-9);
        if (k.moved) {
            EXPECT_GT(c.m.XMax(), k.now);
        }
    }
}

TEST(StripChartModel, PointsTakeTheGraphsUnitAndConvertToAnother) {
    Chart c(100, 10);
    c.rec.XUnits = 1;  // minutes: a point per 0.1 min
    ASSERT_TRUE(c.read(30).added);
    EXPECT_FALSE(c.read(35).added);
    ASSERT_TRUE(c.read(36).added);
    EXPECT_DOUBLE_EQ(c.m.X(2), 0.6);
    c.m.ConvertX(1, 0);
    EXPECT_DOUBLE_EQ(c.m.X(1), 30);
    EXPECT_DOUBLE_EQ(c.m.X(2), 36);
    c.m.ConvertX(0, 2);
    EXPECT_DOUBLE_EQ(c.m.X(2), 0.01);
    EXPECT_TRUE(Hole(c.m.X(3)));
}

}  // namespace
