#include "windows/StripTraces.h"

#include "windows/StripChart.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The column of a point without an X value.
constexpr int kNoColumn = std::numeric_limits<int>::min();

// Far beyond any screen but well within what a line is drawn from.
double ClampPixel(double v) { return std::clamp(v, -1.0e5, 1.0e5); }

// A one-pixel line of an opaque colour from a to b in the picture, both ends included; the
// part outside the picture is cut off first. The point-by-point drawing and the pieces
// between columns of the whole one draw through here, so both light the same pixels (and
// far faster than a painter does for thousands of short pieces).
void PlotLine(const StripTraces::Pixels& image, QPointF a, QPointF b, QRgb colour) {
    const double xmax = image.width - 0.5, ymax = image.height - 0.5;
    auto inside = [&](QPointF p) { return p.x() >= -0.5 && p.x() <= xmax && p.y() >= -0.5 && p.y() <= ymax; };
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    double t0 = 0, t1 = 1;
    if (!inside(a) || !inside(b)) {
        // Liang-Barsky: the part of a..b inside the picture.
        const double p[4] = {-dx, dx, -dy, dy};
        const double q[4] = {a.x() + 0.5, xmax - a.x(), a.y() + 0.5, ymax - a.y()};
        for (int i = 0; i < 4; ++i) {
            if (p[i] == 0) {
                if (q[i] < 0) return;
                continue;
            }
            const double r = q[i] / p[i];
            if (p[i] < 0) t0 = std::max(t0, r);
            else t1 = std::min(t1, r);
            if (t0 > t1) return;
        }
    }
    int x0 = qRound(a.x() + t0 * dx), y0 = qRound(a.y() + t0 * dy);
    const int x1 = qRound(a.x() + t1 * dx), y1 = qRound(a.y() + t1 * dy);
    // Bresenham.
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    const int ex = std::abs(x1 - x0), ey = -std::abs(y1 - y0);
    int err = ex + ey;
    for (;;) {
        if (x0 >= 0 && x0 < image.width && y0 >= 0 && y0 < image.height) image.bits[y0 * image.stride + x0] = colour;
        if (x0 == x1 && y0 == y1) return;
        const int e2 = 2 * err;
        if (e2 >= ey) {
            err += ey;
            x0 += sx;
        }
        if (e2 <= ex) {
            err += ex;
            y0 += sy;
        }
    }
}

}  // namespace

QColor StripSeriesColour(int group, int series) {
    static const QColor colours[StripChartModel::kSeries] = {
        QColor(0, 90, 220),  QColor(220, 40, 40),  QColor(20, 150, 50),  QColor(200, 120, 0),
        QColor(140, 50, 190), QColor(0, 160, 170), QColor(120, 120, 0), QColor(90, 90, 90)};
    // The right group draws its channel's colour darker.
    const QColor colour = colours[series - 1];
    return group == 1 ? colour : colour.darker(170);
}

StripTraces::Pixels::Pixels(QImage& image)
    : bits(reinterpret_cast<QRgb*>(image.bits())), stride(image.bytesPerLine() / 4), width(image.width()),
      height(image.height()) {}

StripTraces::StripTraces(StripChart* chart) : chart_(chart) {
    for (int g = 1; g <= kGroups; ++g)
        for (int s = 1; s <= kSeries; ++s) colour_[g - 1][s - 1] = StripSeriesColour(g, s).rgba();
}

QRect StripTraces::Area() const { return chart_->axisRect()->rect(); }

StripTraces::Key StripTraces::current() const {
    return {Area(), chart_->xAxis->range(), chart_->yAxis->range(), chart_->yAxis2->range(),
            chart_->yAxis->scaleType(), chart_->yAxis2->scaleType(), chart_->devicePixelRatioF(), generation_};
}

StripTraces::AxisMap::AxisMap(const QCPAxis* a, double corner)
    : axis(a), linear(a->scaleType() == QCPAxis::stLinear && !a->rangeReversed()), shift(corner),
      origin((a->orientation() == Qt::Horizontal ? a->axisRect()->left() : a->axisRect()->bottom()) - corner),
      scale((a->orientation() == Qt::Horizontal ? a->axisRect()->width() : -a->axisRect()->height()) /
            a->range().size()),
      lower(a->range().lower) {}

double StripTraces::AxisMap::operator()(double v) const {
    return ClampPixel(linear ? origin + (v - lower) * scale : axis->coordToPixel(v) - shift);
}

StripTraces::Maps StripTraces::maps() const {
    const QPoint corner = key_.rect.topLeft();
    return {AxisMap(chart_->xAxis, corner.x()), {AxisMap(chart_->yAxis, corner.y()), AxisMap(chart_->yAxis2, corner.y())}};
}

QPointF StripTraces::pixel(const Maps& m, int group, const double* values, size_t i) const {
    return QPointF(m.x(chart_->Data().XRow()[i]), m.y[group - 1](values[i])) * key_.ratio;
}

bool StripTraces::drawable(size_t i, const double* values) const {
    return std::isfinite(chart_->Data().XRow()[i]) && std::isfinite(values[i]);
}

void StripTraces::Paint(QPainter& painter) {
    if (!upToDate()) drawAll();
    painter.drawImage(key_.rect.topLeft(), picture_);
}

QRect StripTraces::AddPoint(int32_t p) {
    if (!upToDate()) return Area();
    if (p < 2) return {};
    const StripChartModel& m = chart_->Data();
    const Maps map = maps();
    const Pixels pixels(picture_);
    const size_t from = m.Slot(p - 1), to = m.Slot(p);
    QRectF drawn;
    for (int g = 1; g <= kGroups; ++g) {
        for (int s = 1; s <= kSeries; ++s) {
            const double* values = m.YRow(g, s);
            if (!chart_->SeriesShown(g, s) || !drawable(from, values) || !drawable(to, values)) continue;
            const QPointF a = pixel(map, g, values, from), b = pixel(map, g, values, to);
            PlotLine(pixels, a, b, colour_[g - 1][s - 1]);
            drawn |= QRectF(a, b).normalized().adjusted(-1, -1, 1, 1);
        }
    }
    if (drawn.isEmpty()) return {};
    const QRectF onChart(drawn.topLeft() / key_.ratio, drawn.bottomRight() / key_.ratio);
    return onChart.translated(key_.rect.topLeft()).toAlignedRect().intersected(key_.rect);
}

void StripTraces::drawAll() {
    key_ = current();
    const QSize size = key_.rect.size() * key_.ratio;
    if (picture_.size() != size) picture_ = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    picture_.setDevicePixelRatio(key_.ratio);
    picture_.fill(Qt::transparent);
    valid_ = true;

    const Maps map = maps();
    segment(map);
    drawSeries(Pixels(picture_), map);
}

// A block is taken whole when its X values are (its extremes are usable) and its lowest
// and highest X fall in one column, so all of them do.
void StripTraces::segment(const Maps& map) {
    const StripChartModel& m = chart_->Data();
    const double* xs = m.XRow();
    const StripExtremes& blocks = m.Blocks();
    const double ratio = key_.ratio;
    const auto columnOf = [&](double x) { return qRound(map.x(x) * ratio); };
    const auto oneColumn = [&](const std::vector<StripExtremes::Extremes>& row, size_t b) {
        if (b >= row.size() || !row[b].Whole()) return kNoColumn;
        const int column = columnOf(row[b].low);
        return columnOf(row[b].high) == column ? column : kNoColumn;
    };
    segments_.clear();
    columns_.clear();
    const int32_t last = m.LastPoint();
    for (int32_t p = 1; p <= last;) {
        const size_t i = m.Slot(p);
        Segment s{i, 1, kNoColumn};
        constexpr size_t coarseSize = StripExtremes::kCoarse, fineSize = StripExtremes::kFine;
        if (i % coarseSize == 0 && p + int32_t(coarseSize) - 1 <= last) {
            s.column = oneColumn(blocks.Coarse(0), i / coarseSize);
            if (s.column != kNoColumn) s.count = coarseSize;
        }
        if (s.count == 1 && i % fineSize == 0 && p + int32_t(fineSize) - 1 <= last) {
            s.column = oneColumn(blocks.Fine(0), i / fineSize);
            if (s.column != kNoColumn) s.count = fineSize;
        }
        if (s.count == 1 && std::isfinite(xs[i])) s.column = columnOf(xs[i]);
        if (columns_.empty() || columns_.back().column != s.column || s.column == kNoColumn)
            columns_.push_back({segments_.size(), segments_.size(), s.first, s.first, 0, s.column});
        Column& c = columns_.back();
        c.end = segments_.size() + 1;
        c.lastSlot = s.first + static_cast<size_t>(s.count - 1);
        c.points += s.count;
        segments_.push_back(s);
        p += s.count;
    }
}

// The shown series go along the columns side by side: what one column needs of each of
// them lies far apart in memory, and its loads can overlap.
void StripTraces::drawSeries(const Pixels& pixels, const Maps& map) {
    using Extremes = StripExtremes::Extremes;
    const StripChartModel& m = chart_->Data();
    // Where the line of one series has got to.
    struct Trace {
        int group;
        QRgb colour;
        const double* values;
        const Extremes* fine;
        const Extremes* coarse;
        bool previous = false;  // the point before is drawable
        size_t before = 0;      // its slot
        int column = kNoColumn;
        double low = 0, high = 0;  // the values of the column's points so far
        int32_t count = 0;
    };
    Trace traces[kGroups * kSeries];
    int shown = 0;
    for (int g = 1; g <= kGroups; ++g) {
        for (int s = 1; s <= kSeries; ++s) {
            if (!chart_->SeriesShown(g, s)) continue;
            const size_t row = StripChartModel::BlockRow(g, s);
            traces[shown++] = {g, colour_[g - 1][s - 1], m.YRow(g, s), m.Blocks().Fine(row).data(),
                               m.Blocks().Coarse(row).data()};
        }
    }

    // Every piece between two points of one column is a vertical run of that column, so
    // together they light the rows from the column's highest point to its lowest. The
    // highest and lowest value give the highest and lowest pixel: the axes map values in
    // order, and on a log axis the values of no place of their own (0 and below) lie
    // beyond the same edge as the smallest ones, so they meet there.
    const auto flush = [&](Trace& t) {
        if (t.count < 2 || t.column < 0 || t.column >= pixels.width) return;
        const AxisMap& y = map.y[t.group - 1];
        const int a = qRound(y(t.low) * key_.ratio), b = qRound(y(t.high) * key_.ratio);
        const int top = std::max(0, std::min(a, b)), bottom = std::min(pixels.height - 1, std::max(a, b));
        for (int r = top; r <= bottom; ++r) pixels.bits[r * pixels.stride + t.column] = t.colour;
    };
    const auto hole = [&](Trace& t) {
        flush(t);
        t.count = 0;
        t.previous = false;
    };
    // n drawable points from slot first to slot last, all in column col, their values
    // within lo..hi.
    const auto take = [&](Trace& t, size_t first, size_t last, int32_t n, int col, double lo, double hi) {
        if (t.previous && col == t.column) {
            t.low = std::min(t.low, lo);
            t.high = std::max(t.high, hi);
            t.count += n;
        } else {
            flush(t);
            // A piece into another column is drawn as it is, as when it was added.
            if (t.previous)
                PlotLine(pixels, pixel(map, t.group, t.values, t.before), pixel(map, t.group, t.values, first), t.colour);
            t.column = col;
            t.low = lo;
            t.high = hi;
            t.count = n;
        }
        t.previous = true;
        t.before = last;
    };
    // The extremes of a segment's values; false when it holds a hole.
    const auto extremes = [](const Trace& t, const Segment& s, double& lo, double& hi) {
        if (s.count == 1) {
            lo = hi = t.values[s.first];
            return std::isfinite(lo);
        }
        const Extremes& e = s.count == StripExtremes::kCoarse ? t.coarse[s.first / StripExtremes::kCoarse]
                                                              : t.fine[s.first / StripExtremes::kFine];
        lo = e.low;
        hi = e.high;
        return e.Whole();
    };

    for (const Column& c : columns_) {
        for (int k = 0; k < shown; ++k) {
            Trace& t = traces[k];
            if (c.column == kNoColumn) {
                hole(t);
                continue;
            }
            // Mostly a column is drawable all through and is taken at once.
            double lo = std::numeric_limits<double>::infinity(), hi = -lo;
            bool whole = true;
            for (size_t g = c.begin; g < c.end && whole; ++g) {
                double l, h;
                whole = extremes(t, segments_[g], l, h);
                lo = std::min(lo, l);
                hi = std::max(hi, h);
            }
            if (whole) {
                take(t, c.firstSlot, c.lastSlot, c.points, c.column, lo, hi);
                continue;
            }
            // A column with a hole in this series: segment by segment, point by point in
            // a segment that holds the hole.
            for (size_t g = c.begin; g < c.end; ++g) {
                const Segment& s = segments_[g];
                double l, h;
                if (extremes(t, s, l, h)) {
                    take(t, s.first, s.first + static_cast<size_t>(s.count - 1), s.count, c.column, l, h);
                    continue;
                }
                for (size_t i = s.first; i < s.first + static_cast<size_t>(s.count); ++i) {
                    if (std::isfinite(t.values[i])) take(t, i, i, 1, c.column, t.values[i], t.values[i]);
                    else hole(t);
                }
            }
        }
    }
    for (int k = 0; k < shown; ++k) flush(traces[k]);
}
