#pragma once
// The system setup window (caption "Edit System"): the controller unit's channels,
// sensors, calibration and link, the remote-control server's link, the quartz monitors,
// the relay and input maps of the active process and the main window's display options.
// It edits the live objects in place (gORUN, gComm, gQCM, gApp, the settings globals and
// the relay/input maps): there is no copy and no Cancel, and each owner keeps its own
// settings. One instance, gSystemForm, loaded (shown or not) until it unloads.
//
// Six tabs, one frame fraTab(n) each: 0 "Channel" (grdChan, frame "Calibrate"),
// 1 "Sensor" (chkGas, grdSensor), 2 "QCM" (source, frequencies, period, grdMirel),
// 3 "I/O" (grdRelay, grdInput, relay test, input read), 4 "Comm" (frames "Remote" and
// "Halvorne"), 5 "Display" (Ctrl key, channels shown, meter update, colours).
//
// While the window loads (Loading), every handler that would push a value into a live
// object, open a port or start something does nothing: filling the lists and boxes raises
// the same handlers a user's click does.
//
// The members live in files by concern: frmSystem.cpp (controls and layout),
// frmSystem_Load.cpp (loading, tabs, keys, closing), _Comm (links), _Calibrate (detector
// calibration), _Display (display, gas sensors, relay test, input read), _QCM (quartz
// monitors), _GridChan, _GridIO, _GridSensor (the grids).
#include "platform/BoundedArray.h"

#include <QMetaObject>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>

class cColorDialog;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class SSTab;
class TarselGrid;

class frmSystem : public QWidget {
    Q_OBJECT
public:
    // Makes the controls and loads the window (not shown).
    explicit frmSystem(QWidget* parent = nullptr);
    ~frmSystem() override;

    // ---- Public members, reached by the other windows ----
    // Refill the relay and input grids from the relay/input maps of the active process.
    void InitGridRelay();
    void InitGridInput();
    // Refills tab 0..5 from the live objects; other numbers do nothing.
    void InitTab(int16_t nTab);
    // Fills the Comm tab.
    void InitTabComm();
    // Enables the frame of the tab shown (only that one) and gives its first control the
    // focus.
    void SelectTab();
    bool Loading() const { return Loading_; }

    // ---- Event handlers: window ----
    void Form_KeyDown(int& KeyCode, int Shift);
    // UnloadMode 0: the user's close box; 1: the program's unload.
    void Form_QueryUnload(int& Cancel, int UnloadMode);
    void Form_Unload(int& Cancel);
    void cmdClose_Click();
    void tabForm_Click(int PreviousTab);
    void ApEvent_ProcessChange(int16_t nProcess);
    // A process was selected: its relay and input maps are new.
    void ApEvent_IOMapsChange(int16_t nProcess);
    void ORUNEvent_ORUNError(int ErrType, int ErrNum);
    void ORUNEvent_ORUNResponse(const QString& Response);
    void ExternalComm_CommRx(const QString& sRcv);

    // ---- Comm tab (frmSystem_Comm.cpp) ----
    void cboHalvornePort_Click();
    void cboSftwPort_Click();
    void cboSftwBaud_Click();
    void cmdShowComm_Click();
    void cmdShowCommExternal_Click();

    // ---- Detector calibration (frmSystem_Calibrate.cpp) ----
    void cmdCalibrate_Click();
    // Arms (True) or ends (False) a calibration of the channel chosen in cboCal.
    void ResetCalibrate(bool Start);
    // A calibration the window leaves before the link has finished it (the window closing)
    // ends as a finished one does: START back, the detector at its volts, and the channel
    // keeps the calibration it had; tell: the operator is told so.
    void EndUnfinishedCalibration(bool tell);
    void ShowCalValues();
    void cboCal_Click();

    // ---- Display tab and option controls (frmSystem_Display.cpp) ----
    void chkCtrlKey_Click();
    void cboChanShow_Click();
    void cboMeter_Click(int Index);
    void cmdColor_Click(int Index);
    void cmdColorDefault_Click();
    void chkGas_Click();
    void cmdTestRelay_Click(int Index);
    void cmdReadInput_Click();

    // ---- QCM tab (frmSystem_QCM.cpp) ----
    void optQCM_Click(int Index);
    void grdMirel_CellOver(int Row, int Col);
    void grdMirel_TextChange(int Row, int Col);

    // ---- Grids ----
    void grdChan_BeforeEdit(int Row, int Col);
    void grdChan_AfterEdit(int Row, int Col);
    void grdChan_TextChange(int Row, int Col);
    void grdChan_CellOver(int Row, int Col);
    void grdChan_KeyPress(int& KeyAscii);
    void grdChan_LostFocus();
    void grdSensor_BeforeEdit(int Row, int Col);
    void grdSensor_AfterEdit(int Row, int Col);
    void grdSensor_TextChange(int Row, int Col);
    void grdSensor_CellOver(int Row, int Col);
    void grdSensor_KeyPress(int& KeyAscii);
    void grdSensor_LostFocus();
    void grdRelay_BeforeEdit(int Row, int Col);
    void grdRelay_AfterEdit(int Row, int Col);
    void grdRelay_CellClick(int Row, int Col);
    void grdRelay_LostFocus();
    void grdInput_BeforeEdit(int Row, int Col);
    void grdInput_AfterEdit(int Row, int Col);
    void grdInput_CellClick(int Row, int Col);
    void grdInput_LostFocus();

    // ---- Controls ----
    SSTab* tabForm = nullptr;
    BoundedArray<QWidget*, 0, 5> fraTab;
    QPushButton* cmdClose = nullptr;
    // Channel tab
    TarselGrid* grdChan = nullptr;
    QGroupBox* fraCalibrate = nullptr;
    QComboBox* cboCal = nullptr;
    QPushButton* cmdCalibrate = nullptr;
    QProgressBar* prgCalibrate = nullptr;
    QLabel* lblCal = nullptr;
    BoundedArray<QLabel*, 0, 3> lblCalA;
    BoundedArray<QLabel*, 0, 3> lblDebug;
    // Sensor tab
    QCheckBox* chkGas = nullptr;
    TarselGrid* grdSensor = nullptr;
    // QCM tab
    QGroupBox* fraQCMType = nullptr;
    BoundedArray<QRadioButton*, 0, 2> optQCM;
    QGroupBox* fraQCMSetup = nullptr;
    QLineEdit* txtQCMPeriod = nullptr;
    BoundedArray<QLineEdit*, 0, 2> txtQCMFreq;
    QGroupBox* fra600 = nullptr;
    QLabel* lblRevDll = nullptr;
    QLabel* lblRevCard = nullptr;
    QLabel* lblRevAnalog = nullptr;
    TarselGrid* grdMirel = nullptr;
    // I/O tab
    TarselGrid* grdRelay = nullptr;
    TarselGrid* grdInput = nullptr;
    BoundedArray<QPushButton*, 0, 2> cmdTestRelay;
    QPushButton* cmdReadInput = nullptr;
    QLabel* lblInputState = nullptr;
    // Comm tab
    QComboBox* cboHalvornePort = nullptr;
    QWidget* fraEthernet = nullptr;
    QLineEdit* txtHalvorneEAddress = nullptr;
    QLineEdit* txtHalvorneEPort = nullptr;
    QPushButton* cmdShowComm = nullptr;
    QLabel* lblVersion = nullptr;
    QComboBox* cboSftwPort = nullptr;
    QLabel* lblSftwBaud = nullptr;
    QComboBox* cboSftwBaud = nullptr;
    QWidget* fraSftwEthernet = nullptr;
    QLineEdit* txtSftwEPort = nullptr;
    QLabel* lblSftwEAddress = nullptr;
    QLabel* lblRemoteAddress = nullptr;
    QLabel* lblRemotePort = nullptr;
    QPushButton* cmdShowCommExternal = nullptr;
    // Display tab
    QCheckBox* chkCtrlKey = nullptr;
    QComboBox* cboChanShow = nullptr;
    QComboBox* cboMeter = nullptr;  // cboMeter(1)
    BoundedArray<QPushButton*, 0, 5> cmdColor;
    QPushButton* cmdColorDefault = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    QWidget* CreateChannelTab();
    QWidget* CreateSensorTab();
    QWidget* CreateQCMTab();
    QWidget* CreateIOTab();
    QWidget* CreateCommTab();
    QWidget* CreateDisplayTab();
    void ConnectHandlers();
    void Form_Load();
    void BindEvents();

    // Comm tab
    // The Halvorne address and port boxes given to the link when it is on Ethernet and
    // either differs from what the link holds.
    void ApplyHalvorneEthernet();
    // The port typed in a port box, 0..65535; a box that holds no such number shows the
    // previous port again and gives it.
    static int32_t PortBox(QLineEdit* box, int32_t previous);
    void ApplySftwEPort();
    void ShowVersion();

    // Detector calibration: one reply counted while a calibration runs.
    void CalibrationProgress(const QString& Response);
    // The window's side of a calibration's end: the buttons back, the progress hidden.
    void EndCalibrationDisplay();

    // QCM tab
    bool ValidateQCMPeriod();
    bool ValidateQCMFreq(int Index);
    // The controls that belong to the quartz source the facade holds.
    void ShowQCMControls();
    void InitGridMirel();
    // The three frequency boxes (MHz) and the period given to the facade; its status.
    int32_t ApplyQCMFreq(double period);
    void ShowQCMTab();

    // Display tab
    void ShowDisplayTab();
    void PaintColorButton(int Index);

    // Grids
    void InitGridChan();
    void ShowChannelGrid();
    void InitGridSensor();
    void ShowSensorGrid();
    void InitIONames();
    void InitGridIO(TarselGrid* grid, bool inputs);
    void IOBeforeEdit(TarselGrid* grid, bool inputs, int Row, int Col);
    void IOAfterEdit(TarselGrid* grid, bool inputs, int Row, int Col);
    void IOCellClick(TarselGrid* grid, bool inputs, int Row, int Col);
    void IOLostFocus(TarselGrid* grid, bool inputs);
    // Draws the gas rows of the sensor grid in black (enabled) or grey.
    void ShowGasRows(bool enabled);

    bool Loading_ = false;
    bool Calibrating = false;
    // A calibration waits to start again after a reply time-out.
    bool CalRestarting_ = false;
    int32_t CalPacketCount = 0;
    int16_t SelectedRelay = 0;
    int16_t SelectedInput = 0;
    std::unique_ptr<cColorDialog> ColorDialog_;
    QMetaObject::Connection ORUNEventResponse_;
    QMetaObject::Connection ORUNEventError_;
};

// The system setup window while it is loaded (shown or not); null otherwise.
extern frmSystem* gSystemForm;

// How a caller reaches the window: the loaded one, else a newly loaded one (not shown).
frmSystem* SystemForm();
