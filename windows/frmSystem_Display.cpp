// The Display tab (Ctrl key, channels shown, meter update, the main window's six colours)
// and three option controls of other tabs: the gas-sensor switch (Sensor tab), the relay
// test and the input read (I/O tab). Each acts at once on the settings globals, the main
// window or the unit link.
#include "windows/frmSystem.h"

#include "app/Globals.h"
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cColorDialog.h"
#include "app/cErrHandler.h"
#include "platform/VbColor.h"
#include "run/frmMain.h"
#include "unit/cORUN.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace {

// Rate fore/back, channel fore/back, meter fore/back.
constexpr int32_t kDefaultColors[6] = {0xFFFF, 0xFF0000, 0, int32_t(0x8000000F), 0, int32_t(0x8000000F)};
// The update list's entries in seconds between refreshes: 1, 2, 5 and 10 Hz.
constexpr double kMeterDamping[4] = {1.0, 0.5, 0.2, 0.1};

}  // namespace

void frmSystem::ShowDisplayTab() {
    chkCtrlKey->setChecked(CtrlKey);
    cboMeter->clear();
    for (const char* entry : {"1 Hz", "2 Hz", "5 Hz", "10 Hz"}) cboMeter->addItem(QLatin1String(entry));
    int meter = 3;
    for (int i = 0; i <= 2; ++i)
        if (MeterDamping == kMeterDamping[i]) meter = i;
    cboMeter->setCurrentIndex(meter);
    cboChanShow->setCurrentIndex(RunMainForm().FormSize() - 4);
    for (int i = 0; i <= 5; ++i) PaintColorButton(i);
}

void frmSystem::PaintColorButton(int Index) {
    const QColor c = VbColor(uint32_t(Colors(Index)));
    cmdColor(Index)->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 1px solid palette(dark); }")
                                       .arg(c.isValid() ? c.name() : QStringLiteral("transparent")));
}

// Also while the window loads: it writes back the value just read.
void frmSystem::chkCtrlKey_Click() { CtrlKey = chkCtrlKey->isChecked(); }

void frmSystem::cboChanShow_Click() {
    if (Loading_) return;
    ORUN_PROC("frmSystem_cboChanShow_Click");
    try {
        frmMain& main = RunMainForm();
        main.setFormSize(int16_t(cboChanShow->currentIndex() + 4));
        main.ShowChannels();
        InitGridChan();
    } catch (...) {
        gErr.HandleError();
    }
}

void frmSystem::cboMeter_Click(int Index) {
    if (Loading_ || Index != 1) return;
    const int entry = cboMeter->currentIndex();
    if (entry >= 0 && entry <= 3) MeterDamping = kMeterDamping[entry];
}

// The main window applies the colours whether or not one was chosen.
void frmSystem::cmdColor_Click(int Index) {
    if (Loading_) return;
    ORUN_PROC("frmSystem_cmdColor_Click");
    try {
        if (!ColorDialog_) ColorDialog_ = std::make_unique<cColorDialog>();
        ColorDialog_->Color = uint32_t(Colors(Index));
        ColorDialog_->Flags = 1;
        ColorDialog_->hWndParent = this;
        if (ColorDialog_->Show()) {
            Colors(Index) = int32_t(ColorDialog_->Color);
            PaintColorButton(Index);
        }
        RunMainForm().SetFormColors();
    } catch (...) {
        gErr.HandleError();
    }
}

void frmSystem::cmdColorDefault_Click() {
    if (Loading_) return;
    ORUN_PROC("frmSystem_cmdColorDefault_Click");
    try {
        for (int i = 0; i <= 5; ++i) {
            Colors(i) = kDefaultColors[i];
            PaintColorButton(i);
        }
        RunMainForm().SetFormColors();
    } catch (...) {
        gErr.HandleError();
    }
}

// The link's switch follows the box also while the window loads. Switching the gas
// sensors off takes the emission off those that are on.
void frmSystem::chkGas_Click() {
    ORUN_PROC("frmSystem_chkGas_Click");
    try {
        const bool enabled = chkGas->isChecked();
        cORUN& unit = RunUnit();
        unit.setGasCalEnabled(enabled);
        ShowGasRows(enabled);
        if (Loading_) return;
        if (!enabled)
            for (int s : {1, 3})
                if (unit.ORUNSensorOn(s) > 0) unit.setEmissionOn(s, 0);
        RunMainForm().ShowSensors();
    } catch (...) {
        gErr.HandleError();
    }
}

void frmSystem::cmdTestRelay_Click(int Index) {
    const ProcTrace trace(gErr, QStringLiteral("frmSystem_cmdTestRelay_Click") + vb::CStr(Index));
    try {
        cORUN& unit = RunUnit();
        switch (Index) {
        case 0: unit.setRelay(SelectedRelay, true); break;
        case 1: unit.setRelay(SelectedRelay, false); break;
        case 2:
            for (int n = 0; n <= 11; ++n) unit.setRelay(n, false);
            break;
        default: break;
        }
        unit.SendRelays();
    } catch (...) {
        gErr.HandleError();
    }
}

// The input's last known state; nothing is asked of the unit.
void frmSystem::cmdReadInput_Click() {
    ORUN_PROC("frmSystem_cmdReadInput_Click");
    try {
        lblInputState->setText(vb::CStr(RunUnit().InputState(SelectedInput)));
    } catch (...) {
        gErr.HandleError();
    }
}
