// Supervision of the four emission sensors after every sensor reply: the commanded
// emission is sent again when the unit reports another state, the buttons show the
// emission current, and a leakage current above the sensor's limit takes the film's error
// action on the channel of the sensor's number.
#include "app/ChannelData.h"
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "data/FilmRec.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/VbColor.h"
#include "platform/VbControls.h"
#include "run/frmMain.h"
#include "run/modPhases.h"
#include "unit/cORUN.h"

#include <QPushButton>

namespace {

constexpr uint32_t kGreen = 0xFF00;
constexpr uint32_t kYellow = 0xFFFF;
// Share of the leakage limit from which the button turns yellow.
constexpr double kLeakageWarning = 0.67;

enum ErrorAction : int32_t { Ignore = 0, Stop = 1, Hold = 2 };

const char* const kStopMessage[] = {
    "Layer stopped. Sensor 1 excessive leakage current.",
    "Layer stopped. Gas 1 sensor excessive leakage current.",
    "Layer stopped. Sensor 2 excessive leakage current.",
    "Layer stopped. Gas 2 sensor excessive leakage current.",
};
const char* const kHoldMessage[] = {
    "Sensor 1 has excessive leakage current.",
    "Gas 1 sensor has excessive leakage current.",
    "Sensor 2 has excessive leakage current.",
    "Gas 2 sensor excessive leakage current.",
};

bool ControlledPhase(int16_t p) {
    return p == PhaseCode::Deposit || p == PhaseCode::ManRamp || p == PhaseCode::Constant || p == PhaseCode::HoldPower;
}

}  // namespace

void frmMain::UpdateSensorStatus() {
    const ProcTrace trace(gErr, QStringLiteral("frmMain_UpdateSensorStatus"));
    try {
        if (ShowReadings == 2) ShowSensorReadings();
        cApp& app = RunApp();
        for (int16_t s = 0; s <= 3; ++s) {
            cORUN& unit = RunUnit();
            QPushButton* button = cmdSensor(s);
            if (unit.ORUNSensorOn(s) != unit.EmissionOn(s)) unit.setEmissionOn(s, unit.EmissionOn(s));
            if (unit.ORUNSensorOn(s) == 0) {
                SetBackColor(button, vbButtonFace);
                button->setText(QStringLiteral("OFF"));
                continue;
            }
            button->setText(vb::Format(gSensorEmissionFilter(s).Average(), SensorDecimals) + QStringLiteral("mA"));
            const double limit = unit.MaxLeakage(s);
            if (limit <= 0.0) continue;
            const double leakage = gSensorLeakageFilter(s).Average();
            if (leakage <= limit) {
                SetBackColor(button, leakage > kLeakageWarning * limit ? kYellow : kGreen);
                continue;
            }
            const int16_t chanPhase = app.ChanPhase(s);
            if (chanPhase == PhaseCode::Stopped || chanPhase == PhaseCode::StopLayer) continue;
            SetBackColor(button, kYellow);
            const int16_t film = app.ChanFilm(s);
            const int32_t action = film > 0 ? gFilm(film).ERROR_ACTION : Ignore;
            if (action == Stop) {
                StopForError(static_cast<int16_t>(s));
                PressWithoutInterlock(button);
                DoEvents();
                if (!LeakageMsgShown(s)) {
                    LeakageMsgShown(s) = true;
                    MsgBox(QString::fromLatin1(kStopMessage[s]), vbOKOnly);
                }
            } else if (action == Hold && ControlledPhase(chanPhase)) {
                unit.setPower(app.ChanOutput(s), modPhases::HoldPower(s));
                unit.SendPower();
                app.setChanPhase(s, PhaseCode::HoldPower);
                if (!LeakageMsgShown(s)) {
                    LeakageMsgShown(s) = true;
                    MsgBox(QString::fromLatin1(kHoldMessage[s]), vbOKOnly);
                }
            }
        }
    } catch (...) {
        gErr.HandleError();
    }
}
