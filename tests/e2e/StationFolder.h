#pragma once
// A station for the end-to-end tests: the unit emulator listening on a loopback port, and
// a program folder holding ORUN.CFG (the unit over TCP on that port, the data log on, no
// remote-control endpoints) and ORUN.MDB (the upgrade template with the demonstration
// recipe). The program runs with its per-user settings and its instance lock inside the
// folder, so tests never meet each other or the user's own settings.
#include "unitsim/UnitSim.h"

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

class QSqlDatabase;

class StationFolder {
public:
    StationFolder();

    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.path() + '/' + name; }
    QByteArray read(const QString& name) const;
    void write(const QString& name, const QByteArray& bytes) const;
    // The configuration file the station starts with.
    QByteArray Config() const;

    UnitSim& unit() { return unit_; }
    // The unit received every one of these commands since it started listening.
    bool Polled() const;
    // The program has ended its start-up (its splash at 100) and polls the unit.
    bool StartedAndPolling() const;
    // Raises the plant's Start input (input 0, once polled; relays as MapRelaysAndStartInput
    // maps them) and keeps it up; called again until the run is seen to start. A program still starting takes an input that is
    // already up as it finds it, not as a start: after 30 of the program's questions for
    // the inputs without a start, it is lowered for two questions and raised again.
    void PushStart();

    // How the program is started: answered, its boxes are answered without a window and
    // written to automation.log (else a box waits for a person, as at a real station);
    // with a display (":n"), it draws on that X display instead of offscreen; through, a
    // command the program is started by (which then runs it in its own process); with
    // standardError, the program's standard error goes to that file of the folder.
    struct Run {
        bool answered = true;
        QString display;
        QStringList through;
        QString standardError;
    };
    // Starts the program.
    void Start(QProcess& program) const { Start(program, Run{}); }
    void Start(QProcess& program, const Run& how) const;
    // Starts the program with its program folder on a small disk of its own: a file
    // system of kbytes in a mount namespace of the program's own (the folder "disk" here,
    // empty outside it), holding copies of the station's ORUN.CFG and ORUN.MDB, after the
    // shell commands of prepare have run there ($1 names the folder). When the program
    // has ended, the files it left there are copied into the folder "after" here. False
    // when the system lets no process have such a namespace.
    bool StartOnOwnDisk(QProcess& program, int kbytes, const QString& prepare) const;
    // The lines of automation.log.
    QStringList Automation() const;
    // Run number of process 1 in ORUN.MDB.
    int RunNumber() const;
    // Runs one statement on ORUN.MDB (before the program starts).
    void Sql(const QString& statement) const;
    // Relays of process 1 in ORUN.MDB: 0 Process Stopped, 1 Process Running, 2 Channel 1
    // Shutter, 3 Deposit Phase; input 0 starts the process.
    void MapRelaysAndStartInput() const;
    // The version ORUN.MDB says it has.
    QString DatabaseVersion() const;
    void SetDatabaseVersion(const QString& version) const;

private:
    QProcessEnvironment Environment(const QString& home) const { return Environment(home, Run{}); }
    QProcessEnvironment Environment(const QString& home, const Run& how) const;

    QTemporaryDir dir_;
    QTemporaryDir runtime_;
    UnitSim unit_;
    qsizetype startAskedAt_ = -2;  // the questions for the inputs when Start last changed
};

// Runs body on a connection of its own to the SQLite file at path.
void WithDatabase(const QString& path, const std::function<void(QSqlDatabase&)>& body);

// Lets events run until the condition holds or the time is up; true when it holds.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs);
