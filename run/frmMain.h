#pragma once
// The main window: run buttons, channel and sensor panels, readings, graphs and the
// controller-unit poll. One instance, gMainForm, shown by the start-up sequence.
//
// The window's members live in files by concern (frmMain_<concern>.cpp); the constructor
// builds nothing heavy, so the window's logic runs in tests without showing it.
#include "app/Globals.h"
#include "platform/BoundedArray.h"
#include "qcm/QCMReadings.h"

#include <QString>
#include <QWidget>
#include <cstdint>

class QAction;
class QLabel;
class QPushButton;
class QRadioButton;
class TarselGrid;

class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // ---- Elapsed times, kept by the display refresh ----
    // Seconds since the running process (the current layer) started; 0 without a start.
    float RunElapsed() const { return RunElapsed_; }
    void setRunElapsed(float seconds) { RunElapsed_ = seconds; }
    float LayerElapsed() const { return LayerElapsed_; }
    void setLayerElapsed(float seconds) { LayerElapsed_ = seconds; }
    // The elapsed process (layer) time as "hh:mm:ss": "00:00:00" up to 0 seconds,
    // "23:59:59" from 86399 seconds on.
    QString ProcessTime() const;
    QString LayerTime() const;

    // ---- File menu (frmMain_FileMenu.cpp) ----
    // Open: asks for a recipe database and loads it (a cancelled dialog loads the open
    // one again), then selects process 1.
    void mnuFileOpen_Click();
    // Save As: asks for a file name and saves the open database under it.
    void mnuFileSaveAS_Click();

    // ---- Display refresh ----
    // Refreshes the channel values at most once per MeterDamping seconds.
    void UpdateForm();

    // ---- Channel intake ----
    // Handlers of the quartz facade's readings: quartz monitors feed the channels whose
    // film measures with them (input types 1..4), the card's analog inputs those with
    // input types 5..8. Neither runs a control tick.
    void QCMEvent_QCMReading(QCMReadingArray& R, double t);
    void QCMEvent_VeskReading(VeskReadingArray& v, double x);
    // Stores one reading of channel 0..7 and derives the channel's user-unit rate and
    // power from it.
    void SaveReading(int16_t ch, double x);
    // The channel's error test at each refresh of its values; on an error every relay
    // assigned "Channel Error" is switched on.
    bool CheckChanRelays(int16_t ch);

    // Start of each channel's control-error span (timer seconds): the deviation has been
    // beyond the film's limit since then. Renewed while the deviation is within the limit,
    // on entry to DEPOSIT and when manual power is switched off.
    BoundedArray<double, 0, 7> ChanErrorSince;

    // ---- Controls that the application state drives ----
    // The status label (gApp.StatusMsg sets its text and colour).
    QLabel* lblStatus = nullptr;
    // The graph menu entries 0..3: captioned with each selected process's graph titles,
    // checked while the graph window is shown.
    BoundedArray<QAction*, 0, 3> mnuViewGraph;
    // The run buttons: 0 START/STOP, 1 NEXT, 2 RESET.
    BoundedArray<QPushButton*, 0, 2> cmdFunc;

    // ---- Reached by the layer and film editor (frmMain_EditorLinks.cpp) ----
    // The channel edit buttons 0..7; null until the channel panel makes them.
    BoundedArray<QRadioButton*, 0, 7> optChEdit;
    // The View menu's handlers: process view (0), ratio view (1), readings view (2).
    void mnuViewProcess_Click();
    void mnuViewRatio_Click();
    void mnuViewRaw_Click();
    // Rebuilds the Open Process submenu from the processes that have layers; the process
    // tree window calls it after it chose the active process.
    void BuildProcessMenu();

    // ---- Controls ----
    // The quartz monitors' readings (rows 0..3, columns 0..4 "Rate", "Thick", "Zero",
    // "Frequency", "Life %") and the card's analog inputs (rows 0..3, column 0).
    TarselGrid* grdQCM = nullptr;
    TarselGrid* grdVesk = nullptr;

private:
    // ---- The application state's events (frmMain_AppEvents.cpp) ----
    // Connects the handlers below to gApp, when it exists, as the window is made.
    void BindAppEvents();
    void ApEvent_GraphSettingsChange(int16_t nProcess);
    void ApEvent_ShowGraphChange(int16_t Index, bool State);
    void ApEvent_StatusMsgChange(int16_t nMsgNum);
    void ApEvent_RunStartRequest();

    void CreateAppControls();
    void CreateReadingGrids();
    void ShowQCMReadings(QCMReadingArray& R);
    void ShowVeskReadings(VeskReadingArray& v);

    float RunElapsed_ = 0.0f;
    float LayerElapsed_ = 0.0f;
    // Successive failed-crystal readings of each quartz monitor, 0..5.
    BoundedArray<int32_t, 0, 3> QCMFailCount_;
};
