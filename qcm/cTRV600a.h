#pragma once
// The driver of the TRV-600 quartz-crystal-monitor card system. It keeps the program's copy
// of every setting of the cards, checks each value before it goes to the card library,
// polls the library for readings, averages them, runs the crystal checks and hands
// everything to its owner (the quartz facade) through events.
//
// Sensors are 0..23 (four per card), outputs 0..13 (two per card; 12 and 13 belong to the
// extended-I/O card), analog inputs 0..3. Every command returns 0 for success, else a code
// that it has also raised as TRVError(code, text):
//   1 frequencies out of order or range, or two analog inputs on one output
//   2 period, 5 output number, 6 rate, 7 P term, 8 I term, 9 D term, 10 sensor or analog
//   input number, 11 density, 12 tooling, 13 z-factor, 14 output voltage, 15 power,
//   16 slew rate, 17 mode, 99 the library refused the call; the map commands pass the
//   library's own code; 900 and up a start-up status of the cards.
// A refused value changes nothing. The library is loaded when the object is made; a
// missing library makes the construction fail with the loader's RuntimeError.
#include "platform/BoundedArray.h"
#include "qcm/TrvApi.h"
#include "qcm/TrvReadings.h"

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

class ccrpTimer;

class cTRV600a : public QObject {
    Q_OBJECT
public:
    static constexpr int kSensors = 24;
    static constexpr int kOutputs = 14;
    static constexpr int kAnalogs = 4;
    static constexpr int kFilterSlots = 10;
    static constexpr int kQualityHistory = 16;

    // Sensor status bits (SensorErrorWord) and output status bits (OutputStatus).
    enum SensorBit { kSensorDisabled = 0, kCrystalFailure = 1, kQualityFailure = 2,
                     kStabilitySingle = 3, kStabilitySum = 4 };
    enum OutputBit { kControlError = 4, kAllCrystalsFailed = 5 };
    // Output modes.
    enum { kAutomatic = 2, kManualPower = 3 };

    // Loads the card library from the program's library folder and starts the card system.
    explicit cTRV600a(QObject* parent = nullptr);
    // Drives the card system through the given table instead (tests).
    explicit cTRV600a(std::shared_ptr<const TrvApi> api, QObject* parent = nullptr);
    // Stops the timers, leaves the cards in simulation and shuts the card system down.
    ~cTRV600a() override;

    // ---- Commands ----
    // Frequency window (Hz; 1,000,000..10,000,000, min <= init <= max) and period (s,
    // 0.1..2). On success the poll runs every 10 ms once it is enabled.
    int32_t SendInit(double XFMax, double XFMin, double XFInit, double Period);
    // For an output (or -1): 1 when an analog input drives it, else 2 when a sensor does,
    // else 0; 0 for any other number.
    int32_t LoopType(int out);
    // Sends the output of every sensor (-1 none). Analog inputs on an output named here
    // give way; the backup of a dual pair follows its primary; disabled sensors go to the
    // card as -1 and keep their stored output.
    int32_t SendMapSensors(const TrvSensorMap& map);
    // Sends the output of every analog input (-1 none); sensors on those outputs give way.
    int32_t SendMapAnalog(const TrvAnalogMap& map);
    int32_t SendFullScale(int out, double volts, double power, double slew);
    int32_t SendMaterial(int sensor, double density, double zfactor, double tooling);
    // Automatic control of an output with its set point and loop terms.
    int32_t SendLoop(double rate, double pTerm, double iTerm, double dTerm, int out);
    int32_t SendStartMeas();
    // Clears every status and counter, reports each sensor cleared, and parks the backup
    // crystal of every dual pair disabled.
    void ClearStatus();
    // 0 starts the card system (once), -1 shuts it down; always 0.
    int32_t SendStartup(int32_t mode);
    // 0 measures the cards, 1 simulates; without a first card the system always simulates.
    int32_t SendSimulate(int32_t mode);
    int32_t ZeroSensor(int sensor);
    int32_t ZeroThickness(int out);
    // Zeroes every sensor and output the cards have; always 0.
    int32_t ZeroAll();
    // Manual power (%) of an output, at most its maximum power.
    int32_t SendPower(int out, double power);
    // The output's present power (%); 0 for an invalid output.
    double GetPower(int out);
    // The library's system values; the library's result.
    int32_t GetSystem(TrvSystemArray& SystemArray);
    // The library's material table; the library's result.
    int32_t GetMaterials(TrvMaterialTable& materials);
    // Processes at most one pending reading set into the tables; the number of sets the
    // library had pending (0 when none, or while a poll is already running).
    int32_t GetReadings(TrvSensorReadings& Sensors, TrvOutputReadings& Outputs);
    // Reads the next analog set and averages the analog ring; the library's pending count.
    int32_t GetAnalog(TrvAnalogReadings& Analog);
    // Drains the library's reading ring and restarts the averaging at one slot.
    void ClearBuff();

    // ---- Card system ----
    // Element n of the version block (0 start-up status, 1..6 card revisions, 7 extended
    // card); 0 for other n.
    int32_t Revision(int n) const;
    int NumCards() const { return NumCards_; }
    int NumSensors() const;
    int NumOutputs() const;
    int NumAnalog() const;
    bool NumSensorValid(int s) const;
    bool NumOutputValid(int out) const;
    bool NumAnalogValid(int a) const;
    int32_t OpMode() const { return OpMode_; }
    void setOpMode(int32_t mode) { SendSimulate(mode); }
    bool TimerEnabled() const;
    void setTimerEnabled(bool on);
    QString DLLName() const;
    QString TimerDLLName() const { return QStringLiteral("CCRPTMR.DLL"); }

    // ---- Frequency window, period and averaging ----
    double Period() const { return Period_; }
    void setPeriod(double value);
    void SensorFrequency(double maxFreq, double minFreq, double initFreq);
    double SensorMaxFreq() const { return XFMax_; }
    double SensorMinFreq() const { return XFMin_; }
    double SensorInitFreq() const { return XFInit_; }
    int32_t FilterSize() const { return FilterSize_; }
    // Above 0 is stored (at most 10); every call restarts the averaging at one slot.
    void setFilterSize(int32_t value);

    // ---- Per output (error 5 for an invalid output) ----
    double PTerm(int out);
    void setPTerm(int out, double value);
    double ITerm(int out);
    void setITerm(int out, double value);
    double DTerm(int out);
    void setDTerm(int out, double value);
    double Rate(int out);
    void setRate(int out, double value);
    double FSOut(int out);
    // Stored whenever it lies in -10..10, whatever the library answers.
    void setFSOut(int out, double volts);
    double SlewRate(int out);
    void setSlewRate(int out, double value);
    double MaxPower(int out);
    void setMaxPower(int out, double value);
    bool PIDMode(int out);
    // True: automatic control with the stored loop values; False: manual power at the
    // power the output has now.
    void setPIDMode(int out, bool automatic);
    int16_t OutputStatus(int out);
    QString OutputName(int out);
    void setOutputName(int out, const QString& name);

    // Plain per-output check limits, kept here and not sent to the library. An output
    // outside 0..13 is "Subscript out of range" to the caller.
    double ControlError(int out) const { return ControlError_(out); }
    void setControlError(int out, double v) { ControlError_(out) = v; }
    int32_t ControlErrorLimit(int out) const { return ControlErrorLimit_(out); }
    void setControlErrorLimit(int out, int32_t v) { ControlErrorLimit_(out) = v; }
    int32_t SensorFailLimit(int out) const { return SensorFailLimit_(out); }
    void setSensorFailLimit(int out, int32_t v) { SensorFailLimit_(out) = v; }
    double SensorQuality(int out) const { return SensorQuality_(out); }
    void setSensorQuality(int out, double v) { SensorQuality_(out) = v; }
    int32_t SensorQualityLimit(int out) const { return SensorQualityLimit_(out); }
    void setSensorQualityLimit(int out, int32_t v) { SensorQualityLimit_(out) = v; }
    int32_t SensorStabilityLimit(int out) const { return SensorStabilityLimit_(out); }
    void setSensorStabilityLimit(int out, int32_t v) { SensorStabilityLimit_(out) = v; }
    int32_t SensorStabilitySingle(int out) const { return SensorStabilitySingle_(out); }
    void setSensorStabilitySingle(int out, int32_t v) { SensorStabilitySingle_(out) = v; }

    // ---- Per sensor (error 10 for an invalid sensor) ----
    double Tooling(int s);
    void setTooling(int s, double value);
    double Density(int s);
    void setDensity(int s, double value);
    double ZFactor(int s);
    void setZFactor(int s, double value);
    // Bit nError of the sensor's status word (a sensor outside 0..23 is out of range).
    bool SensorError(int s, int nError) const;
    int16_t SensorErrorWord(int s);
    bool SensorEnabled(int s);
    void setSensorEnabled(int s, bool enabled);
    QString SensorName(int s);
    void setSensorName(int s, const QString& name);
    // Marks the sensor and its partner (the odd one of each pair follows the even one).
    bool SensorDual(int s) const { return SensorDual_(s); }
    void setSensorDual(int s, bool dual);
    // The output a sensor or analog input drives (-1 none); a change sends the whole map.
    int32_t SensorLoop(int s);
    void setSensorLoop(int s, int32_t out);
    int32_t AnalogLoop(int a);
    void setAnalogLoop(int a, int32_t out);

    // ---- Front panel (no panel is read; the settings are kept) ----
    void ReadFP(int16_t* Switch = nullptr, int16_t* Knob = nullptr);
    bool FPEnabled() const { return FPEnabled_; }
    void setFPEnabled(bool on);
    int FPInterval() const;
    void setFPInterval(int ms);
    int16_t FastChange() const { return FastChange_; }
    void setFastChange(int16_t v) { FastChange_ = v; }
    int16_t MedChange() const { return MedChange_; }
    void setMedChange(int16_t v) { MedChange_ = v; }
    int16_t DisplayTimer() const { return DisplayTimer_; }
    void setDisplayTimer(int16_t seconds);

    // Whole seconds from date d1 to date d2 (days), halves to even; 0 after a reported error.
    int32_t DiffSeconds(double d1, double d2);

    // ---- Limits (inclusive) ----
    static constexpr double PeriodMin() { return 0.1; }
    static constexpr double PeriodMax() { return 2.0; }
    static constexpr double XFreqMin() { return 1000000.0; }
    static constexpr double XFreqMax() { return 10000000.0; }
    static constexpr double PTermMin() { return 0.0; }
    static constexpr double PTermMax() { return 9999.0; }
    static constexpr double ITermMin() { return 0.0; }
    static constexpr double ITermMax() { return 999.9; }
    static constexpr double DTermMin() { return 0.0; }
    static constexpr double DTermMax() { return 99.9; }
    static constexpr double RateMin() { return 0.0; }
    static constexpr double RateMax() { return 999.9; }
    static constexpr double ThickMin() { return 0.0; }
    static constexpr double ThickMax() { return 999.9; }
    static constexpr double SlewRateMin() { return 0.0; }
    static constexpr double SlewRateMax() { return 100.0; }
    static constexpr double FSOutMin() { return -10.0; }
    static constexpr double FSOutMax() { return 10.0; }
    static constexpr double PowerMin() { return 0.0; }
    static constexpr double PowerMax() { return 100.0; }
    static constexpr double ZFactorMin() { return 0.1; }
    static constexpr double ZFactorMax() { return 9.999; }
    static constexpr double ToolingMin() { return 0.0; }
    static constexpr double ToolingMax() { return 999.0; }
    static constexpr double DensityMin() { return 0.4; }
    static constexpr double DensityMax() { return 99.99; }

signals:
    // Each processed reading set: the sensor and output tables and its time (seconds
    // since midnight, back-dated by whole periods while a backlog drains). The tables are
    // the object's own and change at the next poll.
    void TRVReading(const TrvSensorReadings& Sensors, const TrvOutputReadings& Outputs, double dTime);
    void TRVAnalog(const TrvAnalogReadings& Analog, double dTime);
    void TRVError(int32_t ErrorCode, const QString& ErrorText);
    // Codes: the status bit that was set (0..4), -1 sensor OK or status cleared.
    void TRVSensorEvent(int32_t code, const QString& text, int32_t sensor);
    // Codes: 4 control error, 5 all crystals failed, 2 automatic, 3 manual power,
    // 1 simulate and 0 normal mode.
    void TRVOutputEvent(int32_t code, const QString& text, int32_t output);
    // Front-panel change; there is no panel to read, so it is never raised.
    void TRVFPChange();

private:
    using SensorBlock = std::array<double, TRV600A_SENSOR_ARRAY>;
    using OutputBlock = std::array<double, TRV600A_OUTPUT_ARRAY>;
    using AnalogBlock = std::array<double, TRV600A_ANALOG_ARRAY>;

    void Create();
    const TrvApi& Api() const { return *api_; }
    int32_t Fail(int32_t code, const QString& text);
    static bool ValidSensor(int s) { return s >= 0 && s < kSensors; }
    static bool ValidOutput(int out) { return out >= 0 && out < kOutputs; }
    bool SensorChecked(int s);
    bool OutputChecked(int out);
    // The output the sensor drives when it names one, else -1.
    int LoopOf(int s) const;
    bool Enabled(int s) const { return (SensorErrorWord_(s) & (1 << kSensorDisabled)) == 0; }
    void SetLoopValue(int out, int which, double value);

    // Reading poll and checks.
    void TRVTimer_Timer();
    void FPTimer_Timer();
    // The front-panel tick runs only while it has something to do.
    void ArmFPTimer();
    // Deviation (%) of the sensor's averaged rate from its output's set point.
    double RateDeviation(int s, double rate) const;
    void CrystalCheck(int s, double frequency);
    void StabilityCheck(int s, double frequency);
    void QualityCheck(int s, double deviation);
    // now: the date and time of the reading set, taken by the first check that needs it.
    void ControlErrorCheck(int out, double dev, double& now);
    // The sensor-event and output-event routines: set or clear one status bit and report it.
    void SetSensorStatus(int s, int bit, bool state);
    void SetOutputStatus(int out, int bit, bool state);

    std::shared_ptr<const TrvApi> api_;

    // Card system.
    BoundedArray<int32_t, 0, 7> CardVersions_;
    int NumCards_ = 0;
    bool CardsStarted_ = false;
    int32_t OpMode_ = 1;
    double XFMax_ = 10000000.0;
    double XFMin_ = 1000000.0;
    double XFInit_ = 0.0;
    double Period_ = 0.5;

    // Averaging.
    int32_t FilterSize_ = 4;
    int32_t BufferIndex_ = 1;
    int32_t BufferCount_ = 1;
    BoundedArray<SensorBlock, 1, kFilterSlots> SensorRing_;
    BoundedArray<OutputBlock, 1, kFilterSlots> OutputRing_;
    BoundedArray<AnalogBlock, 1, kFilterSlots> AnalogRing_;
    TrvSensorReadings SensorReadings_;
    TrvOutputReadings OutputReadings_;
    TrvAnalogReadings AnalogReadings_;
    bool Polling_ = false;
    // While a map command makes the other side give way, the nested map command sends
    // without asking anything to give way again, so the two never call each other forever.
    bool GivingWay_ = false;

    // Per sensor.
    BoundedArray<QString, 0, kSensors - 1> SensorName_;
    TrvSensorMap SensorLoop_;
    BoundedArray<bool, 0, kSensors - 1> SensorDual_;
    BoundedArray<double, 0, kSensors - 1> Tooling_;
    BoundedArray<double, 0, kSensors - 1> Density_;
    BoundedArray<double, 0, kSensors - 1> ZFactor_;
    BoundedArray<int16_t, 0, kSensors - 1> SensorErrorWord_;
    BoundedArray<int32_t, 0, kSensors - 1> FailCount_;
    BoundedArray<std::array<double, kQualityHistory>, 0, kSensors - 1> QualityHistory_;
    BoundedArray<int32_t, 0, kSensors - 1> QualityIndex_;
    BoundedArray<int32_t, 0, kSensors - 1> QualityCount_;
    BoundedArray<int32_t, 0, kSensors - 1> LastFrequency_;
    BoundedArray<int32_t, 0, kSensors - 1> StabilitySum_;

    // Per output.
    BoundedArray<QString, 0, kOutputs - 1> OutputName_;
    BoundedArray<double, 0, kOutputs - 1> Rate_;
    BoundedArray<double, 0, kOutputs - 1> PTerm_;
    BoundedArray<double, 0, kOutputs - 1> ITerm_;
    BoundedArray<double, 0, kOutputs - 1> DTerm_;
    BoundedArray<double, 0, kOutputs - 1> FSOut_;
    BoundedArray<double, 0, kOutputs - 1> MaxPower_;
    BoundedArray<double, 0, kOutputs - 1> SlewRate_;
    BoundedArray<int16_t, 0, kOutputs - 1> OutputMode_;
    BoundedArray<int16_t, 0, kOutputs - 1> OutputStatus_;
    BoundedArray<double, 0, kOutputs - 1> ControlError_;
    BoundedArray<int32_t, 0, kOutputs - 1> ControlErrorLimit_;
    BoundedArray<double, 0, kOutputs - 1> ControlErrorStart_;  // date serial, 0 = none
    BoundedArray<int32_t, 0, kOutputs - 1> SensorFailLimit_;
    BoundedArray<double, 0, kOutputs - 1> SensorQuality_;
    BoundedArray<int32_t, 0, kOutputs - 1> SensorQualityLimit_;
    BoundedArray<int32_t, 0, kOutputs - 1> SensorStabilityLimit_;
    BoundedArray<int32_t, 0, kOutputs - 1> SensorStabilitySingle_;

    TrvAnalogMap AnalogLoop_;

    // Front panel.
    bool FPEnabled_ = false;
    int16_t FastChange_ = 40;
    int16_t MedChange_ = 15;
    int16_t DisplayTimer_ = 0;
    bool DisplayOn_ = true;
    double DisplayStart_ = 0.0;

    ccrpTimer* TRVTimer_ = nullptr;
    ccrpTimer* FPTimer_ = nullptr;
};
