#pragma once
// The graph window's chart: two groups of eight series over one time axis, the left group
// against the "Y" axis and the right group against "Y2", drawn from the points of a
// StripChartModel. Axes, grid and legend are QCustomPlot's; the series are drawn by the
// chart itself into a picture of the plot area that keeps what is drawn, so a new reading
// only adds its line pieces, shifted points redraw the series alone, and the chart is
// drawn whole only when an axis or the window changes.
//
// Settings made between BeginUpdate and EndUpdate are drawn once, at the end.
#include "windows/StripChartModel.h"

#include <QString>
#include <memory>
#include <qcustomplot.h>

class StripAxisTicker;
class StripTraces;

class StripChart : public QCustomPlot {
    Q_OBJECT
public:
    enum Axis { X, Y, Y2 };

    explicit StripChart(QWidget* parent = nullptr);
    ~StripChart() override;

    // The points. After changing them, DrawReading (one reading) or Redraw (anything else)
    // brings the picture up to date.
    StripChartModel& Data() { return model_; }
    const StripChartModel& Data() const { return model_; }
    // Draws what one reading did: the new point's line pieces, or everything again when the
    // points shifted or the time axis moved.
    void DrawReading(const StripChartModel::Plot& plot);
    void Redraw();

    void BeginUpdate();
    void EndUpdate();
    bool IsBatched() const { return batch_ > 0; }

    // Series 1..8 of group 1 (left) or 2 (right): the legend text (without the blanks around
    // it) and whether it is drawn.
    void SetSeriesLabel(int group, int series, const QString& text);
    QString SeriesLabel(int group, int series) const;
    void SetSeriesShown(int group, int series, bool shown);
    bool SeriesShown(int group, int series) const;

    // The axes. The X range is the data's axis window.
    void SetAxisTitle(Axis axis, const QString& title);
    QString AxisTitle(Axis axis) const;
    void SetAxisRange(Axis axis, double min, double max);
    double AxisMin(Axis axis) const;
    double AxisMax(Axis axis) const;
    void SetAxisLogarithmic(Axis axis, bool on);
    bool AxisLogarithmic(Axis axis) const;
    void SetAxisShowing(Axis axis, bool on);
    bool AxisShowing(Axis axis) const;
    // Labels as x.xxEx (true) or plain numbers.
    void SetAxisScientific(Axis axis, bool on);
    bool AxisScientific(Axis axis) const;
    // Distance between labelled ticks (and grid lines) from the lower end; 0 or less: chosen
    // by the chart. Both ends of a Y axis are always labelled.
    void SetAxisSpacing(Axis axis, double spacing);
    double AxisSpacing(Axis axis) const;

    // Prints the chart on a printer the user chooses; false when cancelled. A printer that
    // cannot be started is run-time error 482.
    bool PrintChart();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QCPAxis* axisOf(Axis axis) const;
    void applyTicker(Axis axis);
    // Draws the chart again now, or at the end of the update batch.
    void changed();

    StripChartModel model_;
    std::unique_ptr<StripTraces> traces_;
    QCPGraph* legendKeys_[StripChartModel::kGroups][StripChartModel::kSeries] = {};
    bool shown_[StripChartModel::kGroups][StripChartModel::kSeries] = {};
    double spacing_[3] = {};
    QSharedPointer<StripAxisTicker> tickers_[3];
    int batch_ = 0;
    bool pending_ = false;
};
