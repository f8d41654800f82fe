#pragma once
// The calibration of an emission channel against a quartz monitor: it compares the
// channel's rate with the rate of the monitor that the film names and finds the factor
// that makes them agree. The layer editor holds one for the channel it calibrates and
// follows its Status event.
//
// Only the starting of a calibration is built so far: the calibration stays in its start
// delay, raising Status(1) on each tick, until the measurement that moves it on is built.
#include <QObject>
#include <QString>
#include <cstdint>

class ccrpTimer;

class cQCMCal : public QObject {
    Q_OBJECT
public:
    explicit cQCMCal(QObject* parent = nullptr);
    ~cQCMCal() override;

    // Starts calibrating channel 0..7 with film 1..25 against the film's quartz monitor:
    // sends the film's material to that monitor, notes the start, enters phase 1 and
    // starts the timer (the quartz period plus the channel's update time).
    void StartCal(int32_t channel, int16_t film);

    // 1 start delay, 2 calibrating, 3 done, 10 and above an error (0 before a start).
    int16_t Phase() const { return Phase_; }
    // The factor found by the last calibration.
    double QCMCalFactor() const { return QCMCalFactor_; }
    // The text of the error phase.
    QString ErrorMsg() const { return ErrorMsg_; }

signals:
    // Raised on every change of phase and on each tick of the timer.
    void Status(int16_t Phase);

private:
    void setPhase(int16_t phase);

    // Tests play the measurement that is not built yet.
    friend struct QCMCalProbe;

    ccrpTimer* Timer_ = nullptr;
    int32_t Channel_ = -1;
    int16_t Film_ = 0;
    int32_t QCM_ = -1;
    float StartTime_ = 0;
    int16_t Phase_ = 0;
    double QCMCalFactor_ = 0.0;
    QString ErrorMsg_;
};
