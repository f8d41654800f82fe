// A unit that answers slowly, and one whose supply dips, in the middle of a run: judged by
// what the emulated unit receives and holds, on the fixed clock (a reply late by d ms
// reaches the station at the first poll tick after it is due).
#include "ClockedStation.h"

#include "app/VBConv.h"
#include "app/modUtil.h"

#include <QLabel>
#include <QLineEdit>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <map>

namespace {

// Relay 0 of the station's map says "Process Stopped"; input 1 is "Stop Process".
constexpr int kStopProcessInput = 1;

bool Italic(const QLabel* label) { return label->font().italic(); }

class SlowLink : public ClockedStation {
protected:
    // Runs process 1 into DEPOSIT (channels 0 and 1 on outputs 0 and 1).
    void Deposit() {
        form->cmdFunc(0)->click();
        ASSERT_TRUE(TicksUntil([] { return gApp->Phase() == PhaseCode::Deposit; }, 200));
    }
    // How many commands of each letter the unit received since the last ClearCommands.
    std::map<char, int> Received() const {
        std::map<char, int> n;
        for (const QString& c : sim_->Commands()) ++n[c.isEmpty() ? ' ' : c.at(0).toLatin1()];
        return n;
    }
    QString Status() const { return form->lblStatus->text(); }
    bool ZeroPowers() const {
        for (int o = 0; o <= 7; ++o)
            if (sim_->Model().powerCode[o] != OutputCode::ZeroVolts) return false;
        return true;
    }
    QString Two(double percent) const { return vb::Trim(modUtil::FormatTwoDecimals(percent)); }
};

// Each reply late by the pace: the poll's questions and the reading request come round in
// turn (the old poll sent only "D" at 0.2 s and more), a Stop Process input is seen within
// a few replies, the window says the link is slow, and says so no more once the pace is
// back.
TEST_F(SlowLink, EveryQuestionComesRoundAtAnyPaceAndTheWindowSaysTheLinkIsSlow) {
    constexpr int kWindowTicks = 222;  // 20 s
    for (const int pace : {0, 200, 300, 600}) {
        SCOPED_TRACE(pace);
        MakeStation();
        Deposit();
        sim_->setReplyDelay(pace);
        sim_->ClearCommands();
        bool saidSlow = false;
        for (int i = 0; i < kWindowTicks; ++i) {
            ASSERT_TRUE(Ticks(1));
            saidSlow = saidSlow || Status() == QLatin1String("SLOW LINK");
        }
        // The link is kept busy, and the questions and the reading have their shares of
        // it; a reply is handled at the tick after it is due.
        const auto n = Received();
        const int total = static_cast<int>(sim_->Commands().size());
        const int exchangeMs = (pace + kTickMs - 1) / kTickMs * kTickMs;
        EXPECT_GE(total, kWindowTicks * kTickMs / std::max(exchangeMs, kTickMs) * 8 / 10);
        for (const char q : {'D', 'M'}) EXPECT_GE(n.at(q), total / 8) << q;
        for (const char q : {'F', 'G'}) EXPECT_GE(n.at(q), total / 16) << q;
        EXPECT_EQ(saidSlow, pace > 0);
        if (pace > 0) {
            EXPECT_EQ(Status(), "SLOW LINK");
            EXPECT_EQ(form->lblStatus->palette().color(QPalette::WindowText), QColor(Qt::red));
        }

        // Stop Process, held: the inputs are asked within a few replies, and the stop's
        // relays and zero powers follow.
        sim_->ClearCommands();
        sim_->Model().inputs = 1 << kStopProcessInput;
        ASSERT_TRUE(TicksUntil([&] { return ZeroPowers() && (sim_->Model().relays & 1) != 0; }, 120));
        const QString received = sim_->Commands().join(' ');
        EXPECT_LE(sim_->Commands().indexOf("M"), 5) << received.toStdString();
        EXPECT_LE(sim_->Commands().size(), 12) << received.toStdString();
        EXPECT_EQ(gApp->Phase(), PhaseCode::Stopped);

        // The pace is back: the word goes about two seconds on.
        sim_->Model().inputs = 0;
        sim_->setReplyDelay(0);
        ASSERT_TRUE(TicksUntil([&] { return Status().isEmpty(); }, 40));
        EndStation();
    }
}

// The unit's supply dips for 0.7 s: it restarts with every output at 0 V, and the command
// on the wire is lost. The station asks again, learns of the restart when the unit answers
// (no reply time-out), and from then on no power it acknowledged before counts: a row
// shown as held (not grey and slanted) shows what the unit holds, and once the station has
// given the unit its powers again (climbing from 0) every row shows them held.
TEST_F(SlowLink, AfterAUnitRestartNothingAcknowledgedBeforeCounts) {
    const struct {
        const char* name;
        bool handSet;  // a hand-set power in STOPPED, else the deposit's own at its entry
        int pace;
    } cases[] = {
        {"deposit entry", false, 0},
        {"deposit entry, slow unit", false, 300},
        {"hand-set power", true, 0},
        {"hand-set power, slow unit", true, 300},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MakeStation();
        int restarts = 0;
        bool timedOut = false;
        QObject::connect(gORUN, &cORUN::UnitRestarted, [&] { ++restarts; });
        QObject::connect(gORUN, &cORUN::ORUNError, [&](int type, int number) { timedOut = timedOut || (type == 0 && number == 0); });
        if (c.handSet) {
            form->chkManPwr(0)->click();
            form->txtPower(0)->setText(QStringLiteral("29.8"));
            QTest::keyClick(form->txtPower(0), Qt::Key_Return);
            ASSERT_TRUE(TicksUntil([&] { return Held(0) > 29.0; }, 20));
        } else {
            // The soak leaves its power on output 0 into DEPOSIT; the dip comes with the entry.
            QObject::connect(gApp, &cApp::PhaseChange, form, [&](int16_t p) {
                if (p == PhaseCode::Deposit && !sim_->Dark()) sim_->Brownout(700);
            });
            form->cmdFunc(0)->click();
            ASSERT_TRUE(TicksUntil([&] { return sim_->Dark(); }, 200));
        }
        sim_->setReplyDelay(c.pace);
        ASSERT_TRUE(Ticks(2));
        const QString before = form->lblPower(0)->text();
        if (c.handSet) {
            EXPECT_EQ(before, Two(Held(0)));
            EXPECT_FALSE(Italic(form->lblPower(0)));
            sim_->Brownout(700);
        }
        EXPECT_EQ(Held(0), 0.0);

        bool greyed = false;
        for (int i = 0; i < 120; ++i) {
            ASSERT_TRUE(Ticks(1));
            if (restarts == 0) continue;
            const bool held = !Italic(form->lblPower(0));
            greyed = greyed || !held;
            if (held) {
                ASSERT_EQ(form->lblPower(0)->text(), Two(Held(0))) << "tick " << i << ", before the dip " << before.toStdString();
            }
        }
        EXPECT_FALSE(timedOut);
        // A slow unit shows the rows grey and slanted from the time-out until it has its
        // powers again (at once, no tick passes in between).
        EXPECT_EQ(greyed, c.pace > 0);
        EXPECT_EQ(restarts, 1);
        // The station gave the unit its powers again: every row shows them, held (on a slow
        // link once the loop's latest power has been answered).
        ASSERT_TRUE(TicksUntil([] { return gORUN->PowerConfirmed(gApp->ChanOutput(0)) && gORUN->PowerConfirmed(gApp->ChanOutput(1)); }, 60));
        for (int16_t ch = 0; ch <= 1; ++ch) {
            const int o = gApp->ChanOutput(ch);
            EXPECT_NEAR(Held(o), gORUN->Power(o), kCodeStep) << ch;
            EXPECT_EQ(form->lblPower(ch)->text(), Two(Held(o))) << ch;
            EXPECT_FALSE(Italic(form->lblPower(ch))) << ch;
        }
        if (c.handSet) {
            EXPECT_GT(Held(0), 29.0);
        }
        EndStation();
    }
}

// At any pace of the unit's replies the loop controls on the readings that come, by their
// real age: no source is pulsed to 0 and back, and a run whose readings come too far apart
// to control on is stopped with one message naming the reason instead of sitting at 0 in
// DEPOSIT. Lost replies (5, 10 %) are asked for again: the inputs keep coming and a held
// Stop Process acts within 3 s; at 45 % the link is too poor and the run stops with its
// reason.
TEST_F(SlowLink, AtAnyPaceOrLossTheRunIsControlledOrStoppedWithItsReason) {
    constexpr int kWindowTicks = 444;  // 40 s
    const struct {
        int pace;
        double lost;
        const char* stoppedBy;  // the reason the run stops with, or none
        bool either = false;    // at the edge: it deposits, or stops with that reason
    } cases[] = {
        {200, 0.0, nullptr}, {300, 0.0, nullptr}, {450, 0.0, nullptr}, {600, 0.0, "The unit's readings come", true},
        {1000, 0.0, "The unit's readings come"}, {1500, 0.0, "The unit's readings come"},
        {0, 0.05, nullptr}, {0, 0.10, nullptr}, {0, 0.45, "The link to the unit loses"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("pace %1 ms, %2 lost").arg(c.pace).arg(c.lost).toStdString());
        MakeStation();
        Deposit();
        ASSERT_TRUE(Ticks(40));
        sim_->setReplyDelay(c.pace);
        sim_->setLoseShare(c.lost, 11);
        // When output 0 last held a power above 0, and whether it then went to 0 and back.
        int64_t aboveAt = -1, zeroAt = -1;
        int pulses = 0;
        int64_t lastInputs = TickMs(), longestInputsGap = 0;
        QObject::connect(sim_.get(), &UnitSim::CommandReceived, [&](const QString& cmd) {
            if (cmd != "M") return;
            longestInputsGap = std::max(longestInputsGap, TickMs() - lastInputs);
            lastInputs = TickMs();
        });
        for (int i = 0; i < kWindowTicks && gApp->Phase() == PhaseCode::Deposit; ++i) {
            ASSERT_TRUE(Ticks(1));
            const double held = Held(0);
            if (held > 0.0) {
                if (zeroAt >= 0 && aboveAt >= 0 && TickMs() - aboveAt <= 10000) ++pulses;
                aboveAt = TickMs();
                zeroAt = -1;
            } else if (zeroAt < 0) {
                zeroAt = TickMs();
            }
        }
        if (c.either && gApp->Phase() == PhaseCode::Deposit) {
            EXPECT_GT(Held(0), 0.0);
            EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
        } else if (c.stoppedBy) {
            ASSERT_TRUE(TicksUntil([&] { return !boxes.prompts().isEmpty(); }, 40));
            EXPECT_EQ(boxes.count(), 1) << boxes.prompts().join('|').toStdString();
            EXPECT_TRUE(boxes.last().prompt.startsWith(QString::fromLatin1(c.stoppedBy))) << boxes.last().prompt.toStdString();
            EXPECT_NE(gApp->Phase(), PhaseCode::Deposit);
        } else {
            EXPECT_EQ(gApp->Phase(), PhaseCode::Deposit);
            EXPECT_GT(Held(0), 0.0);
            EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
        }
        EXPECT_EQ(pulses, 0);
        if (c.pace == 0 && !c.stoppedBy) {
            EXPECT_LT(longestInputsGap, 3000);
            // A held Stop Process acts within 3 s.
            const int64_t pressed = TickMs();
            sim_->Model().inputs = 1 << kStopProcessInput;
            ASSERT_TRUE(TicksUntil([&] { return ZeroPowers() && (sim_->Model().relays & 1) != 0; }, 60));
            EXPECT_LE(TickMs() - pressed, 3000);
            sim_->Model().inputs = 0;
        }
        sim_->setLoseShare(0.0, 0);
        sim_->setReplyDelay(0);
        EndStation();
    }
}

}  // namespace
