// A channel whose calibration the database could not give (A_Slope 'x1', raw bytes, a
// number that is not finite) run on the whole station against the unit emulator: no
// reading is taken from it, its source is held at 0 in the unit on every tick of the run
// and its row shows the channel's error, while the other channel of the step is driven;
// once the channel is calibrated again its loop drives it.
#include "ClockedStation.h"

#include "app/ChannelData.h"
#include "data/modDB.h"
#include "run/modPhases.h"

#include <QLabel>

namespace {

class UnreadCalibrationRows : public ClockedStation {
public:
    using ClockedStation::EndStation;
    using ClockedStation::Held;
    using ClockedStation::MakeStation;
    using ClockedStation::Remote;
    using ClockedStation::Ticks;
    using ClockedStation::TicksUntil;
    using ClockedStation::boxes;
    using ClockedStation::form;
    void TestBody() override {}
};

TEST(UnreadCalibration, AChannelWithoutItsCalibrationIsNeverDrivenUntilItIsCalibratedAgain) {
    const struct {
        const char* column;
        const char* value;
        const char* shown;
    } cases[] = {
        {"A_Slope", "'x1'", "\"x1\""},
        {"A_Intercept", "X'7F'", "a binary value of 1 byte"},
        {"B_Slope", "9e999", "\"inf\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        UnreadCalibrationRows t;
        t.MakeStation([&] {
            modDB::ORUNLoad();  // the rows of a first start
            modDB::gDB.Execute(QString("UPDATE ORUN SET %1 = %2 WHERE Channel = 0").arg(c.column, c.value));
            modDB::ORUNLoad();
        });
        ASSERT_FALSE(::testing::Test::HasFatalFailure());
        const QString line = QString("table ORUN, record Channel 0, column %1: %2 - channel 1 has no valid reading: its "
                                     "source is held at 0 until the channel is calibrated again")
                                 .arg(c.column, c.shown);
        ASSERT_EQ(t.boxes.count(), 1) << t.boxes.prompts().join('\n').toStdString();
        EXPECT_TRUE(t.boxes.prompts()[0].endsWith(line)) << t.boxes.prompts()[0].toStdString();

        ASSERT_EQ(t.Remote(QStringLiteral("@UP;2")), QString());
        ASSERT_TRUE(t.TicksUntil([] { return gApp->Phase() == PhaseCode::Deposit; }, 400));
        // Channel 1 (output 1) deposits; channel 0 (output 0) is held at 0 and in error.
        ASSERT_TRUE(t.TicksUntil([&] { return t.Held(1) > 0.0; }, 60)) << "the sound channel is never driven";
        for (int i = 0; i < 40; ++i) {
            ASSERT_TRUE(t.Ticks(1));
            ASSERT_EQ(t.Held(0), 0.0) << "tick " << i;
            // No reading is taken from it: its rate and total stay at 0.
            ASSERT_EQ(gChanUser(0), 0.0) << "tick " << i;
            ASSERT_EQ(gChanTotal(0), 0.0) << "tick " << i;
            ASSERT_EQ(gApp->Phase(), PhaseCode::Deposit);
        }
        EXPECT_TRUE(t.form->lblSubPhase(0)->text().startsWith("ORUN Err")) << t.form->lblSubPhase(0)->text().toStdString();

        // Calibrated again (the value changed in the program, to one that reads as channel
        // 2's calibration does): the loop takes the channel up.
        const int integ = c.column[0] == 'A' ? 0 : 1;
        if (QByteArray(c.column).endsWith("Slope")) gORUN->setCalSlope(0, integ, 1e-12);
        else gORUN->setCalIntercept(0, integ, 1e-12);
        EXPECT_FALSE(modDB::ChannelCalibrationUnread(0));
        EXPECT_TRUE(t.TicksUntil([&] { return t.Held(0) > 0.0; }, 60)) << "never driven once calibrated";
        t.EndStation();
    }
}

}  // namespace
