// The version check of a recipe database and the upgrade of an older file: its rows are
// copied, table by table, into a copy of the upgrade template put in its place.
#include "app/cErrHandler.h"
#include "app/modFileUtil.h"
#include "app/modUtil.h"
#include "app/VBConv.h"
#include "data/RecipeTemplate.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"
#include "platform/FileAttributes.h"
#include "platform/ProgramFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <optional>

namespace modDB {

namespace {

const QString kVersionProperty = QStringLiteral("ORUN_VER");
// Scratch copy of the old file, and the fallback database: names in the program folder.
const QString kWorkFile = QStringLiteral("Work.mdb");
const QString kNewFile = QStringLiteral("New.mdb");
// The maker's support line, named in the messages that send the user to the maker.
const QString kSupportPhone = QStringLiteral("555-0100");

// The backup beside the database: its name without the last four characters (the
// extension), "_" and the stored version ("_200" when there is none), then those four.
QString BackupName(const QString& path, const QString& storedVersion) {
    if (path.size() < 4) throw RuntimeError::InvalidCall();
    const QString suffix = storedVersion.isEmpty() ? QStringLiteral("_200") : '_' + storedVersion;
    return path.left(path.size() - 4) + suffix + path.right(4);
}

// Whether two files hold the same bytes (false when either cannot be read).
bool SameBytes(const QString& a, const QString& b) {
    QFile fa(ResolvePath(a)), fb(ResolvePath(b));
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size()) return false;
    while (!fa.atEnd()) {
        if (fa.read(1 << 16) != fb.read(1 << 16)) return false;
    }
    return true;
}

// The backup of an Access file. Its bytes are the only copy of the file once the upgrade
// has put the converted file in its place, so a backup of that name holding other bytes
// (an Access file of the same name and version carried over before) is kept and this one
// takes the first free name with "_2", "_3"... before the extension.
QString JetBackupName(const QString& path, const QString& storedVersion) {
    const QString first = BackupName(path, storedVersion);
    QString name = first;
    for (int n = 2; modFileUtil::FileExists(name) && !SameBytes(name, path); ++n)
        name = first.left(first.size() - 4) + '_' + QString::number(n) + first.right(4);
    return name;
}

// A description as a sentence of its own.
QString Sentence(const QString& text) {
    const QString t = text.trimmed();
    return t.isEmpty() || t.endsWith(QLatin1Char('.')) ? t : t + QLatin1Char('.');
}

// The new output of a version 2.00 layer on the given channel; false: left unchanged.
bool OutputOfChannel(int16_t channel, int16_t& output) {
    switch (channel) {
    case 0:
    case 1:
    case 2: output = channel; return true;
    case 4:
    case 5:
    case 6: output = static_cast<int16_t>(channel - 1); return true;
    case 3:
    case 7: output = -1; return true;
    default: return false;
    }
}

// The error path's boxes: the engine's errors, when they are those of the error in
// flight (a failure of the files or conversions shows only the error report).
void ShowUpgradeErrors(const QString& version) {
    const std::vector<dao::Error> errors = dao::Errors();
    if (errors.empty() || errors.back().Number != cErrHandler::CurrentError().number) return;
    if (errors.front().Number == 3270) {
        MsgBox("Pre V2.00 database can't be upgraded to version " + version + "\r\nContact Arvento (" +
                   kSupportPhone + ").\r\n",
               vbCritical);
    } else {
        ShowEngineErrors();
    }
}

}  // namespace

const QStringList& CopiedTables() {
    static const QStringList tables{"Processes", "Layers", "Films", "Materials", "Graphs", "IO", "ORUN", "QCM"};
    return tables;
}

namespace {

// The user-defined property of a database file; nothing when the file has no such
// property. Any other failure raises its error.
std::optional<QString> FindDBProperty(const QString& file, const QString& name) {
    dao::Database db = dao::OpenDatabase(file);
    try {
        return db.UserDefinedProperty(name);
    } catch (const RuntimeError& e) {
        if (e.number == 3270) return std::nullopt;  // property not found
        throw;
    }
}

// The one message that tells the operator an Access file was carried over.
void TellCarriedOver(const QString& path, const QString& backup) {
    MsgBox("The recipe database " + path + " was an Access (Jet) database. Its recipes have been carried over "
               "into this program's own form; the Access file is kept unchanged as " + backup + ".",
           vbInformation);
}

}  // namespace

QString GetDBProperty(const QString& file, const QString& name) {
    try {
        return FindDBProperty(file, name).value_or(QString());
    } catch (...) {
        return QString();
    }
}

void Upgrade201(dao::Database& /*source*/, dao::Database& target) {
    ORUN_PROC("Upgrade201");
    dao::Recordset rs = target.OpenRecordset(QStringLiteral("SELECT * FROM Layers"));
    if (rs.RecordCount() == 0) return;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        rs.Edit();
        int16_t output = 0;
        if (OutputOfChannel(vb::CInt(rs.Fields(QStringLiteral("Channel")).Value()), output)) {
            rs.Fields(QStringLiteral("Output")) = output;
        }
        rs.Update();
    }
}

QString UpgradeDB(const QString& path, FailedUpgrade onFailure) {
    ORUN_PROC("UpgradeDB");
    const QString version = ProgramVersionText();
    const QString templateFile = TemplatePath();
    // An Access (Jet) file is read once, into the scratch file in this program's form (the
    // copy the check before made, when it read this file): that copy is the old database
    // whose version is read and whose rows are copied. Nothing can write the Access file,
    // so it is upgraded even at the program's own version.
    const bool jet = dao::HeaderOf(ResolvePath(path)) == dao::FileHeader::Jet;
    const QString oldFile = jet ? kWorkFile : path;
    // The upgraded file is made beside the user's and moves into its place only when it
    // is complete, in one step: a failure, or a program killed meanwhile, leaves the
    // user's file as it was.
    const QString upgraded = ResolvePath(path) + QStringLiteral(".upgrade");
    QString partialBackup;
    QString madeBackup;  // a backup this upgrade made
    bool readingVersion = false;
    try {
        if (jet) ReadAccessFile(path);
        dao::Database oldDb = dao::OpenDatabase(oldFile);
        readingVersion = true;
        // Only a file without the property is of version 2.00. Any other failure to read
        // it (a lock held past the busy time-out, a damaged property table) must not take
        // a current file for an old one and remap its outputs: it is reported and the file
        // is left alone.
        const QString stored = FindDBProperty(oldFile, kVersionProperty).value_or(QString());
        readingVersion = false;
        const QString dbVersion = vb::Val(stored) == 0 ? QStringLiteral("2.00") : stored;
        const float programVersion = vb::CSng(version);
        const float fileVersion = vb::CSng(dbVersion);
        if (programVersion == fileVersion && !jet) {
            oldDb.Close();
            return path;
        }
        if (programVersion < fileVersion) {
            oldDb.Close();
            if (jet) DropAccessCopy();
            modUtil::CriticalError("Database " + path + " is version " + dbVersion + "\r\nYour ORUN program is only version " +
                                   version + "\r\nContact Arvento (" + kSupportPhone + ") for upgrade information.");
        }

        SetAttr(templateFile, vbNormal);
        dao::Database templateDb = dao::OpenDatabase(templateFile);
        if (GetDBProperty(templateFile, kVersionProperty) != version) {
            templateDb.Close();
            SetAttr(templateFile, vbReadOnly);
            modUtil::CriticalError(" A file needed to upgrade your database to Ver. " + version + " is not available\r\n\r\n" +
                                   "Contact Arvento (" + kSupportPhone + ").\r\n");
        }

        // An older backup of the same name and version is kept as it is. A new one is
        // written under a name of its own and renamed once complete, so a program killed
        // meanwhile never leaves a partial backup that would be kept from then on.
        const QString backup = jet ? JetBackupName(path, stored) : BackupName(path, stored);
        if (!modFileUtil::FileExists(backup)) {
            partialBackup = ResolvePath(backup) + QStringLiteral(".part");
            CopyDatabaseFile(path, partialBackup);
            ReplaceFile(partialBackup, ResolvePath(backup));
            partialBackup.clear();
            madeBackup = ResolvePath(backup);
        }
        if (!jet) {
            DropAccessCopy();  // the scratch copy becomes this file's, no Access file's
            CopyDatabaseFile(path, kWorkFile);
        }
        oldDb.Close();
        dao::Database source = dao::OpenDatabase(kWorkFile);
        templateDb.Close();

        // A journal left by a killed upgrade belongs to no file now.
        QFile::remove(upgraded + QStringLiteral("-journal"));
        CopyDatabaseFile(templateFile, upgraded);
        SetAttr(upgraded, vbNormal);
        dao::Database target = dao::OpenDatabase(upgraded);
        if (jet) FitJetRows(source, target, CopiedTables());
        for (const QString& table : CopiedTables())
            target.Execute(QStringLiteral(" INSERT INTO %1 SELECT * FROM %1 IN '%2'").arg(table, kWorkFile));
        if (dbVersion == QLatin1String("2.00")) Upgrade201(source, target);

        source.Close();
        target.Close();
        ReplaceFile(upgraded, ResolvePath(path));
        if (jet) DropAccessCopy();
        else modFileUtil::KillFile(kWorkFile);
        if (jet) TellCarriedOver(path, backup);
        return path;
    } catch (const modUtil::CriticalExit&) {
        throw;  // the program ends
    } catch (...) {
        // A file that another program holds (its opening, its version or its rows could
        // not be read for a lock) has not failed to upgrade: like a version that cannot be
        // read, it is left as it is and no fallback is opened; the caller reports the error
        // and keeps the database it had open. A lock is told once, by the caller.
        const bool locked = cErrHandler::CurrentError().number == kLockedError;
        if (readingVersion || locked) {
            if (!locked) ShowEngineErrors();
            if (!madeBackup.isEmpty()) QFile::remove(madeBackup);
            if (!partialBackup.isEmpty()) QFile::remove(partialBackup);
            QFile::remove(upgraded);
            if (jet) DropAccessCopy();
            else if (locked) QFile::remove(ResolvePath(kWorkFile));
            throw;
        }
        QFile::remove(upgraded);
        if (!partialBackup.isEmpty()) QFile::remove(partialBackup);
        if (jet) {
            // The Access file stays the database to open: the caller keeps what it had open
            // (a start ends, and the next one tries the file again), instead of going on
            // with an empty database in its place. Nothing of the attempt is left.
            DropAccessCopy();
            if (!madeBackup.isEmpty()) QFile::remove(madeBackup);
            const RuntimeError cause = cErrHandler::CurrentError();
            throw RuntimeError(cause.number, QStringLiteral("The recipe database %1 is an Access (Jet) database that could "
                                                            "not be carried over: %2 The file is left unchanged.")
                                                 .arg(path, Sentence(cause.description)));
        }
        if (onFailure == FailedUpgrade::Refuse) {
            // The file chosen is refused as it is; the open database stays, and nothing of
            // the attempt is left.
            if (!madeBackup.isEmpty()) QFile::remove(madeBackup);
            QFile::remove(ResolvePath(kWorkFile));
            QFile::remove(ResolvePath(kWorkFile) + QStringLiteral("-journal"));
            const RuntimeError cause = cErrHandler::CurrentError();
            throw RuntimeError(cause.number, QStringLiteral("The recipe database %1 is of an older version and could "
                                                            "not be upgraded: %2 The file is left unchanged.")
                                                 .arg(path, Sentence(cause.description)));
        }
        ShowUpgradeErrors(version);
        if (!modFileUtil::FileExists(kNewFile)) {
            if (!QFileInfo(templateFile).isFile()) {
                throw RuntimeError(53, QStringLiteral("File not found: %1 (needed to make %2)").arg(templateFile, kNewFile));
            }
            // A copy that fails (a full disk) says so, and leaves no New.mdb behind.
            CopyDatabaseFile(templateFile, kNewFile);
            SetAttr(kNewFile, vbNormal);
        }
        gErr.HandleError();
    }
    return kNewFile;
}

}  // namespace modDB
