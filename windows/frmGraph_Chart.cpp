// The graph window's chart: starting it from the graph record, plotting readings and
// changing its X unit.
#include "windows/frmGraph.h"

#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "data/FilmRec.h"
#include "data/GraphRec.h"
#include "windows/StripChart.h"

#include <cmath>

namespace {

QString XTitle(int32_t units) {
    switch (units) {
    case 1: return QStringLiteral("Time (Min.)");
    case 2: return QStringLiteral("Time (Hr.)");
    default: return QStringLiteral("Time (Sec.)");
    }
}

bool Bit(int16_t word, int bit) { return (word & (1 << bit)) != 0; }

// A Y axis from the record's texts: the limits are the leading numbers of the texts, the
// labels five divisions apart.
void ApplyYAxis(StripChart& chart, StripChart::Axis axis, const QString& units, const QString& minText,
                const QString& maxText, int32_t log, int32_t exp) {
    const double min = vb::Val(minText), max = vb::Val(maxText);
    chart.SetAxisTitle(axis, units);
    chart.SetAxisLogarithmic(axis, log != 0);
    chart.SetAxisRange(axis, min, max);
    chart.SetAxisScientific(axis, exp == 9);
    chart.SetAxisSpacing(axis, std::fabs(min - max) * 0.2);
}

// Ends the chart's update batch on every way out.
struct UpdateBatch {
    explicit UpdateBatch(StripChart& c) : chart(c) { chart.BeginUpdate(); }
    ~UpdateBatch() { chart.EndUpdate(); }
    StripChart& chart;
};

}  // namespace

void frmGraph::GraphInit() {
    ORUN_PROC("frmGraph_GraphInit");
    try {
        const GraphRec& rec = gGraph(miIndex);
        StripChart& chart = *moGraph;
        UpdateBatch batch(chart);
        const bool advanced = rec.Advanced == 1;
        const bool sensor = rec.Data == GraphDataKind::Sensor;
        if (advanced) chart.Data().Clear();
        else chart.Data().SetNumPoints(rec.XPoints);

        // A channel is drawn in a group when it is chosen, belongs on that group's axis
        // (the Sensor kind draws every chosen channel on both) and deposits a film now.
        bool anyRight = false;
        for (int c = 0; c < StripChartModel::kSeries; ++c) {
            const int16_t film = gApp ? gApp->ChanFilm(static_cast<int16_t>(c)) : 0;
            const QString name = film >= 1 ? gFilm(film).Film_Name.text() : QString();
            const bool chosen = Bit(rec.Channels, c) && film >= 1;
            const bool left = chosen && (!Bit(rec.ChanAxis, c) || sensor);
            const bool right = chosen && (Bit(rec.ChanAxis, c) || sensor);
            chart.SetSeriesLabel(1, c + 1, left ? name : QString());
            chart.SetSeriesShown(1, c + 1, left);
            chart.SetSeriesLabel(2, c + 1, right ? (sensor ? QStringLiteral("Gas") : name) : QString());
            chart.SetSeriesShown(2, c + 1, right);
            anyRight = anyRight || right;
        }

        if (!advanced) {
            ApplyYAxis(chart, StripChart::Y, rec.Y1Units, rec.Y1Min, rec.Y1Max, rec.Y1Log, rec.Y1Exp);
            ApplyYAxis(chart, StripChart::Y2, rec.Y2Units, rec.Y2Min, rec.Y2Max, rec.Y2Log, rec.Y2Exp);
            chart.SetAxisShowing(StripChart::Y2, sensor || anyRight);
            GraphXScale(rec.XUnits);
            chart.SetAxisRange(StripChart::X, 0, rec.XWidth);
        }
        chart.SetAxisTitle(StripChart::X, XTitle(rec.XUnits));
        chart.Redraw();
    } catch (...) {
        gErr.HandleError();
    }
}

void frmGraph::GraphReading(double Time, std::span<const double> Readings) {
    ORUN_PROC("frmGraph_GraphReading");
    try {
        moGraph->DrawReading(moGraph->Data().Reading(Time, Readings, gGraph(miIndex)));
    } catch (...) {
        gErr.HandleError();
    }
}

void frmGraph::GraphXScale(int32_t NewUnits) {
    ORUN_PROC("frmGraph_GraphXScale");
    try {
        GraphRec& rec = gGraph(miIndex);
        moGraph->Data().ConvertX(rec.XUnits, NewUnits);
        rec.XUnits = NewUnits;
        moGraph->SetAxisTitle(StripChart::X, XTitle(NewUnits));
        moGraph->Redraw();
    } catch (...) {
        gErr.HandleError();
    }
}
