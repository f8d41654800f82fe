#pragma once
// The series of a strip chart, drawn into a picture of the plot area that is kept while
// nothing but new points change it. The chart puts the picture over what QCustomPlot
// draws; a new reading only adds its line pieces to it.
//
// Drawn whole (after a shift, an axis move, a new size), a series costs in proportion to
// the plot's width more than to its points: the points that fall in one pixel column
// light the rows between their highest and lowest, which is exactly what their line
// pieces light there, and whole blocks of points are taken by their extremes (the
// model's block extremes). So the picture is the one drawn point by point.
#include "windows/StripChartModel.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <qcustomplot.h>
#include <vector>

class QPainter;
class StripChart;

// The colour of series 1..8 of group 1 (left) or 2 (right).
QColor StripSeriesColour(int group, int series);

class StripTraces {
public:
    explicit StripTraces(StripChart* chart);

    // The points or the series shown changed as a whole: the next drawing draws all.
    void Invalidate() { ++generation_; }
    // Adds the line pieces from the point before to point p of every shown series to the
    // kept picture and returns the part of the chart to paint again: where they were
    // drawn, or all of the plot when the picture is out of date (and the next drawing
    // draws everything anyway).
    QRect AddPoint(int32_t p);
    // Puts the picture on the chart, drawing it whole first when it is out of date.
    void Paint(QPainter& painter);
    // The part of the chart the picture covers.
    QRect Area() const;

    // The picture's pixels, written directly.
    struct Pixels {
        QRgb* bits;
        qsizetype stride;  // pixels per line
        int width, height;
        explicit Pixels(QImage& image);
    };

private:
    static constexpr int kGroups = StripChartModel::kGroups;
    static constexpr int kSeries = StripChartModel::kSeries;

    // What the kept picture was drawn for.
    struct Key {
        QRect rect;
        QCPRange x, y, y2;
        QCPAxis::ScaleType sy = QCPAxis::stLinear, sy2 = QCPAxis::stLinear;
        double ratio = 1.0;
        quint64 generation = 0;
        bool operator==(const Key& o) const {
            return rect == o.rect && x == o.x && y == o.y && y2 == o.y2 && sy == o.sy && sy2 == o.sy2 &&
                   ratio == o.ratio && generation == o.generation;
        }
    };
    Key current() const;
    bool upToDate() const { return valid_ && key_ == current(); }

    // Pixel positions along one axis, in the picture (whose corner is the plot area's): a
    // straight line for a linear axis, the axis's own rule for a logarithmic one.
    struct AxisMap {
        const QCPAxis* axis;
        bool linear;
        double shift, origin, scale, lower;
        AxisMap(const QCPAxis* a, double corner);
        double operator()(double v) const;
    };
    struct Maps {
        AxisMap x, y[kGroups];
    };
    Maps maps() const;
    // The picture's own pixel of the point in slot i of the rows.
    QPointF pixel(const Maps& m, int group, const double* values, size_t i) const;
    bool drawable(size_t i, const double* values) const;

    // Points in one pixel column, in order: a block of the model's block extremes (all of
    // its X values in that column) or a single point (kNoColumn: without an X value).
    struct Segment {
        size_t first;   // slot of its first point; a block never wraps round the rows
        int32_t count;  // points: 1, StripExtremes::kFine or kCoarse
        int column;
    };
    // Consecutive segments in one column (a segment without an X value stands alone).
    struct Column {
        size_t begin, end;          // its segments
        size_t firstSlot, lastSlot;  // slots of its first and last point
        int32_t points;
        int column;
    };
    void drawAll();
    // Cuts the points into segments and columns.
    void segment(const Maps& map);
    // Draws every shown series whole along the columns.
    void drawSeries(const Pixels& pixels, const Maps& map);

    StripChart* chart_;
    QRgb colour_[kGroups][kSeries] = {};
    QImage picture_;
    Key key_;
    bool valid_ = false;
    quint64 generation_ = 0;
    // The segments and columns of the points while drawing whole, shared by the series
    // (which share their X values); kept between drawings, so a drawing allocates nothing.
    std::vector<Segment> segments_;
    std::vector<Column> columns_;
};
