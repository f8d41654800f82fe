// The demonstration script as a newcomer runs it: the first run prepares its program folder,
// a second run starts the program on that folder as the operator left it, and --fresh starts
// over from the demonstration recipe.
#include "e2e/StationFolder.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct DemoRun {
    int status = -1;
    QString output;
};

DemoRun RunDemo(const QTemporaryDir& scratch, const QStringList& options) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORUN_DEMO_DIR"), scratch.filePath(QStringLiteral("demo")));
    env.insert(QStringLiteral("ORUN_DEMO_BIN"), QStringLiteral(ORUN_BIN_DIR));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), scratch.path());
    QProcess demo;
    demo.setProcessEnvironment(env);
    demo.setProcessChannelMode(QProcess::MergedChannels);
    demo.start(QStringLiteral("bash"), QStringList{QStringLiteral(ORUN_SOURCE_DIR "/scripts/demo.sh"),
                                                   QStringLiteral("--offscreen"), QStringLiteral("1")} + options);
    DemoRun run;
    if (!demo.waitForFinished(240000)) {
        demo.kill();
        demo.waitForFinished();
        return run;
    }
    run.status = demo.exitStatus() == QProcess::NormalExit ? demo.exitCode() : -1;
    run.output = QString::fromLocal8Bit(demo.readAll());
    return run;
}

QString ProcessName(const QTemporaryDir& scratch) {
    QString name;
    WithDatabase(scratch.filePath(QStringLiteral("demo/ORUN.MDB")), [&](QSqlDatabase& db) {
        QSqlQuery q(QStringLiteral("SELECT Process_Name FROM Processes WHERE Process_Number = 1"), db);
        if (q.next()) name = q.value(0).toString().trimmed();
    });
    return name;
}

}  // namespace

TEST(Demo, ASecondRunKeepsTheOperatorsWorkAndFreshStartsOver) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());

    DemoRun first = RunDemo(scratch, {});
    ASSERT_EQ(first.status, 0) << first.output.toStdString();
    EXPECT_TRUE(first.output.contains("prepared the program folder")) << first.output.toStdString();
    EXPECT_EQ(ProcessName(scratch), "Demo");

    // The operator renames the process between two runs of the demo.
    WithDatabase(scratch.filePath(QStringLiteral("demo/ORUN.MDB")), [](QSqlDatabase& db) {
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Processes SET Process_Name = 'Shift two' WHERE Process_Number = 1")));
    });

    DemoRun second = RunDemo(scratch, {});
    ASSERT_EQ(second.status, 0) << second.output.toStdString();
    EXPECT_FALSE(second.output.contains("prepared the program folder")) << second.output.toStdString();
    // The program loaded the edited recipes and wrote them back at its exit.
    EXPECT_EQ(ProcessName(scratch), "Shift two");

    DemoRun fresh = RunDemo(scratch, {QStringLiteral("--fresh")});
    ASSERT_EQ(fresh.status, 0) << fresh.output.toStdString();
    EXPECT_TRUE(fresh.output.contains("prepared the program folder")) << fresh.output.toStdString();
    EXPECT_EQ(ProcessName(scratch), "Demo");
}
