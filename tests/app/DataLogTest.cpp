// The data log: start line, header, rows and end line of a two-channel process, compared
// byte for byte with the golden files, and the file each line goes to.
#include "app/SettingsGlobals.h"
#include "app/cApp.h"
#include "app/modUtil.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "platform/Clock.h"
#include "app/ChannelData.h"
#include "run/ProgramObjects.h"
#include "run/frmMain.h"
#include "support/DialogRecorder.h"
#include "support/FileSizeLimit.h"
#include "support/ProgramState.h"
#include "support/TempProgramFolder.h"
#include "windows/frmDataLog.h"
#include "unit/LinkHarness.h"

#include <QDir>
#include <QCheckBox>
#include <QFile>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <random>

using namespace modUtil;

namespace {

QByteArray Golden(const char* name) {
    QFile f(QStringLiteral(ORUN_TEST_DATA_DIR "/datalog/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing golden file");
}

// "Coating A", run 7: one step in which channel 1 (layer 1, film 1 "SiO2", output 0) and
// channel 3 (layer 2, film 2 "TiO2" shown in thousandths, output 1) deposit together.
// Channels 1 to 3 are logged with every quantity, sensors SENS1 and GAS1 with every value
// (the data-log window's boxes "Sensor 1" and "Gas 1").
class DataLog : public ::testing::Test {
protected:
    DataLog() {
        Clock::SetFixed(QDateTime(QDate(2026, 3, 14), QTime(9, 5, 7)));

        ProcessRec& p = gProcess(1);
        p = ProcessRec{};
        p.Process_Name = QStringLiteral("Coating A");
        p.First_Layer = 1;
        p.Number_Layers = 1;
        p.Number_Act_Layers = 2;
        p.Run_Number = 7;
        Layer(1, 0, 0, 1, 2, 2.5, 1.0, 600);
        Layer(2, 2, 1, 2, -1, 0.75, 0.25, 3725);
        Film(1, "SiO2", "A/s", 3, 2, 0);
        Film(2, "TiO2", "nm/min", 2, 2, -3);

        // The active process is the one the configuration names.
        folder.write("ORUN.CFG", "[Application]\r\nProcess=1\r\n");
        app.IniReadApp("ORUN.CFG", "Application");
        app.BuildProcess(1);
        app.setProcLayer(1);

        LogType = 1;
        LogFile = QStringLiteral("ORUN.TXT");
        LogChans = 0b111;
        LogChanData = 0x3FF;  // every quantity and the layer block
        LogSensors = 0b101;
        LogSensorData = 0x3F;

        Identify(unit);
        unit.setGasCalEnabled(true);
        unit.setFullScale(0, 10.0);
        unit.setMaxPower(0, 100.0);
        unit.setPower(0, 25.0);
        unit.setPMTVolts(0, 650);
        unit.setPMTVolts(2, 1200);
        // Channel 1's signals from a reading: main 500, gas 300, background 100.
        for (int integ = 0; integ <= 1; ++integ) unit.setCalSlope(0, integ, 1.0);
        Reply(unit, "G;1500,50,1900,0,1700,0;;;;;;;;");
        // Sensor 0 reports on, sensor 1 off.
        Reply(unit, "D;256016,1024,1463,600000,3000,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,1;;");

        for (int c = 0; c <= 7; ++c) {
            gChanUserFilter(c) = cFilter();
            gChanExponent(c) = 0;
            gChanDev(c) = gChanTotal(c) = gChanRatio(c) = 0;
        }
        for (int s = 0; s <= 3; ++s)
            for (auto* f : {&gSensorEmissionFilter, &gSensorLeakageFilter, &gSensorPowerFilter,
                            &gSensorFilamentFilter, &gSensorBiasFilter})
                (*f)(s) = cFilter();
        gChanExponent(2) = -3;
    }
    ~DataLog() override {
        ResetProgramState();
        Clock::UseSystem();
    }

    static void Layer(int L, int16_t channel, int16_t output, int16_t film, int16_t coDep, double rate,
                      double thick, int32_t timeSetPt) {
        LayerRec& l = gLayer(L);
        l = LayerRec{};
        l.Channel = channel;
        l.Output = output;
        l.Film_Number = film;
        l.Next_Layer = -1;
        l.CoDep_Layer = coDep;
        l.Rate = rate;
        l.Thick = thick;
        l.TimeSetPt = timeSetPt;
    }
    static void Film(int f, const char* name, const char* units, int intDigits, int decDigits, int exponent) {
        FilmRec& r = gFilm(f);
        r = FilmRec{};
        r.Film_Name = QLatin1String(name);
        r.Units = QLatin1String(units);
        r.IntDigits = intDigits;
        r.DecDigits = decDigits;
        r.Exponent = exponent;
    }

    // First reading: channel 1 over its range, channel 3 at 12.3 thousandths.
    void FirstReading() {
        mainForm.setRunElapsed(3725);
        gChanUserFilter(0).Push(1000.0);
        gChanUserFilter(2).Push(0.0123);
        gChanDev(0) = 12.34;
        gChanDev(2) = -5.06;
        gChanTotal(0) = 0.1234;
        gChanTotal(2) = 12.3456;
        gChanRatio(0) = 1.5;
        gSensorEmissionFilter(0).Push(4.987);
        gSensorLeakageFilter(0).Push(0.02);
        gSensorPowerFilter(0).Push(0.2);
        gSensorFilamentFilter(0).Push(10.84);
        gSensorBiasFilter(0).Push(-0.66);
        gSensorEmissionFilter(1).Push(0.5);
    }
    // Second reading: .46 on channel 1 and -.46 thousandths on channel 3.
    void SecondReading() {
        mainForm.setRunElapsed(3726);
        gChanUserFilter(0) = cFilter();
        gChanUserFilter(0).Push(0.456);
        gChanUserFilter(2) = cFilter();
        gChanUserFilter(2).Push(-0.000456);
        gChanDev(0) = -0.04;
        gChanRatio(0) = -2.125;
    }

    void WriteRun() {
        PrintToLog(LogStartLine());
        PrintToLog(PrintHeader());
        FirstReading();
        PrintToLog(PrintReadings());
        SecondReading();
        PrintToLog(PrintReadings());
        PrintToLog(LogEndLine());
    }

    TempProgramFolder folder;
    DialogRecorder boxes;
    cApp& app = FreshApp();
    cORUN& unit = ProgramObjects::CreateUnit();
    frmMain& mainForm = ProgramObjects::CreateMainForm();
};

TEST_F(DataLog, ARunWithTabDelimiters) {
    LogDelimit = QStringLiteral("\t");
    WriteRun();
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
    EXPECT_EQ(folder.read("ORUN.TXT").toStdString(), Golden("run_tab.txt").toStdString());
}

TEST_F(DataLog, ARunWithSemicolonDelimitersAppendedToTheFile) {
    LogDelimit = QStringLiteral("; ");
    folder.write("ORUN.TXT", "earlier run\r\n");
    WriteRun();
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
    EXPECT_EQ(folder.read("ORUN.TXT").toStdString(), ("earlier run\r\n" + Golden("run_semicolon.txt")).toStdString());
}

TEST_F(DataLog, TheStateColumnOfASensorIsLeftOutForAnUnknownState) {
    LogDelimit = QStringLiteral("; ");
    EXPECT_EQ(SensorStateColumn(0, LogDelimit).toStdString(), "Off ; ");
    EXPECT_EQ(SensorStateColumn(1, LogDelimit).toStdString(), "On ; ");
    EXPECT_EQ(SensorStateColumn(2, LogDelimit).toStdString(), "");
    EXPECT_EQ(SensorStateColumn(-1, LogDelimit).toStdString(), "");
}

TEST_F(DataLog, AFilePerRun) {
    LogType = 2;
    PrintToLog("a");
    EXPECT_EQ(folder.read("ORUN_7.TXT"), "a\r\n");
    LogFile = QStringLiteral("name");
    PrintToLog("b");
    EXPECT_EQ(folder.read("name_7"), "b\r\n");
    QDir(folder.path()).mkdir("logs.v2");
    LogFile = QStringLiteral("C:\\logs.v2\\day.one.txt");
    PrintToLog("c");
    EXPECT_EQ(folder.read("logs.v2/day_7.one.txt"), "c\r\n");
    EXPECT_EQ(boxes.count(), 0);

    EXPECT_EQ(LogFileOfRun("ORUN.TXT", 12), "ORUN_12.TXT");
    EXPECT_EQ(LogFileOfRun(".log", 3), ".log_3");
    EXPECT_EQ(LogFileOfRun("D:\\a.b\\c", 3), "D:\\a.b\\c_3");
    EXPECT_EQ(LogFileOfRun("/srv/a.b/x.txt", 9999), "/srv/a.b/x_9999.txt");
}

TEST_F(DataLog, WithoutTheLayerBlockAndWithoutChannels) {
    LogDelimit = QStringLiteral("; ");
    LogChanData = 0b1;
    LogChans = 0;
    LogSensors = 0b1000;
    LogSensorData = 0b100100;
    app.setProcLayer(2);  // a step without layers
    EXPECT_EQ(PrintHeader().toStdString(), "Layer: 2\r\nProcTime; Phase     ; GAS 2:;  Pwr.; Stat; ");
    mainForm.setRunElapsed(59);
    EXPECT_EQ(PrintReadings().toStdString(), "00:00:59; STARTUP   ; GAS 2:;  0.00; Off ; ");
    LogChans = 0b10000000;
    LogSensors = 0;
    EXPECT_EQ(PrintReadings().toStdString(), "00:00:59; STARTUP   ;   CH8 ;  00.000; ");
}

// A disk that fills up and gets room again under a running log, in a seeded walk of start
// lines, headers, rows and end lines: after every line the file holds what it held before
// and every line that was written whole, in order, and never part of one; each spell of a
// full disk is told once, naming the log file and the cause; the line after room returns
// is written.
TEST_F(DataLog, AFullDiskIsToldOnceAndTheLogKeepsOnlyWholeLines) {
    LogDelimit = QStringLiteral("\t");
    folder.write("ORUN.TXT", "earlier run\r\n");
    QByteArray expected = "earlier run\r\n";
    FirstReading();
    QString (*const lines[])() = {LogStartLine, PrintHeader, PrintReadings, PrintReadings, LogEndLine};
    std::mt19937 random(48);
    std::optional<FileSizeLimit> disk;
    qint64 room = -1;  // the size the file may reach, -1 for no limit
    bool full = false;
    int spells = 0;
    for (int step = 0; step < 300; ++step) {
        SCOPED_TRACE(step);
        if (random() % 6 == 0) {
            // The disk fills to somewhere within the next lines, or has room again.
            room = random() % 3 == 0 ? -1 : expected.size() + static_cast<qint64>(random() % 600);
            disk.reset();
            if (room >= 0) disk.emplace(static_cast<rlim_t>(room));
            continue;
        }
        const QString text = lines[random() % std::size(lines)]();
        const QByteArray line = text.toLatin1() + "\r\n";
        PrintToLog(text);
        if (room < 0 || expected.size() + line.size() <= room) {
            expected += line;
            full = false;
        } else if (!full) {
            full = true;
            ++spells;
        }
        ASSERT_EQ(folder.read("ORUN.TXT"), expected);
        ASSERT_EQ(boxes.count(), spells);
    }
    disk.reset();
    EXPECT_GE(spells, 5) << "the walk met full disks";
    for (const auto& box : boxes.boxes()) {
        EXPECT_EQ(box.title, "AppendToTextFile");
        EXPECT_TRUE(box.prompt.startsWith("Error: 61. Disk full: ORUN.TXT (")) << box.prompt.toStdString();
    }
}

TEST_F(DataLog, AFailedRowIsEmptyAndReported) {
    ProgramObjects::ReleaseMainForm();
    EXPECT_EQ(PrintReadings(), "");
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.last().prompt.contains("modUtil_PrintReadings"));
}

}  // namespace

// Each box of the data-log window logs its own sensor under its own label, in the header
// and in the rows; the setting stored is the boxes' own bits.
TEST_F(DataLog, EachSensorBoxOfTheWindowLogsThatSensor) {
    LogDelimit = QStringLiteral(";");
    LogChans = 0;
    LogChanData = 0;
    LogSensors = 0;
    LogSensorData = 0b1;  // emission
    for (int s = 0; s <= 3; ++s) gSensorEmissionFilter(s).Push(s + 1);  // sensor index s emits s + 1
    frmDataLog window;
    window.show();
    const struct {
        int box;
        const char* caption;
        const char* header;
        const char* row;
    } cases[] = {{0, "Sensor 1", "SENS1:;  Emis;", "SENS1:;  1.00;"},
                 {1, "Sensor 2", "SENS2:;  Emis;", "SENS2:;  3.00;"},
                 {2, "Gas 1", "GAS 1:;  Emis;", "GAS1:;  2.00;"},
                 {3, "Gas 2", "GAS 2:;  Emis;", "GAS 2:;  4.00;"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        QFile::remove(folder.file("ORUN.TXT"));
        EXPECT_EQ(window.chkSensorNum(c.box)->text(), c.caption);
        window.chkSensorNum(c.box)->click();
        EXPECT_EQ(LogSensors, 1 << c.box);
        PrintToLog(PrintHeader());
        PrintToLog(PrintReadings());
        const QStringList lines = QString::fromLatin1(folder.read("ORUN.TXT")).split("\r\n");
        ASSERT_GE(lines.size(), 3);
        EXPECT_TRUE(lines[1].endsWith(c.header)) << lines[1].toStdString();
        EXPECT_TRUE(lines[2].endsWith(c.row)) << lines[2].toStdString();
        window.chkSensorNum(c.box)->click();
    }
    EXPECT_EQ(boxes.count(), 0);
}
