// The unit's replies and errors as the main window handles them: the identification
// starts the poll, channel states refresh the channels, sensor values go into their
// averages, "F1" asks for the reading, the reading is one control tick, and the digital
// inputs act; a reply time-out shows "COMM ERROR" and reopens the link, a unit that answers
// but leaves the poll's questions waiting long shows "SLOW LINK".
#include "app/ChannelData.h"
#include "app/Globals.h"
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modFileUtil.h"
#include "app/modFormUtil.h"
#include "data/FilmRec.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"
#include "platform/ccrpTimer.h"
#include "data/modDB.h"
#include "run/frmMain.h"
#include "run/modPhases.h"
#include "unit/cORUN.h"

#include <QTimer>

namespace {

// Firmware older than 4.10 does not speak the poll this window uses.
constexpr int32_t kFirstCompatibleVersion = 410;
// Debug setting that logs reply time-outs.
constexpr int32_t kDebugCommErrors = 3;

// The body of a sensor or reading reply: without its first two and last two characters.
// A reply too short to have a body gives an empty one.
QString ReplyBody(const QString& r) { return r.size() > 4 ? r.mid(2, r.size() - 4) : QString(); }

// Counts the reply handlers on the stack for the length of one.
class ReplyScope {
public:
    explicit ReplyScope(int& depth) : depth_(depth) { ++depth_; }
    ~ReplyScope() { --depth_; }
    ReplyScope(const ReplyScope&) = delete;
    ReplyScope& operator=(const ReplyScope&) = delete;

private:
    int& depth_;
};

}  // namespace

void frmMain::ORUNEvent_ORUNResponse(const QString& Response) {
    const ProcTrace trace(gErr, QStringLiteral("frmMain_ORUNResponse"));
    const ReplyScope scope(replyDepth_);
    try {
        cApp& app = RunApp();
        if (app.StatusMsg() == StatusMsgCode::CommError) app.setStatusMsg(StatusMsgCode::None);
        // The unit took a power command: the rows show what it now holds (the exit's zeros
        // included).
        if (Response.startsWith(QLatin1Char('K')) || Response.startsWith(QLatin1Char('W'))) ShowSentPowers();
        if (app.Phase() == PhaseCode::Shutdown) return;
        // A unit that answers without readings for a while has detectors that stopped.
        modPhases::NoteUnitReply(Response.startsWith(QLatin1Char('G')) || Response.startsWith(QLatin1Char('g')),
                                 Response.startsWith(QLatin1String("F0")));
        CheckReadingPace();

        if (Response.size() >= 4 && Response.startsWith(QLatin1String("ORUN"))) {
            // The unit may have restarted: no power it acknowledged before is shown as held.
            ShowSentPowers();
            modPhases::NoteLinkLapse();
            const int32_t version = RunUnit().Version();
            if (version >= kFirstCompatibleVersion) {
                const int16_t phase = app.Phase();
                if (phase == PhaseCode::Startup || phase == PhaseCode::Stopped || phase == PhaseCode::StopLayer)
                    setFormSize(FormSize_);
                if (RequestReadings && !shuttingDown_) RequestReadings->setEnabled(true);
            } else {
                MsgBox(QStringLiteral("Controller firmware version ") + vb::CStr(static_cast<int>(version)) +
                           QStringLiteral(" is not compatible with this software.\r\nPlease contact Arvento support."),
                       vbCritical, QStringLiteral("ORUN"));
                modFormUtil::Unload(this);
            }
            return;
        }
        if (Response.isEmpty()) return;

        cORUN& unit = RunUnit();
        switch (Response.at(0).unicode()) {
        case 'A':
            if (!Response.startsWith(QLatin1String("A1")) && !Response.startsWith(QLatin1String("A0"))) break;
            for (int16_t ch = 0; ch <= 7; ++ch) {
                const int16_t film = app.ChanFilm(ch);
                if (film <= 0) continue;
                if (unit.ChanActive(ch)) {
                    unit.setChanUpdate(ch, unit.ChanUpdate(ch));
                    unit.setPMTVolts(ch, vb::CInt(gFilm(film).Sensor_PMT));
                } else {
                    UpdateChanProc(ch);
                }
            }
            break;
        case 'D':
            SensorReplyText = ReplyBody(Response);
            for (int s = 0; s <= 3; ++s) {
                gSensorEmissionFilter(s).Push(unit.EmissionCurrent(s));
                gSensorLeakageFilter(s).Push(unit.LeakageCurrent(s));
                gSensorPowerFilter(s).Push(unit.SensorPower(s));
                gSensorFilamentFilter(s).Push(unit.FilamentCurrent(s));
                gSensorBiasFilter(s).Push(unit.BiasVoltage(s));
            }
            UpdateSensorStatus();
            break;
        case 'F':
            if (Response.startsWith(QLatin1String("F1"))) unit.SendGetReading();
            break;
        case 'G':
        case 'g': ControlTick(Response); break;
        case 'M': InputEvent(); break;
        default: break;  // "O" (the filter reply), "P" and the others
        }
    } catch (...) {
        gErr.HandleError();
    }
}

// One control tick per reading. The poll pauses for its length and runs again however the
// tick ends, an error included, so the run never freezes. A message the tick gives (a
// channel's error, a shutter delay that failed) is shown once the poll runs again: the
// inputs, the interlocks and Stop Process among them, are read and acted on while the
// operator reads it.
void frmMain::ControlTick(const QString& Response) {
    const DeferredBoxes told;
    struct PollPause {
        frmMain& form;
        explicit PollPause(frmMain& f) : form(f) {
            if (form.RequestReadings) form.RequestReadings->setEnabled(false);
        }
        ~PollPause() {
            if (form.RequestReadings && !form.shuttingDown_ && gORUN && gApp && gApp->Phase() != PhaseCode::Shutdown)
                form.RequestReadings->setEnabled(true);
        }
    } pause(*this);

    ReadingReplyText = ReplyBody(Response);
    cApp& app = RunApp();
    cORUN& unit = RunUnit();
    // Only a detector's new reading is taken, and only through a calibration that makes it
    // depend on the detector.
    for (int16_t ch = 0; ch <= 7; ++ch)
        if (modPhases::TakeUnitReading(ch)) SaveReading(ch, unit.ChanFlux(ch));
    // An output that left the running layer through an edit stops before anything else.
    FollowOutputs();
    UpdateForm();
    // Once the operator has confirmed the exit the sources are off, and no tick may set
    // them going again before the shutdown.
    if (app.Phase() != PhaseCode::Stopped && !tmrEnd->isActive() && !shuttingDown_) modPhases::DoPhase();
}

void frmMain::ORUNEvent_ORUNError(int ErrType, int ErrNum) {
    const ReplyScope scope(replyDepth_);
    try {
        if (ErrType == 0 && ErrNum == 0) {
            RunApp().setStatusMsg(StatusMsgCode::CommError);
            modPhases::NoteLinkLapse();
            // Out of reach, the unit holds nothing the rows may show as confirmed.
            ShowSentPowers();
            if (gORUN && gORUN->Version() >= 1 && Debug == kDebugCommErrors) {
                const QDateTime now = Now();
                modFileUtil::AppendToTextFile(InProgramFolder(QStringLiteral("CommErrors.txt")),
                                              vb::Format(now, QStringLiteral("Short Date")) + QLatin1Char(' ') +
                                                  vb::Format(now, QStringLiteral("Long Time")) +
                                                  QStringLiteral(": Comm Timeout"));
            }
            ResetComm();
        } else if (ErrType >= 20 && ErrType <= 27 && ErrNum == 1) {
            ChanErrorMsg(static_cast<int16_t>(ErrType - 20));
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::ORUNEvent_LinkPaceChange(bool slow) {
    // Only the status line follows the pace: a COMM ERROR shown stays until a reply, and
    // the word goes only when it is the one shown.
    if (!gApp || gApp->Phase() == PhaseCode::Shutdown) return;
    cApp& app = RunApp();
    if (slow && app.StatusMsg() != StatusMsgCode::CommError) app.setStatusMsg(StatusMsgCode::SlowLink);
    else if (!slow && app.StatusMsg() == StatusMsgCode::SlowLink) app.setStatusMsg(StatusMsgCode::None);
}
