/* The card library's exported functions and the blocks that cross its boundary.
 *
 * Every block is owned by the caller and only read or filled during the call; the
 * library keeps no pointer to it. Results are 0 for success and 1 for a rejected argument
 * unless a function says otherwise; a rejected call changes nothing.
 *
 * Blocks (little-endian, passed by the address of their first element):
 *   CardVersions  int32[8]   [0] start-up status (the caller stores the result there),
 *                            [1..6] firmware version of card 0..5 (0 = outside 200..500),
 *                            [7] version of card 0 when it is the extended type, else 0
 *   SensorArray   double[72] rate[24] (A/s), thickness[24] (A), frequency[24] (Hz)
 *   OutputArray   double[14] power 0..1 of outputs 0..13
 *   AnalogArray   double[4]  analog inputs 0..3 (V)
 *   MaterialArray double[72] density[24], Z-ratio[24], tooling[24]
 *   SystemArray   double[5]  maximum, minimum, initial frequency, period, simulation flag
 *   PowerArray    double[14] present power 0..1 of outputs 0..13
 *   CardSensorMap int32[24]  output fed by each sensor (-1 none)
 *   CardAnalogMap int32[4]   output fed by each analog input (-1 none)
 */
#ifndef TRV600A_H
#define TRV600A_H

#include <stdint.h>

#if defined(__GNUC__)
#define TRV600A_EXPORT __attribute__((visibility("default")))
#else
#define TRV600A_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

enum {
    TRV600A_CARD_VERSIONS = 8,
    TRV600A_SENSOR_ARRAY = 72,
    TRV600A_OUTPUT_ARRAY = 14,
    TRV600A_ANALOG_ARRAY = 4,
    TRV600A_MATERIAL_ARRAY = 72,
    TRV600A_SYSTEM_ARRAY = 5,
    TRV600A_POWER_ARRAY = 14,
    TRV600A_SENSOR_MAP = 24,
    TRV600A_ANALOG_MAP = 4
};

/* Start-up results: 0 running on cards, 904 no card found (the library simulates),
 * 906 no PCI access (the library simulates). */
enum { TRV600A_STATUS_OK = 0, TRV600A_STATUS_NO_CARD = 904, TRV600A_STATUS_NO_DRIVER = 906 };

TRV600A_EXPORT int32_t Kor500Startup2(int32_t mode, int32_t* cardVersions);
TRV600A_EXPORT int32_t Kor500Init(double maxFreq, double minFreq, double initFreq, double period);
TRV600A_EXPORT int32_t Kor500Material(int32_t sensorMask, double density, double zRatio,
                                      double tooling);
TRV600A_EXPORT int32_t Kor500GetMaterial(double* materialArray, double* systemArray);
TRV600A_EXPORT int32_t Kor500Simulate(int32_t mode);
TRV600A_EXPORT int32_t Kor500StartMeas(void);
TRV600A_EXPORT int32_t Kor500GetReadings(double* sensorArray, double* outputArray);
TRV600A_EXPORT int32_t Kor500GetAnReadings(double* analogArray, double* outputArray);
TRV600A_EXPORT int32_t Kor500MapSensors(const int32_t* cardSensorMap);
TRV600A_EXPORT int32_t Kor500MapAnSensors(const int32_t* cardAnalogMap);
TRV600A_EXPORT int32_t Kor500Loop2(double setPoint, double pGain, double iTime, double dTime,
                                   int32_t output);
TRV600A_EXPORT int32_t Kor500SetPower(int32_t output, double power);
TRV600A_EXPORT int32_t Kor500Auto(int32_t output);
TRV600A_EXPORT int32_t Kor500FullScale(int32_t output, double volts, double maxPower,
                                       double slewRate);
TRV600A_EXPORT int32_t Kor500GetPower(double* powerArray);
TRV600A_EXPORT int32_t Kor500ZeroSensor(int32_t sensor);
TRV600A_EXPORT int32_t Kor500Zero2(int32_t output);
TRV600A_EXPORT int32_t GetSwitchData(int16_t* switches, int16_t* knobDelta);
TRV600A_EXPORT int32_t DimBacklight(int32_t flag);

#ifdef __cplusplus
}
#endif

#endif
