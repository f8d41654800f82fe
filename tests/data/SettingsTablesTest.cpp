// The unit and quartz settings tables: rows made on first load, values handed to the unit
// (whose commands the emulated unit receives in order) and to the quartz facade, and
// written back.
#include "RecipeDbFixture.h"

#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "qcm/cQCM.h"
#include "run/ProgramObjects.h"
#include "unit/LinkHarness.h"
#include "unit/cORUN.h"
#include "unitsim/UnitSim.h"

#include "platform/Winsock.h"
#include "support/OtherProgramLock.h"
#include "support/RecipeRows.h"

#include <QFile>
#include <QFileInfo>
#include <limits>
#include <thread>

#include <QHostAddress>

namespace {

class SettingsTablesTest : public RecipeDbTest {
protected:
    void SetUp() override {
        RecipeDbTest::SetUp();
        ProgramObjects::CreateUnit();
        ProgramObjects::CreateQCM();
    }
};

TEST_F(SettingsTablesTest, FirstLoadMakesTheRowsAndSendsTheSettingsInOrder) {
    UnitSim unit;
    // Two active channels: the update period goes to those only.
    for (int ch = 0; ch <= 7; ++ch) unit.Model().active[ch] = ch == 0 || ch == 5;
    ASSERT_TRUE(unit.ListenTcp(QHostAddress::LocalHost, 0));
    Winsock socket;
    QObject::connect(&socket, &Winsock::DataArrival, [&](int n) {
        for (char c : socket.GetData(n)) gORUN->ParseResponse(static_cast<uint8_t>(c));
    });
    ASSERT_TRUE(gORUN->CommInit(10, unit.TcpPort(), "127.0.0.1", &socket));
    gORUN->SendGetVersion();
    ASSERT_TRUE(WaitUntil([] { return gORUN->ChanActive(5) && gORUN->CommStatus() == 0; }, 3000));
    unit.ClearCommands();
    Simulate = 0;
    gORUN->setOpMode(5);

    modDB::ORUNLoad();

    EXPECT_EQ(Rows("SELECT * FROM ORUN"), 8);
    EXPECT_EQ(Rows("SELECT * FROM Sensors"), 4);
    EXPECT_EQ(gORUN->OpMode(), 0);
    // The update periods of the active channels (100 ms by design: "B" with 100 \ 3), then
    // the sensors' set points, one sensor more in each "V".
    const QStringList expected{"B1,33,0", "B6,33,0", "V200,0,0,0", "V200,200,0,0", "V200,200,200,0",
                               "V200,200,200,200"};
    ASSERT_TRUE(WaitUntil([&] { return unit.Commands().size() >= expected.size(); }, 3000));
    EXPECT_EQ(unit.Commands(), expected);
    for (int s = 0; s <= 3; ++s) {
        EXPECT_EQ(gORUN->EmissionSetPt(s), 2.0);
        EXPECT_EQ(gORUN->MaxLeakage(s), 1.0);
    }
    EXPECT_EQ(gORUN->CalPackets(3), 10);
    EXPECT_EQ(gORUN->SensorMap(3), 1);
    EXPECT_EQ(dialogs.count(), 0);

    // A second load finds the rows.
    modDB::ORUNLoad();
    EXPECT_EQ(Rows("SELECT * FROM ORUN"), 8);
    EXPECT_EQ(Rows("SELECT * FROM Sensors"), 4);
}

TEST_F(SettingsTablesTest, StoredValuesReachTheUnitAndComeBack) {
    modDB::ORUNLoad();
    modDB::gDB.Execute("UPDATE ORUN SET \"Update\" = 50, CalPackets = 20, Sensor = 0, A_BiasHi = 20000, "
                       "A_BiasLo = 39000, A_Slope = -0.1, A_Intercept = 4000.5, B_BiasHi = 7, B_BiasLo = 9, "
                       "B_Slope = 1.25, B_Intercept = -3 WHERE Channel = 2");
    modDB::gDB.Execute("UPDATE ORUN SET \"Update\" = 700 WHERE Channel = 3");
    modDB::gDB.Execute("UPDATE Sensors SET EmissionSetPt = 4.5, MaxLeakage = 0.3 WHERE Sensor = 1");
    modDB::ORUNLoad();
    EXPECT_EQ(gORUN->ChanUpdate(2), 100);  // below 100 is taken as 100
    EXPECT_EQ(gORUN->ChanUpdate(3), 700);
    EXPECT_EQ(gORUN->CalPackets(2), 20);
    EXPECT_EQ(gORUN->SensorMap(2), 0);
    EXPECT_EQ(gORUN->CalHiCounts(2, 0), 20000);
    EXPECT_EQ(gORUN->CalLoCounts(2, 0), 39000);
    EXPECT_EQ(gORUN->CalSlope(2, 0), -0.1);
    EXPECT_EQ(gORUN->CalIntercept(2, 0), 4000.5);
    EXPECT_EQ(gORUN->CalHiCounts(2, 1), 7);
    EXPECT_EQ(gORUN->CalLoCounts(2, 1), 9);
    EXPECT_EQ(gORUN->CalSlope(2, 1), 1.25);
    EXPECT_EQ(gORUN->CalIntercept(2, 1), -3.0);
    EXPECT_EQ(gORUN->EmissionSetPt(1), 4.5);
    EXPECT_EQ(gORUN->MaxLeakage(1), 0.3);

    gORUN->setCalSlope(5, 1, 0.75);
    gORUN->setCalHiCounts(5, 0, 123456);
    gORUN->setChanUpdate(5, 1500);
    gORUN->setMaxLeakage(3, 2.5);
    modDB::ORUNSave();
    EXPECT_EQ(Column("ORUN", "Channel", 2, "Update").toInt(), 100);  // what the unit holds
    EXPECT_EQ(Column("ORUN", "Channel", 5, "B_Slope").toDouble(), 0.75);
    EXPECT_EQ(Column("ORUN", "Channel", 5, "A_BiasHi").toInt(), 123456);
    EXPECT_EQ(Column("ORUN", "Channel", 5, "Update").toInt(), 1500);
    EXPECT_EQ(Column("Sensors", "Sensor", 3, "MaxLeakage").toDouble(), 2.5);
    EXPECT_EQ(dialogs.count(), 0);
}

TEST_F(SettingsTablesTest, SavingWithoutTheRowsIsReportedAndChangesNothing) {
    modDB::ORUNSave();
    // The engine's error, then the error report.
    ASSERT_EQ(dialogs.count(), 2);
    EXPECT_TRUE(dialogs.boxes()[0].prompt.startsWith("Error number: ")) << dialogs.boxes()[0].prompt.toStdString();
    EXPECT_TRUE(folder.read("ERRORS.TXT").contains("modDB_ORUNSave"));
    EXPECT_EQ(Rows("SELECT * FROM ORUN"), 0);
}

TEST_F(SettingsTablesTest, AQuartzRowWithAZeroStartsTheFacadeOnDefaultsAndKeepsItsZeros) {
    modDB::QCMLoad();  // an empty table gets its row with the design's values
    EXPECT_EQ(Rows("SELECT * FROM QCM"), 1);
    EXPECT_EQ(gQCM->FreqMax(), 6100000.0);
    EXPECT_EQ(gQCM->FreqInit(), 6000000.0);
    EXPECT_EQ(gQCM->FreqMin(), 5000000.0);
    EXPECT_EQ(gQCM->Period(), 0.5);

    modDB::gDB.Execute("UPDATE QCM SET FreqMax = 9000000, FreqInit = 8000000, FreqMin = 7000000, Period = 1");
    modDB::QCMLoad();
    EXPECT_EQ(gQCM->FreqMax(), 9000000.0);
    EXPECT_EQ(gQCM->FreqMin(), 7000000.0);
    EXPECT_EQ(gQCM->FreqInit(), 8000000.0);
    EXPECT_EQ(gQCM->Period(), 1.0);

    modDB::gDB.Execute("UPDATE QCM SET Period = 0");
    modDB::QCMLoad();
    EXPECT_EQ(gQCM->FreqMax(), 6100000.0);
    EXPECT_EQ(gQCM->FreqMin(), 5000000.0);
    EXPECT_EQ(gQCM->FreqInit(), 6000000.0);
    EXPECT_EQ(gQCM->Period(), 0.5);
    dao::Recordset rs = modDB::gDB.OpenRecordset("SELECT * FROM QCM");
    EXPECT_EQ(vb::CDbl(rs.Fields("Period").Value()), 0.0);
    EXPECT_EQ(vb::CDbl(rs.Fields("FreqMax").Value()), 9000000.0);

    // The save writes what the facade holds.
    modDB::QCMSave();
    rs = modDB::gDB.OpenRecordset("SELECT * FROM QCM");
    EXPECT_EQ(vb::CDbl(rs.Fields("Period").Value()), 0.5);
    EXPECT_EQ(vb::CDbl(rs.Fields("FreqMax").Value()), 6100000.0);
    EXPECT_EQ(vb::CDbl(rs.Fields("FreqInit").Value()), 6000000.0);
    EXPECT_EQ(vb::CDbl(rs.Fields("FreqMin").Value()), 5000000.0);
    EXPECT_EQ(Rows("SELECT * FROM QCM"), 1);
    EXPECT_EQ(dialogs.count(), 0);
}

// A cell of the settings that cannot be read (a hand-edited file: UPDATE ORUN SET
// A_Intercept = 'x1' WHERE Channel = 0): it takes its default alone, every other value of
// every channel reaches the unit, the operator is told once, and the save leaves the cell
// as the file holds it until the value is changed in the program.
TEST_F(SettingsTablesTest, ASettingThatCannotBeReadTakesItsDefaultAloneAndStaysUntilChanged) {
    modDB::ORUNLoad();
    modDB::QCMLoad();
    modDB::gDB.Execute("UPDATE ORUN SET A_Slope = -0.1, B_Slope = -0.1, \"Update\" = 200");
    modDB::gDB.Execute("UPDATE ORUN SET A_Intercept = 'x1' WHERE Channel = 0");
    modDB::gDB.Execute("UPDATE ORUN SET CalPackets = 3000000000 WHERE Channel = 6");
    modDB::gDB.Execute("UPDATE Sensors SET MaxLeakage = NULL WHERE Sensor = 2");
    modDB::gDB.Execute("UPDATE QCM SET FreqInit = 'six MHz', FreqMax = 6200000");
    gORUN->setCalIntercept(0, 0, 77.0);

    modDB::ORUNLoad();
    modDB::QCMLoad();
    for (int ch = 0; ch <= 7; ++ch) {
        EXPECT_EQ(gORUN->CalSlope(ch, 0), -0.1);
        EXPECT_EQ(gORUN->CalSlope(ch, 1), -0.1);
        EXPECT_EQ(gORUN->ChanUpdate(ch), 200);
    }
    EXPECT_EQ(gORUN->CalIntercept(0, 0), 0.0);  // the design's default
    EXPECT_EQ(gORUN->CalPackets(6), 10);
    EXPECT_EQ(gORUN->MaxLeakage(2), 1.0);
    EXPECT_EQ(gQCM->FreqInit(), 6000000.0);
    EXPECT_EQ(gQCM->FreqMax(), 6200000.0);
    const QString told = "Values in the recipe database " + modDB::gDB.Name() +
                         " cannot be read. Each has taken its default, and the file keeps what it holds there until "
                         "the value is changed in the program:\r\n";
    EXPECT_EQ(dialogs.prompts(), QStringList({told + "table ORUN, record Channel 0, column A_Intercept: \"x1\" - channel 1 has "
                                                     "no valid reading: its source is held at 0 until the channel is "
                                                     "calibrated again\r\n"
                                                     "table ORUN, record Channel 6, column CalPackets: \"3000000000\"\r\n"
                                                     "table Sensors, record Sensor 2, column MaxLeakage: no value",
                                              told + "table QCM, its first record, column FreqInit: \"six MHz\""}));

    // Saved unchanged (as at every exit): the cells keep what the file holds.
    modDB::ORUNSave();
    modDB::QCMSave();
    EXPECT_EQ(Column("ORUN", "Channel", 0, "A_Intercept"), "x1");
    EXPECT_EQ(Column("ORUN", "Channel", 6, "CalPackets").toLongLong(), 3000000000LL);
    EXPECT_TRUE(Column("Sensors", "Sensor", 2, "MaxLeakage").isNull());
    EXPECT_EQ(modDB::gDB.OpenRecordset("SELECT * FROM QCM").Fields("FreqInit").Value(), "six MHz");
    EXPECT_EQ(Column("ORUN", "Channel", 0, "A_Slope").toDouble(), -0.1);

    // Changed in the program: written.
    gORUN->setCalIntercept(0, 0, 12.5);
    gORUN->setMaxLeakage(2, 0.5);
    modDB::ORUNSave();
    EXPECT_EQ(Column("ORUN", "Channel", 0, "A_Intercept").toDouble(), 12.5);
    EXPECT_EQ(Column("Sensors", "Sensor", 2, "MaxLeakage").toDouble(), 0.5);
    EXPECT_EQ(Column("ORUN", "Channel", 6, "CalPackets").toLongLong(), 3000000000LL);
    EXPECT_EQ(dialogs.count(), 2);
}

// Values the program cannot use although the language converts them: beyond what the unit
// or the quartz facade accepts, not finite, raw bytes in a number column. Each is named once
// (a calibration value with what it means for its channel), the program keeps what it held,
// and saving, as every exit does, leaves every cell of the file as it was; a value changed
// in the program is written.
TEST_F(SettingsTablesTest, ValuesTheProgramCannotUseAreNamedAndKeptInTheFile) {
    modDB::ORUNLoad();
    modDB::QCMLoad();
    modDB::gDB.Execute("UPDATE ORUN SET A_Slope = -0.1, B_Slope = -0.1, \"Update\" = 200");
    modDB::gDB.Execute("UPDATE QCM SET FreqMax = 6200000, FreqInit = 5900000, FreqMin = 5100000, Period = 0.25");
    const struct {
        const char* set;
        const char* line;
    } cases[] = {
        {"UPDATE ORUN SET \"Update\" = 5000 WHERE Channel = 3", "table ORUN, record Channel 3, column Update: \"5000\""},
        {"UPDATE ORUN SET B_Intercept = -9e999 WHERE Channel = 4",
         "table ORUN, record Channel 4, column B_Intercept: \"-inf\" - channel 5 has no valid reading: its source is "
         "held at 0 until the channel is calibrated again"},
        {"UPDATE ORUN SET A_Slope = X'01FF' WHERE Channel = 5",
         "table ORUN, record Channel 5, column A_Slope: a binary value of 2 bytes - channel 6 has no valid reading: its source is "
         "held at 0 until the channel is calibrated again"},
        {"UPDATE ORUN SET CalPackets = X'00' WHERE Channel = 7", "table ORUN, record Channel 7, column CalPackets: a binary value of 1 byte"},
        {"UPDATE Sensors SET EmissionSetPt = 1e300 WHERE Sensor = 1", "table Sensors, record Sensor 1, column EmissionSetPt: \"1e+300\""},
        {"UPDATE Sensors SET MaxLeakage = 9e999 WHERE Sensor = 2", "table Sensors, record Sensor 2, column MaxLeakage: \"inf\""},
        {"UPDATE QCM SET FreqMax = 2e7", "table QCM, its first record, column FreqMax: \"2e+07\""},
    };
    QStringList lines;
    for (const auto& c : cases) {
        modDB::gDB.Execute(c.set);
        lines << QString::fromLatin1(c.line);
    }
    modDB::gDB.Close();
    ASSERT_TRUE(QFile::copy(folder.file("ORUN.MDB"), folder.file("before.sqlite")));
    modDB::gDB = dao::OpenDatabase(folder.file("ORUN.MDB"));
    gORUN->setChanUpdate(3, 300);

    modDB::ORUNLoad();
    modDB::QCMLoad();
    ASSERT_EQ(dialogs.count(), 2) << dialogs.prompts().join('\n').toStdString();
    const QString told = "Values in the recipe database " + modDB::gDB.Name() + " cannot be read. Each has taken its "
                         "default, and the file keeps what it holds there until the value is changed in the program:\r\n";
    EXPECT_EQ((dialogs.prompts()[0] + "\r\n" + dialogs.prompts()[1].mid(told.size())).toStdString(),
              (told + lines.join("\r\n")).toStdString());
    // What the program holds: its own values, and the facade its defaults.
    EXPECT_EQ(gORUN->ChanUpdate(3), 300);
    EXPECT_EQ(gORUN->EmissionSetPt(1), 2.0);
    EXPECT_EQ(gORUN->MaxLeakage(2), 1.0);
    EXPECT_EQ(gQCM->FreqMax(), 6100000.0);
    EXPECT_EQ(gQCM->Period(), 0.5);
    for (int ch = 0; ch <= 7; ++ch) EXPECT_EQ(modDB::ChannelCalibrationUnread(ch), ch == 4 || ch == 5) << ch;

    modDB::ORUNSave();
    modDB::QCMSave();
    EXPECT_EQ(RowDifferences(folder.file("ORUN.MDB"), folder.file("before.sqlite")).join('\n').toStdString(), "");

    // Calibrated again in the program: the channel reads again, and the value is written.
    gORUN->setCalSlope(5, 0, -0.2);
    EXPECT_FALSE(modDB::ChannelCalibrationUnread(5));
    modDB::ORUNSave();
    EXPECT_EQ(Column("ORUN", "Channel", 5, "A_Slope").toDouble(), -0.2);
    EXPECT_EQ(Column("ORUN", "Channel", 4, "B_Intercept").toDouble(), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(dialogs.count(), 2);
}

// Another program holding the file's write lock (an SQL shell, a backup) while the
// settings are loaded: held briefly, the load waits and reads every value; held past the
// wait, nothing is read, one failure is told, and the save after it leaves every cell of
// the file as it was, not the program's own values.
TEST_F(SettingsTablesTest, ALoadOfTheSettingsWaitsForALockedFileOrReadsNothingAndWritesNothing) {
    modDB::ORUNLoad();
    modDB::QCMLoad();
    modDB::gDB.Execute("UPDATE ORUN SET A_Slope = -0.1, B_Slope = -0.1, \"Update\" = 700");
    modDB::gDB.Execute("UPDATE Sensors SET EmissionSetPt = 4.5");
    modDB::gDB.Execute("UPDATE QCM SET FreqMax = 6200000, FreqInit = 5900000, FreqMin = 5100000, Period = 0.25");
    const QString file = folder.file("ORUN.MDB");
    // A short wait for the test; the station waits longer.
    constexpr int kWaitMs = 2500;
    const LockWaitForTest wait(kWaitMs);
    for (const int holdMs : {300, -1}) {
        SCOPED_TRACE(holdMs);
        ResetProgramState();
        ProgramObjects::CreateUnit();
        ProgramObjects::CreateQCM();
        modDB::gDB = dao::OpenDatabase(file);
        dialogs.clear();
        QFile::remove(folder.file("before.sqlite"));
        ASSERT_TRUE(QFile::copy(file, folder.file("before.sqlite")));
        // Held for a while, or until both loads are done.
        const bool waited = holdMs >= 0;
        OtherProgramLock other(file, waited ? holdMs : -1);
        ASSERT_TRUE(other.WaitTaken());
        QStringList refusals;
        for (void (*load)() : {&modDB::ORUNLoad, static_cast<void (*)()>(&modDB::QCMLoad)}) {
            try {
                load();
            } catch (const modDB::FileRefused& refusal) {
                refusals << refusal.description;
            }
        }
        other.Release();
        if (waited) {
            EXPECT_EQ(dialogs.count(), 0) << dialogs.prompts().join('\n').toStdString();
            EXPECT_EQ(gORUN->ChanUpdate(2), 700);
            EXPECT_EQ(gORUN->EmissionSetPt(3), 4.5);
            EXPECT_EQ(gQCM->Period(), 0.25);
        } else {
            // Refused by each load, naming the file, for its caller to tell (the start-up
            // ends in one message).
            ASSERT_EQ(dialogs.count(), 0) << dialogs.prompts().join('\n').toStdString();
            ASSERT_EQ(refusals.size(), 2);
            for (const QString& refusal : refusals)
                EXPECT_TRUE(refusal.contains(file + " is held by another program")) << refusal.toStdString();
            EXPECT_FALSE(modDB::ChannelCalibrationUnread(-1));
            for (int ch = 0; ch <= 7; ++ch) EXPECT_TRUE(modDB::ChannelCalibrationUnread(ch)) << ch;
        }
        while (!other.GivenBack()) std::this_thread::yield();
        modDB::ORUNSave();
        modDB::QCMSave();
        EXPECT_EQ(RowDifferences(file, folder.file("before.sqlite")).join('\n').toStdString(), "");
    }
}

// A file opened after the start (File > Open) that lacks the settings rows, as a file
// carried over from Access has no Sensors rows: the load adds them as a start's does, so
// the saves of every exit and of the system window find their rows and write the unit's
// values, without an error.
TEST_F(SettingsTablesTest, AFileOpenedLaterGetsTheSettingsRowsItsSavesNeed) {
    modDB::ORUNLoad();
    modDB::QCMLoad();
    gORUN->setEmissionSetPt(2, 6.5);
    CreateRecipeDatabase(folder.file("Other.MDB")).Close();
    dao::OpenDatabase(folder.file("Other.MDB")).SetUserDefinedProperty("ORUN_VER", "4.11");
    modDB::DBLoad("Other.MDB", modDB::FailedUpgrade::Refuse);
    ASSERT_EQ(QFileInfo(modDB::gDB.Name()).fileName(), "Other.MDB");
    EXPECT_EQ(Rows("SELECT * FROM ORUN"), 8);
    EXPECT_EQ(Rows("SELECT * FROM Sensors"), 4);
    EXPECT_EQ(Rows("SELECT * FROM QCM"), 1);
    modDB::ORUNSave();
    modDB::QCMSave();
    EXPECT_EQ(dialogs.count(), 0) << dialogs.prompts().join('\n').toStdString();
    EXPECT_EQ(Column("Sensors", "Sensor", 2, "EmissionSetPt").toDouble(), 6.5);
    EXPECT_EQ(modDB::gDB.OpenRecordset("SELECT * FROM QCM").Fields("Period").Value().toDouble(), 0.5);
}

}  // namespace
