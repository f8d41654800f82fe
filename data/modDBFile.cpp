// The recipe database file: opening and loading it, Save As, the record defaults and
// the search for a free layer record.
#include "app/SettingsGlobals.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modUtil.h"
#include "data/ChainWalk.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "data/UnreadCells.h"
#include "data/modDB.h"
#include "platform/FileAttributes.h"
#include "platform/ProgramFolder.h"
#include "platform/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <unistd.h>

namespace modDB {

namespace {

// Every record written through the open database; the graph settings and relay/input
// maps in memory belong to the active process and go to its rows only.
void SaveAllRecords() {
    const int16_t active = gApp ? gApp->ProcNum() : 0;
    for (int16_t n = gProcess.lower; n <= gProcess.upper; ++n) {
        ProcessSave(n);
        if (n == active) {
            IOSave(n);
            GraphSave(n);
        }
    }
    for (int16_t n = gLayer.lower; n <= gLayer.upper; ++n) LayerSave(n);
    for (int16_t n = gFilm.lower; n <= gFilm.upper; ++n) FilmSave(n);
}

bool SameFile(const QString& a, const QString& b) {
    const QString fa = QFileInfo(ResolvePath(a)).canonicalFilePath();
    return !fa.isEmpty() && fa == QFileInfo(ResolvePath(b)).canonicalFilePath();
}

// Every record written into the open database in one transaction: one write to the disk
// instead of one per row, and a program killed meanwhile leaves the file as it was before
// the save. The save is whole or not at all: the first row that fails ends it, nothing of
// it is stored, and its failure, naming file (the one the operator chose), is raised for
// the save to tell once.
void SaveAllRecordsAtOnce(const QString& file) {
    try {
        const OneSave once;
        WithFile(FileUse::Write, QStringLiteral("The recipes"), [] { SaveAllRecords(); });
    } catch (const FileRefused&) {
        throw;
    } catch (...) {
        throw NotSaved(cErrHandler::CurrentError(), file);
    }
}

// A database file and the journal that SQLite may have left beside it.
void RemoveWithJournal(const QString& file) {
    QFile::remove(file);
    QFile::remove(file + QStringLiteral("-journal"));
}

// A Save As builds its file under the target's name with this ending.
const QString kSaving = QStringLiteral(".saving");

// Readies the file that a Save As is about to replace. A journal left beside it by a
// writer that was killed is rolled back into it first: left there, it would be replayed
// into the new file once that file takes the old one's place. The returned transaction
// holds the file's write lock until the replacement is done, so it is never replaced
// while another program writes to it (that fails with the engine's "locked" error). A
// file that is no database of ours has no journal worth keeping.
void SettleTarget(const QString& target, std::optional<dao::Transaction>& lock) {
    const QFileInfo info(target);
    if (info.exists() && !(info.permissions() & QFileDevice::WriteOwner)) {
        throw RuntimeError(75, QStringLiteral("Path/File access error: %1 is read-only").arg(target));
    }
    if (info.exists()) {
        try {
            lock.emplace(dao::OpenDatabase(target));
            return;
        } catch (const RuntimeError& e) {
            if (e.number != 3343 && e.number != 3049) throw;  // unrecognised or damaged: replaced
        }
    }
    QFile::remove(target + QStringLiteral("-journal"));
}

}  // namespace

void CopyDatabaseFile(const QString& from, const QString& to) {
    if (const int e = WholeFile::Copy(ResolvePath(from), ResolvePath(to)))
        throw WholeFile::ErrorOf(e, QStringLiteral("cannot copy %1 to %2").arg(from, to));
}

void ReplaceFile(const QString& from, const QString& to) {
    const auto fail = [&] { throw RuntimeError(75, QStringLiteral("Path/File access error: cannot replace ") + to); };
    QFile file(from);
    if (!file.open(QIODevice::ReadWrite) || ::fsync(file.handle()) != 0) fail();
    file.close();
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(), error);
    if (error) fail();
    // The new name itself is on the disk once the folder is.
    const int folder = ::open(QFile::encodeName(QFileInfo(to).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

void RemoveKilledSaves(const QString& path) {
    QSet<QString> folders{ProgramFolder(), QFileInfo(ResolvePath(path)).absolutePath()};
    for (const QString& folder : folders) {
        const QDir dir(folder);
        // An upgrade's file and its journals (a super-journal "-mj..." too, from its copies
        // out of the scratch copy); the scratch copy of the old database, which an upgrade
        // may have written; the reader's copy of an Access file that was never finished.
        const QStringList patterns{QLatin1Char('*') + kSaving,
                                   QLatin1Char('*') + kSaving + QStringLiteral("-journal"),
                                   QStringLiteral("*.upgrade"),
                                   QStringLiteral("*.upgrade-journal"),
                                   QStringLiteral("*.upgrade-mj*"),
                                   QStringLiteral("Work.mdb"),
                                   QStringLiteral("Work.mdb-journal"),
                                   QStringLiteral("Work.mdb.reading")};
        for (const QString& name : dir.entryList(patterns, QDir::Files | QDir::Hidden)) QFile::remove(dir.filePath(name));
        // The copies of the database, its backups and of New.mdb and Work.mdb, cut short.
        WholeFile::RemoveScratchCopies(folder);
    }
    dao::RemoveKilledJetCopies();
}

void DBInit() {
    for (int n = gProcess.lower; n <= gProcess.upper; ++n) {
        ProcessRec& p = gProcess(n);
        p.Process_Name = QStringLiteral("Process ") + QString::number(n);
        p.First_Layer = -1;
        p.Number_Layers = 0;
        p.Number_Act_Layers = 0;
    }
    for (int n = gLayer.lower; n <= gLayer.upper; ++n) {
        LayerRec& l = gLayer(n);
        l.Next_Layer = -1;
        l.CoDep_Layer = -1;
        l.Film_Number = -1;
    }
    for (int n = gFilm.lower; n <= gFilm.upper; ++n) gFilm(n).Film_Name = QStringLiteral("Film ") + QString::number(n);
}

int16_t GetFreeLayer() {
    for (int16_t n = gLayer.lower; n <= gLayer.upper; ++n) {
        if (gLayer(n).Film_Number == -1) return n;
    }
    return gLayer.upper + 1;
}

bool DBLoad(const QString& path, FailedUpgrade onFailure, const std::function<void()>& alsoRead,
            const std::function<QString()>& stillHolds) {
    ORUN_PROC("modDB_DBLoad");
    // The cells of the whole file that cannot be read are told in one message.
    const TellUnreadOnce tell;
    try {
        SetAttr(path, vbNormal);  // also the error for a path without a file
        // Everything is read in one attempt, in one view of the file, and the open database
        // is replaced only when all of it was read: a file another program holds is waited
        // for (a version read half-way must not take a current file for one to upgrade, the
        // upgrade leaves a file it could not read as it was), and a file it keeps leaves the
        // open database and every record as they were. The rows a file lacks (some 300 in
        // the template of a first start) are added in the same transaction: one write to the
        // disk instead of one per row, and a program killed meanwhile leaves the file
        // without any of them, to be added at the next start.
        const LoadUndo undo;
        WaitForFile(path, FileUse::Read, QStringLiteral("The recipes of ") + QDir::toNativeSeparators(path), [&] {
            try {
                const QString file = UpgradeDB(path, onFailure);
                const dao::Database db = dao::OpenDatabase(file);
                dao::Transaction hold(db, dao::Transaction::Read);
                gDB = db;
                // Named only once it is open: DBFile always names the open database.
                DBFile = file;
                // What was not read of the file open before says nothing about this one. The
                // unit and quartz settings are read at a start only, and stay as they were read.
                ForgetUnreadCells({QStringLiteral("Processes"), QStringLiteral("Layers"), QStringLiteral("Films"),
                                   QStringLiteral("Graphs"), QStringLiteral("IO")});
                DBInit();
                for (int16_t n = gProcess.lower; n <= gProcess.upper; ++n) ProcessLoad(n);
                for (int16_t n = gLayer.lower; n <= gLayer.upper; ++n) LayerLoad(n);
                for (int16_t n = gFilm.lower; n <= gFilm.upper; ++n) FilmLoad(n);
                // The unit's settings are saved into any file opened (at exit, when the system
                // window closes): their rows are there as after a start's load.
                AddSettingsRows();
                if (alsoRead) alsoRead();
                hold.Commit();
            } catch (...) {
                undo.PutBack();
                throw;
            }
        }, stillHolds);
        // A chain the file holds damaged (a killed writer's, or one of a program that wrote
        // row by row) is named once here; such a process never runs.
        ReportDamagedChains();
        return true;
    } catch (const modUtil::CriticalExit&) {
        throw;  // the program ends
    } catch (const FileRefused&) {
        throw;  // told by the caller, which keeps what it had
    } catch (...) {
        gErr.HandleError();
    }
    return false;
}

void DBSave(const QString& path) {
    ORUN_PROC("modDB_DBSave");
    try {
        if (SameFile(path, gDB.Name())) {
            SaveAllRecordsAtOnce(path);
        } else {
            // Another file, new or to be replaced, becomes an exact copy of the open
            // database holding every record, and the open database from then on. It is
            // built beside the target and takes the target's place in one step once it is
            // complete, so a program killed meanwhile leaves the target as it was. An
            // Access file is never replaced. A lock on either file undoes the attempt, which
            // is tried again; a save that fails leaves open the database that DBFile names.
            const dao::Database previous = gDB;
            WaitForFile(path, FileUse::Write, QStringLiteral("The recipes"), [&] {
                QString building;
                try {
                    dao::RefuseJetFile(path);
                    const QString target = ResolvePath(path);
                    building = target + kSaving;
                    RemoveWithJournal(building);  // left by a save that was killed
                    {
                        // Copied in one view of the open file: nobody writes it meanwhile.
                        dao::Transaction reading(previous, dao::Transaction::Read);
                        previous.OpenRecordset(QStringLiteral("SELECT count(*) AS n FROM sqlite_master"));
                        CopyDatabaseFile(previous.Name(), building);
                        reading.Commit();
                    }
                    SetAttr(building, vbNormal);
                    gDB = dao::OpenDatabase(building);
                    SaveAllRecordsAtOnce(path);
                    gDB.Close();
                    {
                        std::optional<dao::Transaction> lock;
                        SettleTarget(target, lock);
                        ReplaceFile(building, target);
                    }
                    building.clear();
                    gDB = dao::OpenDatabase(path);
                } catch (...) {
                    gDB = previous;
                    if (!building.isEmpty()) RemoveWithJournal(building);
                    throw;
                }
            });
        }
        DBFile = path;
    } catch (const FileRefused& refusal) {
        TellRefusal(refusal);
    } catch (...) {
        gErr.HandleError();
    }
}

}  // namespace modDB
