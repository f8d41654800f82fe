// Fuzz target of the recipe database file: arbitrary bytes as ORUN.MDB, loaded as at
// start-up (version check, upgrade or fallback, every record). Whatever the bytes, the
// load ends without a crash; the error trace is balanced; the template is never written;
// every record stays addressable; a file that the load gave up on (upgrade failed, or the
// program ended on a newer version) is left byte-identical.
// The fallback New.mdb is kept unusable here, so a load that falls back to it ends
// there instead of loading it: each input costs only the work on its own bytes.
#include "app/SettingsGlobals.h"
#include "app/cErrHandler.h"
#include "app/modUtil.h"
#include "data/RecipeTemplate.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A program folder with the template, every box answered, the program's end observed.
struct Station {
    Station() {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "fuzz_dbload";
            static char* argv[] = {name, nullptr};
            app = std::make_unique<QCoreApplication>(argc, argv);
        }
        // Memory-backed when there is such a folder: every row written is a sync.
        const QString shm = QStringLiteral("/dev/shm");
        folder = std::make_unique<QTemporaryDir>(QFileInfo(shm).isWritable() ? shm + QStringLiteral("/orun-fuzz-XXXXXX")
                                                                               : QString());
        check(folder->isValid());
        SetProgramFolder(folder->path());
        SetDialogResponder([](const DialogRequest&) { return DialogAnswer{}; });
        modUtil::SetCriticalExitHook([](int) {});
        templateFile = folder->filePath(TemplateFileName());
        CreateUpgradeTemplate(templateFile);
        templateBytes = ReadFile(templateFile);
        QFile fallback(folder->filePath(QStringLiteral("New.mdb")));
        check(fallback.open(QIODevice::WriteOnly) && fallback.write("not a database") > 0);
    }
    // Removes what one load leaves behind.
    void Clean() const {
        QDir dir(folder->path());
        for (const QString& name : dir.entryList({QStringLiteral("ORUN*"), QStringLiteral("Work.mdb"),
                                                  QStringLiteral("ERRORS.TXT")},
                                                 QDir::Files)) {
            dir.remove(name);
        }
    }

    std::unique_ptr<QCoreApplication> app;
    std::unique_ptr<QTemporaryDir> folder;
    QString templateFile;
    QByteArray templateBytes;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Station station;
    station.Clean();
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    {
        QFile f(station.folder->filePath(QStringLiteral("ORUN.MDB")));
        check(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(input) == input.size());
    }
    DBFile = QString();
    modDB::gDB = dao::Database();

    try {
        modDB::DBLoad(QStringLiteral("ORUN.MDB"));
    } catch (const modUtil::CriticalExit&) {
        check(DBFile.isEmpty());
    }

    check(gErr.StackPointer() == 0);
    check(ReadFile(station.templateFile) == station.templateBytes);
    const QByteArray after = ReadFile(station.folder->filePath(QStringLiteral("ORUN.MDB")));
    if (DBFile.isEmpty()) {
        check(after == input);
    } else {
        check(DBFile == QLatin1String("ORUN.MDB") && modDB::gDB.IsOpen());
    }
    const int16_t free = modDB::GetFreeLayer();
    check(free >= 1 && free <= 251);
    modDB::gDB = dao::Database();
    return 0;
}
