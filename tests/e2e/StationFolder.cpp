#include "e2e/StationFolder.h"

#include "support/OwnDisk.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <stdexcept>

void WithDatabase(const QString& path, const std::function<void(QSqlDatabase&)>& body) {
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) throw std::runtime_error("cannot open the recipe database");
        body(db);
    }
    QSqlDatabase::removeDatabase(name);
}

namespace {

// The statements of a script, each ending with ";" at a line end; "--" lines are comments.
void ApplyScript(QSqlDatabase& db, const QString& script) {
    QFile sql(script);
    if (!sql.open(QIODevice::ReadOnly)) throw std::runtime_error("no demonstration recipe");
    QString statement;
    for (const QString& line : QString::fromUtf8(sql.readAll()).split(QLatin1Char('\n'))) {
        if (line.trimmed().startsWith(QLatin1String("--"))) continue;
        statement += line + QLatin1Char('\n');
        if (!line.trimmed().endsWith(QLatin1Char(';'))) continue;
        QSqlQuery q(db);
        if (!q.exec(statement)) throw std::runtime_error(q.lastError().text().toStdString());
        statement.clear();
    }
}

}  // namespace

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

StationFolder::StationFolder() {
    if (!unit_.ListenTcp()) throw std::runtime_error("the unit emulator cannot listen");
    write(QStringLiteral("ORUN.CFG"), Config());
    const QString database = file(QStringLiteral("ORUN.MDB"));
    QFile::copy(QStringLiteral(ORUN_BIN_DIR "/411_ORUN.MDB"), database);
    QFile(database).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    WithDatabase(database, [](QSqlDatabase& db) { ApplyScript(db, QStringLiteral(ORUN_SOURCE_DIR "/scripts/demo_recipe.sql")); });
}

QByteArray StationFolder::Config() const {
    return QStringLiteral(
               "[Application]\r\nDatabase=ORUN.MDB\r\nProcess=1\r\n"
               "[Communications]\r\nCPort=10\r\nEPort=%1\r\nEAddr=127.0.0.1\r\n"
               "[Datalog]\r\nLogMode=1\r\nLogType=0\r\nLogFile=ORUN.TXT\r\n"
               "[SftwComm]\r\nPort=0\r\nEthernetPort=-1\r\n")
        .arg(unit_.TcpPort())
        .toLatin1();
}

QByteArray StationFolder::read(const QString& name) const {
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void StationFolder::write(const QString& name, const QByteArray& bytes) const {
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

bool StationFolder::Polled() const {
    const QStringList& c = unit_.Commands();
    return c.contains(QStringLiteral("D")) && c.contains(QStringLiteral("M")) && c.contains(QStringLiteral("F"));
}

void StationFolder::PushStart() {
    UnitModel& unit = unit_.Model();
    // Not yet polled, or the run has started (Process Running is on).
    if (!Polled() || (unit.relays & 0b0010) != 0) return;
    const qsizetype asked = unit_.Commands().count(QStringLiteral("M"));
    if ((unit.inputs & 1) == 0 && asked >= startAskedAt_ + 2) {
        unit.inputs |= 1;
        startAskedAt_ = asked;
    } else if ((unit.inputs & 1) != 0 && asked >= startAskedAt_ + 30) {
        unit.inputs &= ~1;
        startAskedAt_ = asked;
    }
}

bool StationFolder::StartedAndPolling() const {
    return Polled() && Automation().contains(QStringLiteral("splash: 100 Startup..."));
}

QProcessEnvironment StationFolder::Environment(const QString& home, const Run& how) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (how.display.isEmpty()) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    } else {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), how.display);
        env.remove(QStringLiteral("XAUTHORITY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    }
    env.insert(QStringLiteral("ORUN_HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), file(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
    if (how.answered) env.insert(QStringLiteral("ORUN_AUTOMATION"), file(QStringLiteral("automation.log")));
    else env.remove(QStringLiteral("ORUN_AUTOMATION"));
    return env;
}

void StationFolder::Start(QProcess& program, const Run& how) const {
    program.setProcessEnvironment(Environment(path(), how));
    if (how.standardError.isEmpty()) {
        program.setProcessChannelMode(QProcess::ForwardedChannels);
    } else {
        program.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        program.setStandardErrorFile(file(how.standardError));
    }
    const QString binary = QStringLiteral(ORUN_BIN_DIR "/ORUN_411");
    if (how.through.isEmpty()) program.start(binary, {});
    else program.start(how.through.front(), how.through.mid(1) + QStringList{binary});
}

namespace {

// Run by unshare as the user mapped to root in a mount namespace of its own:
// $1 mount point, $2 station folder, $3 program, $4 size in KB, $5 preparation.
const char* const kOwnDiskScript = R"(
mount -t tmpfs -o size="$4"k tmpfs "$1" || exit 97
cp "$2/ORUN.CFG" "$2/ORUN.MDB" "$1/" 2>/dev/null
eval "$5"
"$3"
status=$?
mkdir -p "$2/after"
for f in "$1"/*; do [ "${f##*/}" = filler ] || cp "$f" "$2/after/"; done
exit $status
)";

}  // namespace

bool StationFolder::StartOnOwnDisk(QProcess& program, int kbytes, const QString& prepare) const {
    if (!OwnDisk::Allowed()) return false;
    const QString disk = file(QStringLiteral("disk"));
    QDir().mkpath(disk);
    program.setProcessEnvironment(Environment(disk));
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral("unshare"), {"-rm", "sh", "-c", QString::fromLatin1(kOwnDiskScript), "sh", disk, path(),
                                              QStringLiteral(ORUN_BIN_DIR "/ORUN_411"), QString::number(kbytes), prepare});
    return true;
}

QStringList StationFolder::Automation() const {
    return QString::fromUtf8(read(QStringLiteral("automation.log"))).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

int StationFolder::RunNumber() const {
    int run = -1;
    WithDatabase(file(QStringLiteral("ORUN.MDB")), [&](QSqlDatabase& db) {
        QSqlQuery q(QStringLiteral("SELECT Run_Number FROM Processes WHERE Process_Number = 1"), db);
        if (q.next()) run = q.value(0).toInt();
    });
    return run;
}

void StationFolder::Sql(const QString& statement) const {
    WithDatabase(file(QStringLiteral("ORUN.MDB")), [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        if (!q.exec(statement)) throw std::runtime_error(q.lastError().text().toStdString());
    });
}

void StationFolder::MapRelaysAndStartInput() const {
    Sql(QStringLiteral("UPDATE IO SET Out0 = 1, Out1 = 2, Out2 = 20, Out3 = 5, In0 = 1 WHERE Process_Number = 1"));
}

QString StationFolder::DatabaseVersion() const {
    QString version;
    WithDatabase(file(QStringLiteral("ORUN.MDB")), [&](QSqlDatabase& db) {
        QSqlQuery q(QStringLiteral("SELECT Value FROM DatabaseProperties WHERE Name = 'ORUN_VER'"), db);
        if (q.next()) version = q.value(0).toString();
    });
    return version;
}

void StationFolder::SetDatabaseVersion(const QString& version) const {
    WithDatabase(file(QStringLiteral("ORUN.MDB")), [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("UPDATE DatabaseProperties SET Value = ? WHERE Name = 'ORUN_VER'"));
        q.addBindValue(version);
        if (!q.exec() || q.numRowsAffected() != 1) throw std::runtime_error("the database has no version to change");
    });
}
