#include "e2e/StationFolder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
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

void StationFolder::Start(QProcess& program) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ORUN_HOME"), path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), file(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
    env.insert(QStringLiteral("ORUN_AUTOMATION"), file(QStringLiteral("automation.log")));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(ORUN_BIN_DIR "/ORUN_411"), {});
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
