#pragma once
// The calibration of an emission channel against a quartz monitor: while material is
// deposited it integrates the channel's rate over the film's sample time, takes the
// thickness the monitor measured over that time, and finds the factor monitor thickness /
// channel integral. The run-phase machine makes one per channel under calibration and
// the film editor one for the channel it calibrates.
//
// Phases: 0 idle, 1 settling (5 s, shutter relays of the monitor on), 2 calibrating,
// 3 done, 10..16 errors (ErrorMsg); it listens to the unit link's readings and to the
// quartz facade's readings, and a timer of the quartz period plus the channel's update
// time moves it on. A finished or failed calibration stays as it ended.
#include "qcm/QCMReadings.h"

#include <QObject>
#include <QString>
#include <cstdint>

class ccrpTimer;

class cQCMCal : public QObject {
    Q_OBJECT
public:
    explicit cQCMCal(QObject* parent = nullptr);
    ~cQCMCal() override;

    // The factor found by the last calibration.
    double QCMCalFactor() const { return QCMCalFactor_; }
    // 1 settling, 2 calibrating, 3 done, 10 and above an error (0 before a start).
    int16_t Phase() const { return Phase_; }
    // The text of the error phase ("No error." below 10).
    QString ErrorMsg() const { return ErrorMsg_; }
    // Starts calibrating channel 0..7 against the quartz monitor of film 1..25: sends the
    // film's material to the monitor and enters phase 1. A film outside 1..25 or a
    // monitor outside 0..3 is reported and nothing starts.
    void StartCal(int32_t nChan, int16_t nFilm);

signals:
    // Raised by every phase change, and by each tick of the timer that changes nothing.
    void Status(int16_t Phase);

private:
    // Tests of the run phases set a calibration's outcome directly.
    friend struct QCMCalProbe;

    void ORUNEvent_ORUNResponse(const QString& Response);
    void QCMEvent_QCMReading(QCMReadingArray& Readings, double dTime);
    void CalTimer_Timer();
    void DoCal();
    void SetCalPhase(int16_t nPhase);
    void SetCalRelays(int16_t nQCM, bool on);
    // Whether the spread of the rate ratios seen while sampling is within the film's
    // accuracy.
    bool SpreadAccepted(double accuracy) const;
    bool Running() const { return Phase_ == 1 || Phase_ == 2; }

    int32_t Channel_ = -1;
    int16_t Film_ = 0;
    int16_t QCM_ = 0;
    int16_t Phase_ = 0;
    double StartTime_ = 0.0;
    double MaxRatio_ = 0.0;
    double MinRatio_ = 0.0;
    double QCMCalFactor_ = 0.0;
    QString ErrorMsg_;
    double QCMRate_ = 0.0;
    double QCMThick_ = 0.0;
    double LastQCMTime_ = 0.0;
    bool QCMSeen_ = false;
    double ChanRate_ = 0.0;
    double ChanIntegral_ = 0.0;
    double LastChanTime_ = 0.0;
    bool ChanSeen_ = false;
    ccrpTimer* CalTimer_ = nullptr;
};
