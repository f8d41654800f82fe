#pragma once
// The recipe records: processes and the layer records their steps are made of. The
// arrays are the working copy of the open database; modDB moves single records between
// them and their rows.
#include "platform/BoundedArray.h"
#include "platform/FixedString.h"

#include <QString>
#include <cstdint>

struct ProcessRec {
    FixedString<16> Process_Name;
    int16_t First_Layer = 0;        // first layer record; -1 = none
    int16_t Number_Layers = 0;      // sequential steps; 0 = empty process
    int16_t Number_Act_Layers = 0;  // layer records of the chain, co-deposited ones included
    int16_t Run_Number = 0;         // 1..9999
};

struct LayerRec {
    int16_t Layer_Number = 0;  // the record's own number; set by whoever allocates it
    int16_t Channel = 0;
    int16_t Output = 0;        // -1 = none
    int16_t Film_Number = 0;   // -1 = free record
    int16_t Next_Layer = 0;    // first record of the next step; -1 = none
    int16_t CoDep_Layer = 0;   // next record of this step; -1 = none
    double Rate = 0;
    double Thick = 0;
    double ThickSetPt = 0;
    int32_t TimeSetPt = 0;     // seconds
    int16_t StartMode = 0;     // 0 Auto, 1 Manual, 2 Constant
    QString Prompt;
    int16_t XChMode = 0;
    int16_t XCH1 = 0;
    double XCh1Percent = 0;
    int16_t XCH2 = 0;
    double XCh2Percent = 0;
    int16_t XCH3 = 0;
    double XCh3Percent = 0;
    int16_t XCH4 = 0;
    double XCh4Percent = 0;
    double ChanMult = 0;
    int16_t RatioChan = 0;
    double RatioMult = 0;
    double RatioFilter = 0;
    double RemoteValue1 = 0;   // run-time only, never stored
    double RemoteValue2 = 0;   // run-time only, never stored
    double Ramp1Thick = 0;
    double Ramp1Rate = 0;
    int32_t Ramp1Time = 0;
    double Ramp2Thick = 0;
    double Ramp2Rate = 0;
    int32_t Ramp2Time = 0;
    // A manual rate ramp, run-time only: the set point runs from ManRampFromRate towards
    // ManRampToRate by ManRampSlope per second since ManRampStart (timer seconds).
    double ManRampStart = 0;
    double ManRampFromRate = 0;
    double ManRampToRate = 0;
    double ManRampSlope = 0;
};

extern BoundedArray<ProcessRec, 1, 25> gProcess;
extern BoundedArray<LayerRec, 1, 250> gLayer;
