#pragma once
// The quartz facade: the one object through which the program reaches the quartz
// monitors, whichever source (the TRV-600 card or the Mirel USB sensors) is active.
// One instance, gQCM, made at start-up.
#include "platform/BoundedArray.h"
#include "qcm/QCMReadings.h"

#include <QObject>
#include <QString>
#include <cstdint>

class cQCM : public QObject {
    Q_OBJECT
public:
    explicit cQCM(QObject* parent = nullptr);
    ~cQCM() override;

    // The quartz source: 0 none, 1 TRV-600 card, 2 Mirel USB sensors.
    int32_t QCMType() const { return QCMType_; }
    void setQCMType(int32_t value);

    // Serial number of the Mirel sensor assigned to quartz monitor 0..3.
    QString MirelSN(int Chan) const { return MirelSN_(Chan); }
    void setMirelSN(int Chan, const QString& value) { MirelSN_(Chan) = value; }

    // Zeroes the thickness of every quartz monitor of the active source; the status of
    // the source (0 for success).
    int32_t ZeroAll();
    // Zeroes the thickness of quartz monitor 0..3 on the active source; 0 for success and
    // with no source.
    int32_t Zero(int lSensor);
    // Crystal frequencies (Hz) and measurement period (s): each frequency 1,000,000 to
    // 10,000,000 with maximum >= initial >= minimum, and a period of 0.1 to 2 s, else -1
    // and nothing is stored. The getters give the values last accepted.
    int32_t InitFreq(double maximum, double minimum, double initial, double period);
    double Period() const { return Period_; }
    double FreqMax() const { return FreqMax_; }
    double FreqMin() const { return FreqMin_; }
    double FreqInit() const { return FreqInit_; }

    // Element n of the quartz card's version block (7: the analog-input board).
    int16_t Revision(int QCM) const;

    // The material of quartz monitor 0..3 (density, Z-factor, tooling) for the active
    // source. With no source nothing is done and the result is 0; the card and the USB
    // sensors take it once their drivers are built (until then also 0).
    int32_t Material(int32_t sensor, double density, double zFactor, double tooling);

    // Whether quartz monitor 0..3 is connected and enabled; other numbers are ignored by
    // the setter and give False.
    bool QCMSensorEnabled(int QCM) const;
    void setQCMSensorEnabled(int QCM, bool value);

signals:
    // One reading of the four monitors (element = quantity * 4 + monitor) and its time.
    void QCMReading(QCMReadingArray& Readings, double dTime);
    // The card's four analog inputs; raised for the card source only.
    void VeskReading(VeskReadingArray& Readings, double value);

private:
    int32_t QCMType_ = 0;
    double FreqMax_ = 0.0;
    double FreqMin_ = 0.0;
    double FreqInit_ = 0.0;
    double Period_ = 0.0;
    BoundedArray<bool, 0, 3> QCMSensorEnabled_;
    BoundedArray<QString, 0, 3> MirelSN_;
};

// The quartz facade, made at start-up (and never released before the program ends).
extern cQCM* gQCM;
