#pragma once
// The run-time values of the eight channels and the moving averages of the four emission
// sensors, program-wide. The reading path and the phase machine write them; the displays
// and the data log read them. Channels are 0..7, sensors 0..3 (0 "Sensor 1", 1 "Gas 1
// sensor", 2 "Sensor 2", 3 "Gas 2 sensor").
//
// The filters are objects held by value, so they always exist; "creating a new filter"
// (the [Sensor] section of the configuration does it) means assigning a fresh cFilter.
#include "app/cFilter.h"
#include "platform/BoundedArray.h"

#include <cstdint>

template <typename T>
using PerChannelArray = BoundedArray<T, 0, 7>;
template <typename T>
using PerSensorArray = BoundedArray<T, 0, 3>;

// Latest raw reading, and its moving average.
extern PerChannelArray<double> gChanReading;
extern PerChannelArray<cFilter> gChanRateFilter;
// Reading in the film's user units, and its moving average.
extern PerChannelArray<double> gChanUser;
extern PerChannelArray<cFilter> gChanUserFilter;
// Power of the channel's source output, and its moving average.
extern PerChannelArray<double> gChanPower;
extern PerChannelArray<cFilter> gChanPowerFilter;
// Deviation from the rate set point in percent.
extern PerChannelArray<double> gChanDev;
// Ratio to the layer's ratio channel, and its moving average.
extern PerChannelArray<double> gChanRatio;
extern PerChannelArray<cFilter> gChanRatioFilter;
// Accumulated thickness of this pass, and what earlier passes of a stopped and restarted
// step deposited (thousands of the rate's length unit).
extern PerChannelArray<double> gChanTotal;
extern PerChannelArray<double> gChanTotalCarry;
// Display exponent of the channel's film.
extern PerChannelArray<int32_t> gChanExponent;

// Moving averages of the sensor values, sized by the setting SensorFilter.
extern PerSensorArray<cFilter> gSensorEmissionFilter;
extern PerSensorArray<cFilter> gSensorLeakageFilter;
extern PerSensorArray<cFilter> gSensorPowerFilter;
extern PerSensorArray<cFilter> gSensorFilamentFilter;
extern PerSensorArray<cFilter> gSensorBiasFilter;
