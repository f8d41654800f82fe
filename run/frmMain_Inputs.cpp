// The digital inputs: each input whose level changed since the last input word acts by
// the function the active process gives it (run commands, emission on and off, the
// emission interlocks, end of a channel, calibration of a channel's detector). Buttons
// pressed here pass the Ctrl-key interlock.
#include "app/FlagScope.h"
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/RunConditions.h"
#include "app/SystemFlags.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modBitOps.h"
#include "app/modFormUtil.h"
#include "data/modDB.h"
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
// While a piece of work waits for the recipe database (the tree's own change among them),
// the tree is not closed under it: the start is refused.
bool CloseProcessTreeForStart() {
    QWidget* tree = modFormUtil::LoadedForm(QStringLiteral("frmProcess"));
    if (!tree) return true;
    if (modDB::FileWaitGoing()) return false;
    modFormUtil::Unload(tree);
    return !modFormUtil::IsFormLoaded(QStringLiteral("frmProcess"));
}

// The functions that start something (a run, a layer, a calibration, an emission): acted
// on only when no other input's action is waiting.
bool StartsSomething(int16_t code) {
    return code == StartProcess || code == StartFilm || code == Emission1On || code == Emission2On ||
           (code >= CalChannel1 && code <= CalChannel8);
}

}  // namespace

void frmMain::InputEvent() {
    const ProcTrace trace(gErr, QStringLiteral("frmMain_InputEvent"));
    try {
        cApp& app = RunApp();
        cORUN& unit = RunUnit();
        if (unit.InputReg() == LastInputReg) return;
        // An action that waits (the run record's save, a calibration's settling, a box the
        // operator reads) lets the next polls' input words in. What stops or switches off
        // acts on them at once, whatever waits; what would start something is left for
        // the word after the waiting action, and is then taken against the run as it is.
        const bool nested = InputActing_;
        const FlagScope acting(InputActing_);
        const FlagScope ctrl(CtrlHeld);
        const int stopsBefore = app.Stops();
        for (int i = 0; i <= kLastInput; ++i) {
            // The word as it stands now: an action's wait may have brought a newer one,
            // and a stop in it may have been acted on already.
            const int16_t word = unit.InputReg();
            const bool level = Bit(word, i);
            if (level == Bit(LastInputReg, i)) continue;
            const int16_t code = modIO::GetInputFunction(static_cast<int16_t>(i));
            if (nested && level && StartsSomething(code)) continue;
            // Taken: a word that comes in during this input's action does not act on it again.
            LastInputReg = static_cast<int16_t>(level ? LastInputReg | (1 << i) : LastInputReg & ~(1 << i));
            // The interlocks follow the level; every other function acts when its input
            // comes on.
            if (code == Emission1Interlock) FollowEmissionInterlock(unit, 0, SystemFlag::Sensor1, level);
            if (code == Emission2Interlock) FollowEmissionInterlock(unit, 2, SystemFlag::Sensor2, level);
            if (!level) continue;
            InputComesOn(app, unit, code);
            // A stop ends this word: the inputs not yet examined keep their old level in the
            // word acted on, so their changes act with the next word instead of being lost.
            if (app.Stops() != stopsBefore) break;
        }
        // The unit's bits beyond the mapped inputs are taken as they come.
        if (!nested)
            LastInputReg = static_cast<int16_t>((LastInputReg & 0x0FFF) | (unit.InputReg() & ~0x0FFF));
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::InputComesOn(cApp& app, const cORUN& unit, int16_t code) {
    const int16_t phase = app.Phase();
    switch (code) {
    case StartProcess:
        if (phase == PhaseCode::Stopped && InputMayStart()) app.setPhase(PhaseCode::InitRun);
        break;
    case StopProcess:
        // A run that is only waiting to start (its record being saved) does not.
        if (phase != PhaseCode::Index && phase != PhaseCode::Stopped) app.setPhase(PhaseCode::Stopped);
        else app.CancelWaitingStart();
        break;
    case StartFilm:
        if ((phase == PhaseCode::StopLayer || phase == PhaseCode::Stopped) && InputMayStart())
            app.setPhase(PhaseCode::StartLayer);
        break;
    case StopFilm:
        if (phase != PhaseCode::StopLayer && phase != PhaseCode::Stopped && phase != PhaseCode::Index)
            app.setPhase(PhaseCode::StopLayer);
        else
            app.CancelWaitingStart();
        break;
    case ZeroTimeSetPt: modPhases::ResetDepositTimers(); break;
    case Emission1On: PressEmissionPair(unit, 0, false); break;
    case Emission2On: PressEmissionPair(unit, 2, false); break;
    case Emission1Off: PressEmissionPair(unit, 0, true); break;
    case Emission2Off: PressEmissionPair(unit, 2, true); break;
    default:
        if (code >= EndChannel1 && code <= EndChannel8) {
            if (app.ChanFilm(static_cast<int16_t>(code - EndChannel1)) > 0 && phase != PhaseCode::Stopped) {
                app.setProcLayer(1);
                app.setPhase(PhaseCode::Stopped);
            } else {
                app.CancelWaitingStart();
            }
        } else if (code >= CalChannel1 && code <= CalChannel8) {
            InputCalibrates(unit, code - CalChannel1, phase);
        }
        break;
    }
}

// The two sensors of an emission pair: pressing the button of each sensor that is on (off)
// switches it off (on).
void frmMain::PressEmissionPair(const cORUN& unit, int first, bool whenOn) {
    for (int s = first; s <= first + 1; ++s)
        if ((unit.EmissionOn(s) > 0) == whenOn) PressButton(cmdSensor(s));
}

void frmMain::FollowEmissionInterlock(const cORUN& unit, int first, int16_t bit, bool active) {
    if (active) {
        PressEmissionPair(unit, first, true);
        modBitOps::BitSetInteger(SystemFlags, static_cast<uint8_t>(bit));
    } else {
        modBitOps::BitClearInteger(SystemFlags, static_cast<uint8_t>(bit));
    }
    cmdSensor(first)->setEnabled(!active);
    cmdSensor(first + 1)->setEnabled(!active);
    lblGas(first + 1)->setEnabled(!active);
}

// A detector calibration holds the window's START and answers a client's START with 05
// while it runs: an input that would start a run or a layer is refused the same way, so
// nothing drives the detector while its points are measured.
bool frmMain::InputMayStart() {
    return !DetectorCalibrating() && CloseProcessTreeForStart() && !RefusesDamagedProcess();
}

// Cal Channel n, in a stopped run, of an active channel, while no other calibration runs.
void frmMain::InputCalibrates(const cORUN& unit, int n, int16_t phase) {
    // The setup window is left as the running calibration shows it.
    if ((phase == PhaseCode::StopLayer || phase == PhaseCode::Stopped) && unit.ChanActive(n) && !DetectorCalibrating()) {
        mnuSetupSystem->setEnabled(true);
        // The setup window is loaded, not shown, when it is not open.
        frmSystem* setup = SystemForm();
        setup->tabForm->setTab(0);
        setup->cboCal->setCurrentIndex(n);
        PressButton(setup->cmdCalibrate);
    }
}
