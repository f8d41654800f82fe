#pragma once
// The recipe database module: the one open database and the routines that move records
// between memory and their rows. Every routine runs on the user-interface thread.
#include "platform/Dao.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace modDB {

// The open recipe database.
extern dao::Database gDB;

// Process records 1..25 (table Processes). A load adds a missing row first; a save
// writes into an existing row only. A load that fails leaves the record as it was.
void ProcessLoad(int16_t nProcess);
void ProcessSave(int16_t nProcess);
// Layer records 1..250 (table Layers).
void LayerLoad(int16_t nLayer);
void LayerSave(int16_t nLayer);
// Film records 1..25 (table Films).
void FilmLoad(int16_t nFilm);
void FilmSave(int16_t nFilm);
// A layer record and its film (either 0: none) as one save, told once when the file does
// not take it; the records stay in the program as they are.
void SaveLayerAndFilm(int16_t nLayer, int16_t nFilm);

// ---- Unit and quartz settings (tables ORUN, Sensors, QCM) ----

// The channel calibrations and sensor settings into gORUN, in the order of their
// commands; missing rows (8 channels, 4 sensors) are added with the table defaults.
void ORUNLoad();
// gORUN's values back into the rows ORUNLoad added.
void ORUNSave();
// Whether channel ch's emission readings are computed through a calibration value that the
// latest ORUNLoad could not read and that the unit still holds as it took it: such a
// channel has no valid reading until it is calibrated again.
bool ChannelCalibrationUnread(int ch);
// Adds the rows of tables ORUN, Sensors and QCM that the file lacks, as ORUNLoad and
// QCMLoad add them, so that their saves find every row of any file opened.
void AddSettingsRows();
// The quartz frequencies and period into gQCM (the defaults when a stored value is 0);
// an empty table gets its one row. QCMRead reads the row and hands nothing over (a
// FileRefused when another program keeps the file, gQCM keeping what it holds); QCMLoad
// with it hands it over.
struct QCMRow {
    bool read = false;  // false: an error kept the row from being read, and it was told
    double freqMax = 0.0;
    double freqInit = 0.0;
    double freqMin = 0.0;
    double period = 0.0;
    QVariant stored[4];  // FreqMax, FreqInit, FreqMin, Period as the file holds them
};
QCMRow QCMRead();
void QCMLoad(const QCMRow& row);
void QCMLoad();
// gQCM's frequencies and period into the table's row.
void QCMSave();
// Graph settings gGraph(0..3) of a process (table Graphs). Only graph 1's X axis is
// stored; a load gives it to all four graphs.
void GraphLoad(int16_t nProcess);
void GraphSave(int16_t nProcess);
// Relay and input maps of a process (table IO), through the calls that the run control
// registers for its maps (Hooks::SetIOFunction, Hooks::GetIOFunction).
void IOLoad(int16_t nProcess);
void IOSave(int16_t nProcess);
// The maps as the run control holds them: the function codes of the digital inputs 0..11
// and of the relay outputs 0..11.
struct IOMaps {
    std::array<int16_t, 12> inputs{};
    std::array<int16_t, 12> outputs{};
};
// The run control registered the calls of its maps (without it, the data layer alone,
// there are none).
bool IOMapsHeld();
// The maps the run control holds now, and maps made the ones it holds; error 91 without
// its calls.
IOMaps HeldIOMaps();
void SetHeldIOMaps(const IOMaps& maps);

// ---- Rows kept to be put back ----

// Keeps a copy of the row of the given key in table Processes, Layers, IO or Graphs, as
// the file holds it (no row: kept as missing). PutRowBack makes the row what was kept,
// column for column (deleting a row kept as missing), and forgets the copy.
void KeepRow(const QString& table, int16_t key);
void PutRowBack(const QString& table, int16_t key);

// ---- The database file ----

// Makes the file at path the open database (after the version check and upgrade) and
// loads every process, layer record and film. DBFile names the file opened, which is
// "New.mdb" after a failed upgrade of a file of this program's form. On an error (an Access
// file that cannot be carried over among them) the open database and DBFile stay. The
// cells that cannot be read are told once, at the end.
// What a failed upgrade of a file of this program's form leads to: at a start the fallback
// database New.mdb is opened; a file chosen to be opened in place of the open database is
// refused instead, with nothing of the attempt left.
// The file is read in one view and nothing changes until all of it was read: another
// program keeping the file past the wait raises FileRefused (the caller tells it), with
// the open database and every record as they were. alsoRead, when given, reads more in
// the same view (the settings of the process the caller selects next). True when the file
// was opened and loaded; false after an error that was told. stillHolds: what the caller
// checked, taken again before each attempt (WaitForFile).
enum class FailedUpgrade { OpenNewMdb, Refuse };
bool DBLoad(const QString& path, FailedUpgrade onFailure = FailedUpgrade::OpenNewMdb,
            const std::function<void()>& alsoRead = {},
            const std::function<QString()>& stillHolds = {});
// Save As. The open file itself (a cancelled dialog): every record is written into it.
// Another file: an exact copy of the open database with every record written into it is
// built beside it and then takes its place in one step, and becomes the open database.
// Then DBFile names it. A failed or killed save leaves the chosen file as it was.
void DBSave(const QString& path);
// Deletes what a Save As, an upgrade or a file copy killed midway left beside its target
// (the file it was building and its journals, the whole-file writer's scratch copies, the
// upgrade's scratch copy and the reader's unfinished one), in the program folder and in
// the folder of the database at path, and the copies of Access files that killed programs
// left in the temporary folder.
void RemoveKilledSaves(const QString& path);
// What keeps the database file at path from being opened and worked with: a text naming
// the file, the cause (no read access, empty, not a recipe database,
// read-only, disk full, damaged, an Access file that cannot be read) and the remedy;
// empty when the file can be used. An Access (Jet) file is read whole to tell.
QString DatabaseProblem(const QString& path);
// Reads the Access (Jet) file at path into the upgrade's scratch copy (Work.mdb, an
// SQLite file) and returns the copy's name. The copy is kept: a later call for the same
// file, unchanged since, returns it without reading the file again. JetReadError when the
// file cannot be read whole; no copy is left then.
QString ReadAccessFile(const QString& path);
// Forgets the kept copy and removes it.
void DropAccessCopy();
// The record defaults before a load.
void DBInit();
// The first free layer record (Film_Number -1), or one past the last record (251) when
// none is free.
int16_t GetFreeLayer();

// ---- Version check and upgrade ----

// Checks the database's version against the program's and upgrades an older file in
// place (its backup kept beside it). An Access (Jet) file is always upgraded, whatever its
// version, and the operator is told once that it was carried over and where the Access file
// is kept. Returns the file to open: path, or "New.mdb" after a failed upgrade of a file of
// this program's form. An Access file that cannot be carried over raises the error, naming
// the file and the cause, with nothing of the attempt left: the caller keeps the database
// it had, and the file stays the one to try again. A newer file, or a template of another
// version, ends the program.
// With FailedUpgrade::Refuse a failed upgrade raises its error naming the file, and
// leaves neither New.mdb, a backup of its own nor the scratch copy. A file that cannot be
// opened or whose version cannot be read (another program holds it) is never upgraded:
// the error is raised and the file left as it is.
QString UpgradeDB(const QString& path, FailedUpgrade onFailure = FailedUpgrade::OpenNewMdb);
// The tables whose rows an upgrade carries over, in their order; Sensors keeps the
// template's rows.
const QStringList& CopiedTables();
// The migration of a version 2.00 file: each layer's output derived from its channel.
void Upgrade201(dao::Database& source, dao::Database& target);
// A user-defined property of a database file, read through a connection of its own;
// empty on any failure, a missing property included.
QString GetDBProperty(const QString& file, const QString& name);
// Readies the copy of an Access (Jet) file (source, an SQLite file of its own) for the
// upgrade's copy of the given tables into target: a column target lacks is dropped from
// the copy (the Access file, kept as the backup, still has it), and a Null takes target's
// default value for its column.
void FitJetRows(const dao::Database& source, const dao::Database& target, const QStringList& tables);

// ---- Shared by the table routines ----

// The error path of a database routine; call it inside the catch block. Shows each of
// the engine's errors ("Error number: " n CR description), then reports the error in
// flight through gErr. Inside a OneSave it rethrows the error instead, and so it does a
// lock's error inside an attempt (the attempt is tried again). A refusal of the wait is
// told in its one box.
void DBErrorPath();

// Rows written while a OneSave lives are one save, told once: a row routine that fails
// neither shows the engine's error nor reports it, but passes it on, so the first failure
// ends the save and whoever opened it tells it once (a full disk fails every row alike:
// hundreds of boxes otherwise).
class OneSave {
public:
    OneSave();
    ~OneSave();
    OneSave(const OneSave&) = delete;
    OneSave& operator=(const OneSave&) = delete;
    static bool Active();
};
// The failure of a save as told: its cause, and that nothing reached the file.
RuntimeError NotSaved(const RuntimeError& cause, const QString& file);
// Shows each of the engine's errors in its own box ("Error number: " n CR description).
void ShowEngineErrors();

// Copies a database file exactly (the target is replaced once the copy is whole); when
// the copy fails the target is as it was and the error says why (61 for a full disk), so
// nothing goes on over a partial copy.
void CopyDatabaseFile(const QString& from, const QString& to);
// Puts the finished file from in the place of to in one step (to is replaced), once its
// bytes are on the disk; RuntimeError 75 when that fails.
void ReplaceFile(const QString& from, const QString& to);

// The row that query ("SELECT * FROM <table> WHERE ...") finds in gDB; when there is
// none, one is first added with the given columns set (every other column takes the
// table's default) and read back.
dao::Recordset OpenRowAdding(const QString& query, const std::vector<std::pair<QString, QVariant>>& columns);
// The engine's error for a file whose lock another program holds.
inline constexpr int32_t kLockedError = 3260;

// ---- The one wait for a file another program holds ----

// Work with the recipe database refused for a lock: another program held the file for
// the whole wait, or another piece of work was waiting for it. Nothing of the work was
// done; the description names the file and what was not read or saved.
struct FileRefused : RuntimeError {
    explicit FileRefused(const QString& text);
};
// Whether a piece of work reads or writes the file.
enum class FileUse { Read, Write };
// Runs attempt (work with file: opening it, a transaction on it, the reads or writes),
// and while it fails for a lock another program holds, undoes nothing itself but tries it
// again after a slice of a wait that lets the program's events run (the unit's poll, the
// control tick, the remote port, the inputs), up to the bound; then FileRefused. The
// operator sees the wait on the splash or the status line. attempt must leave everything
// as it was when it fails (loads read into copies or put back what they changed). Boxes
// attempt asks for (OK only) are shown once it is over, not at all when it is tried
// again. Called while another piece of work waits: FileRefused at once, without a wait.
// Called inside an attempt: attempt is a part of that one and runs once, without a wait
// of its own; its lock failure tries the whole again.
// Events run while it waits: before every attempt the program's end (EndFileWait) and
// stillHolds (what the work checked before it began, taken again: empty while all holds,
// else what changed) are looked at, and the work is refused whole (FileRefused naming
// what changed) when they no longer let it go on.
void WaitForFile(const QString& file, FileUse use, const QString& what, const std::function<void()>& attempt,
                 const std::function<QString()>& stillHolds = {});
// work as one piece of work with the open database gDB: all of it in one transaction
// (Read: one consistent view, taking the writer's lock only for rows it adds), waited for
// as WaitForFile waits. Inside an attempt it is a part of that one.
void WithFile(FileUse use, const QString& what, const std::function<void()>& work,
              const std::function<QString()>& stillHolds = {});
// An attempt of WaitForFile is being run; a wait for the file is going on.
bool InFileAttempt();
bool FileWaitGoing();
// The program is ending: the wait going on now gives up at its next slice (its work
// refused, nothing of it done), so the exit's own saves get the file's whole wait.
void EndFileWait();
// How long a piece of work waits, in ms (a test's shorter wait); 0: the station's own.
void SetLockWaitMs(int ms);
// The refusal told to the operator: one box naming the file and what was not done.
void TellRefusal(const FileRefused& refusal);
// A routine's body run as its own piece of work with the file (WithFile), or as a part of
// the one being tried, with DBErrorPath as its error path. Whole: the body ran whole (and,
// as a piece of work of its own, was stored); Failed: the body's error was told, and
// what it read before it stands; Undone: nothing of it was done (refused for a lock, or
// its transaction could not be stored). A load that reads into a copy applies the copy
// after a Whole one (a partial one too where its fields read before an error count).
enum class RowWorkResult { Whole, Failed, Undone };
RowWorkResult RowWork(FileUse use, const QString& what, const std::function<void()>& body);
// What a load changes in the program, kept when it is made, to be put back when the load
// is undone (a lock ended it, to be tried again or refused): the records, the graph
// settings and relay/input maps of the active process, what is known of the cells not
// read, the open database and DBFile.
class LoadUndo {
public:
    LoadUndo();
    ~LoadUndo();
    LoadUndo(const LoadUndo&) = delete;
    LoadUndo& operator=(const LoadUndo&) = delete;
    void PutBack() const;

private:
    struct Kept;
    std::unique_ptr<Kept> kept_;
};

// The table of gDB has a row for every key from first to last; false as well when the
// table cannot be read. A load that would add rows adds them in one transaction then.
bool HasRows(const char* table, const char* key, int first, int last);

}  // namespace modDB
