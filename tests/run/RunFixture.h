#pragma once
// A station for the run-control tests: the application, unit and quartz objects, a fixed
// clock, and process 1 whose first step deposits a layer on each chosen channel.
//
// Channel c deposits layer c + 1 with film c + 1 and drives output c (10 V full scale,
// 100 % maximum power). Films start as a plain emission detector (calibration factor and
// display-unit factor 1, no offsets, one-reading filters); layers have no cross channels
// and no ratio channel.
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/cApp.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "platform/Clock.h"
#include "qcm/cQCM.h"
#include "app/ChannelData.h"
#include "run/modCalculations.h"
#include "run/ProgramObjects.h"
#include "run/modIO.h"
#include "support/DialogRecorder.h"
#include "support/ProgramState.h"
#include "support/StationRecords.h"
#include "support/TempProgramFolder.h"
#include "unit/cORUN.h"

#include <QDateTime>
#include <gtest/gtest.h>
#include <initializer_list>

class RunFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::SetFixed(QDateTime(QDate(2024, 5, 6), QTime(10, 0, 0)));
        ResetProgramState();
        ProgramObjects::CreateApp();
        ProgramObjects::CreateUnit();
        SoundCalibration(RunUnit());
        ProgramObjects::CreateQCM();
        gLastMeterTime = Timer();
    }

    void TearDown() override {
        ResetProgramState();
        Clock::UseSystem();
    }

    // Puts the channels into step 1 of process 1, all deposited together.
    void Deposit(std::initializer_list<int16_t> channels, int32_t inputType = 0) {
        DepositTogether(channels);
        for (int16_t c : channels) {
            FilmRec& f = Film(c);
            f.Input_Type = inputType;
            f.QCM_CALFACTOR = 1.0;
            f.UnitsCal = 1.0;
            f.Filter = 1;
            f.QCM_NUMBER = -1;
            Unit().setFullScale(c, 10.0);
            Unit().setMaxPower(c, 100.0);
        }
        ASSERT_EQ(App().BuildProcess(1), 0);
        App().setProcLayer(1);
    }

    static FilmRec& Film(int16_t ch) { return gFilm(ch + 1); }
    static LayerRec& Layer(int16_t ch) { return gLayer(ch + 1); }

    cApp& App() { return RunApp(); }
    cORUN& Unit() { return RunUnit(); }
    cQCM& QCM() { return RunQCM(); }

    // The error handler writes its reports there, and answers its message boxes.
    TempProgramFolder folder;
    DialogRecorder boxes;
};
