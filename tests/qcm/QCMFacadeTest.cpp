// The quartz facade with the Mirel sensors as its source: emulated sensors found through
// the USB bridge, the questions about assignments, the frequency settings, and the
// sensors' readings handed on as one reading of the four monitors.
#include "SensorBench.h"

#include "app/PhaseCode.h"
#include "app/cApp.h"
#include "app/modUtil.h"
#include "data/RecipeSchema.h"
#include "data/modDB.h"
#include "platform/ProgramFolder.h"
#include "qcm/TrvApi.h"
#include "qcm/cQCM.h"
#include "qcm/cTRV600a.h"
#include "unit/cORUN.h"
#include "run/ProgramObjects.h"
#include "support/ProgramState.h"

#include <memory>

namespace {

class QCMFacade : public SensorBench {
protected:
    void SetUp() override {
        SensorBench::SetUp();
        ResetProgramState();
        modDB::gDB = CreateRecipeDatabase(folder.file("ORUN.MDB"));
        ProgramObjects::CreateApp();
        ProgramObjects::CreateUnit();
        cQCM& qcm = ProgramObjects::CreateQCM();
        QObject::connect(&qcm, &cQCM::QCMReading, &qcm, [this](QCMReadingArray& R, double) {
            last = R;
            ++readings;
        });
    }
    void TearDown() override {
        ResetProgramState();
        SensorBench::TearDown();
    }

    cQCM& QCM() { return RunQCM(); }
    cTRV600a& Card() { return *QCM().findChild<cTRV600a*>(); }
    // Raises a reading of the sensor driver as its poll would.
    void SensorEvent(const QString& sn, double rate, double thickK, double hz, double life) {
        MirelReadingArray r;
        r(0) = rate;
        r(1) = thickK;
        r(2) = hz;
        r(3) = life;
        emit QCM().findChild<cMirel*>()->MirelReading(sn, r);
    }
    static double At(const QCMReadingArray& R, int q, int quantity) { return R(QCMReadingIndex(q, quantity)); }

    MirelSim a{QStringLiteral("MA0001")};
    MirelSim b{QStringLiteral("MB0002")};
    QCMReadingArray last;
    int readings = 0;
};

TEST_F(QCMFacade, InitFreqKeepsOnlyValuesInRangeAndPassesThemToTheSensors) {
    struct Case {
        double max, min, init, period;
        int32_t result;
    };
    const Case cases[] = {
        {10000000, 1000000, 5500000, 0.5, 0},  {9000000, 1000000, 9500000, 0.5, -1},
        {6100000, 6050000, 6000000, 0.5, -1},  {10000001, 1000000, 5500000, 0.5, -1},
        {6100000, 999999, 6000000, 0.5, -1},   {6100000, 5000000, 6000000, 0.09, -1},
        {6100000, 5000000, 6000000, 2.01, -1}, {6100000, 5000000, 6000000, 2.0, 0},
        {6000000, 6000000, 6000000, 0.1, 0},
    };
    std::vector<double> kept = {0, 0, 0, 0};
    for (const Case& c : cases) {
        EXPECT_EQ(QCM().InitFreq(c.max, c.min, c.init, c.period), c.result) << c.max << " " << c.init << " " << c.period;
        if (c.result == 0) kept = {c.max, c.min, c.init, c.period};
        EXPECT_EQ(std::vector<double>({QCM().FreqMax(), QCM().FreqMin(), QCM().FreqInit(), QCM().Period()}), kept);
    }

    // With the sensors as the source each assigned sensor gets the limits and the period;
    // the result is the last sensor's status (7: assigned but not plugged in).
    ASSERT_TRUE(Plug(a));
    QCM().setMirelSN(0, QStringLiteral("MA0001"));
    QCM().setQCMType(2);
    a.ClearCommands();
    EXPECT_EQ(QCM().InitFreq(6100000, 5000000, 6000000, 0.5), 0);
    EXPECT_EQ(a.Commands(), QStringList({"!B2500000", "!C25000000"}));
    QCM().setMirelSN(3, QStringLiteral("GONE"));
    EXPECT_EQ(QCM().InitFreq(6100000, 4000000, 6000000, 0.5), 7);
    EXPECT_EQ(a.GateCount(), 2000000);
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(QCMFacade, SensorReadingsReachEveryMonitorTheSensorServes) {
    ASSERT_TRUE(Plug(a) && Plug(b));
    a.frequency = 5990000.0;
    b.frequency = 5800000.0;
    QCM().setMirelSN(0, QStringLiteral("MA0001"));
    QCM().setMirelSN(1, QStringLiteral("MB0002"));
    QCM().setMirelSN(2, QStringLiteral("ma0001"));
    // A sensor serves one monitor when the sensors are chosen: the second assignment is
    // offered for removal, and kept.
    boxes.answer(vbNo);
    QCM().setQCMType(2);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().prompt, QStringLiteral("Mirel #ma0001 is assigned to QCM3 but is not connected.\r\n"
                                                  "Remove the assignment?"));
    EXPECT_EQ(QCM().MirelSN(2), QStringLiteral("ma0001"));
    for (int q : {0, 1}) EXPECT_TRUE(QCM().QCMSensorEnabled(q)) << q;
    for (int q : {2, 3}) EXPECT_FALSE(QCM().QCMSensorEnabled(q)) << q;

    // The facade's own poll reads both sensors.
    ASSERT_TRUE(WaitUntil([&] { return At(last, 0, 2) > 0.0 && At(last, 1, 2) > 0.0; }, 3000));
    EXPECT_NEAR(At(last, 0, 2), 5990000.0, 1.0);
    EXPECT_NEAR(At(last, 1, 2), 5800000.0, 1.0);
    EXPECT_EQ(At(last, 2, 2), At(last, 0, 2));
    EXPECT_EQ(At(last, 3, 2), 0.0);
    EXPECT_EQ(QCM().QCMFreq(1), At(last, 1, 2));
    EXPECT_EQ(QCM().QCMFreq(4), 0.0);

    // Thickness in kA becomes A, for both monitors of the one sensor.
    const int before = readings;
    SensorEvent(QStringLiteral("MA0001"), 2.5, 1.234, 5900000.0, 90.0);
    ASSERT_EQ(readings, before + 1);
    for (int q : {0, 2}) {
        EXPECT_EQ(At(last, q, 0), 2.5);
        EXPECT_DOUBLE_EQ(At(last, q, 1), 1234.0);
        EXPECT_EQ(At(last, q, 2), 5900000.0);
        EXPECT_EQ(At(last, q, 3), 90.0);
    }
    EXPECT_NE(At(last, 1, 2), 5900000.0);
    // A serial that serves no monitor still raises the reading; another source ignores
    // the sensors altogether.
    SensorEvent(QStringLiteral("OTHER"), 1.0, 1.0, 1.0, 1.0);
    EXPECT_EQ(readings, before + 2);
    QCM().setQCMType(0);
    SensorEvent(QStringLiteral("MA0001"), 1.0, 1.0, 1.0, 1.0);
    EXPECT_EQ(readings, before + 2);
    EXPECT_EQ(QCM().QCMFreq(0), 0.0);
}

// Choosing the sensors settles which sensor serves which monitor: an assigned sensor that
// is missing may lose its assignment, a found one that serves none is offered the unused
// monitors in turn.
TEST_F(QCMFacade, ChoosingTheSensorsAsksAboutAssignments) {
    const QString gone = QStringLiteral("Mirel #GONE1 is assigned to QCM2 but is not connected.\r\n"
                                        "Remove the assignment?");
    const QString offer = QStringLiteral("Mirel #MB0002 is connected, but not assigned as a QCM.\r\n"
                                         "Assign it to unused QCM %1?");
    const QString none = QStringLiteral("No Mirels detected.\r\nConnect a Mirel to a USB port\r\n"
                                        "and follow Mirel installation instructions.");

    // Nothing plugged in: said only once the program is up.
    QCM().setQCMType(2);
    EXPECT_EQ(boxes.count(), 0);
    gApp->setPhase(PhaseCode::StopLayer);  // a stopped layer: the program is up
    boxes.clear();
    QCM().setQCMType(2);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().prompt, none);
    EXPECT_EQ(boxes.last().buttons, vbExclamation);

    ASSERT_TRUE(Plug(a) && Plug(b));
    struct Case {
        std::vector<int> answers;
        QStringList prompts;
        QStringList serials;  // monitors 0..3 afterwards
        QList<bool> enabled;
    };
    const Case cases[] = {
        // Remove GONE1; MB0002 declined for monitor 2, taken for monitor 3.
        {{vbYes, vbNo, vbYes}, {gone, offer.arg(2), offer.arg(3)}, {"ma0001", "", "MB0002", ""}, {true, false, true, false}},
        // Keep GONE1; Cancel ends the offers of MB0002.
        {{vbNo, vbCancel}, {gone, offer.arg(3)}, {"ma0001", "GONE1", "", ""}, {true, false, false, false}},
    };
    for (const Case& c : cases) {
        const QStringList initial = {"ma0001", "GONE1", "", ""};
        for (int q = 0; q <= 3; ++q) {
            QCM().setMirelSN(q, initial[q]);
            QCM().setQCMSensorEnabled(q, true);
        }
        boxes.clear();
        for (int answer : c.answers) boxes.answer(answer);
        QCM().setQCMType(2);
        EXPECT_EQ(boxes.prompts(), c.prompts);
        for (const DialogRequest& box : boxes.boxes())
            EXPECT_EQ(box.buttons, vbQuestion + (box.prompt == gone ? vbYesNo : vbYesNoCancel));
        for (int q = 0; q <= 3; ++q) {
            EXPECT_EQ(QCM().MirelSN(q), c.serials[q]) << q;
            EXPECT_EQ(QCM().QCMSensorEnabled(q), c.enabled[q]) << q;
        }
    }
}

// The card source: the library is looked for where it is loaded from, the card is set to
// neutral values with the frequencies, its first four sensors are the monitors, its
// analog inputs are handed on, and the sensors' readings are ignored.
TEST_F(QCMFacade, TheCardSourceIsReachedThroughTheFacade) {
    QCM().setQCMType(1);
    ASSERT_EQ(boxes.count(), 0) << boxes.prompts().join(" | ").toStdString();
    EXPECT_TRUE(Card().TimerEnabled());
    EXPECT_DOUBLE_EQ(Card().SensorInitFreq(), 6000000.0) << "the stored frequencies reach the card";
    Card().setTimerEnabled(false);
    Card().setSensorLoop(2, 1);
    Card().setDensity(3, 5.0);
    ASSERT_EQ(QCM().InitFreq(10000000, 1000000, 5500000, 0.5), 0);
    EXPECT_DOUBLE_EQ(Card().SensorMaxFreq(), 10000000.0);
    EXPECT_EQ(Card().SensorLoop(2), -1);
    EXPECT_DOUBLE_EQ(Card().Density(3), 1.0);
    EXPECT_EQ(Card().OpMode(), 1) << "no card: simulation";
    EXPECT_EQ(QCM().InitFreq(10000000, 1000000, 11000000, 0.5), -1);
    EXPECT_EQ(QCM().Material(2, 0.3, 1.0, 100.0), 11) << "the card's own check";

    TrvSensorReadings sensors;
    for (int s = 0; s < 24; ++s)
        for (int k = 0; k <= 3; ++k) sensors(s, k) = 100.0 * s + k;
    TrvOutputReadings outputs;
    emit Card().TRVReading(sensors, outputs, 12.5);
    ASSERT_EQ(readings, 1);
    for (int q = 0; q <= 3; ++q)
        for (int k = 0; k <= 3; ++k) EXPECT_EQ(At(last, q, k), 100.0 * q + k) << q << "," << k;
    EXPECT_EQ(QCM().QCMFreq(3), 302.0);
    QList<double> vesk;
    QObject::connect(&QCM(), &cQCM::VeskReading, &QCM(), [&](VeskReadingArray& v, double t) {
        vesk = {v(0), v(1), v(2), v(3), t};
    });
    TrvAnalogReadings analog;
    for (int a = 0; a <= 3; ++a) analog(a) = 0.5 * a;
    emit Card().TRVAnalog(analog, 13.0);
    EXPECT_EQ(vesk, QList<double>({0.0, 0.5, 1.0, 1.5, 13.0}));
    SensorEvent(QStringLiteral("MA0001"), 1.0, 1.0, 1.0, 1.0);
    EXPECT_EQ(readings, 1);

    // With another source the card's readings are ignored.
    QCM().setQCMType(0);
    EXPECT_FALSE(Card().TimerEnabled());
    emit Card().TRVReading(sensors, outputs, 14.0);
    emit Card().TRVAnalog(analog, 14.0);
    EXPECT_EQ(readings, 1);
    EXPECT_EQ(vesk.last(), 13.0);
    EXPECT_EQ(boxes.count(), 0);

    // Without its library file the card cannot be chosen: the program ends.
    SetLibraryFolder(folder.path());
    static int exitCode = 0;
    modUtil::SetCriticalExitHook([](int code) { exitCode = code; });
    EXPECT_THROW(QCM().setQCMType(1), modUtil::CriticalExit);
    modUtil::SetCriticalExitHook(nullptr);
    SetLibraryFolder(QString());
    EXPECT_EQ(exitCode, 1);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().prompt, QStringLiteral("Critical Error: Can't Find File \r\n") + folder.file("libTRV600a.so") +
                                       QStringLiteral("\r\nApplication must close!"));
}

// Revision, material and zero go to the sensor of an enabled monitor; a monitor no sensor
// serves answers -1, and with no source nothing is asked.
TEST_F(QCMFacade, CommandsReachTheSensorOfAnEnabledMonitor) {
    ASSERT_TRUE(Plug(a));
    QCM().setMirelSN(0, QStringLiteral("MA0001"));
    QCM().setQCMType(2);
    for (const auto& [text, value] : std::vector<std::pair<const char*, int16_t>>{
             {"1.05", 105}, {"V2.10", 210}, {"x", 0}, {"9999", 0}}) {
        a.revision = QString::fromLatin1(text);
        EXPECT_EQ(QCM().Revision(0), value) << text;
    }
    EXPECT_EQ(QCM().Revision(1), 0);
    EXPECT_EQ(QCM().Material(0, 0.1, 1.0, 100.0), 5);
    for (int q : {1, 4, -1}) {
        EXPECT_EQ(QCM().Material(q, 2.0, 1.0, 100.0), -1) << q;
        EXPECT_EQ(QCM().Zero(q), -1) << q;
    }
    QCM().setQCMType(0);
    EXPECT_EQ(QCM().Zero(1), 0);
    EXPECT_EQ(QCM().Revision(0), 0);
    EXPECT_EQ(boxes.count(), 0);
}

}  // namespace
