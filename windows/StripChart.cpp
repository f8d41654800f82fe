#include "windows/StripChart.h"

#include "platform/Printing.h"
#include "platform/RuntimeError.h"
#include "windows/StripAxisTicker.h"
#include "windows/StripTraces.h"

#include <QPainter>
#include <QPrinter>
#include <cmath>

namespace {

constexpr int kGroups = StripChartModel::kGroups;
constexpr int kSeries = StripChartModel::kSeries;

void CheckSeries(int group, int series) {
    if (group < 1 || group > kGroups || series < 1 || series > kSeries) throw RuntimeError::SubscriptOutOfRange();
}

}  // namespace

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
            key->setPen(QPen(StripSeriesColour(g, s), 1.0));
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
    // The operator reads the limits of the Y axes from their labelled ends.
    for (Axis axis : {X, Y, Y2}) {
        tickers_[axis] = QSharedPointer<StripAxisTicker>::create(axis != X);
        axisOf(axis)->setTicker(tickers_[axis]);
    }
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
    // Shifted points change the series alone, a new point adds its line pieces, and only
    // where they are is painted again.
    QRect dirty = traces_->Area();
    if (plot.shifted) traces_->Invalidate();
    else dirty = traces_->AddPoint(model_.LastPoint());
    // A drawing of the whole chart that is already due shows them as well.
    if (batch_ > 0 || pending_ || mReplotQueued || dirty.isEmpty()) return;
    update(dirty);
}

void StripChart::Redraw() {
    xAxis->setRange(model_.XMin(), model_.XMax());
    traces_->Invalidate();
    changed();
}

// Film names come padded to their stored width; the legend shows the name alone.
void StripChart::SetSeriesLabel(int group, int series, const QString& text) {
    CheckSeries(group, series);
    legendKeys_[group - 1][series - 1]->setName(text.trimmed());
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
    tickers_[axis]->SetRule(axisOf(axis)->scaleType() == QCPAxis::stLogarithmic, spacing_[axis]);
}

bool StripChart::PrintChart() {
    QPrinter printer(QPrinter::HighResolution);
    if (!ChoosePrinter(printer, window())) return false;
    if (!PrintPicture(printer, grab())) throw RuntimeError(482, QStringLiteral("Printer error"));
    return true;
}
