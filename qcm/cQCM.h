#pragma once
// The quartz facade: the one object through which the program reaches the quartz
// monitors, whichever source (the TRV-600 card or the Mirel USB sensors) is active.
// One instance, gQCM, made at start-up.
#include "platform/BoundedArray.h"

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

private:
    int32_t QCMType_ = 0;
    BoundedArray<QString, 0, 3> MirelSN_;
};

// The quartz facade, made at start-up (and never released before the program ends).
extern cQCM* gQCM;
