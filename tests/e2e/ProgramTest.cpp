// The ORUN_411 executable in a temporary program folder against the unit emulator on TCP:
// its start-up, its poll, its files at exit and what it refuses to start with. Its load on
// the machine while it polls is a benchmark figure (bench/bench_poll), not a test.
#include "e2e/StationFolder.h"
#include "support/OtherProgramLock.h"
#include "support/RecipeRows.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <optional>
#include <gtest/gtest.h>

namespace {

const QString kTitle = QStringLiteral("ORUN_411: ");

bool Finished(QProcess& program, int timeoutMs) {
    return WaitFor([&] { return program.state() == QProcess::NotRunning; }, timeoutMs);
}

QStringList Lines(const QStringList& all, const QString& start) {
    QStringList out;
    for (const QString& l : all)
        if (l.startsWith(start)) out << l;
    return out;
}

}  // namespace

TEST(Program, StartsUpPollsTheUnitAndWritesItsFilesAtExit) {
    StationFolder station;
    QProcess program;
    station.Start(program);
    // A reply time-out of the link (its timer runs from the settings sent before the link
    // is enabled) may reconnect and start the poll while the start-up still waits for its
    // connection: the start-up has ended once its last step is written.
    ASSERT_TRUE(WaitFor([&] { return station.StartedAndPolling(); }, 20000))
        << station.Automation().join('\n').toStdString();
    EXPECT_EQ(Lines(station.Automation(), "splash: "),
              QStringList({"splash: 10 Read initialization file...", "splash: 30 Read database...",
                           "splash: 40 Read help file...", "splash: 50 Initialize ORUN...",
                           "splash: 60 Initialize QCM...", "splash: 70 Initialize main form...",
                           "splash: 80 Initialize communications...", "splash: 90 Show forms...",
                           "splash: 100 Startup..."}));
    EXPECT_TRUE(station.unit().Commands().contains("@"));

    program.terminate();  // the system asks the program to end: it closes without asking
    ASSERT_TRUE(Finished(program, 20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(Lines(station.Automation(), "box: "), QStringList());

    // Written at exit: the configuration in full. The start-up ends in STOPPED, but no run
    // ended: the data log has no end line and the run number is as it was.
    const QByteArray config = station.read("ORUN.CFG");
    EXPECT_TRUE(config.contains(QStringLiteral("EPort=%1").arg(station.unit().TcpPort()).toLatin1())) << config.data();
    EXPECT_TRUE(config.contains("[Display]")) << config.data();
    EXPECT_FALSE(station.read("ORUN.TXT").contains("End Log"));
    EXPECT_EQ(station.RunNumber(), 1);
}

// The system ends the program while the unit's replies are lost, garbled or cut short,
// from before the signal to after it: the exit waits for no reply that will not come, and
// sends its stop again until the unit has taken it. After the program has gone the unit
// drives no source, holds the stopped relay word and has its emission off.
TEST(Program, EndedAmidLostGarbledOrShortRepliesStillLeavesTheUnitStopped) {
    struct Case {
        const char* what;
        std::function<void(UnitSim&)> disturb;
    } cases[] = {
        {"replies lost for 700 ms",
         [](UnitSim& u) {
             u.setSilent(true);
             QTimer::singleShot(700, &u, [&u] { u.setSilent(false); });
         }},
        {"replies garbled", [](UnitSim& u) { u.CorruptNextReplies(5); }},
        {"replies cut short", [](UnitSim& u) { u.TruncateNextReplies(3); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StationFolder station;
        station.MapRelaysAndStartInput();
        QProcess program;
        station.Start(program);
        ASSERT_TRUE(WaitFor([&] { return station.StartedAndPolling(); }, 20000));
        UnitSim& sim = station.unit();
        const UnitModel& unit = sim.Model();
        sim.Model().inputs = 1;  // Start Process
        ASSERT_TRUE(WaitFor([&] { return unit.powerCode[0] > 32767 && unit.relays == 0b1110; }, 20000)) << unit.relays;

        // The disturbance has begun when the unit took a command whose reply it spoiled.
        c.disturb(sim);
        const qsizetype before = sim.Commands().size();
        ASSERT_TRUE(WaitFor([&] { return sim.Commands().size() > before; }, 5000));
        program.terminate();
        ASSERT_TRUE(Finished(program, 20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        for (int o = 0; o <= 7; ++o) EXPECT_EQ(unit.powerCode[o], 32767) << "output " << o;
        EXPECT_EQ(unit.relays, 0b0001);
        for (int s = 0; s <= 3; ++s) EXPECT_FALSE(unit.emission[s]) << "sensor " << s;
        EXPECT_TRUE(station.read("ERRORS.TXT").isEmpty()) << station.read("ERRORS.TXT").data();
        EXPECT_EQ(station.Automation().filter("box: "), QStringList());
    }
}

// A unit that answers nothing at all from before the signal on is given up once it has
// been silent for longer than a reply time-out: the program still ends, and the error
// report says the stop may not have reached the unit.
TEST(Program, EndedWithTheUnitSilentReportsThatTheStopWasNotTaken) {
    StationFolder station;
    QProcess program;
    station.Start(program);
    ASSERT_TRUE(WaitFor([&] { return station.StartedAndPolling(); }, 20000));
    station.unit().setSilent(true);
    const qsizetype before = station.unit().Commands().size();
    ASSERT_TRUE(WaitFor([&] { return station.unit().Commands().size() > before; }, 5000));
    QElapsedTimer took;
    took.start();
    program.terminate();
    ASSERT_TRUE(Finished(program, 30000));
    EXPECT_EQ(program.exitCode(), 2) << "the exit status of a stop the unit did not confirm";
    EXPECT_GE(took.elapsed(), 6000);
    const QByteArray report = station.read("ERRORS.TXT");
    EXPECT_TRUE(report.contains("The unit did not take the shutdown's stop")) << report.data();
    EXPECT_TRUE(report.contains("cORUN_FinishShutdown")) << report.data();
    // Nobody is left to answer a message at the exit: the report is all.
    EXPECT_EQ(station.Automation().filter("box: "), QStringList());
    // The stop was asked for again all the while.
    EXPECT_GE(station.unit().Commands().count("K32767,32767,32767,32767,32767,32767"), 8);
}

TEST(Program, RefusesASecondInstanceAndEveryFileItCannotWorkWithInOneMessage) {
    StationFolder station;
    QProcess first;
    station.Start(first);
    ASSERT_TRUE(WaitFor([&] { return station.Polled(); }, 20000));
    QProcess second;
    station.Start(second);
    ASSERT_TRUE(Finished(second, 20000));
    EXPECT_TRUE(station.Automation().contains("box: " + kTitle + "Only one instance of this application at a time."));
    first.terminate();
    ASSERT_TRUE(Finished(first, 20000));
    EXPECT_EQ(first.exitCode(), 0);

    const QByteArray sound = station.read("ORUN.MDB");
    QByteArray damaged = sound;
    damaged.replace(2048, 4096, QByteArray(4096, '\x55'));
    QByteArray noise(4096, '\0');
    for (int i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 7919 + 13) % 251);
    const QByteArray jet = QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(2000, 'j');
    const QString again = "\\nRestore it from a backup, or name another recipe database as Database in ORUN.CFG.";
    const auto critical = [](const QString& reason) {
        return QStringList{"box: " + kTitle + "Critical Error: " + reason + "\\nApplication must close!"};
    };
    const QString here = station.file("ORUN.MDB");
    const QString onDisk = station.file("disk/ORUN.MDB");
    enum Disk { Station, FullDisk, ReadOnlyDisk };
    struct Case {
        const char* what;
        QByteArray config;  // empty: no configuration file
        QByteArray database;
        Disk disk;
        QStringList expected;
    } cases[] = {
        {"no configuration file", {}, sound, Station,
         critical("Can't Find Config File ORUN.CFG")},
        {"database dialog cancelled", station.Config().replace("Database=ORUN.MDB", "Database=GONE.MDB"), sound, Station,
         {"file dialog: Open Database: GONE.MDB",
          "box: " + kTitle + "Critical Error: Can't Find Database File \\nGONE.MDB\\nApplication must close!"}},
        {"damaged database", station.Config(), damaged, Station, critical("The database file " + here + " is damaged." + again)},
        {"empty file", station.Config(), "", Station, critical("The database file " + here + " is empty." + again)},
        {"random bytes", station.Config(), noise, Station, critical("The file " + here + " is not a recipe database." + again)},
        {"damaged Access file", station.Config(), jet, Station,
         critical("The file " + here + " is an Access (Jet) database that cannot be read: its header is damaged or of "
                  "a version the reader does not know.\\nThe file is left unchanged. Restore it from a backup, or name "
                  "another recipe database as Database in ORUN.CFG.")},
        {"read-only folder", station.Config(), sound, ReadOnlyDisk,
         critical("The database file " + onDisk + " cannot be written: its folder " + station.file("disk") +
                  " is read-only.\\nMake it writable for the station's user and start the program again.")},
        {"full disk", station.Config(), sound, FullDisk,
         critical("The disk holding the database file " + onDisk +
                  " is full (0 KB free).\\nFree some space on it and start the program again.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(station.file("automation.log"));
        QFile::remove(station.file("ORUN.CFG"));
        QDir(station.file("after")).removeRecursively();
        if (!c.config.isEmpty()) station.write("ORUN.CFG", c.config);
        station.write("ORUN.MDB", c.database);
        QProcess program;
        if (c.disk == Station) {
            station.Start(program);
        } else if (!station.StartOnOwnDisk(program, 4096,
                                           c.disk == FullDisk ? "cat /dev/zero > \"$1/filler\" 2>/dev/null"
                                                              : "mount -o remount,ro \"$1\"")) {
            std::cout << "no mount namespace here: the " << c.what << " is not tried\n";
            continue;
        }
        ASSERT_TRUE(Finished(program, 20000));
        EXPECT_EQ(program.exitCode(), 1);
        QStringList asked;
        for (const QString& l : station.Automation())
            if (l.startsWith("box: ") || l.startsWith("file dialog: ")) asked << l;
        EXPECT_EQ(asked, c.expected);
        // The database as it was, no fallback database made; on a disk that takes nothing,
        // the configuration whole, though the start-up tried to rewrite its number keys.
        const QString folder = c.disk == Station ? QString() : QStringLiteral("after/");
        EXPECT_EQ(station.read(folder + "ORUN.MDB"), c.database);
        if (c.disk != Station) {
            EXPECT_EQ(station.read(folder + "ORUN.CFG"), c.config);
        }
        EXPECT_FALSE(QFile::exists(station.file(folder + "New.mdb")));
        EXPECT_FALSE(QFile::exists(station.file(folder + "Work.mdb")));
    }
}

// The scratch copies that writes killed midway left beside the files the program writes
// (its configuration file, its recipe database, the copies and backups made of it) go at
// the next start, from the folders it writes them to; an operator's own files, names the
// writer's pattern does not fit and other folders stay as they are.
TEST(Program, AStartClearsTheCopiesKilledWritesLeftAndNothingElse) {
    StationFolder station;
    ASSERT_TRUE(QDir(station.path()).mkpath("Recipes/old.orun-write-abcdef"));
    ASSERT_TRUE(QDir(station.path()).mkpath("Other"));
    ASSERT_TRUE(QFile::rename(station.file("ORUN.MDB"), station.file("Recipes/ORUN.MDB")));
    station.write("ORUN.CFG", QString(station.Config()).replace("Database=ORUN.MDB", "Database=Recipes/ORUN.MDB").toLatin1());
    const QStringList copies = {"ORUN.CFG.orun-write-a1B2c3", "Work.mdb.orun-write-000000",
                                "Recipes/ORUN.MDB.orun-write-Zz09Qx", "Recipes/Copy.MDB.saving.orun-write-q1w2e3",
                                "Recipes/ORUN_4.10.MDB.part.orun-write-XyZ123"};
    const QStringList others = {"ORUN.CFG.bak",
                                "ORUN.CFG.a1B2c3",  // an older build's copy: no name of the writer's own
                                "Recipes/ORUN.MDB.old",
                                "Recipes/ORUN.MDB.orun-write-abc",
                                "Recipes/ORUN.MDB.orun-write-abcdefg",
                                "Recipes/notes.orun-write-abcdef.txt",
                                "Other/ORUN.MDB.orun-write-abcdef"};
    for (const QString& name : copies + others) station.write(name, "bytes of " + name.toLatin1());
    QProcess program;
    station.Start(program);
    ASSERT_TRUE(WaitFor([&] { return station.StartedAndPolling(); }, 20000))
        << station.Automation().join('\n').toStdString();
    program.terminate();
    ASSERT_TRUE(Finished(program, 20000));

    for (const QString& name : copies) EXPECT_FALSE(QFile::exists(station.file(name))) << name.toStdString();
    for (const QString& name : others) EXPECT_EQ(station.read(name), "bytes of " + name.toLatin1()) << name.toStdString();
    EXPECT_TRUE(QDir(station.file("Recipes/old.orun-write-abcdef")).exists());
    EXPECT_EQ(Lines(station.Automation(), "box: "), QStringList());
}

TEST(Program, AStartClearsWhatAKilledSaveLeftAndUpgradesAnOlderDatabaseFromTheTemplateBesideIt) {
    StationFolder station;
    station.SetDatabaseVersion("3.01");
    station.Sql("UPDATE Processes SET Run_Number = 7 WHERE Process_Number = 1");
    station.write("ORUN.MDB.saving", "part of a copy");
    station.write("Other.MDB.saving-journal", "journal of that copy");
    QProcess program;
    station.Start(program);
    ASSERT_TRUE(WaitFor([&] { return station.StartedAndPolling(); }, 20000))
        << station.Automation().join('\n').toStdString();
    program.terminate();
    ASSERT_TRUE(Finished(program, 20000));
    EXPECT_EQ(program.exitCode(), 0);

    EXPECT_FALSE(QFile::exists(station.file("ORUN.MDB.saving")));
    EXPECT_FALSE(QFile::exists(station.file("Other.MDB.saving-journal")));
    EXPECT_EQ(station.DatabaseVersion(), "4.11");
    EXPECT_TRUE(QFile::exists(station.file("ORUN_3.01.MDB")));
    EXPECT_FALSE(QFile::exists(station.file("New.mdb")));
    EXPECT_EQ(station.RunNumber(), 7) << "the demonstration recipe was carried over";
    QStringList boxes;
    for (const QString& l : station.Automation())
        if (l.startsWith("box: ")) boxes << l;
    EXPECT_EQ(boxes, QStringList());
}

// A unit endpoint that accepts each connection and ends it at once (a rebooting unit, a
// device server whose serial side is gone), in order or with a reset, idle and mid-run,
// for 30 s (ORUN_END_CONNECTIONS_S sets it): the station lives on, shows its link failure
// (each reply time-out, written to CommErrors.txt with Debug 3, is the one that shows COMM
// ERROR), tries the link at most once a second, and when the unit is whole again the link,
// the poll and the run come back: the run ends with its end line. An end asked for while
// the unit ends every connection tries it at the same pace.
struct EndingCase {
    const char* name;
    UnitSim::Accepting how;
    bool midRun;
};

class UnitEndingEveryConnection : public ::testing::TestWithParam<EndingCase> {};

TEST_P(UnitEndingEveryConnection, NeitherKillsNorHammersTheStationAndTheRunComesBack) {
    const EndingCase c = GetParam();
    StationFolder station;
    station.MapRelaysAndStartInput();
    QByteArray config = station.Config();
    config.replace("[Application]\r\n", "[Application]\r\nDebug=3\r\n");
    station.write("ORUN.CFG", config);
    QProcess program;
    station.Start(program);
    ASSERT_TRUE(WaitFor([&] { return station.StartedAndPolling(); }, 20000));
    UnitSim& sim = station.unit();
    UnitModel& unit = sim.Model();
    if (c.midRun) {
        unit.inputs = 1;  // Start Process
        ASSERT_TRUE(WaitFor([&] { return unit.powerCode[0] > 32767 && unit.relays == 0b1110; }, 20000)) << unit.relays;
    }

    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("ORUN_END_CONNECTIONS_S", &ok);
    const int forMs = (ok && seconds > 0 ? seconds : 30) * 1000;
    sim.setAccepting(c.how);
    const int before = sim.Accepted();
    QElapsedTimer failing;
    failing.start();
    sim.CloseConnections(c.how == UnitSim::Accepting::Reset);
    // The station's own end is the fault looked for.
    WaitFor([&] { return program.state() == QProcess::NotRunning; }, forMs);
    ASSERT_EQ(program.state(), QProcess::Running) << "the station ended: " << program.readAllStandardError().toStdString();
    const int attempts = sim.Accepted() - before;
    EXPECT_LE(attempts, failing.elapsed() / 1000 + 1);
    EXPECT_GE(attempts, forMs / 4000) << "the station gave the link up";
    EXPECT_TRUE(station.read("CommErrors.txt").contains(": Comm Timeout"));
    std::printf("[ %s ] %d connection attempts in %lld ms\n", c.name, attempts, static_cast<long long>(failing.elapsed()));

    // The unit is whole again, restarted with its outputs at 0 V and every relay off.
    for (int o = 0; o <= 7; ++o) unit.powerCode[o] = 32767;
    unit.relays = 0;
    unit.inputs = 0;
    const int whole = sim.Accepted();
    sim.ClearCommands();
    sim.setAccepting(UnitSim::Accepting::Serve);
    ASSERT_TRUE(WaitFor([&] { return station.Polled(); }, 15000));
    EXPECT_EQ(sim.Accepted() - whole, 1);
    if (c.midRun) {
        // The run goes on where it stood and ends: the stopped relay word, its end line.
        ASSERT_TRUE(WaitFor([&] { return station.read("ORUN.TXT").contains("End Log") && unit.relays == 0b0001; }, 60000))
            << unit.relays;
        bool drove = false;
        for (const QString& k : sim.Commands())
            drove = drove || (k.startsWith('K') && k.mid(1).section(',', 0, 0).toInt() > 32767);
        EXPECT_TRUE(drove) << "the run drove its source again";
    }
    // Idle, the end comes while the unit ends every connection again: the exit's stop is
    // sent again over new connections at the same pace, and the program still ends.
    int atExit = 0;
    if (!c.midRun) {
        sim.setAccepting(c.how);
        sim.CloseConnections(c.how == UnitSim::Accepting::Reset);
        atExit = sim.Accepted();
    }
    QElapsedTimer ending;
    ending.start();
    program.terminate();
    ASSERT_TRUE(Finished(program, 30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    // An end whose stop no connection lasted long enough to confirm says so in its status.
    EXPECT_EQ(program.exitCode(), c.midRun ? 0 : 2);
    if (!c.midRun) {
        EXPECT_LE(sim.Accepted() - atExit, ending.elapsed() / 1000 + 2);
    }
    for (int o = 0; o <= 7; ++o) EXPECT_EQ(unit.powerCode[o], 32767) << "output " << o;
}

INSTANTIATE_TEST_SUITE_P(Peers, UnitEndingEveryConnection,
                         ::testing::Values(EndingCase{"closed when idle", UnitSim::Accepting::Close, false},
                                           EndingCase{"reset when idle", UnitSim::Accepting::Reset, false},
                                           EndingCase{"closed mid-run", UnitSim::Accepting::Close, true},
                                           EndingCase{"reset mid-run", UnitSim::Accepting::Reset, true}),
                         [](const ::testing::TestParamInfo<EndingCase>& info) {
                             return std::string(info.param.how == UnitSim::Accepting::Close ? "Closed" : "Reset") +
                                    (info.param.midRun ? "MidRun" : "Idle");
                         });

// Cells that cannot be read (a hand-edited or damaged file): a text where a number belongs,
// a number beyond its field, a Null where a text belongs, a number that is not finite, raw
// bytes in a number column, a value beyond what the unit or the quartz facade takes, in
// every table the station reads and each kind of field. Each takes its default alone (a
// calibration value named with what it means for its channel), every other cell is read,
// the operator is told once, and after the start and an exit the file holds what it held.
TEST(Program, CellsThatCannotBeReadTakeTheirDefaultsAloneAreToldOnceAndStayAsTheFileHoldsThem) {
    StationFolder station;
    const QString firstLayer = "(SELECT First_Layer FROM Processes WHERE Process_Number = 1)";
    const QString itsFilm = "(SELECT Film_Number FROM Layers WHERE Layer_Number = " + firstLayer + ")";
    const QString kNoReading(" - channel %1 has no valid reading: its source is held at 0 until the channel is calibrated again");
    struct Bad {
        const char* table;
        QString where;   // the row
        const char* record;  // as the message names it
        const char* column;
        const char* value;  // SQL
        QString shown;  // as the message shows it
        // In the order the start reads them: processes, layers, films, the unit's and the
        // sensors' settings, then the active process's relay/input map and graphs.
    } bad[] = {
        {"Processes", "Process_Number = 1", "record Process_Number 1", "Run_Number", "'7a'", "\"7a\""},
        {"Processes", "Process_Number = 2", "record Process_Number 2", "Process_Name", "NULL", "no value"},
        {"Processes", "Process_Number = 2", "record Process_Number 2", "Number_Layers", "70000", "\"70000\""},
        {"Layers", "Layer_Number = " + firstLayer, "", "Channel", "'one'", "\"one\""},
        {"Layers", "Layer_Number = " + firstLayer, "", "Rate", "'fast'", "\"fast\""},
        {"Layers", "Layer_Number = " + firstLayer, "", "ChanMult", "9e999", "\"inf\""},
        {"Films", "Film_Number = " + itsFilm, "", "Film_Name", "NULL", "no value"},
        {"Films", "Film_Number = " + itsFilm, "", "UnitsCal", "'1,5'", "\"1,5\""},
        {"Films", "Film_Number = " + itsFilm, "", "IntDigits", "'2 digits'", "\"2 digits\""},
        {"Films", "Film_Number = " + itsFilm, "", "Feed_Power", "X'0102'", "a binary value of 2 bytes"},
        {"Films", "Film_Number = " + itsFilm, "", "QCM_INTERVAL", "'x'", "\"x\""},
        {"ORUN", "Channel = 0", "record Channel 0", "A_Intercept", "'x1'", "\"x1\"" + kNoReading.arg(1)},
        {"ORUN", "Channel = 1", "record Channel 1", "Update", "'fast'", "\"fast\""},
        {"ORUN", "Channel = 2", "record Channel 2", "CalPackets", "'ten'", "\"ten\""},
        {"ORUN", "Channel = 3", "record Channel 3", "Update", "5000", "\"5000\""},
        {"ORUN", "Channel = 4", "record Channel 4", "B_Slope", "-9e999", "\"-inf\"" + kNoReading.arg(5)},
        {"Sensors", "Sensor = 1", "record Sensor 1", "EmissionSetPt", "'2 mA'", "\"2 mA\""},
        {"Sensors", "Sensor = 2", "record Sensor 2", "EmissionSetPt", "1e300", "\"1e+300\""},
        {"QCM", "1", "its first record", "FreqMax", "2e7", "\"2e+07\""},
        {"IO", "Process_Number = 1", "record Process_Number 1", "In3", "'start'", "\"start\""},
        {"Graphs", "Process_Number = 1", "record Process_Number 1", "XPoints", "1000000000000", "\"1000000000000\""},
        {"Graphs", "Process_Number = 1", "record Process_Number 1", "G1Data", "'rate'", "\"rate\""},
        {"Graphs", "Process_Number = 1", "record Process_Number 1", "G2OnTop", "'yes'", "\"yes\""},
    };
    // One start and exit first: the file as the station writes it (texts padded to their
    // fields' widths), so that the one to check changes nothing that it does not read.
    const auto startAndExit = [&] {
        QProcess program;
        station.Start(program);
        ASSERT_TRUE(WaitFor([&] { return station.StartedAndPolling(); }, 30000))
            << station.Automation().join('\n').toStdString();
        program.terminate();
        ASSERT_TRUE(Finished(program, 20000));
        EXPECT_EQ(program.exitCode(), 0);
    };
    startAndExit();
    QFile::remove(station.file("automation.log"));
    // A calibration and quartz settings of the site's own, so that defaults written over
    // them would show.
    station.Sql("UPDATE ORUN SET A_Slope = -0.1, B_Slope = -0.1, B_Intercept = 3.5, \"Update\" = 200");
    station.Sql("UPDATE QCM SET FreqInit = 5900000, FreqMax = 6200000, FreqMin = 5100000, Period = 0.25");
    int layer = 0, film = 0;
    WithDatabase(station.file("ORUN.MDB"), [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        q.exec("SELECT " + firstLayer + ", " + itsFilm);
        q.next();
        layer = q.value(0).toInt();
        film = q.value(1).toInt();
    });
    ASSERT_GT(layer, 0);
    ASSERT_GT(film, 0);
    for (const Bad& b : bad)
        station.Sql(QString("UPDATE %1 SET \"%2\" = %3 WHERE %4").arg(b.table, b.column, b.value, b.where));
    ASSERT_TRUE(QFile::copy(station.file("ORUN.MDB"), station.file("before.sqlite")));

    startAndExit();

    QStringList listed;
    for (const Bad& b : bad) {
        const QString record = *b.record ? QString(b.record)
                                         : QString("record %1 %2").arg(QString(b.table) == "Layers" ? "Layer_Number" : "Film_Number")
                                               .arg(QString(b.table) == "Layers" ? layer : film);
        listed << QString("table %1, %2, column %3: %4").arg(b.table, record, b.column, b.shown);
    }
    // One message lists twenty cells and counts the rest.
    if (listed.size() > 20) listed = listed.mid(0, 20) << QString("and %1 more.").arg(listed.size() - 20);
    EXPECT_EQ(Lines(station.Automation(), "box: ").join('\n').toStdString(),
              QStringList({"box: " + kTitle + "Values in the recipe database " + station.file("ORUN.MDB") +
                               " cannot be read. Each has taken its default, and the file keeps what it holds there "
                               "until the value is changed in the program:\\n" + listed.join("\\n")})
                  .join('\n')
                  .toStdString());
    EXPECT_EQ(RowDifferences(station.file("ORUN.MDB"), station.file("before.sqlite")).join('\n').toStdString(), "");
}

// Another program (an SQL shell, a backup tool) holds the write lock of the current
// database while the station starts, from before the start or from a moment into it, for
// a while: the station waits for the file, reads it whole and runs. Held longer than the
// station waits, the start is refused in one message naming the lock. Either way nothing
// is swapped for New.mdb, ORUN.CFG keeps naming the file, and after the exit every cell of
// the file is as it was.
TEST(Program, AStartWaitsForAFileAnotherProgramHoldsAndNeverWritesOverWhatItDidNotRead) {
    const struct {
        const char* what;
        int afterMs;  // into the start; -1: taken before it
        int holdMs;   // -1: until the start has ended
    } timings[] = {
        {"held before the start, briefly", -1, 1500},
        {"taken as the start begins", 0, 2500},
        {"taken early in the start", 150, 2500},
        {"taken a little later", 400, 2500},
        {"taken later still", 900, 2500},
        {"held past the wait", -1, -1},
    };
    for (const auto& t : timings) {
        SCOPED_TRACE(t.what);
        StationFolder station;
        // A start and an exit first: the file as the station writes it, with a
        // calibration and sensor settings of the site's own that defaults would show over.
        {
            QProcess program;
            station.Start(program);
            ASSERT_TRUE(WaitFor([&] { return station.StartedAndPolling(); }, 30000));
            program.terminate();
            ASSERT_TRUE(Finished(program, 20000));
        }
        station.Sql("UPDATE ORUN SET A_Slope = -0.1, B_Slope = -0.1, \"Update\" = 300");
        station.Sql("UPDATE Sensors SET EmissionSetPt = 4.5, MaxLeakage = 0.5");
        QFile::remove(station.file("automation.log"));
        QFile::remove(station.file("before.sqlite"));
        ASSERT_TRUE(QFile::copy(station.file("ORUN.MDB"), station.file("before.sqlite")));
        const QByteArray config = station.read("ORUN.CFG");
        ASSERT_TRUE(config.contains("Database=ORUN.MDB")) << config.data();

        const bool refused = t.holdMs < 0;
        std::optional<OtherProgramLock> other;
        if (t.afterMs < 0) {
            other.emplace(station.file("ORUN.MDB"), t.holdMs);
            ASSERT_TRUE(other->WaitTaken());
        }
        QProcess program;
        station.Start(program);
        if (t.afterMs >= 0) other.emplace(station.file("ORUN.MDB"), t.holdMs, t.afterMs);
        if (refused) {
            ASSERT_TRUE(Finished(program, 60000));
            other->Release();
            EXPECT_EQ(program.exitCode(), 1);
            const QStringList boxes = Lines(station.Automation(), "box: ");
            ASSERT_EQ(boxes.size(), 1) << boxes.join('\n').toStdString();
            EXPECT_TRUE(boxes[0].contains("The recipe database " + station.file("ORUN.MDB") + " is held by another program"))
                << boxes[0].toStdString();
            EXPECT_EQ(station.read("ORUN.CFG"), config);
        } else {
            ASSERT_TRUE(WaitFor([&] { return station.StartedAndPolling(); }, 60000))
                << station.Automation().join('\n').toStdString();
            ASSERT_TRUE(WaitFor([&] { return other->GivenBack(); }, 30000));
            program.terminate();
            ASSERT_TRUE(Finished(program, 20000));
            EXPECT_EQ(program.exitCode(), 0);
            EXPECT_EQ(Lines(station.Automation(), "box: ").join('\n').toStdString(), "");
            EXPECT_TRUE(station.read("ORUN.CFG").contains("Database=ORUN.MDB"));
        }
        other.reset();
        EXPECT_FALSE(QFile::exists(station.file("New.mdb")));
        EXPECT_FALSE(QFile::exists(station.file("Work.mdb")));
        EXPECT_EQ(RowDifferences(station.file("ORUN.MDB"), station.file("before.sqlite")).join('\n').toStdString(), "");
    }
}
