#pragma once
// The calibration of an emission channel against a quartz monitor: it compares the
// channel's rate with the rate of the monitor that the film names and finds the factor
// that makes them agree. The run-phase machine makes one per channel when the channel
// enters QCM CAL., reads its phase on each deposit tick and releases it after taking the
// result or the error.
//
// Only the starting of a calibration is built so far: the calibration stays in its start
// delay until the measurement that moves it on is built.
#include <QObject>
#include <QString>
#include <cstdint>

class cQCMCal : public QObject {
    Q_OBJECT
public:
    explicit cQCMCal(QObject* parent = nullptr);
    ~cQCMCal() override;

    // Starts calibrating channel 0..7 with film 1..25 against the film's quartz monitor;
    // the calibration enters phase 1.
    void StartCal(int32_t channel, int16_t film);

    // 1 start delay, 2 calibrating, 3 done, 10 and above an error (0 before a start).
    int16_t Phase() const { return Phase_; }
    // The factor found by the last calibration.
    double QCMCalFactor() const { return QCMCalFactor_; }
    // The text of the error phase.
    QString ErrorMsg() const { return ErrorMsg_; }

private:
    // Tests play the measurement that is not built yet.
    friend struct QCMCalProbe;

    int32_t Channel_ = -1;
    int16_t Film_ = 0;
    int16_t Phase_ = 0;
    double QCMCalFactor_ = 0.0;
    QString ErrorMsg_;
};
