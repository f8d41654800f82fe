// The main window's refresh per reading: labels every time, channel rows and graphs at most
// once per MeterDamping seconds, data-log rows at most once per LogInterval seconds while a
// layer runs, the front-panel disable word; and the raw readings view with its log of the
// readings around a faulty one.
#include "MainWindowFixture.h"

#include "app/VBConv.h"
#include "app/cRdgBuff.h"
#include "data/GraphRec.h"
#include "platform/TarselGrid.h"
#include "platform/VbControls.h"
#include "windows/StripChart.h"
#include "windows/frmGraph.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

namespace {

// The clock stands still unless a test moves it.
struct FixedClock {
    explicit FixedClock(QTime at) { Clock::SetFixed(QDateTime(QDate(2024, 5, 6), at)); }
    ~FixedClock() { Clock::UseSystem(); }
};

}  // namespace

using RunDisplay = MainWindowTest;

// MeterDamping 1 s, LogInterval 0.5 s, a reading every 0.3 s: labels on every reading,
// the channel row and the graph once a second, a log row at most every 0.5 s. The data-log
// switch writes nothing while stopped, rows only while a layer runs; CONSTANT is logged
// but not graphed. The front-panel word hides the run buttons and sensor frames in every
// phase, disables the data-log switch and hides the File and Edit menus.
TEST_F(RunDisplay, DampedDisplayGraphsLogRowsAndTheFrontPanelWord) {
    const FixedClock clock(QTime(10, 0, 0));
    Station({0});
    MeterDamping = 1.0;
    LogInterval = 0.5;
    LogType = 1;
    LogFile = QStringLiteral("ORUN.TXT");
    gGraph(0).Channels = 1;
    gGraph(0).XPoints = 1000;
    gGraph(0).XWidth = 60;
    gApp->setShowGraph(0, true);
    const StripChartModel& chart = gGraphForm(0)->moGraph->Data();
    const auto rows = [&] {
        const QStringList lines = QString::fromLatin1(folder.read("ORUN.TXT")).split("\r\n");
        return lines.filter(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d")).size();
    };

    PressButton(form->cmdDataLog);
    EXPECT_EQ(form->cmdDataLog->text(), "ON");
    form->UpdateForm();
    EXPECT_FALSE(QFile::exists(folder.file("ORUN.TXT")));
    EXPECT_EQ(form->lblPhase(1)->text(), "");  // nothing runs: no phase clock

    gApp->setPhase(PhaseCode::Deposit);
    Clock::Advance(1000);
    // ms since the first reading; channel row shown, graph point, log row
    const int steps[][4] = {{0, 1, 1, 1}, {300, 0, 0, 0}, {600, 0, 0, 1}, {900, 0, 0, 0}, {1200, 1, 1, 1}};
    int points = 0, logged = 0, at = 0;
    for (const auto& s : steps) {
        SCOPED_TRACE(s[0]);
        Clock::Advance(s[0] - at);
        at = s[0];
        gChanUserFilter(0).Push(s[0]);
        gChanUser(0) = s[0];
        form->lblRdg(0)->clear();
        form->lblLayer(1)->clear();
        form->UpdateForm();
        EXPECT_TRUE(form->lblLayer(1)->text().startsWith("Time: 00:00:0"));
        EXPECT_EQ(!form->lblRdg(0)->text().isEmpty(), s[1] == 1);
        EXPECT_EQ(chart.LastPoint(), points += s[2]);
        EXPECT_EQ(rows(), logged += s[3]);
    }
    EXPECT_EQ(chart.Y(1, 1, points), 1200.0);
    Clock::Advance(2000);
    gApp->setPhase(PhaseCode::Constant);
    form->UpdateForm();
    EXPECT_EQ(rows(), logged + 1);
    EXPECT_EQ(chart.LastPoint(), points);
    PressButton(form->cmdDataLog);
    EXPECT_TRUE(folder.read("ORUN.TXT").contains("End Log"));
    PressButton(form->cmdDataLog);
    EXPECT_TRUE(folder.read("ORUN.TXT").contains("Start Log"));
    gApp->setShowGraph(0, false);

    SystemFlags = 1 | 1 << 4 | 1 << 8 | 1 << 9;
    for (int16_t p : {PhaseCode::Stopped, PhaseCode::Deposit, PhaseCode::StopLayer}) {
        gApp->setPhase(p);
        form->UpdateForm();
        for (QWidget* w : {static_cast<QWidget*>(form->cmdFunc(0)), static_cast<QWidget*>(form->cmdFunc(1)),
                           static_cast<QWidget*>(form->fraSensor(1))})
            EXPECT_TRUE(w->isHidden()) << p;
    }
    EXPECT_FALSE(form->cmdDataLog->isEnabled() || form->mnuFile->menuAction()->isVisible() ||
                 form->mnuSetup->menuAction()->isVisible());
    SystemFlags = 0;
    form->UpdateForm();
    EXPECT_FALSE(form->cmdFunc(2)->isHidden());  // STOP LAYER
    EXPECT_TRUE(form->cmdDataLog->isEnabled() && form->mnuFile->menuAction()->isVisible());
}

// The times and the phase bar over a run that is stopped and reset, against the emulated
// unit, the clock moved by hand: a run shows them, a stopped layer keeps where its run
// stood, and STOPPED, which times nothing, shows none, as before the first run, also on
// the readings that follow.
TEST_F(RunDisplay, StoppedShowsNoRunTimesAndAnEmptyPhaseBar) {
    const FixedClock clock(QTime(10, 0, 0));
    // The unit takes its readings in real time; only the program's clock stands still.
    QElapsedTimer unitTime;
    unitTime.start();
    unit.Model().clock = [&unitTime] { return unitTime.elapsed(); };
    Station({0});
    gFilm(1).Ramp1_Power = 20;
    gFilm(1).RAMP1_TIME = 100;
    Connect();
    int readings = 0;
    QObject::connect(gORUN, &cORUN::ORUNResponse, [&](const QString& r) { readings += r.startsWith('G'); });
    const auto afterReadings = [&](int n) {
        const int until = readings + n;
        return WaitUntil([&] { return readings >= until; }, 5000);
    };
    const auto shown = [&] {
        return QStringList{form->lblProcess(1)->text(), form->lblLayer(1)->text(), form->lblPhase(1)->text(),
                           form->lblPhase(2)->text(), QString::number(form->prgPhase->value())};
    };
    const QStringList nothing{"", "", "", "", "0"};
    ASSERT_TRUE(afterReadings(2));
    EXPECT_EQ(shown(), nothing);

    PressButton(form->cmdFunc(0));
    ASSERT_TRUE(WaitUntil([&] { return gApp->Phase() == PhaseCode::Ramp1; }, 5000)) << gApp->Phase();
    Clock::Advance(25000);
    const QStringList running{"Time: 00:00:25", "Time: 00:00:25", "Time: 00:00:25 / 00:01:15", "Progress:", "25"};
    ASSERT_TRUE(WaitUntil([&] { return shown() == running; }, 5000)) << shown().join('|').toStdString();

    PressButton(form->cmdFunc(0));
    EXPECT_EQ(gApp->Phase(), PhaseCode::StopLayer);
    Clock::Advance(5000);
    ASSERT_TRUE(afterReadings(2));
    EXPECT_EQ(shown(), running);

    PressButton(form->cmdFunc(2));
    EXPECT_EQ(gApp->Phase(), PhaseCode::Stopped);
    EXPECT_EQ(shown(), nothing);
    Clock::Advance(5000);
    ASSERT_TRUE(afterReadings(2));
    EXPECT_EQ(shown(), nothing);
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
}

// The readings view against the emulated unit (saved as a screenshot to look at): with
// gas calibration off the gas columns read "0"; a reading above the calibration's high
// bias is faulty, and with Debug 4 a fault writes the three readings before it, the faulty
// one and the two after it, each reading once; the next fault is written again.
TEST_F(RunDisplay, RawReadingsAndTheFaultyReadingLog) {
    Station({0, 1, 2});
    for (int16_t ch = 0; ch <= 2; ++ch) {
        gFilm(ch + 1).Sensor_PMT = 800;
        // Counts straight back to light: the emulator counts 10 per unit above 20000.
        for (int integ = 0; integ <= 1; ++integ) {
            gORUN->setCalSlope(ch, integ, -0.1);
            gORUN->setCalIntercept(ch, integ, 4000.0);
        }
    }
    gApp->setProcNum(1);
    form->show();
    Connect();
    gORUN->setGasCalEnabled(true);
    gORUN->setEmissionSetPt(0, 5.0);
    PressButton(form->cmdSensor(0));
    PressButton(form->cmdSensor(1));
    form->mnuViewRaw->trigger();
    gApp->setPhase(PhaseCode::InitRun);
    int readings = 0;
    QObject::connect(gORUN, &cORUN::ORUNResponse, [&](const QString& r) { readings += r.startsWith('G'); });
    ASSERT_TRUE(WaitUntil([&] { return readings >= 15; }, 8000));
    EXPECT_EQ(form->grdSensor->CellText(0, 5), "ON");
    const QString dir = QStringLiteral(ORUN_BIN_DIR "/../screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(form->grab().save(dir + "/main_window_readings.png"));

    form->RequestReadings->setEnabled(false);
    gORUN->setGasCalEnabled(false);
    const FixedClock clock(QTime(10, 0, 0));
    Debug = 4;
    gRdgBuff.setSize(10);
    const double flux = gORUN->ChanFlux(0);
    auto reading = [&](int n, bool faulty) {
        gORUN->setCalHiBias(faulty ? flux - 1.0 : 1.0e6);
        form->ReadingReplyText = QStringLiteral("r%1").arg(n);
        form->UpdateForm();
        Clock::Advance(500);
    };
    for (int n = 1; n <= 11; ++n) reading(n, false);
    EXPECT_FALSE(QFile::exists(folder.file("RdgErrors.txt")));
    EXPECT_EQ(form->grdChan->CellText(0, 1), vb::Format(flux, "#.000"));
    EXPECT_EQ(form->grdChan->CellText(0, 4) + form->grdChan->CellText(0, 5), "00");
    const QDateTime at = Now();
    reading(12, true);
    ASSERT_EQ(gRdgBuff.Index(), 2);
    for (int n = 13; n <= 15; ++n) reading(n, n == 13);
    const QStringList expected = {"  ", vb::Format(at, "Short Date") + " " + vb::Format(at, "Long Time"),
                                  "36004: r9", "36004.5: r10", "36005: r11 :1", "* 36005.5: r12", "36006: r13",
                                  "36006.5: r14", ""};
    EXPECT_EQ(QString::fromLatin1(folder.read("RdgErrors.txt")).split("\r\n"), expected);
    reading(16, true);
    EXPECT_TRUE(folder.read("RdgErrors.txt").endsWith("* 36007.5: r16\r\n"));
}
