// The intake of channel readings: the controller unit's, the quartz monitors' and the
// quartz card's analog inputs.
#include "app/ChannelData.h"
#include "app/Globals.h"
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "data/FilmRec.h"
#include "platform/TarselGrid.h"
#include "qcm/cQCM.h"
#include "run/frmMain.h"
#include "run/modCalculations.h"
#include "run/modPhases.h"
#include "unit/cORUN.h"

#include <cmath>

namespace {

// Successive failed-crystal readings that switch a quartz monitor off.
constexpr int32_t kQCMFailLimit = 5;
// The quartz source of the USB sensors.
constexpr int32_t kMirelSensors = 2;

// The film's input type for a channel with a film; -1 without one.
int32_t ChanInputType(int16_t ch) {
    const int16_t film = RunApp().ChanFilm(ch);
    return film >= 1 ? gFilm(film).Input_Type : -1;
}

// Remaining crystal life in percent, from the frequency fallen from the initial towards
// the minimum frequency; "Fail" for a dead crystal or frequencies that give no span.
QString LifeText(double frequency) {
    const double span = RunQCM().FreqInit() - RunQCM().FreqMin();
    if (frequency < 1.0 || span == 0.0) return QStringLiteral("Fail");
    return vb::Format(100.0 - (RunQCM().FreqInit() - frequency) / span * 100.0, QStringLiteral("#.0"));
}

// Whether monitor q's value in the event being raised is its own new reading.
bool Fresh(int q, double value) {
    return std::isfinite(value) && (RunQCM().QCMType() != kMirelSensors || RunQCM().QCMAnswered(q));
}

}  // namespace

void frmMain::SaveReading(int16_t ch, double x) {
    const ProcTrace trace(gErr, QStringLiteral("frmMain_SaveReading"));
    try {
        // A reading whose calculation gives no number at any step is no reading: it stays out
        // of the channel's values and averages (where it would stay for good), and the
        // channel is held at 0 until one gives a number.
        const double before = gChanReading(ch);
        gChanReading(ch) = x;
        const std::optional<double> user = std::isfinite(x) ? modCalculations::ChanUserValue(ch) : std::nullopt;
        modPhases::NoteReadingNumber(ch, user.has_value());
        if (!user) {
            gChanReading(ch) = before;
            return;
        }
        gChanRateFilter(ch).Push(x);
        gChanUser(ch) = *user;
        gChanUserFilter(ch).Push(gChanUser(ch));
        const int16_t out = RunApp().ChanOutput(ch);
        if (out >= 0) {
            gChanPower(ch) = RunUnit().Power(out);
            gChanPowerFilter(ch).Push(gChanPower(ch));
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::QCMEvent_QCMReading(QCMReadingArray& R, double) {
    const ProcTrace trace(gErr, QStringLiteral("frmMain_QCMEvent_QCMReading"));
    try {
        bool updated = false;
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const int32_t inputType = ChanInputType(ch);
            if (!InputType::IsQuartz(inputType)) continue;
            const int q = InputType::QuartzMonitor(inputType);
            int32_t& fails = QCMFailCount_(q);
            // Each channel on a monitor counts its readings, so two channels on one
            // monitor count twice per event.
            if (R(QCMReadingIndex(q, 2)) > 0.0) {
                if (RunQCM().QCMSensorEnabled(q)) {
                    SaveReading(ch, R(QCMReadingIndex(q, 0)));
                    gChanTotal(ch) = R(QCMReadingIndex(q, 1)) * 0.001;
                    updated = true;
                    // A sensor's event carries the last values of the monitors it does not
                    // serve: only a monitor that answered keeps its channel's loop going.
                    if (Fresh(q, R(QCMReadingIndex(q, 0))))
                        modPhases::NoteReading(ch, inputType, RunQCM().QCMReadingSpan(q));
                }
                if (fails > 0 && --fails == 0) RunQCM().setQCMSensorEnabled(q, true);
            } else {
                if (fails < kQCMFailLimit && ++fails == kQCMFailLimit) RunQCM().setQCMSensorEnabled(q, false);
            }
        }
        if (updated || Simulate != 0) UpdateForm();
        if (ShowReadings == 2) ShowQCMReadings(R);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::ShowQCMReadings(QCMReadingArray& R) {
    // Every monitor is shown, whether a channel uses it or not; the zero column keeps its
    // button text.
    for (int q = 0; q <= 3; ++q) {
        const double frequency = R(QCMReadingIndex(q, 2));
        grdQCM->setCellText(q, 0, vb::Format(R(QCMReadingIndex(q, 0)), QStringLiteral("#.00")));
        grdQCM->setCellText(q, 1, vb::Format(R(QCMReadingIndex(q, 1)) * 0.001, QStringLiteral("#000.000")));
        grdQCM->setCellText(q, 3, vb::Format(frequency, QStringLiteral("#.0")));
        grdQCM->setCellText(q, 4, LifeText(frequency));
    }
}

void frmMain::QCMEvent_VeskReading(VeskReadingArray& v, double) {
    const ProcTrace trace(gErr, QStringLiteral("frmMain_QCMEvent_VeskReading"));
    try {
        bool updated = false;
        for (int16_t ch = 0; ch <= 7; ++ch) {
            const int32_t inputType = ChanInputType(ch);
            if (!InputType::IsAnalog(inputType)) continue;
            const double value = v(InputType::AnalogInput(inputType));
            SaveReading(ch, value);
            // The card forms one set of its analog inputs per measuring period.
            if (std::isfinite(value)) modPhases::NoteReading(ch, inputType, RunQCM().Period());
            updated = true;
        }
        if (updated) UpdateForm();
        // The analog inputs are shown when the card set reports its analog-input board.
        if (RunQCM().QCMType() == 1 && ShowReadings == 2 && RunQCM().Revision(7) != 0) ShowVeskReadings(v);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::ShowVeskReadings(VeskReadingArray& v) {
    for (int i = 0; i <= 3; ++i) grdVesk->setCellText(i, 0, vb::Format(v(i), QStringLiteral("#.00")));
}
