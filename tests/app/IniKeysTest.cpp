// The configuration file: keys, defaults and forms of every section, the number
// normalisation with its write-back, the filters of [Sensor], and the file written back.
#include "app/SettingsGlobals.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "data/RecipeSchema.h"
#include "data/modDB.h"
#include "platform/AppInfo.h"
#include "platform/SettingsStore.h"
#include "qcm/cQCM.h"
#include "remote/cComm.h"
#include "app/ChannelData.h"
#include "run/ProgramObjects.h"
#include "support/DialogRecorder.h"
#include "support/FileSizeLimit.h"
#include "support/ProgramState.h"
#include "support/TempProgramFolder.h"
#include "unit/LinkHarness.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <optional>
#include <gtest/gtest.h>

namespace {

// A station's whole configuration, in the forms the program writes it back.
const QByteArray kFullConfig =
    "[Application]\r\nDatabase=STATION.MDB\r\nProcess=3\r\nDebug=3\r\nCtrlKey=-1\r\n"
    "CalHiBias=2000\r\nCalLoBias=100\r\nSimulate=0\r\n"
    "[QCM]\r\nQCMType=2\r\nMirel1=M1001\r\nMirel2=\r\nMirel3=M1003\r\nMirel4=\r\n"
    "[Communications]\r\nCPort=10\r\nEPort=5001\r\nEAddr=127.0.0.1\r\n"
    "[SftwComm]\r\nPort= 2\r\nBaudRate= 19200\r\nEthernetPort= 1001\r\n"
    "[DataLog]\r\nLogType=2\r\nLogInterval=0.5\r\nLogFile=ORUN.TXT\r\nLogMode=1\r\nLogDelimit=tab\r\n"
    "LogChans=5\r\nLogChanData=1023\r\nLogSensors=3\r\nLogSensorData=63\r\n"
    "[Display]\r\nRateForeColor=65535\r\nRateBackColor=16711680\r\nChannelForeColor=0\r\n"
    "ChannelBackColor=-2147483633\r\nMeterForeColor=255\r\nMeterBackColor=-2147483633\r\n"
    "MeterDamping=1.5\r\nShowReadings=1\r\nSensorDecimals=2\r\n"
    "[Debug]\r\nDELTA1=0\r\nDELTA2=1\r\nDELTA3=0\r\nDELTA4=0\r\nDELTA5=0\r\nDELTA6=0\r\nDELTA7=0\r\nDELTA8=4\r\n"
    "[Sensor]\r\nLEAKOFFSET=170\r\nLEAKGAIN=0.0122\r\nPOWERGAIN=0.31\r\nGasCalEna=1\r\n"
    "GasCal1=1.250\r\nGasCal2=0.750\r\nSensorFilter=5\r\n";

class IniKeys : public ::testing::Test {
protected:
    IniKeys() {
        // Choosing the quartz source loads its stored frequencies.
        modDB::gDB = CreateRecipeDatabase(folder.file(QStringLiteral("ORUN.MDB")));
        SetupFile = QStringLiteral("ORUN.CFG");
        SensorDecimals.clear();
    }
    ~IniKeys() override { ResetProgramState(); }

    void Config(const QByteArray& text) { folder.write(QStringLiteral("ORUN.CFG"), text); }
    QByteArray Config() const { return folder.read(QStringLiteral("ORUN.CFG")); }
    void Read(const char* section) { app.IniReadApp(QStringLiteral("ORUN.CFG"), QLatin1String(section)); }
    // The sections in the order of the start-up.
    void ReadAll() {
        for (const char* s : {"Application", "Display", "Datalog", "Debug", "Communications", "Sensor", "QCM"})
            Read(s);
    }

    TempProgramFolder folder;
    DialogRecorder boxes;
    cApp& app = FreshApp();
    cQCM& qcm = ProgramObjects::CreateQCM();
    cORUN& unit = ProgramObjects::CreateUnit();
};

TEST_F(IniKeys, AFileWithoutDisplayGivesTheDefaultsAndNormalisationWritesMeterDampingBack) {
    Config("[Application]\r\nProcess=2\r\n");
    Read("display");  // section names in any case
    EXPECT_EQ(Colors(0), 65535);
    EXPECT_EQ(Colors(1), 16711680);
    EXPECT_EQ(Colors(2), 0);
    EXPECT_EQ(Colors(3), -2147483633);
    EXPECT_EQ(Colors(4), 0);
    EXPECT_EQ(Colors(5), -2147483633);
    EXPECT_EQ(MeterDamping, 1.0);
    EXPECT_EQ(ShowReadings, 0);
    EXPECT_EQ(SensorDecimals, "0.0");
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_EQ(Config(), "[Application]\r\nProcess=2\r\n[Display]\r\nMeterDamping=1\r\n");
}

TEST_F(IniKeys, SensorDecimalsOutsideZeroToTwoLeaveTheFormat) {
    Config("[Display]\r\nSensorDecimals=3\r\n");
    Read("Display");
    EXPECT_EQ(SensorDecimals, "");
    Config("[Display]\r\nSensorDecimals=0\r\n");
    Read("Display");
    EXPECT_EQ(SensorDecimals, "0");
    Config("[Display]\r\nSensorDecimals=-1\r\n");
    Read("Display");
    EXPECT_EQ(SensorDecimals, "0");
}

TEST_F(IniKeys, ApplicationKeys) {
    Simulate = 1;
    Config("[Application]\r\nDatabase=C:\\recipes\\A.MDB\r\nProcess=7\r\nDebug=4\r\nCtrlKey=5\r\n"
           "CalHiBias=2000.5\r\nCalLoBias=99.6\r\nSimulate=1\r\n");
    Read("Application");
    EXPECT_EQ(DBFile, "C:\\recipes\\A.MDB");
    EXPECT_EQ(app.ProcNum(), 7);
    EXPECT_EQ(Debug, 4);
    EXPECT_TRUE(CtrlKey);
    EXPECT_EQ(CalHiBias, 2000);  // to the nearest, halves to even
    EXPECT_EQ(CalLoBias, 100);
    EXPECT_EQ(Simulate, 0);      // never read from the file
    // The readings of channels calibrated at other biases are worked out with those.
    Config("[Application]\r\nCalHiBias=3000\r\nCalLoBias=150\r\n");
    Read("Application");
    Read("Communications");
    EXPECT_EQ(unit.CalHiBias(), 3000);
    EXPECT_EQ(unit.CalLoBias(), 150);

    Config("[Other]\r\n");
    Read("Application");
    EXPECT_EQ(DBFile, "ORUN.MDB");
    EXPECT_EQ(app.ProcNum(), 1);
    EXPECT_EQ(Debug, 0);
    EXPECT_FALSE(CtrlKey);
    EXPECT_EQ(CalHiBias, 2000);
    EXPECT_EQ(CalLoBias, 100);

    // A stored process that names no process starts with process 1.
    for (const auto& [stored, expected] : {std::pair{"25", 25}, {"26", 1}, {"0", 1}, {"-4", 1}}) {
        Config(QStringLiteral("[Application]\r\nProcess=%1\r\n").arg(QLatin1String(stored)).toLatin1());
        Read("Application");
        EXPECT_EQ(app.ProcNum(), expected) << stored;
    }
}

TEST_F(IniKeys, DatalogDelimiterModeAndFile) {
    QDir(folder.path()).mkdir(QStringLiteral("logs"));
    Config("[Datalog]\r\nLogMode=5\r\nLogDelimit=tab\r\nLogFile=C:\\logs\\run.txt\r\n");
    Read("Datalog");
    EXPECT_TRUE(LogMode);
    EXPECT_EQ(LogDelimit, "\t");
    EXPECT_EQ(LogFile, "C:\\logs\\run.txt");
    EXPECT_EQ(LogType, 0);
    EXPECT_EQ(LogInterval, 1.0);
    EXPECT_EQ(LogChans, 1);
    EXPECT_EQ(LogChanData, 1);
    EXPECT_EQ(LogSensors, 1);
    EXPECT_EQ(LogSensorData, 1);

    Config("[DATALOG]\r\nLogDelimit=,\r\nLogFile=C:\\nosuch\\run.txt\r\n");
    Read("Datalog");
    EXPECT_EQ(LogDelimit, ", ");
    EXPECT_EQ(LogFile, "run.txt");  // the folder does not exist
    EXPECT_FALSE(LogMode);

    Config("[Datalog]\r\nLogDelimit=Tab \r\n");  // values are trimmed
    Read("Datalog");
    EXPECT_EQ(LogDelimit, "\t");
    Config("");
    Read("Datalog");
    EXPECT_EQ(LogDelimit, "; ");
    EXPECT_EQ(LogFile, "ORUN.TXT");
}

TEST_F(IniKeys, LogModeFiveIsWrittenBackAsOne) {
    Config("[Datalog]\r\nLogMode=5\r\n");
    Read("Datalog");
    app.IniWriteApp(QStringLiteral("ORUN.CFG"));
    EXPECT_TRUE(Config().contains("LogMode=1\r\n"));
    EXPECT_FALSE(Config().contains("LogMode=5"));
}

TEST_F(IniKeys, DebugDeltasAndQuartzKeys) {
    Config("[Debug]\r\nDELTA1=2\r\nDELTA8=-3\r\n[QCM]\r\nMirel2=SN-77\r\nQCMType=1\r\n");
    Read("Debug");
    EXPECT_EQ(DELTA(1), 2);
    EXPECT_EQ(DELTA(4), 0);
    EXPECT_EQ(DELTA(8), -3);
    Read("QCM");
    EXPECT_EQ(qcm.MirelSN(0), "");
    EXPECT_EQ(qcm.MirelSN(1), "SN-77");
    EXPECT_EQ(qcm.QCMType(), 1);
}

TEST_F(IniKeys, CommaDecimalsAreRewrittenForTheLocaleInUseAndReadAsNumbers) {
    Config("[Display]\r\nMeterDamping=0,5\r\n"
           "[Sensor]\r\nLEAKOFFSET=170\r\nLEAKGAIN=0,0122\r\nPOWERGAIN=0,31\r\nGasCal1=1,5\r\nGasCal2=2,25\r\n");
    Read("Display");
    Read("Sensor");
    EXPECT_EQ(MeterDamping, 0.5);
    EXPECT_EQ(unit.GasCal(0), 1.5);
    EXPECT_EQ(unit.GasCal(1), 2.25);
    EXPECT_EQ(Config(), "[Display]\r\nMeterDamping=0.5\r\n"
                        "[Sensor]\r\nLEAKOFFSET=170\r\nLEAKGAIN=0.0122\r\nPOWERGAIN=0.31\r\nGasCal1=1.5\r\n"
                        "GasCal2=2.25\r\n");
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(IniKeys, AMissingFileGivesTheNoticeAndEveryDefault) {
    app.IniReadApp(QStringLiteral("NOSUCH.CFG"), QStringLiteral("Datalog"));
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().prompt, "NOSUCH.CFG Not Found.\r\nContinuing with defaults.");
    EXPECT_EQ(boxes.last().icon(), vbInformation);
    EXPECT_EQ(LogFile, "ORUN.TXT");
    EXPECT_EQ(LogDelimit, "; ");
    EXPECT_FALSE(LogMode);
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("NOSUCH.CFG"))));

    // An empty name and an unknown section read nothing and say nothing.
    LogFile = QStringLiteral("kept");
    app.IniReadApp(QString(), QStringLiteral("Datalog"));
    Config("[Datalog]\r\nLogFile=other\r\n");
    Read("Logging");
    EXPECT_EQ(LogFile, "kept");
    EXPECT_EQ(boxes.count(), 1);
}

TEST_F(IniKeys, AValueThatIsNoNumberEndsTheSectionAndIsReported) {
    LogFile = QStringLiteral("before");
    Config("[Datalog]\r\nLogType=1\r\nLogInterval=soon\r\nLogFile=after\r\n");
    Read("Datalog");
    EXPECT_EQ(LogType, 1);           // read before the bad value
    EXPECT_EQ(LogFile, "before");    // not reached
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().icon(), vbCritical);
    EXPECT_TRUE(boxes.last().prompt.contains("cApp_IniReadApp")) << boxes.last().prompt.toStdString();
    EXPECT_EQ(gErr.StackPointer(), 0);
}

TEST_F(IniKeys, SensorFiltersAreCreatedEvenAfterABadValue) {
    gChanRateFilter(0).Push(5.0);
    gChanRatioFilter(7).Push(5.0);
    gSensorBiasFilter(3).setSize(9);
    Config("[Sensor]\r\nLEAKGAIN=lots\r\nSensorFilter=4\r\n");
    Read("Sensor");
    EXPECT_EQ(boxes.count(), 1);
    EXPECT_EQ(gChanRateFilter(0).Average(), 0.0);  // a fresh filter
    EXPECT_EQ(gChanRatioFilter(7).Average(), 0.0);
    EXPECT_EQ(SensorFilter, 1);                     // not reached: its default
    EXPECT_EQ(gSensorBiasFilter(3).Size(), 1);
    EXPECT_EQ(gSensorEmissionFilter(0).Size(), 1);

    boxes.clear();
    Config("[Sensor]\r\nSensorFilter=4\r\n");
    Read("Sensor");
    EXPECT_EQ(boxes.count(), 0);
    for (int s = 0; s <= 3; ++s) {
        EXPECT_EQ(gSensorEmissionFilter(s).Size(), 4);
        EXPECT_EQ(gSensorFilamentFilter(s).Size(), 4);
    }
    EXPECT_EQ(gChanUserFilter(3).Size(), 1);

    // No unit object: reported, and the filters are still there.
    ProgramObjects::ReleaseLinks();
    Read("Sensor");
    EXPECT_EQ(boxes.count(), 1);
    EXPECT_EQ(gSensorLeakageFilter(2).Size(), 1);
}

TEST_F(IniKeys, GasCalEnaIsWrittenOnlyForFirmware200AndLater) {
    Config("[Sensor]\r\nGasCalEna=1\r\n");
    Read("Sensor");
    EXPECT_TRUE(unit.GasCalEnabled());
    unit.setGasCalEnabled(false);
    app.IniWriteApp(QStringLiteral("ORUN.CFG"));  // no firmware reported yet
    EXPECT_TRUE(Config().contains("GasCalEna=1\r\n"));
    Identify(unit, QStringLiteral("1.99"));
    app.IniWriteApp(QStringLiteral("ORUN.CFG"));
    EXPECT_TRUE(Config().contains("GasCalEna=1\r\n"));
    Identify(unit, QStringLiteral("2.00"));
    app.IniWriteApp(QStringLiteral("ORUN.CFG"));
    EXPECT_TRUE(Config().contains("GasCalEna=0\r\n"));
    EXPECT_TRUE(Config().contains("GasCal1=1.000\r\nGasCal2=0.000\r\n"));
}

TEST_F(IniKeys, AReadOnlyFileIsNotWritten) {
    Config("[Application]\r\nProcess=4\r\n");
    QFile::setPermissions(folder.file(QStringLiteral("ORUN.CFG")), QFileDevice::ReadOwner | QFileDevice::ReadUser);
    SetupFile = QStringLiteral("STATION.CFG");
    app.IniWriteApp(QStringLiteral("ORUN.CFG"));
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().prompt, "STATION.CFG is Read Only!");
    EXPECT_EQ(boxes.last().icon(), vbExclamation);
    EXPECT_EQ(Config(), "[Application]\r\nProcess=4\r\n");
    EXPECT_EQ(SetupFile, "STATION.CFG");
    EXPECT_EQ(GetSetting(App().Title, QStringLiteral("Setup File"), QStringLiteral("Setup")), "");
    QFile::setPermissions(folder.file(QStringLiteral("ORUN.CFG")), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(IniKeys, AWriteThatFailsLeavesTheOldFileWholeAndIsReported) {
    struct Case {
        const char* what;
        std::function<void()> breakIt;
        std::function<void()> mendIt;
        const char* cause = "";
    };
    std::optional<FileSizeLimit> full;
    const Case cases[] = {
        // A value that cannot stand on one line of the file (it would add a key of its own).
        {"address with a line break", [&] { unit.CommInit(0, 5001, QStringLiteral("10.0.0.1\r\nCPort=3")); },
         [&] { unit.CommInit(0, 0, QString()); }},
        // An error after the first sections were written.
        {"no quartz object", [&] { gQCM = nullptr; }, [&] { gQCM = &qcm; }},
        // The disk takes no more bytes: found at the write, not trusted to a buffer.
        {"full disk", [&] { full.emplace(256); }, [&] { full.reset(); }, "Disk full: cannot write ORUN.CFG"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Config(kFullConfig);
        DBFile = QStringLiteral("OTHER.MDB");
        boxes.clear();
        c.breakIt();
        app.IniWriteApp(QStringLiteral("ORUN.CFG"));
        c.mendIt();
        EXPECT_EQ(Config(), kFullConfig);
        ASSERT_EQ(boxes.count(), 1);
        EXPECT_TRUE(boxes.last().prompt.contains("cApp_IniWriteApp")) << boxes.last().prompt.toStdString();
        EXPECT_TRUE(boxes.last().prompt.contains(c.cause)) << boxes.last().prompt.toStdString();
    }
}

TEST_F(IniKeys, WritingCreatesAMissingFileAndKeepsItsName) {
    DBFile = QStringLiteral("ORUN.MDB");
    CtrlKey = true;
    LogInterval = 2.5;
    app.IniWriteApp(QStringLiteral("NEW.CFG"));
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_EQ(SetupFile, "NEW.CFG");
    EXPECT_EQ(GetSetting(App().Title, QStringLiteral("Setup File"), QStringLiteral("Setup")), "NEW.CFG");
    const QByteArray text = folder.read(QStringLiteral("NEW.CFG"));
    EXPECT_TRUE(text.startsWith("[Application]")) << text.toStdString();
    EXPECT_TRUE(text.contains("Database=ORUN.MDB")) << text.toStdString();
    EXPECT_TRUE(text.contains("CtrlKey=-1")) << text.toStdString();
    EXPECT_TRUE(text.contains("[DataLog]")) << text.toStdString();
    EXPECT_TRUE(text.contains("LogInterval=2.5")) << text.toStdString();
    EXPECT_FALSE(text.contains("LogDelimit")) << text.toStdString();
    EXPECT_FALSE(text.contains("DELTA")) << text.toStdString();
}

TEST_F(IniKeys, AFullConfigurationReadAndWrittenBackIsUnchanged) {
    Config(kFullConfig);
    Identify(unit);
    ReadAll();
    cComm* comm = new cComm;
    comm->Init(nullptr, nullptr, folder.file(QStringLiteral("ORUN.CFG")));
    EXPECT_EQ(comm->RS232Port(), 2);
    EXPECT_EQ(comm->RS232Baud(), 19200);
    EXPECT_TRUE(comm->RS232Enabled());
    delete comm;  // writes [SftwComm]
    app.IniWriteApp(QStringLiteral("ORUN.CFG"));
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
    EXPECT_EQ(Config(), kFullConfig);

    EXPECT_EQ(unit.CommPort(), 10);
    EXPECT_EQ(unit.ePort(), 5001);
    EXPECT_EQ(unit.EAddress(), "127.0.0.1");
    EXPECT_EQ(qcm.QCMType(), 2);
    EXPECT_EQ(qcm.MirelSN(2), "M1003");
    EXPECT_EQ(LogDelimit, "\t");
    EXPECT_EQ(LogInterval, 0.5);
    EXPECT_EQ(Colors(4), 255);
    EXPECT_EQ(MeterDamping, 1.5);
    EXPECT_EQ(SensorDecimals, "0.00");
    EXPECT_EQ(DELTA(2), 1);
    EXPECT_EQ(SensorFilter, 5);
    EXPECT_EQ(gSensorPowerFilter(1).Size(), 5);
}

}  // namespace
