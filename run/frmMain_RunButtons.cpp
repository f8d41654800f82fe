// The operator's run buttons, data-log switch, emission and zero buttons and manual-power
// boxes. The same handlers run for a click, for a press the program makes and for a press
// made on a remote client's behalf.
#include "run/frmMain.h"

#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/frmTip.h"
#include "app/modUtil.h"
#include "data/ProcessRec.h"
#include "platform/Clock.h"
#include "platform/VbColor.h"
#include "platform/VbControls.h"
#include "run/ChannelData.h"
#include "run/PhaseCode.h"
#include "run/RunObjects.h"
#include "run/modIO.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr uint32_t kGreen = 0xFF00;

bool StoppedPhase(int16_t phase) { return phase == PhaseCode::Stopped || phase == PhaseCode::StopLayer; }

// Sets a flag for the life of a handler, so that a nested call returns at once.
class BusyFlag {
public:
    explicit BusyFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyFlag() { flag_ = false; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

private:
    bool& flag_;
};

}  // namespace

void frmMain::ConnectRunButtons() {
    for (int16_t i = 0; i <= 2; ++i) connect(cmdFunc(i), &QPushButton::clicked, this, [this, i] { cmdFunc_Click(i); });
    for (int16_t s = 0; s <= 3; ++s)
        connect(cmdSensor(s), &QPushButton::clicked, this, [this, s] { cmdSensor_Click(s); });
    for (int16_t ch = 0; ch <= 7; ++ch) {
        connect(cmdZero(ch), &QPushButton::clicked, this, [this, ch] { cmdZero_Click(ch); });
        connect(chkManPwr(ch), &QCheckBox::clicked, this, [this, ch] { chkManPwr_Click(ch); });
    }
    connect(cmdDataLog, &QPushButton::clicked, this, [this] { cmdDataLog_Click(); });
}

// With the Ctrl-key setting on, a press counts only while Ctrl is held; otherwise the tip
// tells the operator what to do.
bool frmMain::CtrlKeyRefuses() {
    if (!CtrlKey || CtrlHeld) return false;
    frmTip::ShowTip(this, QStringLiteral("Hold Ctrl key, then click to activate."), 2000);
    return true;
}

void frmMain::cmdFunc_Click(int16_t Index) {
    ORUN_PROC("frmMain_cmdFunc_Click");
    if (cmdFuncBusy_) return;
    const BusyFlag busy(cmdFuncBusy_);
    try {
        if (CtrlKeyRefuses()) return;
        cApp& app = RunApp();
        const int16_t phase = app.Phase();
        switch (Index) {
        case 0:  // START / STOP
            if (phase == PhaseCode::Stopped) {
                app.setPhase(PhaseCode::InitRun);
            } else if (phase == PhaseCode::StopLayer) {
                app.setPhase(PhaseCode::StartLayer);
            } else if (phase != PhaseCode::Index) {
                app.setPhase(PhaseCode::StopLayer);
                if (app.StatusMsg() == StatusMsgCode::None) app.setStatusMsg(StatusMsgCode::StopLayerUser);
            }
            break;
        case 1:  // next layer, after the last one the first
            if (StoppedPhase(phase))
                app.setProcLayer(app.ProcLayer() < gProcess(app.ProcNum()).Number_Layers ? app.ProcLayer() + 1 : 1);
            break;
        case 2:  // back to the first layer
            if (StoppedPhase(phase)) {
                app.setProcLayer(1);
                app.setPhase(PhaseCode::Stopped);
            }
            break;
        default: break;
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::cmdDataLog_Click() {
    ORUN_PROC("frmMain_cmdDataLog_Click");
    try {
        if (CtrlKey && !CtrlHeld) return;
        LogMode = !LogMode;
        const int16_t phase = RunApp().Phase();
        const bool logging = phase != PhaseCode::StopLayer && phase != PhaseCode::Stopped && phase != PhaseCode::Startup;
        if (LogMode) {
            if (logging) {
                modUtil::PrintToLog(modUtil::LogStartLine());
                modUtil::PrintToLog(modUtil::PrintHeader());
            }
            cmdDataLog->setText(QStringLiteral("ON"));
            SetBackColor(cmdDataLog, kGreen);
        } else {
            if (logging) modUtil::PrintToLog(modUtil::LogEndLine());
            cmdDataLog->setText(QStringLiteral("OFF"));
            SetBackColor(cmdDataLog, vbButtonFace);
        }
    } catch (...) {
        gErr.HandleError();
    }
}

// Switches an emission sensor on or off, unless a digital input holds it in its state.
void frmMain::cmdSensor_Click(int16_t Index) {
    ORUN_PROC("frmMain_cmdSensor_Click");
    try {
        if (CtrlKeyRefuses()) return;
        cORUN& unit = RunUnit();
        const bool on = unit.EmissionOn(Index) > 0;
        const int16_t pair = Index <= 1 ? 0 : 1;
        const int16_t forcing = modIO::FindInputFunction(static_cast<int16_t>((on ? 8 : 10) + pair));
        if (forcing >= 0 && unit.InputState(forcing)) {
            frmTip::ShowTip(this, QStringLiteral("Sensor state is forced by a digital input."), 2000);
            return;
        }
        if (on) {
            unit.setEmissionOn(Index, 0);
            cmdSensor(Index)->setText(QStringLiteral("OFF"));
            SetBackColor(cmdSensor(Index), vbButtonFace);
        } else {
            unit.setEmissionOn(Index, 2);
            cmdSensor(Index)->setText(QStringLiteral("ON"));
            SetBackColor(cmdSensor(Index), kGreen);
        }
        LeakageMsgShown(Index) = false;
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::cmdZero_Click(int16_t Index) {
    ORUN_PROC("frmMain_cmdZero_Click");
    try {
        if (CtrlKeyRefuses()) return;
        RunQCM().Zero(Index);
        gChanTotal(Index) = 0.0;
        gChanTotalCarry(Index) = 0.0;
        lblTotal(Index)->setText(modUtil::FormatFilmValue(0.0, Index));
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::chkManPwr_Click(int16_t Index) {
    ORUN_PROC("frmMain_chkManPwr_Click");
    if (chkManPwrBusy_) return;
    const BusyFlag busy(chkManPwrBusy_);
    try {
        QCheckBox* box = chkManPwr(Index);
        if (CtrlKey && !CtrlHeld) {
            box->setChecked(!box->isChecked());
            CtrlKeyRefuses();
            return;
        }
        setManPower(Index, box->isChecked());
        RunUnit().setHandCtrlOutput(box->isChecked() ? RunApp().ChanOutput(Index) : -1);
    } catch (...) {
        gErr.HandleError();
    }
}

// A channel without a source output has no power to set by hand.
void frmMain::setManPower(int16_t Chan, bool State) {
    ORUN_PROC("frmMain_ManPwer");
    try {
        cApp& app = RunApp();
        cORUN& unit = RunUnit();
        const int16_t out = app.ChanOutput(Chan);
        if (out < 0) return;
        if (State) {
            SetBackColor(chkManPwr(Chan), kGreen);
            txtPower(Chan)->setText(lblPower(Chan)->text());
            txtPower(Chan)->show();
            app.setChanPhase(Chan, PhaseCode::ManPower);
            unit.setPower(out, unit.Power(out));
            return;
        }
        SetBackColor(chkManPwr(Chan), vbButtonFace);
        txtPower(Chan)->hide();
        ChanErrorShown(Chan) = false;
        ChanErrorSince(Chan) = Timer();
        const int16_t L = app.ChanLayer(Chan);
        if (L > 0 && gLayer(L).StartMode == 2) {
            app.setChanPhase(Chan, PhaseCode::Constant);
            return;
        }
        const int16_t phase = app.Phase();
        switch (phase) {
        case PhaseCode::Stopped:
        case PhaseCode::StopLayer:
            unit.setPower(out, 0.0);
            unit.SendPower();
            app.setChanPhase(Chan, phase);
            break;
        case PhaseCode::Ramp1: case PhaseCode::Soak1: case PhaseCode::Ramp2: case PhaseCode::Soak2:
        case PhaseCode::ShutterDelay: case PhaseCode::IdleRamp: case PhaseCode::Idle:
            app.setChanPhase(Chan, PhaseCode::HoldPower);
            break;
        case PhaseCode::Deposit: app.setChanPhase(Chan, PhaseCode::Deposit); break;
        default: break;
        }
    } catch (...) {
        gErr.HandleError();
    }
}
