#include "qcm/cQCMCal.h"

#include "app/Globals.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modShellExecute.h"
#include "app/modStrings.h"
#include "app/modUtil.h"
#include "data/FilmRec.h"
#include "platform/Clock.h"
#include "platform/ccrpTimer.h"
#include "qcm/cQCM.h"
#include "run/modIO.h"
#include "unit/cORUN.h"

#include <cmath>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr int16_t kSettling = 1;
constexpr int16_t kCalibrating = 2;
constexpr int16_t kDone = 3;
constexpr int16_t kRateTotalLow = 10;
constexpr int16_t kThicknessLow = 11;
constexpr int16_t kVarying = 12;
constexpr int16_t kNoSampleTime = 13;
constexpr int16_t kQCMSilent = 14;
constexpr int16_t kChannelSilent = 15;
constexpr int16_t kCrystalFail = 16;
// Seconds both sources must report before sampling starts.
constexpr double kSettleSeconds = 5.0;
// Monitor rates at or below this (A/s) are too small to compare.
constexpr double kSmallestRate = 0.05;
// A channel integral or monitor thickness at or below this is too small to divide.
constexpr double kSmallestTotal = 0.1;
// Relay function "QCM 1 Shutter"; monitor q has this + q.
constexpr int16_t kQCMShutterFunction = 40;

double SecondsNow() { return static_cast<double>(Timer()); }

double Since(double start, double later) {
    return static_cast<double>(modUtil::TimeDiff(static_cast<float>(start), static_cast<float>(later)));
}

QString PhaseText(int16_t phase, int32_t channel, int16_t qcm) {
    const QString chan = QString::number(channel + 1);
    if (phase < 10) return QStringLiteral("No error.");
    switch (phase) {
    case kRateTotalLow:
        return QStringLiteral("Chan. ") + chan + QStringLiteral(" ORUN rate total low.") + kCrLf +
               QStringLiteral("Increase rate or Cal. Sample time.");
    case kThicknessLow:
        return QStringLiteral("Chan. ") + chan + QStringLiteral(" QCM thickness low.") + kCrLf +
               QStringLiteral("Increase rate or Cal. Sample time.");
    case kVarying: return QStringLiteral("ORUN or QCM readings are varying more than desired Cal. Accuracy.");
    case kNoSampleTime: return QStringLiteral("Cal Sample time is set to zero.");
    case kQCMSilent: return QStringLiteral("QCM is not responding.");
    case kChannelSilent:
    case 17: return QStringLiteral("No readings from ORUN channel ") + chan + QStringLiteral(".");
    case kCrystalFail: return QStringLiteral("QCM ") + QString::number(qcm + 1) + QStringLiteral(" crystal fail.");
    default: return QStringLiteral("Unknown error.");
    }
}

}  // namespace

cQCMCal::cQCMCal(QObject* parent) : QObject(parent), ErrorMsg_(PhaseText(0, 0, 0)) {
    CalTimer_ = new ccrpTimer(this);
    CalTimer_->setObjectName(QStringLiteral("CalTimer"));
    CalTimer_->setEnabled(false);
    connect(CalTimer_, &ccrpTimer::Timer, this, &cQCMCal::CalTimer_Timer);
    if (gORUN) connect(gORUN, &cORUN::ORUNResponse, this, &cQCMCal::ORUNEvent_ORUNResponse);
    if (gQCM) connect(gQCM, &cQCM::QCMReading, this, &cQCMCal::QCMEvent_QCMReading);
}

cQCMCal::~cQCMCal() { CalTimer_->setEnabled(false); }

void cQCMCal::StartCal(int32_t nChan, int16_t nFilm) {
    ORUN_PROC("cQCMCal_StartCal");
    try {
        const FilmRec& film = gFilm(nFilm);
        const int16_t qcm = vb::CInt(film.QCM_NUMBER);
        // There are four monitors, and relay functions for their shutters only.
        if (qcm < 0 || qcm > 3) throw RuntimeError::InvalidCall();
        const int32_t update = RunUnit().ChanUpdate(nChan);
        Channel_ = nChan;
        Film_ = nFilm;
        QCM_ = qcm;
        QCMSeen_ = false;
        ChanSeen_ = false;
        ChanRate_ = 0.0;
        ChanIntegral_ = 0.0;
        MaxRatio_ = 0.0;
        MinRatio_ = 0.0;
        RunQCM().Material(QCM_, film.QCM_DENSITY, film.QCM_ZFACTOR, film.QCM_TOOLING);
        StartTime_ = SecondsNow();
        SetCalPhase(kSettling);
        const int32_t interval = vb::CLng(RunQCM().Period() * 1000.0 + update);
        CalTimer_->setInterval(interval);
        // Without a quartz period yet there is no interval: a timer of 0 would run on
        // every pass of the event loop.
        CalTimer_->setEnabled(interval > 0);
    } catch (...) {
        gErr.HandleError();
    }
}

void cQCMCal::ORUNEvent_ORUNResponse(const QString& Response) {
    const ProcTrace trace(gErr, QStringLiteral("cQCMCal_ORUNEvent_ORUNResponse"));
    try {
        // Readings count only while a calibration runs.
        if (!Running()) return;
        if (!Response.startsWith(u'G') && !Response.startsWith(u'g')) return;
        if (modStrings::GetDelimitedWord(Response, Channel_ + 2, QStringLiteral(";")).isEmpty()) return;
        const double t = SecondsNow();
        ChanRate_ = modShellExecute::RunningFromIDE() ? 1.0 : RunUnit().ChanFlux(Channel_) - gFilm(Film_).QCM_CALZERO;
        ChanIntegral_ += Since(LastChanTime_, t) * ChanRate_;
        LastChanTime_ = t;
        ChanSeen_ = true;
    } catch (...) {
        gErr.HandleError();
    }
}

void cQCMCal::QCMEvent_QCMReading(QCMReadingArray& Readings, double) {
    const ProcTrace trace(gErr, QStringLiteral("cQCMCal_QCMEvent_QCMReading"));
    try {
        // Before a start and after the end a reading switches no shutter.
        if (!Running()) return;
        // Another sensor's reading repeats this monitor's last values: its own sensor
        // has not been heard, and the calibration must not run on frozen values.
        if (!RunQCM().QCMAnswered(QCM_)) return;
        if (Readings(QCMReadingIndex(QCM_, 2)) <= 0.0) {
            SetCalPhase(kCrystalFail);
            return;
        }
        const double t = SecondsNow();
        if (modShellExecute::RunningFromIDE()) {
            QCMRate_ = 1.0;
            QCMThick_ += Since(LastQCMTime_, t) * 1.0;
        } else {
            QCMRate_ = Readings(QCMReadingIndex(QCM_, 0));
            QCMThick_ = Readings(QCMReadingIndex(QCM_, 1));
        }
        LastQCMTime_ = t;
        QCMSeen_ = true;
    } catch (...) {
        gErr.HandleError();
    }
}

void cQCMCal::CalTimer_Timer() {
    const ProcTrace trace(gErr, QStringLiteral("cQCMCal_CalTimer_Timer"));
    try {
        if (!QCMSeen_) {
            SetCalPhase(kQCMSilent);
            return;
        }
        if (!ChanSeen_) {
            SetCalPhase(kChannelSilent);
            return;
        }
        QCMSeen_ = false;
        ChanSeen_ = false;
        const int16_t before = Phase_;
        if (Phase_ == kSettling) {
            if (Since(StartTime_, SecondsNow()) >= kSettleSeconds) {
                RunQCM().Zero(QCM_);
                QCMRate_ = QCMThick_ = ChanRate_ = ChanIntegral_ = 0.0;
                StartTime_ = LastQCMTime_ = LastChanTime_ = SecondsNow();
                SetCalPhase(kCalibrating);
            }
        } else if (Phase_ == kCalibrating) {
            DoCal();
        }
        // A tick that changes nothing still reports, so a window can show the progress.
        if (Phase_ == before) emit Status(Phase_);
    } catch (...) {
        gErr.HandleError();
    }
}

void cQCMCal::DoCal() {
    const FilmRec& film = gFilm(Film_);
    if (film.QCM_SAMPLE <= 0) {
        SetCalPhase(kNoSampleTime);
        return;
    }
    if (Since(StartTime_, SecondsNow()) <= film.QCM_SAMPLE) {
        if (std::abs(QCMRate_) > kSmallestRate) {
            const double ratio = (QCMRate_ - ChanRate_) / QCMRate_;
            if (ratio > MaxRatio_) MaxRatio_ = ratio;
            if (ratio < MinRatio_) MinRatio_ = ratio;
        }
        return;
    }
    if (std::abs(ChanIntegral_) <= kSmallestTotal) {
        SetCalPhase(kRateTotalLow);
    } else if (std::abs(QCMThick_) <= kSmallestTotal) {
        SetCalPhase(kThicknessLow);
    } else if (!SpreadAccepted(film.QCM_ACCURACY)) {
        SetCalPhase(kVarying);
    } else {
        // Both totals are carried on to the same moment before they are compared.
        const double t = SecondsNow();
        ChanIntegral_ += Since(LastChanTime_, t) * ChanRate_;
        QCMThick_ += Since(LastQCMTime_, t) * QCMRate_;
        QCMCalFactor_ = QCMThick_ / ChanIntegral_;
        SetCalPhase(kDone);
    }
}

bool cQCMCal::SpreadAccepted(double accuracy) const {
    if (accuracy == 0.0) return true;
    return 2.0 * accuracy > vb::Round(std::abs(MaxRatio_ - MinRatio_));
}

void cQCMCal::SetCalPhase(int16_t nPhase) {
    Phase_ = nPhase;
    ErrorMsg_ = PhaseText(nPhase, Channel_, QCM_);
    // A calibration that has ended is left as it ended.
    if (!Running()) CalTimer_->setEnabled(false);
    if (nPhase == kSettling) SetCalRelays(QCM_, true);
    else if (nPhase != kCalibrating) SetCalRelays(QCM_, false);
    emit Status(nPhase);
}

void cQCMCal::SetCalRelays(int16_t nQCM, bool on) {
    cORUN& unit = RunUnit();
    for (int16_t i = 0; i <= 11; ++i)
        if (modIO::GetOutputFunction(i) == kQCMShutterFunction + nQCM) unit.setRelay(i, on);
    unit.SendRelays();
}
