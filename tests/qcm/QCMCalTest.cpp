// The calibration of an emission channel against a quartz monitor: channel readings from
// the unit emulator over TCP, quartz readings raised by the facade, a fixed clock moved
// half a second per step, and the calibration timer's ticks played by the test.
#include "data/FilmRec.h"
#include "data/RecipeSchema.h"
#include "data/modDB.h"
#include "mirelsim/MirelSim.h"
#include "platform/TtyUsbBridge.h"
#include "platform/Clock.h"
#include "platform/Winsock.h"
#include "platform/ccrpTimer.h"
#include "qcm/cQCM.h"
#include "qcm/cQCMCal.h"
#include "run/modIO.h"
#include "support/DialogRecorder.h"
#include "support/TempProgramFolder.h"
#include "unit/LinkHarness.h"
#include "unitsim/UnitSim.h"
#include "run/ProgramObjects.h"
#include "support/ProgramState.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <functional>

namespace {

constexpr int kChan = 2;
constexpr int kFilm = 7;
constexpr int kQCM = 1;
constexpr int kShutterRelay = 3;  // "QCM 2 Shutter"
constexpr int kOtherRelay = 5;    // "QCM 1 Shutter"

// What one half-second step brings.
struct StepInput {
    bool quartz = true;
    double quartzRate = 11.0;
    double quartzHz = 5.9e6;
    bool zeroThickness = false;  // the monitor reports no thickness
    bool channel = true;
    double channelRate = 10.0;
};

class QCMCalibration : public ::testing::Test {
protected:
    void SetUp() override {
        // Just after midnight the single-precision seconds timer holds quarter seconds exactly.
        Clock::SetFixed(QDateTime(QDate(2024, 5, 6), QTime(0, 1, 0)));
        ASSERT_TRUE(unit.ListenTcp(QHostAddress::LocalHost, 0));
        QObject::connect(&socket, &Winsock::DataArrival, &socket, [this](int n) {
            for (char c : socket.GetData(n)) link.ParseResponse(static_cast<uint8_t>(c));
        });
        QObject::connect(&link, &cORUN::ORUNResponse, &link, [this](const QString& r) {
            if (r.startsWith(u'G')) ++unitReadings;
        });
        ASSERT_TRUE(link.CommInit(10, unit.TcpPort(), QStringLiteral("127.0.0.1"), &socket));
        link.SendGetVersion();
        ASSERT_TRUE(WaitUntil([&] { return link.Version() == 411 && link.ChanActive(kChan); }, 15000));
        link.setChanUpdate(kChan, 100);
        ASSERT_EQ(qcm.InitFreq(6.1e6, 5e6, 6e6, 0.25), 0);
        OutputFunction.fill(0);
        modIO::SetOutputFunction(kShutterRelay, 40 + kQCM);
        modIO::SetOutputFunction(kOtherRelay, 40);
        film = FilmRec{};
        film.QCM_NUMBER = kQCM;
        film.QCM_DENSITY = 1.0;
        film.QCM_ZFACTOR = 1.0;
        film.QCM_TOOLING = 100.0;
        film.QCM_SAMPLE = 10;
        UnitReading();
        flux = link.ChanFlux(kChan);
    }
    void TearDown() override { Clock::UseSystem(); }

    void UnitReading() {
        const int before = unitReadings;
        link.SendGetReading();
        ASSERT_TRUE(WaitUntil([&] { return unitReadings > before; }, 15000));
    }
    // The unit's relay register once the link's last relay command has reached it (a
    // generous deadline: a loaded machine can hold the command back for seconds).
    int UnitRelays() {
        WaitUntil([&] { return unit.Model().relays == link.RelayReg(); }, 15000);
        return unit.Model().relays;
    }
    static ccrpTimer& CalTimer(cQCMCal& cal) { return *cal.findChild<ccrpTimer*>(QStringLiteral("CalTimer")); }

    void QuartzReading(double rate, double thickness, double hz) {
        QCMReadingArray R;
        R(QCMReadingIndex(kQCM, 0)) = rate;
        R(QCMReadingIndex(kQCM, 1)) = thickness;
        R(QCMReadingIndex(kQCM, 2)) = hz;
        R(QCMReadingIndex(0, 2)) = -1.0;  // another monitor's dead crystal is not this one's
        emit qcm.QCMReading(R, 0.0);
    }

    // Runs a calibration (from its start unless it was started), half a second per step: a quartz reading, a
    // quarter second later a unit reading, then a tick. Sampling starts with phase 2, and
    // the monitor's thickness is its rate times the time since. Returns the final phase.
    int16_t Run(cQCMCal& cal, const std::function<StepInput(int step)>& input = {}, bool start = true) {
        if (start) {
            gFilm(kFilm) = film;
            cal.StartCal(kChan, kFilm);
        }
        double sampling = -1.0;  // seconds since phase 2 began
        for (int step = 0; step < 60 && (cal.Phase() == 1 || cal.Phase() == 2); ++step) {
            const StepInput in = input ? input(step) : StepInput{};
            Clock::Advance(250);
            if (sampling >= 0.0) sampling += 0.25;
            if (in.quartz) QuartzReading(in.quartzRate, in.zeroThickness ? 0.0 : in.quartzRate * std::max(sampling, 0.0), in.quartzHz);
            Clock::Advance(250);
            if (sampling >= 0.0) sampling += 0.25;
            gFilm(kFilm).QCM_CALZERO = flux - in.channelRate;
            if (in.channel) UnitReading();
            const int16_t before = cal.Phase();
            if (cal.Phase() == 1 || cal.Phase() == 2) emit CalTimer(cal).Timer();
            if (before == 1 && cal.Phase() == 2) sampling = 0.0;
        }
        return cal.Phase();
    }

    TempProgramFolder folder;
    DialogRecorder boxes;
    UnitSim unit;
    Winsock socket;
    FreshProgramState fresh;
    cORUN& link = ProgramObjects::CreateUnit();
    cQCM& qcm = ProgramObjects::CreateQCM();
    FilmRec film;
    double flux = 0.0;
    int unitReadings = 0;
};

// Settling with the monitor's shutter open, sampling, and the factor: the channel's
// integral is 105 at the end of sampling, the monitor's thickness 112.75 a quarter second
// earlier and 115.5 when carried on to the same moment, so the factor is 1.1.
TEST_F(QCMCalibration, SettlesSamplesAndFindsTheFactor) {
    cQCMCal cal;
    QList<int> phases;  // each change of phase
    int statuses = 0;
    QObject::connect(&cal, &cQCMCal::Status, &cal, [&](int16_t p) {
        ++statuses;
        if (phases.isEmpty() || phases.last() != p) phases << p;
    });
    gFilm(kFilm) = film;
    cal.StartCal(kChan, kFilm);
    EXPECT_EQ(CalTimer(cal).Interval(), 350);
    EXPECT_TRUE(CalTimer(cal).Enabled());
    EXPECT_EQ(UnitRelays(), 1 << kShutterRelay);
    EXPECT_EQ(cal.ErrorMsg(), QStringLiteral("No error."));

    ASSERT_EQ(Run(cal, {}, false), 3) << cal.ErrorMsg().toStdString();
    EXPECT_NEAR(cal.QCMCalFactor(), 1.1, 1e-9);
    EXPECT_EQ(phases, QList<int>({1, 2, 3}));
    EXPECT_EQ(statuses, 1 + 31) << "one at the start, one per tick";
    EXPECT_EQ(UnitRelays(), 0);
    // A finished calibration stays finished: its timer has stopped, and readings that
    // come or fail to come change nothing.
    EXPECT_FALSE(CalTimer(cal).Enabled());
    QuartzReading(11.0, 0.0, -1.0);
    UnitReading();
    EXPECT_EQ(cal.Phase(), 3);
    EXPECT_EQ(boxes.count(), 0);
}

// Every way a calibration fails ends it in its error phase, with its text, the monitor's
// shutter closed and the timer stopped.
TEST_F(QCMCalibration, FailuresEndInTheirErrorPhase) {
    struct Case {
        const char* what;
        int sample;
        double accuracy;
        std::function<StepInput(int)> input;
        int16_t phase;
        const char* text;
    };
    const Case cases[] = {
        {"dead crystal while settling", 10, 0.0, [](int s) { StepInput i; if (s == 3) i.quartzHz = -1.0; return i; },
         16, "QCM 2 crystal fail."},
        {"no quartz readings", 10, 0.0, [](int) { StepInput i; i.quartz = false; return i; }, 14,
         "QCM is not responding."},
        {"no unit readings while sampling", 10, 0.0, [](int s) { StepInput i; i.channel = s < 12; return i; }, 15,
         "No readings from ORUN channel 3."},
        {"no sample time", 0, 0.0, {}, 13, "Cal Sample time is set to zero."},
        {"no channel rate", 10, 0.0, [](int) { StepInput i; i.channelRate = 0.0; return i; }, 10,
         "Chan. 3 ORUN rate total low.\r\nIncrease rate or Cal. Sample time."},
        {"no monitor thickness", 10, 0.0, [](int) { StepInput i; i.zeroThickness = true; return i; }, 11,
         "Chan. 3 QCM thickness low.\r\nIncrease rate or Cal. Sample time."},
        // Ratios (quartz - channel) / quartz of 0 and 0.6 spread 0.6, which rounds to 1.
        {"spread 0.6, accuracy 0.3", 10, 0.3,
         [](int s) { StepInput i; i.quartzRate = 10.0; i.channelRate = s % 2 ? 4.0 : 10.0; return i; }, 12,
         "ORUN or QCM readings are varying more than desired Cal. Accuracy."},
        // A spread of 0.5 rounds to 0 (half to even) and passes; rates of 0.05 A/s and
        // below are too small to take part at all.
        {"spread 0.5, accuracy 0.3", 10, 0.3,
         [](int s) { StepInput i; i.quartzRate = 10.0; i.channelRate = s % 2 ? 5.0 : 10.0; return i; }, 3,
         "No error."},
        {"tiny quartz rates", 10, 0.3,
         [](int s) { StepInput i; i.quartzRate = s < 30 ? 0.05 : 10.0; i.channelRate = s < 30 ? 100.0 : 10.0; return i; },
         3, "No error."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        film.QCM_SAMPLE = c.sample;
        film.QCM_ACCURACY = c.accuracy;
        cQCMCal cal;
        EXPECT_EQ(Run(cal, c.input), c.phase);
        EXPECT_EQ(cal.ErrorMsg(), QString::fromLatin1(c.text));
        EXPECT_EQ(UnitRelays(), 0);
        EXPECT_FALSE(CalTimer(cal).Enabled());
    }
    EXPECT_EQ(boxes.count(), 0);
}

// A calibration that is not running leaves the shutters alone, and one whose film names
// no monitor of the four does not start.
TEST_F(QCMCalibration, OnlyARunningCalibrationOnAKnownMonitorActs) {
    link.setRelay(kShutterRelay, true);
    link.SendRelays();
    ASSERT_EQ(UnitRelays(), 1 << kShutterRelay);
    cQCMCal idle;
    QuartzReading(11.0, 0.0, -1.0);
    EXPECT_EQ(idle.Phase(), 0);
    EXPECT_EQ(UnitRelays(), 1 << kShutterRelay);

    for (double number : {4.0, -1.0}) {
        film.QCM_NUMBER = number;
        gFilm(kFilm) = film;
        cQCMCal cal;
        boxes.clear();
        cal.StartCal(kChan, kFilm);
        EXPECT_EQ(boxes.count(), 1) << number;
        EXPECT_EQ(cal.Phase(), 0) << number;
        EXPECT_FALSE(CalTimer(cal).Enabled());
    }
    EXPECT_EQ(UnitRelays(), 1 << kShutterRelay);
}

// Two sensors serve two monitors; the one the calibration runs against is unplugged while
// the other goes on reading. The other's readings must not stand in for it: the
// calibration ends with its monitor not responding, its shutter closed and no factor.
TEST_F(QCMCalibration, AnUnpluggedSensorEndsTheCalibrationWhileAnotherStillReads) {
    QTemporaryDir usb;
    ASSERT_TRUE(usb.isValid());
    TtyUsbBridge::Instance().setRoot(usb.path());
    MirelSim mine(QStringLiteral("MA0001")), other(QStringLiteral("MB0002"));
    ASSERT_TRUE(mine.Plug(usb.path()) && other.Plug(usb.path()));
    modDB::gDB = CreateRecipeDatabase(folder.file("ORUN.MDB"));
    qcm.setMirelSN(kQCM, mine.Serial());
    qcm.setMirelSN(0, other.Serial());
    qcm.setQCMType(2);
    ASSERT_EQ(qcm.InitFreq(6.1e6, 5e6, 6e6, 0.25), 0);
    ASSERT_TRUE(qcm.QCMSensorEnabled(kQCM) && qcm.QCMSensorEnabled(0));

    int fromMine = 0, fromOther = 0;
    QObject::connect(&qcm, &cQCM::QCMReading, &qcm, [&](QCMReadingArray&, double) {
        fromMine += qcm.QCMAnswered(kQCM);
        fromOther += qcm.QCMAnswered(0);
    });
    cQCMCal cal;
    gFilm(kFilm) = film;
    cal.StartCal(kChan, kFilm);
    CalTimer(cal).setEnabled(false);  // the ticks are the test's, between whole readings
    // Half a second per tick, each with fresh readings of both sources, into sampling.
    const auto tick = [&](const std::function<bool()>& quartz) {
        if (!WaitUntil(quartz, 3000)) return false;
        Clock::Advance(500);
        UnitReading();
        emit CalTimer(cal).Timer();
        return true;
    };
    for (int step = 0; step < 14 && cal.Phase() != 2; ++step) {
        const int seen = fromMine;
        ASSERT_TRUE(tick([&] { return fromMine > seen; }));
    }
    ASSERT_EQ(cal.Phase(), 2) << cal.ErrorMsg().toStdString();
    EXPECT_EQ(UnitRelays(), 1 << kShutterRelay);

    mine.Unplug();
    const int seen = fromOther;
    ASSERT_TRUE(tick([&] { return fromOther >= seen + 2; }));
    EXPECT_EQ(cal.Phase(), 14);
    EXPECT_EQ(cal.ErrorMsg(), QStringLiteral("QCM is not responding."));
    EXPECT_EQ(cal.QCMCalFactor(), 0.0);
    EXPECT_EQ(UnitRelays(), 0);
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join(" | ").toStdString();
    qcm.setQCMType(0);
    modDB::gDB = dao::Database();
    TtyUsbBridge::Instance().setRoot(QString());
}

}  // namespace
