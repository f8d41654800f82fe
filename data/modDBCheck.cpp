// Whether the recipe database can be worked with, told before it is opened: the start-up
// ends with one message naming the file, the cause and the remedy, instead of going on
// into errors of a database that is not there.
#include "app/SettingsGlobals.h"
#include "data/RecipeTemplate.h"
#include "data/modDB.h"
#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>
#include <optional>
#include <unistd.h>

namespace modDB {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Room the database needs beside it: a journal of every page a load or save changes (at
// most the file itself) and the rows a first start adds.
constexpr qint64 kRoomBeyondFile = 256 * 1024;

QString ChooseAnother() {
    return QStringLiteral("Restore it from a backup, or name another recipe database as Database in ") + SetupFile +
           '.';
}

QSet<QString> TablesOf(const dao::Database& db) {
    QSet<QString> tables;
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("SELECT lower(name) AS t FROM sqlite_master WHERE type = 'table'"));
    for (; !rs.Eof(); rs.MoveNext()) tables.insert(rs.Fields(QStringLiteral("t")).Value().toString());
    return tables;
}

// The tables every recipe database of any version holds.
bool HasRecipeTables(const dao::Database& db) {
    const QSet<QString> tables = TablesOf(db);
    return tables.contains(QStringLiteral("processes")) && tables.contains(QStringLiteral("layers")) &&
           tables.contains(QStringLiteral("films"));
}

bool PassesQuickCheck(const dao::Database& db) {
    dao::Recordset rs = db.OpenRecordset(QStringLiteral("PRAGMA quick_check"));
    return !rs.Eof() && rs.Fields(QStringLiteral("quick_check")).Value().toString() == QLatin1String("ok");
}

// The cause that keeps the program from writing the file or its folder, or nothing.
QString ReadOnlyCause(const QFileInfo& file) {
    const QFileInfo folder(file.absolutePath());
    // The engine keeps its journal beside the file: a folder that takes no new file
    // refuses every change.
    if (!folder.isWritable() || !(folder.permissions() & QFileDevice::WriteOwner))
        return QStringLiteral("its folder %1 is read-only").arg(QDir::toNativeSeparators(folder.absoluteFilePath()));
    // A read-only file is made writable on opening, which only its owner may do.
    if (!file.isWritable() && file.ownerId() != ::geteuid()) return QStringLiteral("it is read-only");
    return QString();
}

QString ReadOnlyProblem(const QString& name, const QString& cause) {
    return QStringLiteral("The database file %1 cannot be written: %2.").arg(name, cause) + kCrLf +
           QStringLiteral("Make it writable for the station's user and start the program again.");
}

QString DiskFullProblem(const QString& name, const QStorageInfo& disk) {
    return QStringLiteral("The disk holding the database file %1 is full (%2 KB free).")
               .arg(name)
               .arg(disk.bytesAvailable() / 1024) +
           kCrLf + QStringLiteral("Free some space on it and start the program again.");
}

// An Access (Jet) file is carried over in its place, its bytes kept beside it as the
// backup: the folder takes the new file, the disk the backup, the scratch copy and the
// new file, and the file must be read whole before anything is written.
QString AccessProblem(const QString& file, const QFileInfo& info, const QString& name) {
    if (const QString cause = ReadOnlyCause(info); !cause.isEmpty()) return ReadOnlyProblem(name, cause);
    const QStorageInfo disk(info.absolutePath());
    const qint64 needed = 2 * info.size() + QFileInfo(TemplatePath()).size() + kRoomBeyondFile;
    if (disk.isValid() && disk.bytesAvailable() < needed) return DiskFullProblem(name, disk);
    const QString unchanged = QStringLiteral("The file is left unchanged. ");
    try {
        // Read whole into the copy the upgrade then carries over. Its rows are carried over
        // table by table: each table the upgrade copies must be there.
        QSet<QString> tables;
        {
            const dao::Database db = dao::OpenDatabase(ReadAccessFile(file));
            tables = TablesOf(db);
        }
        for (const QString& table : CopiedTables()) {
            if (tables.contains(table.toLower())) continue;
            DropAccessCopy();
            return QStringLiteral("The file %1 is an Access (Jet) database, but not a recipe database: it has no table %2.")
                       .arg(name, table) +
                   kCrLf + unchanged + ChooseAnother();
        }
    } catch (const dao::JetReadError& e) {
        return QStringLiteral("The file %1 is an Access (Jet) database that cannot be read: %2.").arg(name, e.cause) +
               kCrLf + unchanged + ChooseAnother();
    } catch (const RuntimeError& e) {
        DropAccessCopy();
        return QStringLiteral("The file %1 is an Access (Jet) database that cannot be read: %2").arg(name, e.description) +
               kCrLf + unchanged + ChooseAnother();
    }
    return QString();
}

}  // namespace

QString DatabaseProblem(const QString& path) {
    const QString file = ResolvePath(path);
    const QFileInfo info(file);
    const QString name = QDir::toNativeSeparators(info.absoluteFilePath());
    switch (dao::HeaderOf(file)) {
    case dao::FileHeader::Unreadable:
        return QStringLiteral("The database file %1 cannot be read.").arg(name) + kCrLf +
               QStringLiteral("Give the station's user access to it. ") + ChooseAnother();
    case dao::FileHeader::Jet: return AccessProblem(file, info, name);
    case dao::FileHeader::Empty: return QStringLiteral("The database file %1 is empty.").arg(name) + kCrLf + ChooseAnother();
    case dao::FileHeader::Other:
        return QStringLiteral("The file %1 is not a recipe database.").arg(name) + kCrLf + ChooseAnother();
    case dao::FileHeader::SQLite: break;
    }

    if (const QString cause = ReadOnlyCause(info); !cause.isEmpty()) return ReadOnlyProblem(name, cause);
    const QStorageInfo disk(info.absolutePath());
    if (disk.isValid() && disk.bytesAvailable() < info.size() + kRoomBeyondFile) return DiskFullProblem(name, disk);

    try {
        // A file another program holds for a while (a backup, an SQL shell) is waited for.
        dao::Database db;
        std::optional<dao::Transaction> hold;
        WaitForFile(file, FileUse::Read, QStringLiteral("The recipes of ") + name, [&] {
            hold.reset();
            db = dao::OpenDatabase(file);
            hold.emplace(db, dao::Transaction::Read);
            // The readers' lock is taken by the first read.
            db.OpenRecordset(QStringLiteral("SELECT count(*) AS n FROM sqlite_master"));
        });
        if (!PassesQuickCheck(db)) return QStringLiteral("The database file %1 is damaged.").arg(name) + kCrLf + ChooseAnother();
        if (!HasRecipeTables(db))
            return QStringLiteral("The file %1 is not a recipe database.").arg(name) + kCrLf + ChooseAnother();
    } catch (const RuntimeError& e) {
        // The engine refuses a file whose pages are broken past its header.
        if (e.number == 3049 || e.number == 3343)
            return QStringLiteral("The database file %1 is damaged.").arg(name) + kCrLf + ChooseAnother();
        if (e.number == kLockedError) return e.description;  // names the file, the lock and the remedy
        return QStringLiteral("The database file %1 cannot be opened: %2").arg(name, e.description) + kCrLf +
               ChooseAnother();
    }
    return QString();
}

}  // namespace modDB
