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
    EXPECT_EQ(dialogs.prompts(), QStringList({told + "table ORUN, record Channel 0, column A_Intercept: \"x1\"\r\n"
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

}  // namespace
