#include "windows/StripChart.h"

#include "platform/Printing.h"
#include "platform/RuntimeError.h"

#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kGroups = StripChartModel::kGroups;
constexpr int kSeries = StripChartModel::kSeries;

// One colour per channel; the right group draws its channel's colour darker.
QPen SeriesPen(int group, int series) {
    static const QColor colours[kSeries] = {QColor(0, 90, 220),  QColor(220, 40, 40),  QColor(20, 150, 50),
                                            QColor(200, 120, 0), QColor(140, 50, 190), QColor(0, 160, 170),
                                            QColor(120, 120, 0), QColor(90, 90, 90)};
    const QColor colour = colours[series - 1];
    return QPen(group == 1 ? colour : colour.darker(170), 1.0);
}

void CheckSeries(int group, int series) {
    if (group < 1 || group > kGroups || series < 1 || series > kSeries) throw RuntimeError::SubscriptOutOfRange();
}

// Far beyond any screen but well within what a line is drawn from.
double ClampPixel(double v) { return std::clamp(v, -1.0e5, 1.0e5); }

// A one-pixel line of an opaque colour from a to b in the picture, both ends included; the
// part outside the picture is cut off first. Both the whole drawing and the point-by-point
// one draw through here, so they light the same pixels (and far faster than a painter
// does for thousands of short pieces).
// The picture's pixels, written directly.
struct Pixels {
    QRgb* bits;
    qsizetype stride;  // pixels per line
    int width, height;
    explicit Pixels(QImage& image)
        : bits(reinterpret_cast<QRgb*>(image.bits())), stride(image.bytesPerLine() / 4), width(image.width()),
          height(image.height()) {}
};

void PlotLine(const Pixels& image, QPointF a, QPointF b, QRgb colour) {
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

// The series, drawn into a picture of the plot area that is kept while nothing but new
// points change it. The chart puts the picture over what QCustomPlot draws.
class StripTraces {
public:
    explicit StripTraces(StripChart* chart) : chart_(chart) {}

    // The points or the series shown changed as a whole: the next drawing draws all.
    void Invalidate() { ++generation_; }
    // Adds the line pieces from the point before to point p of every shown series to the
    // kept picture. Nothing happens when the picture is out of date: the next drawing
    // draws everything anyway.
    void AddPoint(int32_t p);
    // Puts the picture on the chart, drawing it whole first when it is out of date.
    void Paint(QPainter& painter);
    // The part of the chart the picture covers.
    QRect Area() const { return chart_->axisRect()->rect(); }

private:
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
    Key current() const {
        return {Area(), chart_->xAxis->range(), chart_->yAxis->range(), chart_->yAxis2->range(),
                chart_->yAxis->scaleType(), chart_->yAxis2->scaleType(), chart_->devicePixelRatioF(), generation_};
    }
    bool upToDate() const { return valid_ && key_ == current(); }
    void drawAll();
    // Pixel positions along one axis, in the picture (whose corner is the plot area's): a
    // straight line for a linear axis, the axis's own rule for a logarithmic one.
    struct AxisMap {
        const QCPAxis* axis;
        bool linear;
        double shift, origin, scale, lower;
        AxisMap(const QCPAxis* a, double corner)
            : axis(a), linear(a->scaleType() == QCPAxis::stLinear && !a->rangeReversed()), shift(corner),
              origin((a->orientation() == Qt::Horizontal ? a->axisRect()->left() : a->axisRect()->bottom()) - corner),
              scale((a->orientation() == Qt::Horizontal ? a->axisRect()->width() : -a->axisRect()->height()) /
                    a->range().size()),
              lower(a->range().lower) {}
        double operator()(double v) const {
            return ClampPixel(linear ? origin + (v - lower) * scale : axis->coordToPixel(v) - shift);
        }
    };
    struct Maps {
        AxisMap x, y[kGroups];
    };
    Maps maps() const {
        const QPoint corner = key_.rect.topLeft();
        return {AxisMap(chart_->xAxis, corner.x()),
                {AxisMap(chart_->yAxis, corner.y()), AxisMap(chart_->yAxis2, corner.y())}};
    }
    // The picture's own pixel of point p.
    QPointF pixel(const Maps& m, int group, const double* xs, const double* values, int32_t p) const {
        return QPointF(m.x(xs[p - 1]), m.y[group - 1](values[p - 1])) * key_.ratio;
    }
    bool drawable(int32_t p, const double* values) const {
        return std::isfinite(chart_->Data().XData()[p - 1]) && std::isfinite(values[p - 1]);
    }

    StripChart* chart_;
    QImage picture_;
    Key key_;
    bool valid_ = false;
    quint64 generation_ = 0;
};

void StripTraces::drawAll() {
    key_ = current();
    const QSize size = key_.rect.size() * key_.ratio;
    if (picture_.size() != size) picture_ = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    picture_.setDevicePixelRatio(key_.ratio);
    picture_.fill(Qt::transparent);
    valid_ = true;

    const StripChartModel& m = chart_->Data();
    const Maps map = maps();
    const Pixels pixels(picture_);
    for (int g = 1; g <= kGroups; ++g) {
        for (int s = 1; s <= kSeries; ++s) {
            if (!chart_->SeriesShown(g, s)) continue;
            const QRgb colour = SeriesPen(g, s).color().rgba();
            const double* values = m.YData(g, s);
            bool previous = false;  // the point before is drawable
            QPointF from;
            for (int32_t p = 1; p <= m.LastPoint(); ++p) {
                const bool here = drawable(p, values);
                if (here) {
                    const QPointF to = pixel(map, g, m.XData(), values, p);
                    if (previous) PlotLine(pixels, from, to, colour);
                    from = to;
                }
                previous = here;
            }
        }
    }
}

void StripTraces::AddPoint(int32_t p) {
    if (p < 2 || !upToDate()) return;
    const StripChartModel& m = chart_->Data();
    const Maps map = maps();
    const Pixels pixels(picture_);
    for (int g = 1; g <= kGroups; ++g) {
        for (int s = 1; s <= kSeries; ++s) {
            const double* values = m.YData(g, s);
            if (!chart_->SeriesShown(g, s) || !drawable(p - 1, values) || !drawable(p, values)) continue;
            PlotLine(pixels, pixel(map, g, m.XData(), values, p - 1), pixel(map, g, m.XData(), values, p),
                     SeriesPen(g, s).color().rgba());
        }
    }
}

void StripTraces::Paint(QPainter& painter) {
    if (!upToDate()) drawAll();
    painter.drawImage(key_.rect.topLeft(), picture_);
}

StripChart::StripChart(QWidget* parent) : QCustomPlot(parent) {
    setObjectName(QStringLiteral("moGraph"));
    setNotAntialiasedElements(QCP::aeAll);
    setPlottingHint(QCP::phCacheLabels, true);
    // The series are drawn over all of QCustomPlot's layers, which then share one surface.
    layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmLogical);
    traces_ = std::make_unique<StripTraces>(this);

    // Empty graphs carry the legend's entries: their names and pens.
    for (int g = 1; g <= kGroups; ++g) {
        for (int s = 1; s <= kSeries; ++s) {
            QCPGraph* key = addGraph(xAxis, g == 1 ? yAxis : yAxis2);
            key->setPen(SeriesPen(g, s));
            key->removeFromLegend();
            legendKeys_[g - 1][s - 1] = key;
        }
    }
    // The legend stands in a row of its own above the plot area, clear of the series.
    legend->setVisible(true);
    legend->setFont(font());
    legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    legend->setWrap(8);
    legend->setBorderPen(Qt::NoPen);
    axisRect()->insetLayout()->take(legend);
    plotLayout()->insertRow(0);
    plotLayout()->addElement(0, 0, legend);
    plotLayout()->setRowStretchFactor(0, 0.001);
    yAxis2->setVisible(false);
    xAxis->setRange(model_.XMin(), model_.XMax());
}

StripChart::~StripChart() = default;

void StripChart::paintEvent(QPaintEvent* event) {
    QCustomPlot::paintEvent(event);
    QPainter painter(this);
    painter.setClipRect(traces_->Area());
    traces_->Paint(painter);
}

QCPAxis* StripChart::axisOf(Axis axis) const {
    switch (axis) {
    case X: return xAxis;
    case Y: return yAxis;
    case Y2: return yAxis2;
    }
    throw RuntimeError::InvalidCall();
}

void StripChart::changed() {
    if (batch_ > 0) pending_ = true;
    else replot(rpQueuedReplot);
}

void StripChart::BeginUpdate() { ++batch_; }

void StripChart::EndUpdate() {
    if (batch_ > 0 && --batch_ == 0 && pending_) {
        pending_ = false;
        replot(rpQueuedReplot);
    }
}

void StripChart::DrawReading(const StripChartModel::Plot& plot) {
    if (!plot.added) return;
    if (plot.axisMoved) {
        // New time labels and grid lines: everything is drawn again.
        xAxis->setRange(model_.XMin(), model_.XMax());
        traces_->Invalidate();
        changed();
        return;
    }
    // Shifted points change the series alone, a new point adds its line pieces.
    if (plot.shifted) traces_->Invalidate();
    else traces_->AddPoint(model_.LastPoint());
    // A drawing of the whole chart that is already due shows them as well.
    if (batch_ > 0 || pending_ || mReplotQueued) return;
    update(traces_->Area());
}

void StripChart::Redraw() {
    xAxis->setRange(model_.XMin(), model_.XMax());
    traces_->Invalidate();
    changed();
}

void StripChart::SetSeriesLabel(int group, int series, const QString& text) {
    CheckSeries(group, series);
    legendKeys_[group - 1][series - 1]->setName(text);
    changed();
}

QString StripChart::SeriesLabel(int group, int series) const {
    CheckSeries(group, series);
    return legendKeys_[group - 1][series - 1]->name();
}

void StripChart::SetSeriesShown(int group, int series, bool shown) {
    CheckSeries(group, series);
    bool& flag = shown_[group - 1][series - 1];
    if (flag == shown) return;
    flag = shown;
    if (shown) legendKeys_[group - 1][series - 1]->addToLegend();
    else legendKeys_[group - 1][series - 1]->removeFromLegend();
    traces_->Invalidate();
    changed();
}

bool StripChart::SeriesShown(int group, int series) const {
    CheckSeries(group, series);
    return shown_[group - 1][series - 1];
}

void StripChart::SetAxisTitle(Axis axis, const QString& title) {
    axisOf(axis)->setLabel(title);
    changed();
}

QString StripChart::AxisTitle(Axis axis) const { return axisOf(axis)->label(); }

void StripChart::SetAxisRange(Axis axis, double min, double max) {
    if (axis == X) model_.SetXRange(min, max);
    axisOf(axis)->setRange(min, max);
    applyTicker(axis);
    changed();
}

double StripChart::AxisMin(Axis axis) const { return axis == X ? model_.XMin() : axisOf(axis)->range().lower; }
double StripChart::AxisMax(Axis axis) const { return axis == X ? model_.XMax() : axisOf(axis)->range().upper; }

void StripChart::SetAxisLogarithmic(Axis axis, bool on) {
    axisOf(axis)->setScaleType(on ? QCPAxis::stLogarithmic : QCPAxis::stLinear);
    applyTicker(axis);
    changed();
}

bool StripChart::AxisLogarithmic(Axis axis) const { return axisOf(axis)->scaleType() == QCPAxis::stLogarithmic; }

void StripChart::SetAxisShowing(Axis axis, bool on) {
    QCPAxis* a = axisOf(axis);
    a->setVisible(on);
    a->setTickLabels(on);
    changed();
}

bool StripChart::AxisShowing(Axis axis) const { return axisOf(axis)->visible(); }

void StripChart::SetAxisScientific(Axis axis, bool on) {
    QCPAxis* a = axisOf(axis);
    a->setNumberFormat(on ? QStringLiteral("eb") : QStringLiteral("gbd"));
    a->setNumberPrecision(on ? 2 : 6);
    changed();
}

bool StripChart::AxisScientific(Axis axis) const { return axisOf(axis)->numberFormat().startsWith(QLatin1Char('e')); }

void StripChart::SetAxisSpacing(Axis axis, double spacing) {
    spacing_[axis] = spacing;
    applyTicker(axis);
    changed();
}

double StripChart::AxisSpacing(Axis axis) const { return spacing_[axis]; }

// A log axis has its decades; a linear one the spacing set, unless that would crowd the
// axis with labels or give none, when the chart chooses.
void StripChart::applyTicker(Axis axis) {
    QCPAxis* a = axisOf(axis);
    const double spacing = spacing_[axis];
    const double span = a->range().size();
    if (a->scaleType() == QCPAxis::stLogarithmic) {
        if (!a->ticker().dynamicCast<QCPAxisTickerLog>()) a->setTicker(QSharedPointer<QCPAxisTickerLog>::create());
    } else if (spacing > 0 && std::isfinite(spacing) && span / spacing <= 50) {
        auto fixed = a->ticker().dynamicCast<QCPAxisTickerFixed>();
        if (!fixed) {
            fixed = QSharedPointer<QCPAxisTickerFixed>::create();
            fixed->setScaleStrategy(QCPAxisTickerFixed::ssNone);
            a->setTicker(fixed);
        }
        fixed->setTickStep(spacing);
    } else if (a->ticker().dynamicCast<QCPAxisTickerFixed>() || a->ticker().dynamicCast<QCPAxisTickerLog>()) {
        a->setTicker(QSharedPointer<QCPAxisTicker>::create());
    }
}

bool StripChart::PrintChart() {
    QPrinter printer(QPrinter::HighResolution);
    if (!ChoosePrinter(printer, window())) return false;
    if (!PrintPicture(printer, grab())) throw RuntimeError(482, QStringLiteral("Printer error"));
    return true;
}
