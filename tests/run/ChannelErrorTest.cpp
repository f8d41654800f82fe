// The main window's channel-error test and the "Channel Error" relays, over a unit link
// that records what it sends.
#include "RunFixture.h"

#include "run/frmMain.h"
#include "unit/LinkHarness.h"

using namespace modCalculations;

namespace {

class ChannelError : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        Identify(Unit());
        Reply(Unit(), QStringLiteral("A0,0,0,0,0,0,0,0"));  // every channel inactive; link idle
        log = std::make_unique<LinkLog>(Unit());
        modIO::SetOutputFunction(3, 12);  // "Channel Error"
        modIO::SetOutputFunction(7, 12);
        modIO::SetOutputFunction(5, 11);  // "Time Setpoint"
    }

    // The relay commands sent since the last call; each is answered, as the unit would.
    QStringList SentRelays() {
        QStringList sent;
        for (const QString& c : log->commands())
            if (c.startsWith(u'N')) sent << c;
        log->clear();
        for (int n = 0; n < sent.size(); ++n) Reply(Unit(), QStringLiteral("N"));
        return sent;
    }

    frmMain form;
    std::unique_ptr<LinkLog> log;
};

// A deviation beyond the film's limit is an error once it has lasted more than 5 s since
// the deviation was last within the limit (or since DEPOSIT began).
TEST_F(ChannelError, ADeviationBeyondTheLimitForMoreThanFiveSecondsSwitchesTheErrorRelays) {
    Deposit({0});
    Reply(Unit(), QStringLiteral("A1,0,0,0,0,0,0,0"));  // a live detector: only the deviation counts
    Film(0).Sensor_PMT = 700.0;
    Unit().setPMTVolts(0, 700);
    Reply(Unit(), QStringLiteral("H"));
    Film(0).CTRLERR_PERCENT = 10;
    Layer(0).Rate = 10.0;
    App().setPhase(PhaseCode::Deposit);
    App().setChanPhase(0, PhaseCode::Deposit);
    form.ChanErrorSince(0) = Timer();  // as the entry to DEPOSIT sets it
    gChanUser(0) = 11.2;
    gChanDev(0) = CalcChanDev(0);
    ASSERT_NEAR(gChanDev(0), 12.0, 1e-9);

    Clock::Advance(5000);
    EXPECT_FALSE(form.CheckChanRelays(0));
    EXPECT_TRUE(SentRelays().isEmpty());
    Clock::Advance(100);
    EXPECT_TRUE(form.CheckChanRelays(0));
    EXPECT_EQ(SentRelays(), QStringList{QStringLiteral("N0,0,0,1,0,0,0,1,0,0,0,0")});
    // Repeated at every check while the error lasts.
    EXPECT_TRUE(form.CheckChanRelays(0));
    EXPECT_EQ(SentRelays().size(), 1);

    // Exactly at the limit the span starts again.
    gChanDev(0) = -10.0;
    EXPECT_FALSE(form.CheckChanRelays(0));
    gChanDev(0) = -12.0;
    Clock::Advance(4000);
    EXPECT_FALSE(form.CheckChanRelays(0));
    // The relays stay on: this test never switches them off.
    EXPECT_TRUE(Unit().Relay(3));

    // Only DEPOSIT, MAN RAMP and CONSTANT count, and only for a channel with an output.
    Clock::Advance(2000);
    App().setChanPhase(0, PhaseCode::ShutterDelay);
    EXPECT_FALSE(form.CheckChanRelays(0));
    App().setChanPhase(0, PhaseCode::Constant);
    EXPECT_TRUE(form.CheckChanRelays(0));
    Layer(0).Output = -1;
    EXPECT_FALSE(form.CheckChanRelays(0));
}

TEST_F(ChannelError, InputFailuresByInputType) {
    Deposit({0, 1});
    Film(1).Input_Type = 3;
    QCM().setQCMSensorEnabled(2, true);
    // An inactive emission channel without a missing reading flagged: no error.
    ASSERT_FALSE(Unit().ChanActive(0));
    EXPECT_FALSE(form.CheckChanRelays(0));
    EXPECT_FALSE(form.CheckChanRelays(1));
    EXPECT_TRUE(SentRelays().isEmpty());
    // ...but one that a layer would control on is: its source is held off meanwhile.
    for (int16_t phase : {PhaseCode::ShutterDelay, PhaseCode::Deposit, PhaseCode::Constant}) {
        App().setChanPhase(0, phase);
        EXPECT_TRUE(form.CheckChanRelays(0)) << phase;
    }
    AnswerAll(Unit());
    log->clear();
    App().setChanPhase(0, PhaseCode::Stopped);

    // Channel 0 active, then silent for more than 2 s, then reported inactive: in error,
    // except while the program simulates.
    Reply(Unit(), QStringLiteral("A1,0,0,0,0,0,0,0"));
    SentRelays();
    while (Unit().CommStatus() == 1) Reply(Unit(), Unit().Command().left(1));
    Clock::Advance(2100);
    Reply(Unit(), QStringLiteral("G"));
    Reply(Unit(), QStringLiteral("A0,0,0,0,0,0,0,0"));
    ASSERT_EQ(Unit().ChanError(0), 3);
    Simulate = 1;
    EXPECT_FALSE(form.CheckChanRelays(0));
    Simulate = 0;
    EXPECT_TRUE(form.CheckChanRelays(0));
    EXPECT_EQ(SentRelays(), QStringList{QStringLiteral("N0,0,0,1,0,0,0,1,0,0,0,0")});

    // A switched-off quartz monitor is an error of its channel; the relays are sent even
    // when none has the "Channel Error" function, and keep what they were switched to.
    modIO::SetOutputFunction(3, 0);
    modIO::SetOutputFunction(7, 0);
    QCM().setQCMSensorEnabled(2, false);
    EXPECT_TRUE(form.CheckChanRelays(1));
    EXPECT_EQ(SentRelays(), QStringList{QStringLiteral("N0,0,0,1,0,0,0,1,0,0,0,0")});
}

// A channel without a film is never tested: nothing is read, nothing renewed or switched.
TEST_F(ChannelError, AChannelWithoutAFilmIsNeverInError) {
    Deposit({0});
    App().setChanPhase(4, PhaseCode::Deposit);
    form.ChanErrorSince(4) = 1.0;
    gChanDev(4) = 50.0;
    EXPECT_FALSE(form.CheckChanRelays(4));
    EXPECT_EQ(form.ChanErrorSince(4), 1.0);
    EXPECT_TRUE(SentRelays().isEmpty());
    EXPECT_EQ(boxes.count(), 0);
}

}  // namespace
