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
        ProgramObjects::CreateQCM();
        gLastMeterTime = Timer();
    }

    void TearDown() override {
        ResetProgramState();
        Clock::UseSystem();
    }

    // Puts the channels into step 1 of process 1, all deposited together.
    void Deposit(std::initializer_list<int16_t> channels, int32_t inputType = 0) {
        ProcessRec& p = gProcess(1);
        p.Number_Layers = 1;
        p.Number_Act_Layers = static_cast<int16_t>(channels.size());
        int16_t previous = 0;
        for (int16_t c : channels) {
            const int16_t L = static_cast<int16_t>(c + 1);
            LayerRec& l = gLayer(L);
            l.Layer_Number = L;
            l.Channel = c;
            l.Output = c;
            l.Film_Number = L;
            l.Next_Layer = -1;
            l.CoDep_Layer = -1;
            l.XCH1 = l.XCH2 = l.XCH3 = l.XCH4 = -1;
            l.RatioChan = -1;
            l.ChanMult = 1.0;
            l.RatioMult = 1.0;
            FilmRec& f = gFilm(L);
            f.Input_Type = inputType;
            f.QCM_CALFACTOR = 1.0;
            f.UnitsCal = 1.0;
            f.Filter = 1;
            f.QCM_NUMBER = -1;
            Unit().setFullScale(c, 10.0);
            Unit().setMaxPower(c, 100.0);
            if (previous == 0)
                p.First_Layer = L;
            else
                gLayer(previous).CoDep_Layer = L;
            previous = L;
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
