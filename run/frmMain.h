#pragma once
// The main window: run buttons, channel and sensor panels, readings, graphs and the
// controller-unit poll. One instance, gMainForm, shown by the start-up sequence.
//
// The window's members live in files by concern (frmMain_<concern>.cpp). The constructor
// only builds the controls, so the window's logic runs in tests without showing it; the
// load handling (Form_Load) runs once, when the window is first shown or when asked.
//
// Control arrays keep the original's indexes: cmdFunc(0..2), cmdSensor(0..3), lblGas(1)
// and lblGas(3), the channel rows 0..7, lblColumn(0..4, 7), lblProcess(0..2)...
#include "app/Globals.h"
#include "platform/BoundedArray.h"
#include "qcm/QCMReadings.h"

#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

class MSComm;
class QAbstractButton;
class RequestIntake;
class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;
class TarselGrid;
class Winsock;
class ccrpTimer;

template <typename T>
using PerChannelControls = BoundedArray<T*, 0, 7>;

// Timer value (seconds since midnight) of the last data-log row; 0 at start.
extern double gLastLogTime;

class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // ---- Start-up, poll timer and shutdown (frmMain_Load.cpp, frmMain_Close.cpp) ----
    // The load handling, in its fixed order; runs once (later calls do nothing).
    void Form_Load();
    // True from the start to the end of the load handling.
    bool Loading = false;
    // The poll tick: asks the unit for its sensors, digital inputs and a new reading.
    void RequestReadings_Timer();
    // The clock tick: time and date labels.
    void tmrDate_Timer();
    // A close request. UnloadMode 0 is the close box, anything else the program; Cancel set
    // to 1 keeps the window open. The first pass asks "Exit the ORUN program?"; the second,
    // 500 ms after Yes, shuts the program down.
    void Form_QueryUnload(int& Cancel, int UnloadMode);
    void tmrEnd_Timer();
    void Form_Unload();
    // The system asks the program to end (a termination signal): the plant's own decision,
    // so the exit is confirmed without asking, as Yes to the question confirms it, and no
    // box waits for an answer from then on (one open is closed unanswered); the second pass
    // follows 500 ms later. Once an exit is confirmed a request changes nothing.
    void EndForTheSystem();

    // ---- Link endpoints (frmMain_Endpoints.cpp) ----
    void msCommSftw_OnComm();
    void tcpControllerClient_DataArrival(int bytesTotal);
    void tcpProgramServer_ConnectionRequest(int requestID);
    void tcpProgramServer_DataArrival(int bytesTotal);
    void tcpProgramServer_Close();
    void tcpProgramServer_Error(int Number, const QString& Description);

    // ---- Replies of the unit (frmMain_Replies.cpp) ----
    void ORUNEvent_ORUNResponse(const QString& Response);
    void ORUNEvent_ORUNError(int ErrType, int ErrNum);
    // A command put on the wire to the unit: the rows show the powers it carries.
    void ORUNEvent_ORUNCommand(const QString& Command);
    // The link became slow, or is back at its pace: the status line says "SLOW LINK".
    void ORUNEvent_LinkPaceChange(bool slow);
    // The unit restarted: each output climbs from 0 at the rate of the film it serves.
    void ORUNEvent_UnitRestarted();
    // The link loses too many replies to control the plant: the run stops, told once.
    void ORUNEvent_LinkTooPoor(bool poor);
    // The readings come too far apart to control on: the run stops, told once.
    void CheckReadingPace();
    void StopForLink(const QString& reason);
    // Bodies of the last sensor and reading replies (reply without its first two and last
    // two characters).
    QString SensorReplyText;
    QString ReadingReplyText;

    // ---- Channel processing and sensor status (frmMain_ChanProc.cpp, ...) ----
    // Refreshes channel row Chan and applies the film's error action when it is in error.
    void UpdateChanProc(int16_t Chan);
    void ChanErrorMsg(int16_t Chan);
    void UpdateSensorStatus();
    void InputEvent();

    // ---- Panels (frmMain_Panels.cpp) ----
    // Number of channel rows shown; setting it lays the window out for the current view.
    int16_t FormSize() const { return FormSize_; }
    void setFormSize(int16_t nSize);
    void mnuViewProcess_Click();
    void mnuViewRatio_Click();
    void mnuViewRaw_Click();
    // The view after the present one (process, ratio, readings, process...): Ctrl+R here
    // and in the editor and setup windows.
    void NextView();
    void ShowChannels();
    void ShowSensors();
    void SetFormColors();

    // ---- Menus, grid clicks and hints (frmMain_Menus.cpp, frmMain_GridEvents.cpp) ----
    void BuildProcessMenu();
    void mnuViewGraph_Click(int Index);
    void mnuShowGraphs_Click();
    void mnuFileExit_Click();
    void grdChan_CellClick(int Row, int Col);
    void grdChan_CellOver(int Row, int Col);
    void grdQCM_CellClick(int Row, int Col);
    void grdQCM_CellOver(int Row, int Col);
    void grdSensor_CellOver(int Row, int Col);
    // A channel selector chosen: the layer editor shows that channel's layer.
    void optChEdit_Click(int Index);

    // ---- Operator keys (frmMain_Keys.cpp) ----
    // The window sees every key before its controls do. KeyCode is the key's code as the
    // original numbered keys (112 F1, 82 R); set to 0 it swallows the key. Shift is the
    // modifier set: 1 Shift, 2 Ctrl, 4 Alt.
    void Form_KeyDown(int16_t& KeyCode, int16_t Shift);
    void Form_KeyUp(int16_t& KeyCode, int16_t Shift);
    // The window minimised or restored: the other windows follow.
    void Form_Resize();
    // A click on the phase bar with Ctrl and Shift held opens the service window.
    void prgPhase_Click();

    // ---- Manual power boxes (frmMain_PowerBoxes.cpp) ----
    // The box of channel 0..7, shown while the channel's manual power is on: entering it
    // puts the channel's output under the unit's hand control; Enter or leaving it sends
    // the typed power.
    void txtPower_GotFocus(int16_t Index);
    void txtPower_LostFocus(int16_t Index);
    void txtPower_KeyPress(int16_t Index, int16_t& KeyAscii);
    // The channel refresh's power for the box of a channel in manual power, until the
    // operator types into it; the text stays selected while the box has the focus.
    void ShowPowerInBox(int16_t Chan, const QString& power);

    // ---- Application-state events (frmMain_AppEvents.cpp) ----
    void ApEvent_ProcessChange(int16_t nProcess);
    void ApEvent_LayerChange(int16_t nLayer);
    void ApEvent_PhaseChange(int16_t nPhase);
    // The run display from the records as they are now: the process, run and layer labels
    // and the channel rows' films and phases (no channel test, no readings). The editors
    // call it once they are closed (their changes may have renamed, cut or re-filmed what
    // the rows show) and the window itself when a run ends.
    void RefreshRunDisplay();
    // An output that left the running layer since the last look (the layer's output
    // changed, its row gone) goes to 0 unless another row drives it, and a row that went
    // closes its shutters; a new output takes its film's scale and limit. A change of step
    // or process only takes note. Run by every reading and by the layer editor's changes.
    void FollowOutputs();

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
    // Empties the process, layer and phase time labels and the phase bar (STOPPED).
    void ClearRunTimes();
    // Empties the layer and phase time labels and the phase bar: the layer shown is not
    // the one they timed.
    void ClearLayerTimes();
    // The process time stands still while a layer is stopped and goes on from there when
    // a layer starts again: the stop is not counted as if the run had gone on.
    void PauseRunTime();
    void ResumeRunTime();
    // Timer values at which the process run and the current layer started; 0 for none.
    float RunStartTime = 0.0f;
    float LayerStartTime = 0.0f;
    // Timer value at which the process time stopped (a layer stopped); 0 while it runs.
    float RunPausedAt = 0.0f;

    // ---- File menu (frmMain_FileMenu.cpp) ----
    // Open Process: makes the process of submenu item Index the active one and moves the
    // check mark to it; the active process chosen again changes nothing.
    void mnuFileProcess_Click(int16_t Index);
    // Open: asks for a recipe database and loads it (a cancelled dialog loads the open
    // one again), then rebuilds the process menu and selects process 1.
    void mnuFileOpen_Click();
    // Save As: asks for a file name and saves the open database under it; then rebuilds
    // the process menu and the caption.
    void mnuFileSaveAS_Click();
    // The data-log set-up window.
    void mnuFileLog_Click();
    // Prints a picture of the window on the page set-up's printer (the current one when
    // that is no longer installed) with its copies, duplex, orientation, paper and quality.
    void mnuFilePrint_Click();
    // The page set-up dialog; its choice serves the next Print Screen.
    void mnuFilePageSetup_Click();

    // ---- Edit and Help menus (frmMain_EditHelpMenus.cpp) ----
    // The process tree window, refused while a channel is under manual power.
    void mnuSetupProcess_Click();
    // The film editor: the open one restored, else a new one on the film its list shows.
    void mnuSetupFilm_Click();
    // The system setup window.
    void mnuSetupSystem_Click();
    // The program's help (context 10) and the About box.
    void mnuHelpHelp_Click();
    void mnuHelpAbout_Click();

    // ---- Display refresh (frmMain_UpdateForm.cpp, frmMain_ChanReadings.cpp) ----
    // Run once per reading: the labels, run buttons, sensor controls and menus on every
    // call; the channel rows (or the raw readings) and the open graphs at most once per
    // MeterDamping seconds; a data-log row at most once per LogInterval seconds while a
    // layer runs.
    void UpdateForm();
    // The raw readings grid from the unit's channel signals; with Debug 4 the readings
    // around a faulty one go to "RdgErrors.txt".
    void ShowChanReadings();

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

    // ---- Run buttons, data-log switch, emission and zero buttons, manual power
    //      (frmMain_RunButtons.cpp) ----
    // The click handlers; a press made from code runs them as a click does. With CtrlKey
    // on, each acts only while Ctrl is held (the data-log switch refuses silently, the
    // others show a tip).
    // 0 START/STOP, 1 next layer (after the last one the first), 2 back to layer 1 and
    // STOPPED; 1 and 2 act only while stopped. START is refused while the process editor
    // is open.
    void cmdFunc_Click(int16_t Index);
    // Logging on or off, with the log's start or end lines while a layer runs.
    void cmdDataLog_Click();
    // Emission of sensor 0..3 on or off, unless a digital input forces its state; with
    // Shift and gas calibration an emission sensor takes its gas sensor along.
    void cmdSensor_Click(int16_t Index);
    // Zeroes the channel's total and the quartz monitor of the same number; with Shift
    // every channel and every quartz monitor.
    void cmdZero_Click(int16_t Index);
    // The manual-power box of a channel as it now stands; with Shift every shown channel
    // takes its state. Refused while the process editor is open.
    void chkManPwr_Click(int16_t Index);
    // Manual power of a channel on or off; a channel without a source output has none.
    // Off returns the channel to the run by its layer's start mode and the run phase.
    void setManPower(int16_t Chan, bool State);

    // ---- Window state ----
    // Start of each channel's control-error span (timer seconds): the deviation has been
    // beyond the film's limit since then. Renewed while the deviation is within the limit,
    // on entry to DEPOSIT and when manual power is switched off.
    BoundedArray<double, 0, 7> ChanErrorSince;
    // The current error of the channel has been reported (text and action done once).
    BoundedArray<bool, 0, 7> ChanErrorShown;
    // The leakage message of the sensor has been shown.
    BoundedArray<bool, 0, 3> LeakageMsgShown;
    // The user has typed into the channel's power box and not yet left it.
    BoundedArray<bool, 0, 7> PowerTyped;
    // Ctrl (Shift) held with the last key; presses made by the program set CtrlHeld for
    // their duration, so they pass the Ctrl-key interlock of the run buttons.
    bool CtrlHeld = false;
    bool ShiftHeld = false;
    // Ctrl held with the last key, for the test window's entry only.
    bool TestCtrlHeld = false;
    // The channel whose layer the layer editor shows when opened from here; -1 for none.
    int16_t EditChan = 0;
    // The digital-input word acted on last.
    int16_t LastInputReg = 0;
    // An input's action is under way: the poll's next input word, handled inside a wait
    // of that action, must not see the same edge again.
    bool InputActing_ = false;

    // ---- Controls ----
    // Menus.
    QMenuBar* mnuBar = nullptr;
    QMenu* mnuFile = nullptr;
    QMenu* mnuFileProcessMain = nullptr;
    std::vector<QAction*> mnuFileProcess;  // item 0 is the separator line of the design
    QAction* mnuFileOpen = nullptr;
    QAction* mnuFileSaveAs = nullptr;
    QAction* mnuFileLog = nullptr;
    QAction* mnuFilePrint = nullptr;
    QAction* mnuFilePageSetup = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* mnuSetup = nullptr;
    QAction* mnuSetupProcess = nullptr;
    QAction* mnuSetupFilm = nullptr;
    QAction* mnuSetupSystem = nullptr;
    QMenu* mnuView = nullptr;
    QAction* mnuViewProcess = nullptr;
    QAction* mnuViewRatio = nullptr;
    QAction* mnuViewRaw = nullptr;
    // The graph menu entries 0..3: captioned with each selected process's graph titles,
    // checked while the graph window is shown.
    BoundedArray<QAction*, 0, 3> mnuViewGraph;
    QAction* mnuShowGraphs = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpHelp = nullptr;
    QAction* mnuHelpAbout = nullptr;

    // Process status above the channels.
    QFrame* picTop = nullptr;
    BoundedArray<QLabel*, 0, 2> lblProcess;  // name, time, run number
    BoundedArray<QLabel*, 0, 1> lblLayer;    // layer, time
    BoundedArray<QLabel*, 0, 2> lblPhase;    // phase, times, "Progress:"
    QProgressBar* prgPhase = nullptr;
    // The status label (gApp.StatusMsg sets its text and colour).
    QLabel* lblStatus = nullptr;
    QLabel* lblTime = nullptr;
    QLabel* lblDate = nullptr;

    // Left column: sensor frames, data log and run buttons.
    QFrame* picLeft = nullptr;
    BoundedArray<QGroupBox*, 0, 1> fraSensor;
    BoundedArray<QPushButton*, 0, 3> cmdSensor;
    BoundedArray<QLabel*, 0, 3> lblGas;  // items 1 and 3
    QPushButton* cmdDataLog = nullptr;
    // The run buttons: 0 START/STOP, 1 NEXT, 2 RESET.
    BoundedArray<QPushButton*, 0, 2> cmdFunc;

    // Channel panel (views 0 and 1), one row per channel.
    QFrame* picChannels = nullptr;
    BoundedArray<QLabel*, 0, 7> lblColumn;  // items 0..4 and 7
    PerChannelControls<QRadioButton> optChEdit;
    PerChannelControls<QLabel> lblFilm;
    PerChannelControls<QLabel> lblSubPhase;
    PerChannelControls<QLabel> lblRdg;
    PerChannelControls<QLabel> lblRdgUnits;
    PerChannelControls<QLabel> lblExponent;
    PerChannelControls<QLabel> lblDevRatio;
    PerChannelControls<QLabel> lblRdgDevRatio;
    PerChannelControls<QLineEdit> txtPower;
    PerChannelControls<QLabel> lblPower;
    PerChannelControls<QLabel> lblRdgPwr;
    PerChannelControls<QCheckBox> chkManPwr;
    PerChannelControls<QLabel> lblTotal;
    PerChannelControls<QLabel> lblTotalUnits;
    PerChannelControls<QPushButton> cmdZero;

    // Readings panel (view 2): raw channel readings (rows 0..7, columns "Edit",
    // "Corrected", "Flux", "Flux %", "Gas", "Gas %", "Bkg."), the sensors (rows "Sensor 1",
    // "Gas 1", "Sensor 2", "Gas 2"), the quartz monitors (rows 0..3, columns "Rate",
    // "Thick", "Zero", "Frequency", "Life %") and the card's analog inputs.
    QFrame* picReadings = nullptr;
    TarselGrid* grdChan = nullptr;
    TarselGrid* grdSensor = nullptr;
    TarselGrid* grdQCM = nullptr;
    TarselGrid* grdVesk = nullptr;

    // Endpoints: the unit over TCP, the remote-control server over TCP and RS-232.
    Winsock* tcpControllerClient = nullptr;
    Winsock* tcpProgramServer = nullptr;
    MSComm* msCommSftw = nullptr;

    // Timers: the 90 ms poll (made by the load handling), the clock, the exit step.
    ccrpTimer* RequestReadings = nullptr;
    QTimer* tmrDate = nullptr;
    QTimer* tmrEnd = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    // The key preview: keys of every control of the window pass here first.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // ---- The application state's events (frmMain_AppEvents.cpp) ----
    // Connects the handlers below to gApp, when it exists, as the window is made.
    void BindAppEvents();
    void ApEvent_GraphSettingsChange(int16_t nProcess);
    void ApEvent_ShowGraphChange(int16_t Index, bool State);
    void ApEvent_StatusMsgChange(int16_t nMsgNum);
    // A wait for the recipe database another program holds: shown on the status line while
    // it lasts, and the line as it was once it ends.
    void ApEvent_FileWaitChange(const QString& text);
    void ApEvent_RunStartRequest();
    // "Process: " and the active process's name, "Run: " and its run number.
    void ShowProcessLabels();
    // "Layer: n of N", N the active process's steps.
    void ShowLayerLabel(int16_t nLayer);

    // The handlers of the run buttons, the switches and the manual-power boxes.
    void ConnectRunButtons();
    // With CtrlKey on and Ctrl not held: shows the Ctrl-key tip and gives true.
    bool CtrlKeyRefuses();
    // The active process's chain is damaged: shows why it cannot run and gives true.
    bool RefusesDamagedProcess();
    // Handlers running, so that a nested call (a box set from code, a pumped wait) returns.
    bool cmdFuncBusy_ = false;
    bool chkManPwrBusy_ = false;

    // ---- The digital inputs (frmMain_Inputs.cpp) ----
    // The action of input function code as its input comes on (the interlocks aside).
    void InputComesOn(cApp& app, const cORUN& unit, int16_t code);
    // Presses the button of each sensor of the pair first, first + 1 that is on (whenOn)
    // or off.
    void PressEmissionPair(const cORUN& unit, int first, bool whenOn);
    // An emission interlock on (the pair switched off and locked) or off (unlocked).
    void FollowEmissionInterlock(const cORUN& unit, int first, int16_t bit, bool active);
    // Nothing keeps an input from starting a run or a layer: no detector calibration, the
    // process tree closed, the active process's chain whole.
    bool InputMayStart();
    // Cal Channel n (0..7) came on in phase.
    void InputCalibrates(const cORUN& unit, int n, int16_t phase);

    // construction of the controls
    void CreateMenus();
    // Connects item Index of the Open Process submenu to its handler.
    void ConnectProcessItem(int16_t Index);
    void CreateTopPanel();
    void CreateLeftPanel();
    void CreateChannelPanel();
    void CreateReadingGrids();
    void CreateEndpoints();
    // The remote-control endpoints' paced intakes (frmMain_Endpoints.cpp).
    void CreateIntakes();
    // A remote client's replies pile up unsent: written once per connection to the error
    // report.
    void NoteReplyBacklog(const QString& Client);
    void InitGrids();
    // The sensor grid of the readings view from the sensors' averages.
    void ShowSensorReadings();
    void LayoutWindow();

    void ShowQCMReadings(QCMReadingArray& R);
    void ShowVeskReadings(VeskReadingArray& v);
    void ResetComm();
    // The confirmed exit waits for the unit to take the stop: the window says so and offers
    // no run button meanwhile.
    void ShowStopping();
    // The exit is confirmed: the unit is stopped (zero powers, emission off, no hand control),
    // the window says so, and the second pass follows when tmrEnd fires.
    void ConfirmExit();
    void ControlTick(const QString& Response);
    void ApplyErrorAction(int16_t Chan);
    // Presses a run or sensor button (or a manual-power box) as the program does: past the
    // Ctrl-key interlock.
    void PressWithoutInterlock(QAbstractButton* button);
    // The stop of a channel's error or a sensor's leakage: START/STOP pressed only while a
    // layer runs, so that it never starts one; with the layer stopped already, channel ch
    // running on in CONSTANT or a manual ramp is stopped itself.
    void StopForError(int16_t ch);
    // The focus goes back to the left panel after a press (not while loading).
    void FocusLeftPanel();
    // Connects the manual power boxes' events to their handlers.
    void ConnectPowerBoxes();
    // Sends the power typed into the box when it lies within 0 and the film's maximum
    // power; otherwise says so and shows the present power again. True when sent.
    bool ValidatePower(int16_t Index);
    // The channel rows have been laid out for a step (or a process): a channel in manual
    // power whose row has gone, or whose row now drives another output, leaves manual
    // power; one that stays is held within its new film's maximum power. While no layer
    // runs, only channels with a row (by hand, or CONSTANT in STOP LAYER) drive outputs.
    void FollowRowsShown();
    // Manual power off for a channel that has no box left to switch it with: its box
    // unticked, the output it drove at 0 (and under hand control no more), the channel
    // stopped with the run, its relays following.
    void DropManualPower(int16_t Chan);
    // The power the unit last confirmed for channel Chan's output, in its label (and its
    // manual power box), marked while the program holds another one the unit has not yet
    // answered for; for all rows with a film.
    void ShowSentPower(int16_t Chan);
    void ShowSentPowers();
    // The phase text of a channel without error (black): its phase, with the rate set point
    // in the phases that follow one.
    void ShowChanPhase(int16_t Chan);
    // Rows with a film show their channel's reading, power and phase now, without the
    // error test and its actions (a phase or layer change, between two refreshes).
    void ShowRowsAtOnce();
    // The relay word, and while a run or a hand-set power needs them the detector voltages
    // and powers, given to the unit again at a steady pace (poll tick).
    void ReassertUnitState();
    // The layer editor brought up on channel ch's layer, channel and output fixed.
    void OpenLayerEditor(int16_t ch);
    // Sets the channel selector ch on (the others off) or off; setting a selector on that
    // was off acts as a click on it.
    void SetChannelSelector(int16_t ch, bool on);

    // The remote-control requests of each endpoint, answered a few per turn of the loop.
    RequestIntake* tcpIntake_ = nullptr;
    RequestIntake* serialIntake_ = nullptr;

    // The row containers of the channel panel: a row beyond FormSize lies outside the panel.
    BoundedArray<QWidget*, 0, 7> chanRow_;

    // Readings logged since the last faulty reading written to "RdgErrors.txt": 0 none
    // pending, 1..3 counting the readings after it.
    int16_t RdgFaultCount_ = 0;
    bool loaded_ = false;
    // The second pass of the close has begun: nothing reopens a link or the poll.
    bool shuttingDown_ = false;
    // The operator confirmed the exit: the status line shows the unit being stopped.
    bool stopping_ = false;
    // The status line as it was when a wait for the recipe database began.
    QString statusBeforeWait_;
    bool unloaded_ = false;
    // Replies and errors of the unit being handled (nested through message boxes and
    // waits); the shutdown waits for them to end before it releases the link.
    int replyDepth_ = 0;
    int16_t FormSize_ = 4;
    float RunElapsed_ = 0.0f;
    float LayerElapsed_ = 0.0f;
    // Successive failed-crystal readings of each quartz monitor, 0..5.
    BoundedArray<int32_t, 0, 3> QCMFailCount_;
    // The output each channel's manual power drives; -1 while it is off.
    BoundedArray<int16_t, 0, 7> ManualOutput_;
    // The output each channel's row drove at the last look of FollowOutputs (-1 none), and
    // the step (process * 1000 + layer) it was noted in.
    BoundedArray<int16_t, 0, 7> RowOutput_;
    int32_t RowStep_ = -1;
    // When the unit was last given the program's state again (TickMs).
    int64_t lastReassert_ = 0;
    // The colour the gas rows of grdSensor were last given (none yet when unset).
    std::optional<uint32_t> gasRowsColor_;
};
