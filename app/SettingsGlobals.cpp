#include "app/SettingsGlobals.h"

QString SetupFile;
QString DBFile;

int32_t Debug = 0;
int32_t Simulate = 0;
bool CtrlKey = false;
int32_t CalHiBias = 0;
int32_t CalLoBias = 0;

int16_t LogType = 0;
double LogInterval = 0.0;
QString LogFile;
bool LogMode = false;
QString LogDelimit;
int16_t LogChans = 0;
int16_t LogChanData = 0;
int16_t LogSensors = 0;
int16_t LogSensorData = 0;

BoundedArray<int32_t, 0, 5> Colors;
double MeterDamping = 0.0;
int16_t ShowReadings = 0;
QString SensorDecimals;

BoundedArray<int16_t, 1, 8> DELTA;

int32_t SensorFilter = 0;
