#pragma once
// A graph window: the strip chart of one graph record gGraph(Index) of the active
// process. Up to four are open at once, one per record, held in gGraphForm and opened and
// closed by gApp->setShowGraph. The main window feeds every open graph one set of values
// per reading (GraphReading); START LAYER starts each chart afresh (GraphInit); the graph
// setup window changes the chart while it is open.
//
// The chart (moGraph) draws the channels' values against the seconds since the layer
// started, in the record's X unit: channels on the left axis in group 1, on the right axis
// in group 2 (the Sensor kind draws flux left and gas right).
#include "platform/BoundedArray.h"

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <span>

class QAction;
class QMenuBar;
class StripChart;

class frmGraph : public QWidget {
    Q_OBJECT
public:
    explicit frmGraph(QWidget* parent = nullptr);
    ~frmGraph() override;

    // ---- Public members, called by the other windows and gApp ----
    // Plots one reading Time seconds after the layer started. Readings holds a value per
    // channel, or 16 values for the Sensor kind (flux 0..7, gas 8..15). While paused, or
    // sooner than one point spacing after the last point, the reading is dropped.
    void GraphReading(double Time, std::span<const double> Readings);
    // Converts the points shown and the X title to another X unit (0 s, 1 min, 2 h) and
    // stores the unit in the graph record; the axis limits stay.
    void GraphXScale(int32_t NewUnits);
    // Empties the chart and applies the graph record: series, labels, points and axes
    // (with Advanced = 1 the chart keeps its own point count and axes).
    void GraphInit();
    // Binds the window to graph record Index (0..3) and shows it.
    void ShowGraph(int16_t Index);
    // Closes the window as the program does (its "Visible" setting stays).
    void Unload();

    int16_t Index() const { return miIndex; }

    // ---- Controls ----
    StripChart* moGraph = nullptr;
    QMenuBar* menuBar = nullptr;
    QAction* mnuRunHold = nullptr;
    QAction* mnuEdit = nullptr;
    QAction* mnuPrint = nullptr;
    QAction* mnuHelp = nullptr;
    QAction* mnuClose = nullptr;

    // ---- Event handlers ----
    void mnuRunHold_Click();
    void mnuEdit_Click();
    void mnuPrint_Click();
    void mnuHelp_Click();
    void mnuClose_Click();
    // UnloadMode 0: closed from the window's close box; 1: by the program.
    void Form_QueryUnload(int& Cancel, int UnloadMode);
    void Form_Unload();

    // The graph windows' part of the application state's events, connected when gApp is
    // made: window Index opens (a new one, unless it is open) or is unloaded, and at the
    // start of a layer every open window rebuilds its chart.
    static void ApEvent_ShowGraphChange(int16_t Index, bool State);
    static void ApEvent_GraphRestart();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QString Section() const;

    int16_t miIndex = -1;
};

// The open graph windows, by graph record 0..3; null where none is open.
extern BoundedArray<QPointer<frmGraph>, 0, 3> gGraphForm;
