#pragma once
// The quartz facade: the one object through which the program reaches the quartz
// monitors 0..3, whichever source is active (QCMType: 0 none, 1 the TRV-600 card, 2 the
// Mirel USB sensors). It forwards settings and commands to the active source and turns
// the source's readings into one event, QCMReading, plus VeskReading for the card's
// analog inputs. One instance, gQCM, made at start-up; it owns both sources.
#include "app/Globals.h"
#include "platform/BoundedArray.h"
#include "qcm/QCMReadings.h"
#include "qcm/TrvReadings.h"
#include "qcm/cMirel.h"

#include <QObject>
#include <QString>
#include <cstdint>

class cTRV600a;

class cQCM : public QObject {
    Q_OBJECT
public:
    // Makes both sources; the card's starts the card system at once, so a missing card
    // library makes the creation fail with the loader's error.
    explicit cQCM(QObject* parent = nullptr);
    ~cQCM() override;

    // The frequency of monitor 0..3 in the last reading raised; 0 with no source, for
    // other numbers and before a reading.
    double QCMFreq(int QCM) const;

    // The quartz source. Setting it starts that source (type 1 ends the program when
    // the card library is missing; type 2 looks for the sensors and asks about the
    // assignments), stops the other one, then loads the stored frequency settings.
    int32_t QCMType() const { return QCMType_; }
    void setQCMType(int32_t value);

    // The program is ending: both sources stop polling and no reading is raised any more,
    // not even one whose exchange is under way now. The source stays chosen (it is what
    // the configuration keeps).
    void StopReadings();

    // Crystal frequencies (Hz) and measurement period (s): each frequency 1,000,000 to
    // 10,000,000 with maximum >= initial >= minimum, and a period of 0.1 to 2 s, else -1
    // and nothing is stored. The values go to the active source; its status.
    int32_t InitFreq(double maximum, double minimum, double initial, double period);
    // Density, Z-factor and tooling of monitor sensor 0..3 on the active source; 0 with
    // no source, -1 for a sensor monitor that is not enabled.
    int32_t Material(int32_t sensor, double density, double zFactor, double tooling);
    // Zeroes the thickness of monitor lSensor 0..3 on the active source; as Material.
    int32_t Zero(int lSensor);
    // Zeroes every monitor of the active source.
    int32_t ZeroAll();
    // With the card, element QCM of its version block (7: the analog-input board); with
    // the sensors, the revision of monitor QCM's sensor x 100 ("1.05" gives 105); else 0.
    int16_t Revision(int QCM);

    // The values last accepted by InitFreq.
    double Period() const { return Period_; }
    double FreqMax() const { return FreqMax_; }
    double FreqMin() const { return FreqMin_; }
    double FreqInit() const { return FreqInit_; }

    // Whether monitor 0..3 is connected and enabled; other numbers are ignored by the
    // setter and give False.
    bool QCMSensorEnabled(int QCM) const;
    void setQCMSensorEnabled(int QCM, bool value);

    // Serial number of the Mirel sensor assigned to monitor 0..3 (empty: none); other
    // numbers are ignored by the setter and give an empty text.
    QString MirelSN(int Chan) const;
    void setMirelSN(int Chan, const QString& value);

    // Whether the reading being raised carries fresh values of monitor 0..3 from its own
    // sensor. The card measures its four monitors together; a Mirel sensor's reading
    // brings only the monitors it serves, and the others keep the values of their last
    // reading, which a sensor that stopped answering never renews. False for other
    // numbers.
    bool QCMAnswered(int QCM) const;
    // The seconds of measurement that monitor 0..3's reading in the event being raised
    // newly covers: the card forms one reading set per measuring period, a Mirel sensor a
    // new rate once at least a period has passed since the reading it is taken from (its
    // readings in between repeat that rate); 0 when the reading carries nothing its source
    // newly formed, and for other numbers. A loop steps once per such reading.
    double QCMReadingSpan(int QCM) const;

signals:
    // One reading of the four monitors (element = quantity * 4 + monitor) and its time
    // in seconds since midnight.
    void QCMReading(QCMReadingArray& Readings, double dTime);
    // The card's four analog inputs; raised for the card source only.
    void VeskReading(VeskReadingArray& Readings, double value);

private:
    // Status of a command to a monitor that no sensor serves.
    static constexpr int32_t kNotEnabled = -1;
    // A reading that covers one whole measuring period.
    static constexpr double kWholePeriod = -1.0;

    // Finds the sensors and settles which monitor each one serves, asking the operator.
    void InitMirels();
    void mcMirel_Events_MirelReading(const QString& SN, MirelReadingArray& Reading);
    void mc600_Events_TRVReading(const TrvSensorReadings& Sensors, const TrvOutputReadings& Outputs, double dTime);
    void mc600_Events_TRVAnalog(const TrvAnalogReadings& Analog, double dTime);
    // Every sensor, map and output of the card back to its neutral setting, and the
    // measurement started afresh.
    void ResetCard();
    // Raises QCMReading, noting each monitor's frequency.
    void RaiseReading(QCMReadingArray& Readings, double dTime);

    int32_t QCMType_ = 0;
    bool ReadingsStopped_ = false;
    double FreqMax_ = 0.0;
    double FreqMin_ = 0.0;
    double FreqInit_ = 0.0;
    double Period_ = 0.0;
    BoundedArray<bool, 0, 3> QCMSensorEnabled_;
    BoundedArray<QString, 0, 3> MirelSN_;
    BoundedArray<double, 0, 3> LastFreq_;
    // Which monitors the reading being raised renewed.
    BoundedArray<bool, 0, 3> Answered_;
    // Per monitor, the seconds its reading in the event being raised newly covers; below
    // 0 for a whole measuring period.
    BoundedArray<double, 0, 3> Span_;
    // The sensors' readings, kept between their events.
    QCMReadingArray MirelReadings_;
    cTRV600a* mc600_ = nullptr;
    cMirel* mcMirel_ = nullptr;
};
