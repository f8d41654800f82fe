#include "app/ChannelData.h"

PerChannelArray<double> gChanReading;
PerChannelArray<cFilter> gChanRateFilter;
PerChannelArray<double> gChanUser;
PerChannelArray<cFilter> gChanUserFilter;
PerChannelArray<double> gChanPower;
PerChannelArray<cFilter> gChanPowerFilter;
PerChannelArray<double> gChanDev;
PerChannelArray<double> gChanRatio;
PerChannelArray<cFilter> gChanRatioFilter;
PerChannelArray<double> gChanTotal;
PerChannelArray<double> gChanTotalCarry;
PerChannelArray<int32_t> gChanExponent;

PerSensorArray<cFilter> gSensorEmissionFilter;
PerSensorArray<cFilter> gSensorLeakageFilter;
PerSensorArray<cFilter> gSensorPowerFilter;
PerSensorArray<cFilter> gSensorFilamentFilter;
PerSensorArray<cFilter> gSensorBiasFilter;
