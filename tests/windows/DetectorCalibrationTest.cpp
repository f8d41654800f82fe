// The detector calibration of the Channel tab against the unit emulator: the progress
// the window shows for each reading, the end when the link has finished, the failure
// after three times the readings, the refusal while a layer runs, and the restart after
// a reply time-out.
#include "SetupFixture.h"

#include "app/VBConv.h"
#include "platform/SSTab.h"
#include "platform/VbControls.h"

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <functional>

namespace {

constexpr int kChannel = 2;

class DetectorCalibration : public SetupFixture {
protected:
    void SetUp() override {
        SetupFixture::SetUp();
        gORUN->setCalPackets(kChannel, 10);
        SetSetting("Sensor", vb::CStr(kChannel));
        Debug = 1;
        // Runs before the window's own handler of the link's errors.
        QObject::connect(gORUN, &cORUN::ORUNError, [this](int t, int n) {
            if (t == 0 && n == 0) timeOutAt = TickMs();
        });
        w = Open();
        w->tabForm->setTab(0);
    }

    // The label after each reading until the window ends the calibration ("-" once it has
    // ended and hidden the label), at most n readings.
    QStringList Progress(int n, const std::function<void(int)>& before = {}) {
        QStringList shown;
        for (int i = 1; i <= n; ++i) {
            if (before) before(i);
            Reading();
            shown << (w->lblCal->isVisible() ? w->lblCal->text() : QStringLiteral("-"));
            if (gORUN->CalChan() < 0) break;
        }
        return shown;
    }

    static QStringList Counted(const char* what, int from, int to) {
        QStringList l;
        for (int i = from; i <= to; ++i) l << QString::fromLatin1(what) + vb::CStr(i);
        return l;
    }

    frmSystem* w = nullptr;
    int64_t timeOutAt = -1;  // the clock when the last reply time-out was raised
};

TEST_F(DetectorCalibration, ShowsItsProgressAndEndsDoneOrFailed) {
    QTest::mouseClick(w->cmdCalibrate, Qt::LeftButton);
    EXPECT_FALSE(w->cmdCalibrate->isEnabled());
    EXPECT_FALSE(gMainForm->cmdFunc(0)->isEnabled());
    EXPECT_TRUE(w->prgCalibrate->isVisible());
    EXPECT_EQ(w->prgCalibrate->value(), 0);
    EXPECT_TRUE(w->lblCal->isVisible() && w->lblCal->text().isEmpty());
    EXPECT_EQ(gORUN->CalChan(), kChannel);

    // Ten readings at the low bias, ten at the high bias; the link finishes at the next.
    int progressAt10 = -1;
    const QStringList done = Progress(40, [&](int i) {
        if (i == 11) progressAt10 = w->prgCalibrate->value();
    });
    EXPECT_EQ(done, Counted("Zero CalRdg ", 1, 10) + Counted("Gain CalRdg ", 1, 10) + QStringList({"Calibration Done", "-"}));
    EXPECT_EQ(progressAt10, 50);
    EXPECT_TRUE(w->cmdCalibrate->isEnabled());
    EXPECT_TRUE(gMainForm->cmdFunc(0)->isEnabled());
    EXPECT_FALSE(w->prgCalibrate->isVisible());
    EXPECT_EQ(gORUN->CalChan(), -1);
    EXPECT_EQ(gORUN->RdgType(), 0);
    EXPECT_NE(gORUN->CalSlope(kChannel, 0), 0.0);
    EXPECT_EQ(w->lblCalA(0)->text(), vb::Format(gORUN->CalSlope(kChannel, 0), "#.000000"));
    EXPECT_EQ(w->lblCalA(3)->text(), vb::CStr(gORUN->CalLoCounts(kChannel, 0)));
    const QStringList commands = sim.Commands().filter(QRegularExpression("^[HC]3,"));
    EXPECT_EQ(commands.mid(0, 3), (QStringList{"H3,0", "C3,100", "C3,2000"}));

    // A channel the unit reports inactive for a moment and that then reads again is active
    // again: its calibration goes on to the end. With bit 0 of the front-panel word the
    // Start button stays disabled.
    SystemFlags = 1;
    QTest::mouseClick(w->cmdCalibrate, Qt::LeftButton);
    const QStringList again = Progress(40, [&](int i) {
        if (i != 6) return;
        sim.Model().active[kChannel] = false;
        gORUN->SendReadChannels();
        ASSERT_TRUE(WaitUntil([] { return !gORUN->ChanActive(kChannel) && gORUN->CommStatus() == 0; }, 3000));
        sim.Model().active[kChannel] = true;
    });
    EXPECT_EQ(again, done);
    EXPECT_TRUE(gORUN->ChanActive(kChannel));
    EXPECT_FALSE(w->cmdCalibrate->isEnabled());
    EXPECT_TRUE(gMainForm->cmdFunc(0)->isEnabled());
    EXPECT_EQ(gORUN->CalChan(), -1);
    EXPECT_EQ(gORUN->RdgType(), 0);

    // A dead converter (the same counts at both biases) measures no line: the calibration
    // fails with a word and the channel keeps the one it had.
    SystemFlags = 0;
    gORUN->SendReadChannels();
    ASSERT_TRUE(WaitUntil([] { return gORUN->ChanActive(kChannel) && gORUN->CommStatus() == 0; }, 3000));
    w->cmdCalibrate->setEnabled(true);
    const double slope = gORUN->CalSlope(kChannel, 0);
    sim.Model().plant.params.countsPerUnit = 0.0;
    QTest::mouseClick(w->cmdCalibrate, Qt::LeftButton);
    const QStringList dead = Progress(40);
    EXPECT_EQ(dead.last(), "Calibration Failed: the counts did not follow the bias. The old calibration is kept.");
    EXPECT_TRUE(w->lblCal->isVisible());
    w->show();
    const QString dir = QStringLiteral(ORUN_BIN_DIR "/../screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/setup_calibration_refused.png"));
    EXPECT_EQ(gORUN->CalSlope(kChannel, 0), slope);
    EXPECT_EQ(w->lblCalA(0)->text(), vb::Format(slope, "#.000000"));
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(DetectorCalibration, IsRefusedWhileALayerRunsAndStartsAgainAfterATimeOut) {
    gApp->setPhase(PhaseCode::Deposit);
    sim.ClearCommands();
    QTest::mouseClick(w->cmdCalibrate, Qt::LeftButton);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().prompt, "Stop process to calibrate ORUN detector.");
    EXPECT_EQ(boxes.last().icon(), vbInformation);
    EXPECT_EQ(gORUN->CalChan(), -1);
    EXPECT_TRUE(w->cmdCalibrate->isEnabled());

    gApp->setPhase(PhaseCode::StopLayer);
    QTest::mouseClick(w->cmdCalibrate, Qt::LeftButton);
    Reading();
    Reading();
    EXPECT_EQ(w->lblCal->text(), "Zero CalRdg 2");
    sim.setSilent(true);
    qint64 restartedAfter = -1;
    bool restarted = false;
    // After the window's handler: the calibration has started again from its first reading.
    QObject::connect(gORUN, &cORUN::ORUNError, w, [&](int t, int n) {
        if (t != 0 || n != 0 || restarted) return;
        restartedAfter = TickMs() - timeOutAt;
        restarted = !w->cmdCalibrate->isEnabled() && w->lblCal->isVisible() && w->lblCal->text().isEmpty() &&
                    w->prgCalibrate->value() == 0 && gORUN->CalChan() == kChannel;
    });
    gORUN->SendReadSensors();
    Clock::Advance(OrunTiming::IdentifiedMs);
    ASSERT_GE(restartedAfter, 0);
    EXPECT_TRUE(restarted);
    EXPECT_GE(restartedAfter, 500);
    EXPECT_EQ(boxes.count(), 1);
}

// A calibration ended before the link has finished it (the window closed by its Close
// button or its close box, the exit confirmed) ends as a finished or failed one does: the
// link leaves calibration, the detector is given its volts again, START comes back (not in
// the exit), and the channel keeps the calibration it had, in the link and in the file,
// not the low point measured meanwhile. The operator who closed the window is told; the
// exit tells nobody.
TEST_F(DetectorCalibration, EndedMidwayLeavesTheOldCalibrationTheDetectorItsVoltsAndStartBack) {
    enum class End { CloseButton, CloseBox, Exit };
    for (const End end : {End::CloseButton, End::CloseBox, End::Exit}) {
        SCOPED_TRACE(static_cast<int>(end));
        for (int i = 0; i <= 1; ++i) {
            gORUN->setCalLoCounts(kChannel, i, 111 + i);
            gORUN->setCalHiCounts(kChannel, i, 999 + i);
            gORUN->setCalSlope(kChannel, i, 1.5 + i);
            gORUN->setCalIntercept(kChannel, i, 7.25 + i);
        }
        gORUN->setPMTVolts(kChannel, 700);
        boxes.clear();
        QTest::mouseClick(w->cmdCalibrate, Qt::LeftButton);
        ASSERT_EQ(gORUN->CalChan(), kChannel);
        // The low point is taken (its counts are the unit's, not 111), the high one is not.
        const QStringList shown = Progress(15);
        ASSERT_EQ(shown.last(), "Gain CalRdg 5");
        ASSERT_EQ(sim.Model().pmtVolts[kChannel], 0);

        if (end == End::CloseButton) w->cmdClose->click();
        if (end == End::CloseBox) w->close();
        if (end == End::Exit) gMainForm->EndForTheSystem();
        EXPECT_EQ(gORUN->CalChan(), -1);
        EXPECT_EQ(gORUN->RdgType(), RdgType::Normal);
        for (int i = 0; i <= 1; ++i) {
            EXPECT_EQ(gORUN->CalLoCounts(kChannel, i), 111 + i) << "integration " << i;
            EXPECT_EQ(gORUN->CalHiCounts(kChannel, i), 999 + i);
            EXPECT_EQ(gORUN->CalSlope(kChannel, i), 1.5 + i);
            EXPECT_EQ(gORUN->CalIntercept(kChannel, i), 7.25 + i);
        }
        EXPECT_TRUE(WaitUntil([&] { return sim.Model().pmtVolts[kChannel] == 700; }, 3000));
        EXPECT_EQ(gMainForm->cmdFunc(0)->isEnabled(), end != End::Exit);
        if (end == End::Exit) {
            EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
            // The shutdown saves the calibration the channel kept.
            ASSERT_TRUE(WaitUntil([] { return gApp->Phase() == PhaseCode::Shutdown; }, 10000));
        } else {
            ASSERT_EQ(boxes.count(), 1);
            EXPECT_EQ(boxes.last().prompt, "The detector calibration of channel 3 was not finished: the channel keeps "
                                           "its calibration from before.");
            EXPECT_EQ(boxes.last().icon(), vbInformation);
        }
        const dao::Recordset row =
            dao::OpenDatabase(folder.file("ORUN.MDB")).OpenRecordset("SELECT * FROM ORUN WHERE Channel =2");
        EXPECT_EQ(row.Fields("A_BiasLo").Value().toInt(), 111);
        EXPECT_EQ(row.Fields("B_BiasLo").Value().toInt(), 112);
        EXPECT_EQ(row.Fields("A_Slope").Value().toDouble(), 1.5);
        if (end != End::Exit) w = Open();
    }
}

}  // namespace

// Presses made while a calibration is starting (the link waits for the PMT to settle, with
// events running), from the window or from code on the disabled button: none starts a
// second calibration, and a channel reply inside the settling wait does not give Calibrate
// back.
TEST_F(DetectorCalibration, APressWhileItStartsStartsNothingMore) {
    // A start switches the PMT off while the link awaits the first bias acknowledgement.
    int starts = 0;
    std::function<void(const QString&)> onCommand;
    QObject::connect(gORUN, &cORUN::ORUNCommand, w, [&](const QString& c) {
        starts += c == "H3,0" && gORUN->RdgType() == RdgType::AwaitingAck;
        if (onCommand) onCommand(c);
    });
    onCommand = [&](const QString& c) {
        if (c != "H3,0") return;
        onCommand = nullptr;
        // Inside the settling wait: the operator's click, the plant's press, a channel reply.
        QTest::mouseClick(w->cmdCalibrate, Qt::LeftButton);
        PressButton(w->cmdCalibrate);
        gORUN->SendReadChannels();
    };
    QTest::mouseClick(w->cmdCalibrate, Qt::LeftButton);
    EXPECT_EQ(starts, 1);
    EXPECT_FALSE(w->cmdCalibrate->isEnabled());
    EXPECT_FALSE(gMainForm->cmdFunc(0)->isEnabled());
    Reading();
    EXPECT_FALSE(w->cmdCalibrate->isEnabled()) << "the channel reply gave Calibrate back";
    EXPECT_EQ(sim.Commands().filter(QRegularExpression("^C3,")).size(), 1);

    EXPECT_EQ(boxes.count(), 0);
}
