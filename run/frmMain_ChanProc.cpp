// The refresh of one channel row: film, reading, deviation or ratio, total and power, the
// channel's phase with its set point, and the channel-error test with the film's error
// action, taken once per error.
#include "app/ChannelData.h"
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modUtil.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/VbControls.h"
#include "run/frmMain.h"
#include "run/modCalculations.h"
#include "run/modPhases.h"
#include "unit/cORUN.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr uint32_t kBlack = 0x0;
constexpr uint32_t kRed = 0xFF;

enum ErrorAction : int32_t { Ignore = 0, Stop = 1, Hold = 2 };

// Channel phases in which the film's error action applies.
bool ErrorActionPhase(int16_t p) {
    return p == PhaseCode::Deposit || p == PhaseCode::ManRamp || p == PhaseCode::Constant || p == PhaseCode::HoldPower;
}

// Channel phases whose name is followed by the rate set point.
bool SetPointPhase(int16_t p) {
    return p == PhaseCode::ShutterDelay || p == PhaseCode::Deposit || p == PhaseCode::ManRamp ||
           p == PhaseCode::Constant || p == PhaseCode::HoldPower;
}

// Units of a rate in Angstrom per second, whose total is shown in kA.
bool AngstromRate(const QString& units) {
    const QString u = vb::Trim(units).toUpper();
    return u.isEmpty() || u == QLatin1String("A/S") || u == QLatin1String("A/SEC") || u == QLatin1String("A/SEC.");
}

QString ExponentText(int32_t e) {
    if (e < 0) return QStringLiteral("-") + vb::CStr(static_cast<int>(-e));
    if (e > 0) return QStringLiteral("+") + vb::CStr(static_cast<int>(e));
    return QString();
}

}  // namespace

void frmMain::UpdateChanProc(int16_t Chan) {
    const ProcTrace trace(gErr, QStringLiteral("frmMain_UpdateChanProc"));
    try {
        cApp& app = RunApp();
        const int16_t film = app.ChanFilm(Chan);
        if (film <= 0) return;
        const FilmRec& f = gFilm(film);

        lblFilm(Chan)->setText(vb::Trim(f.Film_Name));
        lblRdgUnits(Chan)->setText(vb::Trim(f.Units));
        lblTotalUnits(Chan)->setText(AngstromRate(f.Units) ? QStringLiteral("kA") : QString());
        lblRdg(Chan)->setText(vb::Trim(modUtil::FormatChannelValue(gChanUserFilter(Chan).Average(), Chan)));
        lblExponent(Chan)->setText(ExponentText(f.Exponent));

        gChanDev(Chan) = modCalculations::CalcChanDev(Chan);
        gChanRatio(Chan) = modCalculations::CalcChanRatio(Chan);
        if (ShowReadings == 0) {
            lblDevRatio(Chan)->setText(vb::Trim(modUtil::FormatDeviation(gChanDev(Chan))));
            lblRdgDevRatio(Chan)->setText(QStringLiteral("%"));
        } else if (ShowReadings == 1) {
            lblDevRatio(Chan)->setText(vb::Trim(modUtil::FormatOneDecimal(gChanRatio(Chan))));
            const int16_t layer = app.ChanLayer(Chan);
            const int16_t ratioChan = gLayer.inRange(layer) ? gLayer(layer).RatioChan : -1;
            lblRdgDevRatio(Chan)->setText(ratioChan < 0 ? QStringLiteral("None")
                                                        : QStringLiteral("CH") + vb::CStr(Chan + 1) + QStringLiteral("/CH") +
                                                              vb::CStr(ratioChan + 1));
        }

        const int16_t phase = app.Phase();
        if (phase == PhaseCode::StopLayer && app.ProcLayer() != app.StopLayer()) {
            // The stopped layer has been left: nothing of it is deposited here, shown as
            // every total shows 0.
            lblTotal(Chan)->setText(vb::Trim(modUtil::FormatFilmValue(0.0, Chan)));
        } else if (phase > PhaseCode::Stopped) {
            gChanTotal(Chan) = modCalculations::CalcChanThick(Chan);
            lblTotal(Chan)->setText(vb::Trim(modUtil::FormatFilmValue(gChanTotalCarry(Chan) + gChanTotal(Chan), Chan)));
        }

        ShowSentPower(Chan);

        // A box left ticked after the channel left manual power is cleared through its
        // handler, so the channel leaves manual power properly.
        if (chkManPwr(Chan)->isChecked() && app.ChanPhase(Chan) != PhaseCode::ManPower) PressWithoutInterlock(chkManPwr(Chan));

        const bool error = Simulate > 0 ? false : CheckChanRelays(Chan);
        if (!error) {
            ChanErrorShown(Chan) = false;
            ShowChanPhase(Chan);
            return;
        }
        if (ChanErrorShown(Chan)) return;
        // Marked before the action, which lets events run: a second pass meanwhile does
        // nothing more.
        ChanErrorShown(Chan) = true;
        SetForeColor(lblSubPhase(Chan), kRed);
        ChanErrorMsg(Chan);
        if (ErrorActionPhase(app.ChanPhase(Chan))) ApplyErrorAction(Chan);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::ShowChanPhase(int16_t Chan) {
    SetForeColor(lblSubPhase(Chan), kBlack);
    const int16_t chanPhase = RunApp().ChanPhase(Chan);
    QString text = modPhases::PhaseName(chanPhase);
    if (SetPointPhase(chanPhase)) text += QStringLiteral(": ") + modUtil::FormatChannelValue(modPhases::RateTarget(Chan), Chan);
    lblSubPhase(Chan)->setText(text);
}

void frmMain::ApplyErrorAction(int16_t Chan) {
    cApp& app = RunApp();
    const int16_t film = app.ChanFilm(Chan);
    if (film <= 0) return;
    switch (gFilm(film).ERROR_ACTION) {
    case Stop:
        StopForError(Chan);
        DoEvents();
        MsgBox(QStringLiteral("Channel ") + vb::CStr(Chan + 1) + QStringLiteral(" error. Layer stopped."), vbExclamation);
        break;
    case Hold:
        // A layer whose output was taken away has no source to hold.
        if (app.ChanOutput(Chan) >= 0) {
            RunUnit().setPower(app.ChanOutput(Chan), modPhases::HoldPower(Chan));
            RunUnit().SendPower();
        }
        app.setChanPhase(Chan, PhaseCode::HoldPower);
        break;
    default: break;
    }
}

void frmMain::ChanErrorMsg(int16_t Chan) {
    const ProcTrace trace(gErr, QStringLiteral("frmMain_ChanErrorMsg"));
    try {
        cApp& app = RunApp();
        const int16_t film = app.ChanFilm(Chan);
        if (film <= 0) return;
        const FilmRec& f = gFilm(film);
        QString source;
        if (InputType::IsEmission(f.Input_Type)) source = QStringLiteral("ORUN");
        else if (InputType::IsQuartz(f.Input_Type))
            source = QStringLiteral("QCM") + vb::CStr(InputType::QuartzMonitor(f.Input_Type) + 1);
        else if (InputType::IsAnalog(f.Input_Type))
            source = QStringLiteral("Vesk") + vb::CStr(InputType::AnalogInput(f.Input_Type) + 1);
        if (app.Phase() == PhaseCode::Deposit) {
            static const char* const kActions[] = {" Err: IGNORE", " Err: STOP", " Err: HOLD"};
            if (f.ERROR_ACTION >= Ignore && f.ERROR_ACTION <= Hold)
                lblSubPhase(Chan)->setText(source + QString::fromLatin1(kActions[f.ERROR_ACTION]));
        } else {
            lblSubPhase(Chan)->setText(source + QStringLiteral(" ERROR"));
        }
    } catch (...) {
        gErr.HandleError();
    }
}
