// The frame "Calibrate" of the Channel tab: the two-point calibration of one channel's
// detector electronics through the controller unit, with zero emission. The link does
// the measuring once its CalChan is set; the window starts it, counts the reading replies
// to show the progress, and ends it when the link has finished, when it has taken too
// many readings, or on a reply time-out (which starts it again).
#include "windows/frmSystem.h"

#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/SystemFlags.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modBitOps.h"
#include "app/modStrings.h"
#include "platform/Dialogs.h"
#include "run/frmMain.h"
#include "unit/ExitRule.h"
#include "unit/cORUN.h"

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

namespace {

// Detector calibration runs only while no layer runs, and never in the confirmed exit.
bool CalibrationAllowed() {
    if (!ExitRule::Allows(ExitRule::Act::Calibration)) return false;
    const int16_t phase = RunApp().Phase();
    if (phase == PhaseCode::Stopped || phase == PhaseCode::StopLayer) return true;
    MsgBox(QStringLiteral("Stop process to calibrate ORUN detector."), vbInformation | vbOKOnly);
    return false;
}

// The confirmed exit keeps START off, whatever a calibration's end would give back.
void EnableMainStart(bool enabled) {
    if (gMainForm && gMainForm->cmdFunc(0))
        gMainForm->cmdFunc(0)->setEnabled(enabled && ExitRule::Allows(ExitRule::Act::RunStart));
}

}  // namespace

void frmSystem::cmdCalibrate_Click() {
    ORUN_PROC("frmSystem_cmdCalibrate_Click");
    try {
        // A calibration starting or running is never started again, whoever presses.
        if (Calibrating) return;
        if (!CalibrationAllowed()) return;
        ResetCalibrate(true);
        prgCalibrate->setValue(0);
        prgCalibrate->setVisible(true);
        lblCal->clear();
        lblCal->setVisible(true);
    } catch (...) {
        gErr.HandleError();
    }
}

// The phase and the channel are tested when a calibration starts; an end is never
// refused, so the link always leaves calibration and the run buttons come back, also once
// the shutdown has released the link (which ended the calibration with the exit).
void frmSystem::ResetCalibrate(bool Start) {
    ORUN_PROC("frmSystem_ResetCalibrate");
    try {
        if (Start && !CalibrationAllowed()) return;
        if (!Start && !gORUN) {
            EndCalibrationDisplay();
            return;
        }
        cORUN& unit = RunUnit();
        unit.setCalHiBias(CalHiBias);
        unit.setCalLoBias(CalLoBias);
        if (Start) {
            const int ch = cboCal->currentIndex();
            if (!unit.ChanActive(ch)) return;
            EnableMainStart(false);
            cmdCalibrate->setEnabled(false);
            CalPacketCount = 0;
            // Calibrating before the link's settling wait: the replies and presses handled
            // inside it see a calibration under way (no second start, Start kept off).
            Calibrating = true;
            const QPointer<frmSystem> self(this);
            try {
                unit.setCalChan(ch);
            } catch (...) {
                if (self) ResetCalibrate(false);
                throw;
            }
        } else {
            EndCalibrationDisplay();
            unit.setCalChan(-1);
            ShowCalValues();
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void frmSystem::EndCalibrationDisplay() {
    cmdCalibrate->setEnabled(!modBitOps::BitTestInteger(SystemFlags, SystemFlag::RunButtons));
    EnableMainStart(true);
    prgCalibrate->setVisible(false);
    lblCal->setVisible(false);
    Calibrating = false;
}

void frmSystem::EndUnfinishedCalibration(bool tell) {
    if (!Calibrating) return;
    const int ch = gORUN && gORUN->CalChan() >= 0 ? gORUN->CalChan() : cboCal->currentIndex();
    const bool finished = gORUN && gORUN->CalChan() >= 0 && gORUN->RdgType() == RdgType::Normal;
    ResetCalibrate(false);
    if (finished || !tell) return;
    MsgBox(QStringLiteral("The detector calibration of channel %1 was not finished: the channel keeps its "
                          "calibration from before.")
               .arg(ch + 1),
           vbInformation);
}

// One reply while calibrating. Errors in the progress display are let go: the next reply
// counts on.
void frmSystem::CalibrationProgress(const QString& Response) {
    try {
        cORUN& unit = RunUnit();
        if (unit.RdgType() == 0) {
            // Ended by the link (the exit) rather than finished: the channel kept its calibration.
            const bool ended = unit.CalChan() < 0;
            ResetCalibrate(false);
            if (ended) {
                lblCal->setText(QStringLiteral("Calibration Not Finished"));
                lblCal->setVisible(true);
            } else if (unit.CalibrationRefused()) {
                lblCal->setWordWrap(true);
                lblCal->setText(QStringLiteral("Calibration Failed: the counts did not follow the bias. The old "
                                               "calibration is kept."));
                lblCal->setVisible(true);
            }
            return;
        }
        if (!Response.startsWith(QLatin1Char('G'))) return;
        const QString field = modStrings::GetDelimitedWord(Response.left(Response.size() - 1), unit.CalChan() + 2, QStringLiteral(";"));
        if (field.isEmpty()) return;
        ++CalPacketCount;
        const int32_t p = unit.CalPackets(unit.CalChan());
        if (CalPacketCount > 3 * p) {
            ResetCalibrate(false);
            lblCal->setText(QStringLiteral("Calibration Failed"));
            lblCal->setVisible(true);
            return;
        }
        prgCalibrate->setValue(int(std::min(100.0, CalPacketCount / (2.0 * p) * 100.0)));
        if (CalPacketCount <= p)
            lblCal->setText(QStringLiteral("Zero CalRdg ") + vb::CStr(CalPacketCount));
        else if (CalPacketCount > 2 * p)
            lblCal->setText(QStringLiteral("Calibration Done"));
        else
            lblCal->setText(QStringLiteral("Gain CalRdg ") + vb::CStr(CalPacketCount - p));
    } catch (...) {
    }
}

void frmSystem::ShowCalValues() {
    const cORUN& unit = RunUnit();
    const int c = cboCal->currentIndex();
    lblCalA(0)->setText(vb::Format(unit.CalSlope(c, 0), QStringLiteral("#.000000")));
    lblCalA(1)->setText(vb::Format(unit.CalIntercept(c, 0), QStringLiteral("#.000000")));
    lblCalA(2)->setText(vb::CStr(unit.CalHiCounts(c, 0)));
    lblCalA(3)->setText(vb::CStr(unit.CalLoCounts(c, 0)));
}

void frmSystem::cboCal_Click() {
    if (Loading_) return;
    InitTab(0);
}
