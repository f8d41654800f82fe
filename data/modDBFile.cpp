// The recipe database file: opening and loading it, Save As, the record defaults and
// the search for a free layer record.
#include "app/SettingsGlobals.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modFileUtil.h"
#include "app/modUtil.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "data/modDB.h"
#include "platform/FileAttributes.h"
#include "platform/ProgramFolder.h"

#include <QFileInfo>

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

}  // namespace

void CopyDatabaseFile(const QString& from, const QString& to) {
    if (!modFileUtil::CopyFile(from, to)) {
        throw RuntimeError(75, QStringLiteral("Path/File access error: cannot copy %1 to %2").arg(from, to));
    }
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

void DBLoad(const QString& path) {
    ORUN_PROC("modDB_DBLoad");
    try {
        SetAttr(path, vbNormal);  // also the error for a path without a file
        const QString file = UpgradeDB(path);
        gDB = dao::OpenDatabase(file);
        // Named only once it is open: DBFile always names the open database.
        DBFile = file;
        DBInit();
        for (int16_t n = gProcess.lower; n <= gProcess.upper; ++n) ProcessLoad(n);
        for (int16_t n = gLayer.lower; n <= gLayer.upper; ++n) LayerLoad(n);
        for (int16_t n = gFilm.lower; n <= gFilm.upper; ++n) FilmLoad(n);
    } catch (const modUtil::CriticalExit&) {
        throw;  // the program ends
    } catch (...) {
        gErr.HandleError();
    }
}

void DBSave(const QString& path) {
    ORUN_PROC("modDB_DBSave");
    // A save that fails leaves open the database that DBFile still names.
    const dao::Database previous = gDB;
    try {
        if (!SameFile(path, gDB.Name())) {
            // Another file, new or to be replaced: it becomes an exact copy of the open
            // database and the open database from then on, so the records written below
            // and every later save land in it. An Access file is never replaced.
            dao::RefuseJetFile(path);
            CopyDatabaseFile(gDB.Name(), path);
            SetAttr(path, vbNormal);
            gDB = dao::OpenDatabase(path);
        }
        // All rows in one transaction: one write to the disk instead of one per row, and
        // a program killed meanwhile leaves the file as it was before the save. A row
        // that fails is reported by its routine and undone alone; the others are stored.
        dao::Transaction all(gDB);
        SaveAllRecords();
        all.Commit();
        DBFile = path;
    } catch (...) {
        gDB = previous;
        gErr.HandleError();
    }
}

}  // namespace modDB
