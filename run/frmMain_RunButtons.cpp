// The operator's run buttons: START/STOP, next layer and first layer, the data-log switch,
// the emission buttons, the zero buttons and the manual-power boxes, with the Ctrl-key
// interlock they share. Presses the program makes on the operator's behalf (digital
// inputs, automatic stops, the shutdown) pass the interlock.
#include "app/ChannelData.h"
#include "app/FlagScope.h"
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/frmTip.h"
#include "app/modFormUtil.h"
#include "app/modShellExecute.h"
#include "app/modUtil.h"
#include "data/ChainWalk.h"
#include "data/ProcessRec.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/VbColor.h"
#include "platform/VbControls.h"
#include "qcm/cQCM.h"
#include "run/frmMain.h"
#include "run/modIO.h"
#include "unit/ExitRule.h"
#include "unit/cORUN.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr uint32_t kGreen = 0xFF00;

// Input functions that force an emission sensor on or off.
constexpr int16_t kEmission1On = 8;
constexpr int16_t kEmission2On = 9;
constexpr int16_t kEmission1Off = 10;
constexpr int16_t kEmission2Off = 11;

// Emission level the unit runs a sensor at when switched on.
constexpr int32_t kEmissionOn = 2;
constexpr int32_t kEmissionOnFromIDE = 1;

// Phases in which no layer runs: the layer buttons act, START starts.
bool Stopped(int16_t p) { return p == PhaseCode::Stopped || p == PhaseCode::StopLayer; }

// Phases in which switching the data log writes no start or end line.
bool NotLogging(int16_t p) { return p == PhaseCode::StopLayer || p == PhaseCode::Stopped || p == PhaseCode::Startup; }

// A channel leaving manual power in these run phases holds its power.
bool HoldsPower(int16_t p) {
    return (p >= PhaseCode::Ramp1 && p <= PhaseCode::ShutterDelay) || p == PhaseCode::IdleRamp || p == PhaseCode::Idle;
}

}  // namespace

void frmMain::ConnectRunButtons() {
    for (int16_t i = 0; i <= 2; ++i) connect(cmdFunc(i), &QPushButton::clicked, this, [this, i] { cmdFunc_Click(i); });
    connect(cmdDataLog, &QPushButton::clicked, this, &frmMain::cmdDataLog_Click);
    for (int16_t s = 0; s <= 3; ++s) connect(cmdSensor(s), &QPushButton::clicked, this, [this, s] { cmdSensor_Click(s); });
    for (int16_t ch = 0; ch <= 7; ++ch) {
        connect(cmdZero(ch), &QPushButton::clicked, this, [this, ch] { cmdZero_Click(ch); });
        connect(chkManPwr(ch), &QCheckBox::clicked, this, [this, ch] { chkManPwr_Click(ch); });
    }
}

bool frmMain::CtrlKeyRefuses() {
    if (!CtrlKey || CtrlHeld) return false;
    frmTip::ShowTip(this, QStringLiteral("Hold Ctrl key, then click to activate."), 2000);
    return true;
}

// A process whose layer chain is damaged never runs; every start says so once.
bool frmMain::RefusesDamagedProcess() {
    const QString refusal = modDB::RunRefusal(RunApp().ProcNum());
    if (refusal.isEmpty()) return false;
    MsgBox(refusal, vbExclamation);
    return true;
}

void frmMain::PressWithoutInterlock(QAbstractButton* button) {
    const FlagScope held(CtrlHeld);
    PressButton(button);
}

void frmMain::StopForError(int16_t ch) {
    cApp& app = RunApp();
    const int16_t phase = app.Phase();
    if (!Stopped(phase) && phase != PhaseCode::Index) {
        PressWithoutInterlock(cmdFunc(0));
        return;
    }
    const int16_t chanPhase = app.ChanPhase(ch);
    if (chanPhase != PhaseCode::Constant && chanPhase != PhaseCode::ManRamp) return;
    app.setChanPhase(ch, phase);
    const int16_t out = app.ChanOutput(ch);
    if (out < 0) return;
    RunUnit().setPower(out, 0.0);
    RunUnit().SendPower();
}

void frmMain::FocusLeftPanel() {
    if (!Loading) picLeft->setFocus();
}

void frmMain::cmdFunc_Click(int16_t Index) {
    if (cmdFuncBusy_) return;
    const FlagScope busy(cmdFuncBusy_);
    ORUN_PROC("frmMain_cmdFunc_Click");
    try {
        if (CtrlKeyRefuses()) return;
        cApp& app = RunApp();
        const int16_t phase = app.Phase();
        switch (Index) {
        case 0:
            if (Stopped(phase) && modFormUtil::IsFormLoaded(QStringLiteral("frmProcess"))) {
                MsgBox(QStringLiteral("Close process edit form, then press Start."), vbExclamation);
            } else if (Stopped(phase) && RefusesDamagedProcess()) {
                // not started; the message says why
            } else if (phase == PhaseCode::Stopped) {
                app.setPhase(PhaseCode::InitRun);
            } else if (phase == PhaseCode::StopLayer) {
                app.setPhase(PhaseCode::StartLayer);
            } else if (phase != PhaseCode::Index) {
                app.setPhase(PhaseCode::StopLayer);
                // A message already shown (the end of the layer, for one) stays.
                if (app.StatusMsg() == StatusMsgCode::None) app.setStatusMsg(StatusMsgCode::StopLayerUser);
            }
            break;
        case 1:
            if (Stopped(phase)) {
                const int16_t layers = gProcess(app.ProcNum()).Number_Layers;
                app.setProcLayer(app.ProcLayer() < layers ? static_cast<int16_t>(app.ProcLayer() + 1) : int16_t{1});
            }
            break;
        case 2:
            if (Stopped(phase)) {
                app.setProcLayer(1);
                app.setPhase(PhaseCode::Stopped);
            }
            break;
        default: break;
        }
        FocusLeftPanel();
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::cmdDataLog_Click() {
    ORUN_PROC("frmMain_cmdDataLog_Click");
    try {
        // The data-log switch refuses without a tip.
        if (CtrlKey && !CtrlHeld) return;
        LogMode = !LogMode;
        const bool write = !NotLogging(RunApp().Phase());
        if (LogMode) {
            if (write) {
                modUtil::PrintToLog(modUtil::LogStartLine());
                modUtil::PrintToLog(modUtil::PrintHeader());
            }
            cmdDataLog->setText(QStringLiteral("ON"));
            SetBackColor(cmdDataLog, kGreen);
        } else {
            if (write) modUtil::PrintToLog(modUtil::LogEndLine());
            cmdDataLog->setText(QStringLiteral("OFF"));
            SetBackColor(cmdDataLog, vbButtonFace);
        }
        FocusLeftPanel();
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::cmdSensor_Click(int16_t Index) {
    ORUN_PROC("frmMain_cmdSensor_Click");
    try {
        if (CtrlKeyRefuses()) return;
        cORUN& unit = RunUnit();
        const bool on = unit.EmissionOn(Index) > 0;
        if (!on && !ExitRule::Allows(ExitRule::Act::Emission)) return;  // off stays off: the button too
        // A digital input that holds the sensor in its present state wins.
        const bool first = Index <= 1;
        const int16_t forcing = on ? (first ? kEmission1On : kEmission2On) : (first ? kEmission1Off : kEmission2Off);
        const int16_t input = modIO::FindInputFunction(forcing);
        if (input >= 0 && unit.InputState(input)) {
            frmTip::ShowTip(this, QStringLiteral("Sensor state is forced by a digital input."), 2000);
            return;
        }
        // With Shift and gas calibration, an emission sensor takes its gas sensor along.
        const bool pair = (Index == 0 || Index == 2) && unit.GasCalEnabled() && ShiftHeld;
        QPushButton* button = cmdSensor(Index);
        const int32_t level = on ? 0 : (modShellExecute::RunningFromIDE() ? kEmissionOnFromIDE : kEmissionOn);
        unit.setEmissionOn(Index, level);
        if (pair) unit.setEmissionOn(Index + 1, level);
        SetBackColor(button, on ? vbButtonFace : kGreen);
        button->setText(on ? QStringLiteral("OFF") : QStringLiteral("ON"));
        LeakageMsgShown(Index) = false;
        if (isActiveWindow() && button->hasFocus()) FocusLeftPanel();
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::cmdZero_Click(int16_t Index) {
    ORUN_PROC("frmMain_cmdZero_Click");
    try {
        if (CtrlKeyRefuses()) return;
        // The quartz monitor with the channel's number is zeroed with the channel.
        const auto zero = [this](int16_t ch) {
            gChanTotal(ch) = 0.0;
            gChanTotalCarry(ch) = 0.0;
            lblTotal(ch)->setText(modUtil::FormatFilmValue(0.0, ch));
        };
        if (ShiftHeld) {
            RunQCM().ZeroAll();
            for (int16_t ch = 0; ch <= 7; ++ch) zero(ch);
        } else {
            RunQCM().Zero(Index);
            zero(Index);
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::chkManPwr_Click(int16_t Index) {
    if (chkManPwrBusy_) return;
    const FlagScope busy(chkManPwrBusy_);
    ORUN_PROC("frmMain_chkManPwr_Click");
    try {
        QCheckBox* box = chkManPwr(Index);
        const bool ticked = box->isChecked();
        if (CtrlKey && !CtrlHeld) {
            box->setChecked(!ticked);
            CtrlKeyRefuses();
            return;
        }
        if (modFormUtil::IsFormLoaded(QStringLiteral("frmProcess"))) {
            box->setChecked(!ticked);
            MsgBox(QStringLiteral("Close Edit Process form, to change output power setting."), vbExclamation);
            return;
        }
        if (ticked && !ExitRule::Allows(ExitRule::Act::ManualControl)) {
            box->setChecked(false);
            return;
        }
        cApp& app = RunApp();
        if (ShiftHeld) {
            // Every shown channel takes the pressed box's new state.
            for (int16_t ch = 0; ch <= 7; ++ch) {
                QCheckBox* other = chkManPwr(ch);
                if (!other->isVisibleTo(this)) continue;
                if (ch == Index) {
                    setManPower(ch, ticked);
                } else if (other->isChecked() != ticked) {
                    other->setChecked(ticked);
                    setManPower(ch, ticked);
                }
            }
        } else {
            // The layer editor follows the channel.
            if (modFormUtil::IsFormLoadedByCaption(QStringLiteral("Edit Layer"))) SetChannelSelector(Index, true);
            setManPower(Index, ticked);
        }
        cORUN& unit = RunUnit();
        if (ticked) {
            if (txtPower(Index)->isVisibleTo(this)) txtPower(Index)->setFocus();
            unit.setHandCtrlOutput(app.ChanOutput(Index));
        } else {
            if (box->isVisibleTo(this)) box->setFocus();
            unit.setHandCtrlOutput(-1);
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::setManPower(int16_t Chan, bool State) {
    ORUN_PROC("frmMain_ManPwer");
    try {
        cApp& app = RunApp();
        cORUN& unit = RunUnit();
        // Off acts on the output the hand-set power went to.
        const int16_t out = !State && ManualOutput_(Chan) >= 0 ? ManualOutput_(Chan) : app.ChanOutput(Chan);
        if (out < 0) return;  // no source output to drive
        if (State) {
            SetBackColor(chkManPwr(Chan), kGreen);
            txtPower(Chan)->setText(lblPower(Chan)->text());
            txtPower(Chan)->show();
            txtPower(Chan)->setFocus();
            ManualOutput_(Chan) = out;
            app.setChanPhase(Chan, PhaseCode::ManPower);
            // The output keeps its present power until the operator types another.
            unit.setPower(out, unit.Power(out));
            return;
        }
        ManualOutput_(Chan) = -1;
        SetBackColor(chkManPwr(Chan), vbButtonFace);
        txtPower(Chan)->hide();
        ChanErrorShown(Chan) = false;
        ChanErrorSince(Chan) = Timer();
        const int16_t phase = app.Phase();
        // Outside a running layer the channel stops, whatever its layer's start mode: no
        // layer runs that a CONSTANT channel could follow, and its detector may not have
        // been given this step's volts.
        if (Stopped(phase)) {
            unit.setPower(out, 0.0);
            unit.SendPower();
            app.setChanPhase(Chan, phase);
            return;
        }
        const int16_t layer = app.ChanLayer(Chan);
        if (layer > 0 && gLayer(layer).StartMode == 2) {
            app.setChanPhase(Chan, PhaseCode::Constant);
        } else if (HoldsPower(phase)) {
            app.setChanPhase(Chan, PhaseCode::HoldPower);
        } else if (phase == PhaseCode::Deposit) {
            app.setChanPhase(Chan, PhaseCode::Deposit);
        }
    } catch (...) {
        gErr.HandleError();
    }
}
