// End to end: the card library in simulation, through the card class and the quartz
// facade, into the main window's intake of channel readings during a deposit.
#include "run/RunFixture.h"

#include "data/RecipeSchema.h"
#include "data/modDB.h"
#include "qcm/cTRV600a.h"
#include "run/PhaseCode.h"
#include "run/frmMain.h"

#include <QTest>

namespace {

class QuartzRun : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        // The facade loads the stored quartz frequencies when its source is chosen.
        modDB::gDB = CreateRecipeDatabase(folder.file("ORUN.MDB"));
    }
    void TearDown() override {
        modDB::gDB = dao::Database();
        RunFixture::TearDown();
    }
};

TEST_F(QuartzRun, ACardReadingReachesTheChannelIntakeDuringADeposit) {
    frmMain form;
    // The binding the main window makes at start-up.
    QObject::connect(&QCM(), &cQCM::QCMReading, &form, &frmMain::QCMEvent_QCMReading);
    Deposit({0}, 1);  // channel 0 measures with quartz monitor 1
    QCM().setQCMSensorEnabled(0, true);
    App().setPhase(PhaseCode::Deposit);
    QCM().setQCMType(1);
    ASSERT_EQ(QCM().InitFreq(6.1e6, 5.0e6, 6.0e6, 0.1), 0);

    // The simulated source of output 0 deposits on card sensor 0 (monitor 1).
    cTRV600a& card = *QCM().findChild<cTRV600a*>();
    card.setMaxPower(0, 100.0);
    card.setSensorLoop(0, 0);
    ASSERT_EQ(card.SendPower(0, 50.0), 0);

    QCMReadingArray last;
    QObject::connect(&QCM(), &cQCM::QCMReading, &form, [&](QCMReadingArray& R, double) { last = R; });
    // Real time here: the card library's own threads measure.
    Clock::UseSystem();
    ASSERT_TRUE(QTest::qWaitFor([&] { return last(QCMReadingIndex(0, 0)) > 0.0 && gChanReading(0) > 0.0; }, 10000));
    QCM().setQCMType(0);
    EXPECT_EQ(gChanReading(0), last(QCMReadingIndex(0, 0)));
    EXPECT_DOUBLE_EQ(gChanTotal(0), last(QCMReadingIndex(0, 1)) * 0.001);
    EXPECT_GT(last(QCMReadingIndex(0, 2)), 0.0);
    EXPECT_EQ(App().Phase(), PhaseCode::Deposit);
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join(" | ").toStdString();
}

}  // namespace
