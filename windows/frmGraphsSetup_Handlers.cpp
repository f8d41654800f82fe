// The graph setup window's handlers: each change goes into the record at once and, where
// the open chart has a counterpart, into the chart; typed limits are checked on leaving
// their box.
#include "windows/frmGraphsSetup.h"

#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modBitOps.h"
#include "app/modFormUtil.h"
#include "data/FilmRec.h"
#include "data/GraphRec.h"
#include "data/modDB.h"
#include "platform/AppInfo.h"
#include "platform/Dialogs.h"
#include "platform/HtmlHelp.h"
#include "windows/StripChart.h"
#include "windows/frmGraph.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <cmath>

namespace {

constexpr int kHelpContext = 120;
constexpr int kChartHelpContext = 153;

StripChart::Axis YAxis(int Index) { return Index == 0 ? StripChart::Y : StripChart::Y2; }

// Each Y axis field of the record by axis 0 (left) or 1 (right).
QString& YUnits(GraphRec& r, int i) { return i == 0 ? r.Y1Units : r.Y2Units; }
QString& YMin(GraphRec& r, int i) { return i == 0 ? r.Y1Min : r.Y2Min; }
QString& YMax(GraphRec& r, int i) { return i == 0 ? r.Y1Max : r.Y2Max; }
int32_t& YLog(GraphRec& r, int i) { return i == 0 ? r.Y1Log : r.Y2Log; }
int32_t& YExp(GraphRec& r, int i) { return i == 0 ? r.Y1Exp : r.Y2Exp; }

// A box whose text reads as no number shows "0"; the number it reads.
double ReadNumberBox(QLineEdit* box) {
    const double value = vb::Val(box->text());
    if (value == 0) box->setText(QStringLiteral("0"));
    return value;
}

// Puts the record's value back into a refused box, which keeps the focus.
void Refuse(QLineEdit* box, const QString& message, int32_t stored) {
    MsgBox(message);
    box->setText(vb::CStr(static_cast<int>(stored)));
    box->setFocus();
}

}  // namespace

void frmGraphsSetup::chkOnTop_Click() {
    GraphRec& rec = gGraph(miGraphNum);
    if (!mbLoading) rec.OnTop = chkOnTop->isChecked() ? 1 : 0;
    if (frmGraph* graph = Graph()) modFormUtil::FormOnTop(graph, rec.OnTop != 0);
}

void frmGraphsSetup::txtCaption_Change() {
    if (mbLoading) return;
    if (frmGraph* graph = Graph()) graph->setWindowTitle(txtCaption->text());
}

void frmGraphsSetup::txtCaption_LostFocus() {
    if (txtCaption->text().isEmpty()) txtCaption->setText(QStringLiteral(" "));
    gGraph(miGraphNum).Caption = txtCaption->text();
}

void frmGraphsSetup::cboData_Click() {
    if (mbLoading) return;
    ORUN_PROC("frmGraphsSetup_cboData");
    try {
        if (cboData->currentIndex() < 0) return;
        gGraph(miGraphNum).Data = cboData->currentData().toInt();
        InitForm(miGraphNum);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmGraphsSetup::chkChan_Click(int Index) {
    if (mbLoading) return;
    int16_t& channels = gGraph(miGraphNum).Channels;
    const bool on = chkChan(Index)->isChecked();
    if (on) modBitOps::BitSetInteger(channels, static_cast<uint8_t>(Index));
    else modBitOps::BitClearInteger(channels, static_cast<uint8_t>(Index));
    // The left group follows at once; the right one at the graph's next start.
    frmGraph* graph = Graph();
    if (!graph) return;
    const int16_t film = gApp ? gApp->ChanFilm(static_cast<int16_t>(Index)) : 0;
    const bool shown = on && film > 0;
    graph->moGraph->SetSeriesLabel(1, Index + 1, shown ? gFilm(film).Film_Name.text() : QString());
    graph->moGraph->SetSeriesShown(1, Index + 1, shown);
}

void frmGraphsSetup::optLeft_Click(int Index) {
    modBitOps::BitClearInteger(gGraph(miGraphNum).ChanAxis, static_cast<uint8_t>(Index));
}

void frmGraphsSetup::optRight_Click(int Index) {
    modBitOps::BitSetInteger(gGraph(miGraphNum).ChanAxis, static_cast<uint8_t>(Index));
    if (frmGraph* graph = Graph()) graph->moGraph->SetAxisShowing(StripChart::Y2, true);
}

void frmGraphsSetup::chkAdvanced_Click() {
    const bool advanced = chkAdvanced->isChecked();
    if (!mbLoading) gGraph(miGraphNum).Advanced = advanced ? 1 : 0;
    fraYAxis(0)->setEnabled(!advanced);
    fraYAxis(1)->setEnabled(!advanced);
    fraXAxis->setEnabled(!advanced);
}

// The X unit is the process's: every open graph converts its points and records it; a
// graph that is not open keeps its stored unit.
void frmGraphsSetup::cboXUnits_Click() {
    if (mbLoading) return;
    ORUN_PROC("frmGraphsSetup_cboXUnits");
    try {
        const int units = cboXUnits->currentIndex();
        if (units < 0) return;
        for (int16_t g = 0; g <= 3; ++g)
            if (gApp && gApp->ShowGraph(g) && gGraphForm(g)) gGraphForm(g)->GraphXScale(units);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmGraphsSetup::cboXScroll_Click() {
    if (mbLoading) return;
    ORUN_PROC("frmGraphsSetup_cboXScroll");
    try {
        const int scroll = cboXScroll->currentIndex();
        if (scroll < 0) return;
        for (GraphRec& rec : gGraph) rec.XScroll = scroll;
    } catch (...) {
        gErr.HandleError();
    }
}

void frmGraphsSetup::txtYUnits_Change(int Index) {
    if (mbLoading) return;
    if (frmGraph* graph = Graph()) graph->moGraph->SetAxisTitle(YAxis(Index), txtYUnits(Index)->text());
}

void frmGraphsSetup::txtYUnits_LostFocus(int Index) {
    if (txtYUnits(Index)->text().isEmpty()) txtYUnits(Index)->setText(QStringLiteral(" "));
    YUnits(gGraph(miGraphNum), Index) = txtYUnits(Index)->text();
}

// A log axis cannot start at 0 or below: the minimum becomes 0.1 first.
void frmGraphsSetup::chkLogY_Click(int Index) {
    if (mbLoading) return;
    GraphRec& rec = gGraph(miGraphNum);
    frmGraph* graph = Graph();
    const bool on = chkLogY(Index)->isChecked();
    if (vb::Val(txtYMin(Index)->text()) <= 0) {
        txtYMin(Index)->setText(QStringLiteral("0.1"));
        YMin(rec, Index) = QStringLiteral("0.1");
        if (graph)
            graph->moGraph->SetAxisRange(YAxis(Index), 0.1, graph->moGraph->AxisMax(YAxis(Index)));
    }
    YLog(rec, Index) = on ? 1 : 0;
    if (graph) graph->moGraph->SetAxisLogarithmic(YAxis(Index), on);
}

void frmGraphsSetup::chkScientific_Click(int Index) {
    if (mbLoading) return;
    const bool on = chkScientific(Index)->isChecked();
    YExp(gGraph(miGraphNum), Index) = on ? 9 : 1;
    if (frmGraph* graph = Graph()) graph->moGraph->SetAxisScientific(YAxis(Index), on);
}

bool frmGraphsSetup::ValidateXAxis() {
    ORUN_PROC("frmGraphsSetup_ValidateXAxis");
    try {
        const double value = ReadNumberBox(txtXAxis);
        if (value <= 0) {
            Refuse(txtXAxis, QStringLiteral("X Axis Range must be greater than zero."), gGraph(miGraphNum).XWidth);
            return false;
        }
        if (value >= 100000) {
            Refuse(txtXAxis, QStringLiteral("X Axis Range must be less than 100000."), gGraph(miGraphNum).XWidth);
            return false;
        }
        const int32_t width = vb::CLng(value);
        for (int16_t g = 0; g <= 3; ++g) {
            gGraph(g).XWidth = width;
            if (gApp && gApp->ShowGraph(g) && gGraphForm(g)) {
                StripChart& chart = *gGraphForm(g)->moGraph;
                chart.SetAxisRange(StripChart::X, chart.AxisMin(StripChart::X), chart.AxisMin(StripChart::X) + width);
            }
        }
        return true;
    } catch (...) {
        gErr.HandleError();
    }
    return false;
}

// The open charts keep their point count until their next start.
bool frmGraphsSetup::ValidatePoints() {
    ORUN_PROC("frmGraphsSetup_ValidatePoints");
    try {
        const double value = ReadNumberBox(txtPoints);
        if (value > 10) {
            const int32_t points = vb::CLng(value);
            for (GraphRec& rec : gGraph) rec.XPoints = points;
            return true;
        }
        Refuse(txtPoints, QStringLiteral("Number of data points must be greater than ten."), gGraph(miGraphNum).XPoints);
    } catch (...) {
        gErr.HandleError();
    }
    return false;
}

// Y limits are kept as typed, in either order; the open chart shows them at once.
void frmGraphsSetup::ValidateYAxis(int Index) {
    ORUN_PROC("frmGraphsSetup_ValidateYAxis_Index_");
    try {
        ReadNumberBox(txtYMin(Index));
        ReadNumberBox(txtYMax(Index));
        GraphRec& rec = gGraph(miGraphNum);
        YMin(rec, Index) = txtYMin(Index)->text();
        YMax(rec, Index) = txtYMax(Index)->text();
        frmGraph* graph = Graph();
        if (!graph) return;
        const double min = vb::Val(YMin(rec, Index)), max = vb::Val(YMax(rec, Index));
        graph->moGraph->SetAxisRange(YAxis(Index), min, max);
        graph->moGraph->SetAxisSpacing(YAxis(Index), std::fabs(max - min) * 0.2);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmGraphsSetup::cmdHelp_Click() {
    if (gGraph(miGraphNum).Advanced < 1) HtmlHelp(App().HelpFile, HH_HELP_CONTEXT, kHelpContext);
    else HtmlHelp(QStringLiteral("OLCH2D-U.chm"), HH_HELP_CONTEXT, kChartHelpContext);
}

void frmGraphsSetup::Form_KeyDown_F1() { HtmlHelp(App().HelpFile, HH_HELP_CONTEXT, kHelpContext); }

void frmGraphsSetup::cmdClose_Click() { modFormUtil::Unload(this); }

void frmGraphsSetup::Form_Unload() {
    if (gApp) modDB::GraphSave(gApp->ProcNum());
}
