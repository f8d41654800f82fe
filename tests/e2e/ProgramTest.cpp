// The ORUN_411 executable in a temporary program folder against the unit emulator on TCP:
// its start-up, its poll, its files at exit and what it refuses to start with. Its load on
// the machine while it polls is a benchmark figure (bench/bench_poll), not a test.
#include "e2e/StationFolder.h"

#include <QFile>
#include <QProcess>
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
    ASSERT_TRUE(WaitFor([&] { return station.Polled(); }, 20000)) << station.Automation().join('\n').toStdString();
    EXPECT_EQ(Lines(station.Automation(), "splash: "),
              QStringList({"splash: 10 Read initialization file...", "splash: 30 Read database...",
                           "splash: 40 Read help file...", "splash: 50 Initialize ORUN...",
                           "splash: 60 Initialize QCM...", "splash: 70 Initialize main form...",
                           "splash: 80 Initialize communications...", "splash: 90 Show forms...",
                           "splash: 100 Startup..."}));
    EXPECT_TRUE(station.unit().Commands().contains("@"));

    program.terminate();  // the system asks the program to end: it closes as for the operator
    ASSERT_TRUE(Finished(program, 20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(station.Automation().contains("box: " + kTitle + "Exit the ORUN program?"));

    // Written at exit: the configuration in full, the data log (STOPPED ends a log), and the
    // run number that entering STOPPED at the end of the start-up advanced.
    const QByteArray config = station.read("ORUN.CFG");
    EXPECT_TRUE(config.contains(QStringLiteral("EPort=%1").arg(station.unit().TcpPort()).toLatin1())) << config.data();
    EXPECT_TRUE(config.contains("[Display]")) << config.data();
    EXPECT_TRUE(station.read("ORUN.TXT").contains("End Log"));
    EXPECT_EQ(station.RunNumber(), 2);
}

TEST(Program, RefusesASecondInstanceAMissingConfigurationAndAMissingDatabase) {
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

    struct Case {
        const char* what;
        QByteArray config;  // empty: no configuration file
        QStringList expected;
    } cases[] = {
        {"no configuration file", {},
         {"box: " + kTitle + "Critical Error: Can't Find Config File ORUN.CFG\\nApplication must close!"}},
        {"database dialog cancelled", station.Config().replace("Database=ORUN.MDB", "Database=GONE.MDB"),
         {"file dialog: Open Database: GONE.MDB",
          "box: " + kTitle + "Critical Error: Can't Find Database File \\nGONE.MDB\\nApplication must close!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(station.file("automation.log"));
        QFile::remove(station.file("ORUN.CFG"));
        if (!c.config.isEmpty()) station.write("ORUN.CFG", c.config);
        QProcess program;
        station.Start(program);
        ASSERT_TRUE(Finished(program, 20000));
        EXPECT_EQ(program.exitCode(), 1);
        const QStringList answered = station.Automation();
        QStringList asked;
        for (const QString& l : answered)
            if (l.startsWith("box: ") || l.startsWith("file dialog: ")) asked << l;
        EXPECT_EQ(asked, c.expected);
    }
}
