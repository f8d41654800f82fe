// The digital inputs: each input whose level changed since the last input word acts by
// the function the active process gives it (run commands, emission on and off, the
// emission interlocks, end of a channel, calibration of a channel's detector). Buttons
// pressed here pass the Ctrl-key interlock.
#include "app/FlagScope.h"
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/SystemFlags.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modBitOps.h"
#include "app/modFormUtil.h"
#include "platform/SSTab.h"
#include "platform/VbControls.h"
#include "run/frmMain.h"
#include "run/modIO.h"
#include "run/modPhases.h"
#include "unit/cORUN.h"
#include "windows/frmSystem.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace {

// Input function codes.
enum InputCode : int16_t {
    StartProcess = 1,
    StopProcess = 2,
    StartFilm = 3,
    StopFilm = 4,
    ZeroTimeSetPt = 5,
    Emission1Interlock = 6,
    Emission2Interlock = 7,
    Emission1On = 8,
    Emission2On = 9,
    Emission1Off = 10,
    Emission2Off = 11,
    EndChannel1 = 20,
    EndChannel8 = 27,
    CalChannel1 = 30,
    CalChannel8 = 37,
};

constexpr int16_t kLastInput = 11;

bool Bit(int16_t word, int i) { return ((word >> i) & 1) != 0; }

// A start from the plant finds the process tree open: the tree closes first, as it does at
// every run start, and closing selects the process again, so the run maps its layers as the
// tree left them and never deposits a layer record that was cut or reused meanwhile. A tree
// that stays open keeps the run from starting.
bool CloseProcessTreeForStart() {
    QWidget* tree = modFormUtil::LoadedForm(QStringLiteral("frmProcess"));
    if (!tree) return true;
    modFormUtil::Unload(tree);
    return !modFormUtil::IsFormLoaded(QStringLiteral("frmProcess"));
}

// A detector calibration holds the window's START and answers a client's START with 05
// while it runs: an input that would start a run, a layer or another calibration is
// refused the same way, so nothing drives the detector while its points are measured. The
// link is calibrating from the calibration's start (its settling wait included) to its end.
bool DetectorCalibrating(const cORUN& unit) { return unit.CalChan() >= 0; }

}  // namespace

void frmMain::InputEvent() {
    const ProcTrace trace(gErr, QStringLiteral("frmMain_InputEvent"));
    try {
        cApp& app = RunApp();
        cORUN& unit = RunUnit();
        const int16_t reg = unit.InputReg();
        if (reg == LastInputReg) return;
        // An action that waits (a calibration's settling, a message box) lets the next
        // poll's input word in: it is left for the word after the action, compared with
        // what this call acted on, so a held input acts once and a new edge is not lost.
        if (InputActing_) return;
        const FlagScope acting(InputActing_);
        const FlagScope ctrl(CtrlHeld);
        int16_t seen = reg;

        // The two sensors of an emission pair: pressing the button of each sensor that is
        // on (off) switches it off (on).
        auto pressIf = [&](int first, bool whenOn) {
            for (int s = first; s <= first + 1; ++s)
                if ((unit.EmissionOn(s) > 0) == whenOn) PressButton(cmdSensor(s));
        };
        auto interlock = [&](int first, int16_t bit, bool active) {
            if (active) {
                pressIf(first, true);
                modBitOps::BitSetInteger(SystemFlags, static_cast<uint8_t>(bit));
            } else {
                modBitOps::BitClearInteger(SystemFlags, static_cast<uint8_t>(bit));
            }
            cmdSensor(first)->setEnabled(!active);
            cmdSensor(first + 1)->setEnabled(!active);
            lblGas(first + 1)->setEnabled(!active);
        };

        for (int i = 0; i <= kLastInput; ++i) {
            const bool level = Bit(reg, i);
            if (level == Bit(LastInputReg, i)) continue;
            const int16_t code = modIO::GetInputFunction(static_cast<int16_t>(i));
            // The interlocks follow the level; every other function acts when its input
            // comes on.
            if (code == Emission1Interlock) interlock(0, SystemFlag::Sensor1, level);
            if (code == Emission2Interlock) interlock(2, SystemFlag::Sensor2, level);
            if (!level) continue;
            const int16_t phase = app.Phase();
            switch (code) {
            case StartProcess:
                if (phase == PhaseCode::Stopped && !DetectorCalibrating(unit) && CloseProcessTreeForStart() &&
                    !RefusesDamagedProcess())
                    app.setPhase(PhaseCode::InitRun);
                break;
            case StopProcess:
                if (phase != PhaseCode::Index && phase != PhaseCode::Stopped) {
                    app.setPhase(PhaseCode::Stopped);
                    // The stop ends this word: the inputs not yet examined keep their old
                    // level in the word acted on, so their changes act with the next word
                    // instead of being lost.
                    const int16_t examined = static_cast<int16_t>((2 << i) - 1);
                    seen = static_cast<int16_t>((reg & examined) | (LastInputReg & ~examined & 0x0FFF) | (reg & ~0x0FFF));
                    i = kLastInput;
                }
                break;
            case StartFilm:
                if ((phase == PhaseCode::StopLayer || phase == PhaseCode::Stopped) && !DetectorCalibrating(unit) &&
                    CloseProcessTreeForStart() && !RefusesDamagedProcess())
                    app.setPhase(PhaseCode::StartLayer);
                break;
            case StopFilm:
                if (phase != PhaseCode::StopLayer && phase != PhaseCode::Stopped && phase != PhaseCode::Index)
                    app.setPhase(PhaseCode::StopLayer);
                break;
            case ZeroTimeSetPt: modPhases::ResetDepositTimers(); break;
            case Emission1On: pressIf(0, false); break;
            case Emission2On: pressIf(2, false); break;
            case Emission1Off: pressIf(0, true); break;
            case Emission2Off: pressIf(2, true); break;
            default:
                if (code >= EndChannel1 && code <= EndChannel8) {
                    if (app.ChanFilm(static_cast<int16_t>(code - EndChannel1)) > 0 && phase != PhaseCode::Stopped) {
                        app.setProcLayer(1);
                        app.setPhase(PhaseCode::Stopped);
                    }
                } else if (code >= CalChannel1 && code <= CalChannel8) {
                    const int n = code - CalChannel1;
                    // The setup window is left as the running calibration shows it.
                    if ((phase == PhaseCode::StopLayer || phase == PhaseCode::Stopped) && unit.ChanActive(n) &&
                        !DetectorCalibrating(unit)) {
                        mnuSetupSystem->setEnabled(true);
                        // The setup window is loaded, not shown, when it is not open.
                        frmSystem* setup = SystemForm();
                        setup->tabForm->setTab(0);
                        setup->cboCal->setCurrentIndex(n);
                        PressButton(setup->cmdCalibrate);
                    }
                }
                break;
            }
        }
        LastInputReg = seen;
    } catch (...) {
        gErr.HandleError();
    }
}
