#pragma once
// Settings of the configuration file that the program keeps in globals named after their
// keys. They are read at start-up by gApp->IniReadApp, written back at shutdown by
// gApp->IniWriteApp, and changed at run time by the setup windows.
#include "platform/BoundedArray.h"

#include <QString>
#include <cstdint>

// Name of the configuration file in the program folder ("ORUN.CFG" unless the per-user
// setting names another).
extern QString SetupFile;
// [Application] Database: the recipe database file.
extern QString DBFile;

// [Application] Debug: 3 logs bad controller frames and time-outs, 4 keeps reading lines.
extern int32_t Debug;
// Always 0 after the configuration is read; written to the file but never read from it.
// A remote client may set it.
extern int32_t Simulate;
// [Application] CtrlKey: the run buttons need Ctrl held. Written as -1 or 0.
extern bool CtrlKey;
// [Application] CalHiBias, CalLoBias: detector calibration bias points.
extern int32_t CalHiBias;
extern int32_t CalLoBias;

// [Datalog] 0 one file rewritten per run, 1 one file appended, 2 a file per run.
extern int16_t LogType;
// [Datalog] seconds between logged readings (0 = every reading).
extern double LogInterval;
// [Datalog] the data-log file.
extern QString LogFile;
// [Datalog] logging on (any value but 0 in the file).
extern bool LogMode;
// [Datalog] the column delimiter: the configured text and a blank, or a single tab.
extern QString LogDelimit;
// [Datalog] bit masks: channels, channel quantities, sensors, sensor quantities.
extern int16_t LogChans;
extern int16_t LogChanData;
extern int16_t LogSensors;
extern int16_t LogSensorData;

// [Display] rate fore/back, channel fore/back, meter fore/back colours (32-bit colour values;
// negative values are system colours).
extern BoundedArray<int32_t, 0, 5> Colors;
// [Display] seconds between display refreshes.
extern double MeterDamping;
// [Display] view mode 0, 1 or 2.
extern int16_t ShowReadings;
// [Display] the format of sensor values: "0", "0.0" or "0.00" (empty until read).
extern QString SensorDecimals;

// [Debug] DELTA1..DELTA8; channel c uses DELTA(c + 1).
extern BoundedArray<int16_t, 1, 8> DELTA;

// [Sensor] readings averaged per sensor value.
extern int32_t SensorFilter;
