// The demonstration script as a newcomer runs it: the first run prepares its program folder,
// a second run starts the program on that folder as the operator left it, and --fresh starts
// over from the demonstration recipe. A port the demo would take that is held already is
// replaced by a free one, and said; the station answers there.
#include "e2e/StationFolder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct DemoRun {
    int status = -1;
    QString output;
};

struct DemoOptions {
    QStringList arguments;
    int seconds = 1;  // the program's run after its start-up
    // A shell without a login session: no runtime folder, and the temporary folder given.
    QString sessionlessTemp;
    // Called once while the demo runs, when it has said where its remote control is.
    std::function<void(QProcess& demo, const QString& said)> onRemoteLine;
};

DemoRun RunDemo(const QTemporaryDir& scratch, const DemoOptions& options = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORUN_DEMO_DIR"), scratch.filePath(QStringLiteral("demo")));
    env.insert(QStringLiteral("ORUN_DEMO_BIN"), QStringLiteral(ORUN_BIN_DIR));
    if (options.sessionlessTemp.isEmpty()) {
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), scratch.path());
    } else {
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        env.insert(QStringLiteral("TMPDIR"), options.sessionlessTemp);
    }
    QProcess demo;
    demo.setProcessEnvironment(env);
    demo.setProcessChannelMode(QProcess::MergedChannels);
    demo.start(QStringLiteral("bash"), QStringList{QStringLiteral(ORUN_SOURCE_DIR "/scripts/demo.sh"),
                                                   QStringLiteral("--offscreen"), QString::number(options.seconds)} +
                                           options.arguments);
    DemoRun run;
    const QDeadlineTimer deadline(240000);
    bool told = !options.onRemoteLine;
    while (demo.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        demo.waitForReadyRead(100);
        run.output += QString::fromLocal8Bit(demo.readAll());
        if (!told && run.output.contains(QLatin1String("\nremote control: "))) {
            told = true;
            options.onRemoteLine(demo, run.output);
        }
    }
    if (demo.state() != QProcess::NotRunning) {
        demo.kill();
        demo.waitForFinished();
        return run;
    }
    run.output += QString::fromLocal8Bit(demo.readAll());
    run.status = demo.exitStatus() == QProcess::NormalExit ? demo.exitCode() : -1;
    return run;
}

// The port and the program of the line "remote control: Ethernet, 127.0.0.1 port N (try P)".
struct RemoteLine {
    int port = 0;
    QString program;
};
RemoteLine RemoteLineOf(const QString& said) {
    const QRegularExpression line(QStringLiteral("\nremote control: Ethernet, 127\\.0\\.0\\.1 port (\\d+) \\(try (\\S+)\\)\n"));
    const QRegularExpressionMatch m = line.match(said);
    return m.hasMatch() ? RemoteLine{m.captured(1).toInt(), m.captured(2)} : RemoteLine{};
}

// The station's answer on the port to a client asking the active process's name, as
// ORUN_Comm asks it; empty when the demo ended first.
QByteArray AskProcessName(QProcess& demo, int port) {
    const QDeadlineTimer deadline(120000);
    while (demo.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        QTcpSocket client;
        client.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
        if (!client.waitForConnected(1000)) {
            demo.waitForFinished(200);  // the station is still starting
            continue;
        }
        client.write("@QP;01;00\r");
        QByteArray reply;
        while (!reply.contains('\r') && client.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired())
            if (client.waitForReadyRead(1000)) reply += client.readAll();
        return reply;
    }
    return QByteArray();
}

// The value of KEY in the demo folder's configuration, as the station wrote it.
QString Setting(const QTemporaryDir& scratch, const QString& key) {
    QFile f(scratch.filePath(QStringLiteral("demo/ORUN.CFG")));
    if (!f.open(QIODevice::ReadOnly)) return QString();
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QString text = QString::fromLatin1(line).trimmed();
        if (text.section('=', 0, 0).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return text.section('=', 1).trimmed();
    }
    return QString();
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

    DemoRun first = RunDemo(scratch);
    ASSERT_EQ(first.status, 0) << first.output.toStdString();
    EXPECT_TRUE(first.output.contains("prepared the program folder")) << first.output.toStdString();
    EXPECT_EQ(ProcessName(scratch), "Demo");

    // The operator renames the process between two runs of the demo.
    WithDatabase(scratch.filePath(QStringLiteral("demo/ORUN.MDB")), [](QSqlDatabase& db) {
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Processes SET Process_Name = 'Shift two' WHERE Process_Number = 1")));
    });

    DemoRun second = RunDemo(scratch);
    ASSERT_EQ(second.status, 0) << second.output.toStdString();
    EXPECT_FALSE(second.output.contains("prepared the program folder")) << second.output.toStdString();
    // The program loaded the edited recipes and wrote them back at its exit.
    EXPECT_EQ(ProcessName(scratch), "Shift two");

    DemoOptions again;
    again.arguments = QStringList{QStringLiteral("--fresh")};
    DemoRun fresh = RunDemo(scratch, again);
    ASSERT_EQ(fresh.status, 0) << fresh.output.toStdString();
    EXPECT_TRUE(fresh.output.contains("prepared the program folder")) << fresh.output.toStdString();
    EXPECT_EQ(ProcessName(scratch), "Demo");
}

// Port 10001 held by another program (another user's demo, or anything else): the first run
// serves remote control on a free port, says which, and the station answers a client there;
// the program its line names is there. A later run whose port is held by then moves to
// another free one and says so. Started from a shell without a login session (root, ssh),
// the demo gives its programs a private runtime folder, and nothing a newcomer cannot act
// on is said.
TEST(Demo, APortThatIsTakenIsReplacedByAFreeOneThatTheStationServesAndTheDemoSays) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    QTcpServer other;
    // Held here, or by another program already: taken either way.
    if (!other.listen(QHostAddress::Any, 10001)) {
        ASSERT_EQ(other.serverError(), QAbstractSocket::AddressInUseError);
    }

    QByteArray answer;
    DemoOptions options;
    options.seconds = 10;
    options.sessionlessTemp = scratch.path();
    options.onRemoteLine = [&](QProcess& demo, const QString& said) {
        const int port = RemoteLineOf(said).port;
        if (port > 0) answer = AskProcessName(demo, port);
    };
    const DemoRun first = RunDemo(scratch, options);
    ASSERT_EQ(first.status, 0) << first.output.toStdString();
    const RemoteLine remote = RemoteLineOf(first.output);
    ASSERT_GT(remote.port, 0) << first.output.toStdString();
    EXPECT_NE(remote.port, 10001);
    EXPECT_TRUE(first.output.contains(QString("port 10001 is taken: the remote control takes port %1\n").arg(remote.port)))
        << first.output.toStdString();
    EXPECT_EQ(Setting(scratch, "EthernetPort"), QString::number(remote.port));
    EXPECT_TRUE(answer.startsWith("@QP;") && answer.contains("Demo")) << answer.toStdString();
    EXPECT_TRUE(QFileInfo(remote.program).isExecutable()) << remote.program.toStdString();
    EXPECT_TRUE(remote.program.endsWith("/ORUN_Comm")) << remote.program.toStdString();
    // Nothing but the script's own lines: no word of the platform's runtime folder or of
    // what the offscreen platform cannot do.
    EXPECT_FALSE(first.output.contains("XDG_RUNTIME_DIR not set")) << first.output.toStdString();
    EXPECT_FALSE(first.output.contains("does not support")) << first.output.toStdString();
    const QStringList runtimes = QDir(scratch.path()).entryList({"runtime-*"}, QDir::Dirs);
    ASSERT_EQ(runtimes.size(), 1);
    const QString runtime = scratch.filePath(runtimes[0]);
    EXPECT_TRUE(first.output.contains("XDG_RUNTIME_DIR=" + runtime + " ")) << first.output.toStdString();
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                                      QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(QFileInfo(runtime).permissions() & others, QFile::Permissions());

    // The port of the first run is held when the folder is run again.
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::Any, static_cast<quint16>(remote.port)));
    const DemoRun second = RunDemo(scratch);
    ASSERT_EQ(second.status, 0) << second.output.toStdString();
    const int moved = RemoteLineOf(second.output).port;
    EXPECT_GT(moved, 0);
    EXPECT_NE(moved, remote.port);
    EXPECT_NE(moved, 10001);
    EXPECT_TRUE(second.output.contains(QString("port %1 is taken: the remote-control port in %2 is now %3\n")
                                           .arg(remote.port)
                                           .arg(scratch.filePath("demo/ORUN.CFG"))
                                           .arg(moved)))
        << second.output.toStdString();
    EXPECT_EQ(Setting(scratch, "EthernetPort"), QString::number(moved));
}
