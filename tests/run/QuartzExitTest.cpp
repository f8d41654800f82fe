// The confirmed exit while a quartz source reads: a Mirel sensor polled every 100 ms (its
// exchanges let other events run, so the exit's second pass may fall inside one), or the
// card's 10 ms poll. The source's readings stop before the link and the window go: the
// operator sees the exit's question and nothing else, no error report is written, and no
// sensor is read any more. It is a race, so the exit is taken many times, with the sensor's
// replies whole and split.
#include "MainWindowFixture.h"

#include "mirelsim/MirelSim.h"
#include "platform/TtyUsbBridge.h"
#include "qcm/cTRV600a.h"

#include <QAction>
#include <QTemporaryDir>
#include <algorithm>

namespace {

constexpr int32_t kCard = 1;
constexpr int32_t kMirel = 2;

class QuartzExit : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_TRUE(root.isValid());
        TtyUsbBridge::Instance().setRoot(root.path());
        ASSERT_TRUE(sensor.Plug(root.path()));
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        sensor.Unplug();
        TtyUsbBridge::Instance().setRoot(QString());
    }

    // Channel 0 deposits on quartz monitor 1 with the source reading; the operator exits.
    // Returns once the window is gone and the events of three sensor polls have run.
    void ExitWhileReading(int32_t source, bool splitReplies) {
        Station({0}, [] { gFilm(1).Input_Type = 1; });
        form->show();
        Connect();
        cQCM& qcm = *gQCM;
        int readings = 0;
        QObject::connect(&qcm, &cQCM::QCMReading, [&](QCMReadingArray&, double) { ++readings; });
        sensor.agingPerReading = 2.0;  // the crystal is coated: a rate to read
        if (source == kMirel) qcm.setMirelSN(0, sensor.Serial());
        qcm.setQCMSensorEnabled(0, true);
        qcm.setQCMType(source);
        // A reading every 0.1 s from either source, so three go by in the wait below.
        ASSERT_EQ(qcm.InitFreq(6.1e6, 5.0e6, 6.0e6, 0.1), 0);
        ASSERT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
        gApp->setPhase(PhaseCode::Deposit);
        ASSERT_TRUE(WaitUntil([&] { return readings >= 3; }, 10000));

        sensor.splitReplies = splitReplies;
        form->mnuFileExit->trigger();
        ASSERT_TRUE(WaitUntil([&] { return !form->isVisible(); }, 20000));
        const int raised = readings;
        const auto polls = sensor.Commands().count();
        WaitUntil([] { return false; }, 300);
        EXPECT_EQ(readings, raised) << "a reading was raised after the exit";
        EXPECT_EQ(sensor.Commands().count(), polls) << "the sensor was still polled";
        if (source == kCard) {
            EXPECT_FALSE(qcm.findChild<cTRV600a*>()->TimerEnabled());
        }
        sensor.splitReplies = false;
    }

    // The next exit on a station made afresh in the same program folder, so the error
    // report gathers every round.
    void NextStation() {
        MainWindowTest::TearDown();
        QFile::remove(folder.file(QStringLiteral("ORUN.MDB")));
        MainWindowTest::SetUp();
        boxes.clear();
    }

    QTemporaryDir root;
    MirelSim sensor;
};

}  // namespace

// ORUN_QUARTZ_EXITS=n takes each series n times over.
TEST_F(QuartzExit, WithEitherSourceReadingShowsOnlyItsQuestionAndReportsNothing) {
    const int times = std::max(1, qEnvironmentVariableIntValue("ORUN_QUARTZ_EXITS"));
    const struct {
        int32_t source;
        bool split;
        int rounds;
    } series[] = {{kMirel, false, 8 * times}, {kMirel, true, 8 * times}, {kCard, false, 4 * times}};
    bool first = true;
    for (const auto& s : series) {
        for (int round = 0; round < s.rounds; ++round) {
            SCOPED_TRACE(testing::Message() << (s.source == kMirel ? "Mirel" : "card") << (s.split ? ", split replies" : "")
                                            << ", round " << round);
            if (!first) NextStation();
            first = false;
            ExitWhileReading(s.source, s.split);
            if (HasFatalFailure()) return;
            EXPECT_EQ(boxes.prompts().join('|').toStdString(), "Exit the ORUN program?");
            EXPECT_EQ(gApp->Phase(), PhaseCode::Shutdown);
            const QByteArray report = folder.read(QStringLiteral("ERRORS.TXT"));
            ASSERT_TRUE(report.isEmpty()) << report.left(2000).toStdString();
        }
    }
}
