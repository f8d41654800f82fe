// The facade's sources: making them, choosing one, and settling which Mirel sensor
// serves which monitor.
#include "qcm/cQCM.h"

#include "app/PhaseCode.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modFileUtil.h"
#include "app/modUtil.h"
#include "data/UnreadCells.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"
#include "qcm/TrvApi.h"
#include "qcm/cTRV600a.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");
// The sensors' poll while they are the source, ms.
constexpr int32_t kMirelPollMs = 100;
// Found sensors that are offered for the monitors.
constexpr int kOffered = 4;

}  // namespace

cQCM::cQCM(QObject* parent) : QObject(parent) {
    Answered_.fill(true);
    Span_.fill(kWholePeriod);
    mc600_ = new cTRV600a(this);
    connect(mc600_, &cTRV600a::TRVReading, this, &cQCM::mc600_Events_TRVReading);
    connect(mc600_, &cTRV600a::TRVAnalog, this, &cQCM::mc600_Events_TRVAnalog);
    mcMirel_ = new cMirel(this);
    connect(mcMirel_, &cMirel::MirelReading, this, &cQCM::mcMirel_Events_MirelReading);
}

cQCM::~cQCM() = default;

void cQCM::setQCMType(int32_t value) {
    ORUN_PROC("cQCM_QCMType");
    try {
        // The source's settings are read before anything changes: when another program
        // keeps the file, the source stays the one it was.
        const modDB::TellUnreadOnce tell;
        const modDB::QCMRow settings = modDB::QCMRead();
        QCMType_ = value;
        switch (value) {
        case 0:
            mc600_->setTimerEnabled(false);
            mcMirel_->setReadingTimer(0);
            break;
        case 1: {
            // The very file the card class loads.
            const QString path = TrvLibrary::Path();
            if (!modFileUtil::FileExists(path))
                modUtil::CriticalError(QStringLiteral("Can't Find File ") + kCrLf + path.trimmed());
            mc600_->setTimerEnabled(true);
            mcMirel_->setReadingTimer(0);
            break;
        }
        case 2:
            mc600_->setTimerEnabled(false);
            InitMirels();
            mcMirel_->setReadingTimer(kMirelPollMs);
            break;
        default: break;
        }
        modDB::QCMLoad(settings);
    } catch (const modUtil::CriticalExit&) {
        throw;  // the program ends; only a test's exit hook comes back here
    } catch (const modDB::FileRefused& refusal) {
        if (RunApp().Phase() == PhaseCode::Startup) throw;  // the start-up tells it, and ends
        modDB::TellRefusal(refusal);
    } catch (...) {
        gErr.HandleError();
    }
}

void cQCM::StopReadings() {
    ReadingsStopped_ = true;
    mc600_->setTimerEnabled(false);
    mcMirel_->setReadingTimer(0);
}

void cQCM::InitMirels() {
    MirelSerials found;
    if (mcMirel_->FindMirels(found) == 0) {
        // No monitor is served by a sensor that is not there.
        QCMSensorEnabled_.fill(false);
        // At start-up the operator learns it from the monitors that stay dark.
        if (RunApp().Phase() != PhaseCode::Startup)
            MsgBox(QStringLiteral("No Mirels detected.") + kCrLf + QStringLiteral("Connect a Mirel to a USB port") +
                       kCrLf + QStringLiteral("and follow Mirel installation instructions."),
                   vbExclamation);
        return;
    }
    for (int q = 0; q <= 3; ++q) {
        QCMSensorEnabled_(q) = false;
        if (MirelSN_(q).isEmpty()) continue;
        const QString serial = vb::UCase(MirelSN_(q));
        bool matched = false;
        for (int i = 0; i < kOffered && !matched; ++i) {
            if (!found(i).isEmpty() && vb::UCase(found(i)) == serial) {
                QCMSensorEnabled_(q) = true;
                found(i).clear();
                matched = true;
            }
        }
        if (matched) continue;
        const int answer = MsgBox(QStringLiteral("Mirel #") + MirelSN_(q) + QStringLiteral(" is assigned to QCM") +
                                      QString::number(q + 1) + QStringLiteral(" but is not connected.") + kCrLf +
                                      QStringLiteral("Remove the assignment?"),
                                  vbYesNo + vbQuestion);
        if (answer == vbYes) MirelSN_(q).clear();
    }
    for (int i = 0; i < kOffered; ++i) {
        if (found(i).isEmpty()) continue;
        for (int q = 0; q <= 3; ++q) {
            if (!MirelSN_(q).isEmpty()) continue;
            const int answer = MsgBox(QStringLiteral("Mirel #") + found(i) +
                                          QStringLiteral(" is connected, but not assigned as a QCM.") + kCrLf +
                                          QStringLiteral("Assign it to unused QCM ") + QString::number(q + 1) +
                                          QStringLiteral("?"),
                                      vbYesNoCancel + vbQuestion);
            if (answer == vbYes) {
                MirelSN_(q) = vb::UCase(found(i));
                QCMSensorEnabled_(q) = true;
                break;
            }
            if (answer == vbCancel) break;
        }
    }
}
