// The run display through a stop, a step on and a start again, on the whole station
// against the unit emulator: the header names the step shown and shows no times of
// another, the process time does not jump by the stop, the phase time never shows the
// time of day, and a total that counts nothing reads as every total reads 0.
#include "ClockedStation.h"

#include "app/VBConv.h"
#include "app/modUtil.h"
#include "run/modPhases.h"
#include "unit/cORUN.h"

#include <QLabel>
#include <QPushButton>
#include <QTime>

namespace {

class RunTimes : public ClockedStation {
protected:
    // Seconds of a "Time: hh:mm:ss" label; -1 for any other text.
    static int Seconds(const QLabel* l) {
        const QString t = l->text();
        if (!t.startsWith(QLatin1String("Time: "))) return -1;
        const QTime time = QTime::fromString(t.mid(6, 8), QStringLiteral("hh:mm:ss"));
        return time.isValid() ? time.msecsSinceStartOfDay() / 1000 : -1;
    }
    void Press(int i) { form->cmdFunc(i)->click(); }
};

TEST_F(RunTimes, HeaderAndTimesReadRightThroughStopNextAndStart) {
    MakeStation();
    ASSERT_FALSE(HasFatalFailure());
    // Every reply the window handled leaves a phase time no longer than the run so far:
    // the clock stands at 10:00 in the morning, a run here lasts seconds.
    QStringList wrong;
    QObject::connect(gORUN, &cORUN::ORUNResponse, form, [&] {
        const int phaseTime = Seconds(form->lblPhase(1));
        if (phaseTime >= 600) wrong << modPhases::PhaseName(gApp->Phase()) + QStringLiteral(": ") + form->lblPhase(1)->text();
    });

    Press(0);
    ASSERT_TRUE(TicksUntil([] { return gApp->Phase() == PhaseCode::Deposit; }, 200));
    ASSERT_TRUE(Ticks(30));
    const int ran = Seconds(form->lblProcess(1));
    ASSERT_GT(ran, 5);
    EXPECT_EQ(form->lblLayer(0)->text(), "Layer: 1 of 2");

    Press(0);  // STOP
    ASSERT_EQ(gApp->Phase(), PhaseCode::StopLayer);
    EXPECT_EQ(form->lblStatus->text(), "Stop Layer 1 - User");
    ASSERT_TRUE(Ticks(100));  // nine seconds stopped
    EXPECT_EQ(Seconds(form->lblProcess(1)), ran);

    Press(1);  // NEXT
    EXPECT_EQ(gApp->ProcLayer(), 2);
    EXPECT_EQ(form->lblLayer(0)->text(), "Layer: 2 of 2");
    // Step 2 has not run: no layer or phase time of step 1 beside its name.
    EXPECT_EQ(form->lblLayer(1)->text(), "");
    EXPECT_EQ(form->lblPhase(1)->text(), "");
    ASSERT_TRUE(Ticks(15));
    // Nothing of step 2 is deposited yet: its totals read 0 as a zero button leaves them.
    for (int16_t ch : {1, 2}) {
        EXPECT_EQ(form->lblTotal(ch)->text(), vb::Trim(modUtil::FormatFilmValue(0.0, ch))) << ch;
        EXPECT_NE(form->lblTotal(ch)->text(), "0") << ch;
    }

    Press(0);  // START: step 2 runs, and the process time goes on from where it stood
    ASSERT_TRUE(Ticks(3));
    EXPECT_NE(gApp->Phase(), PhaseCode::StopLayer);
    const int resumed = Seconds(form->lblProcess(1));
    EXPECT_GE(resumed, ran);
    EXPECT_LE(resumed, ran + 1);
    EXPECT_LE(Seconds(form->lblLayer(1)), 1);
    ASSERT_TRUE(Ticks(30));

    // A next layer that waits for its manual start shows no times of the layer before.
    Press(0);  // STOP
    Press(2);  // RESET: step 1, STOPPED
    ASSERT_EQ(gApp->Phase(), PhaseCode::Stopped);
    gLayer(1).Thick = gLayer(2).Thick = 0.0;  // step 1 ends at once
    gLayer(3).StartMode = 1;                    // step 2 waits for the operator
    Press(0);
    ASSERT_TRUE(TicksUntil([] { return gApp->ProcLayer() == 2 && gApp->Phase() == PhaseCode::StopLayer; }, 300));
    ASSERT_TRUE(Ticks(5));
    EXPECT_EQ(form->lblLayer(0)->text(), "Layer: 2 of 2");
    EXPECT_EQ(form->lblLayer(1)->text(), "");
    EXPECT_EQ(form->lblPhase(1)->text(), "");
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(QStringLiteral("; ")).toStdString();
}

}  // namespace
