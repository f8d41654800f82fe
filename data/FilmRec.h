#pragma once
// The film records: the material, measurement and control settings that layers use.
#include "platform/BoundedArray.h"
#include "platform/FixedString.h"

#include <cstdint>

struct FilmRec {
    FixedString<16> Film_Name;
    FixedString<8> Units;
    double UnitsCal = 0;
    double UnitsOffset = 0;
    int32_t DecDigits = 0;
    int32_t IntDigits = 0;
    int32_t Exponent = 0;
    int32_t Filter = 0;
    double PTerm = 0;
    double ITerm = 0;
    double DTerm = 0;
    int32_t Shutter_Delay = 0;      // seconds; 0 = no shutter delay
    double Shutter_Capture = 0;     // percent
    int32_t ERROR_ACTION = 0;       // 0 Ignore, 1 Stop, 2 Hold
    int32_t CTRLERR_PERCENT = 0;
    double Max_Power = 0;
    double SLEW_RATE = 0;
    double FULL_SCALE = 0;          // volts; 50.0 stands for "1-5"
    double Ramp1_Power = 0;
    int32_t RAMP1_TIME = 0;
    int32_t Soak1_Time = 0;
    double Ramp2_Power = 0;
    int32_t RAMP2_TIME = 0;
    int32_t Soak2_Time = 0;
    double Feed_Power = 0;
    double FEED_RAMP = 0;
    int32_t FEED_TIME = 0;
    double Idle_Power = 0;
    int32_t IDLE_Ramp = 0;
    int32_t Input_Type = 0;         // 0 emission detector, 1-4 quartz monitors, 5-8 analog inputs
    double Sensor_PMT = 0;
    int32_t Indexer1 = 0;
    int32_t Indexer2 = 0;
    double QCM_DENSITY = 0;
    double QCM_ZFACTOR = 0;
    double QCM_TOOLING = 0;
    double QCM_NUMBER = 0;          // -1 = none
    double QCM_ACCURACY = 0;
    int32_t QCM_INTERVAL = 0;
    int32_t QCM_SAMPLE = 0;
    double QCM_CALFACTOR = 0;
    double QCM_CALZERO = 0;
};

extern BoundedArray<FilmRec, 1, 25> gFilm;

// The measurement that a film's channel uses (Input_Type): the unit's emission detector,
// quartz monitors 1-4 or the quartz card's analog inputs 1-4.
namespace InputType {
constexpr bool IsEmission(int32_t inputType) { return inputType == 0; }
constexpr bool IsQuartz(int32_t inputType) { return inputType >= 1 && inputType <= 4; }
constexpr bool IsAnalog(int32_t inputType) { return inputType >= 5 && inputType <= 8; }
// Any of the three: a type outside 0..8 measures nothing.
constexpr bool IsMeasured(int32_t inputType) { return inputType >= 0 && inputType <= 8; }
// The quartz monitor (0..3) of a quartz type, the analog input (0..3) of an analog type.
constexpr int QuartzMonitor(int32_t inputType) { return inputType - 1; }
constexpr int AnalogInput(int32_t inputType) { return inputType - 5; }
}  // namespace InputType
