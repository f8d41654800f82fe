// Fuzz target of the reader of Access (Jet) files: its parsing called in this process
// (ConvertJetToSqlite, the whole of what the reader program does for the station), so that
// the fuzzer sees its coverage and a sanitizer its memory errors. An input is a patch of
// one of the sound Access files of tests/data/jet, so that damage reaches every page, not
// only the first:
//   byte 0       which file (modulo their number)
//   bytes 1..4   where the patch goes (little-endian, modulo the file's size + 1)
//   the rest     the bytes written there (past the end they make the file longer)
// An input shorter than five bytes leaves the first file unchanged. Whatever the patch, the
// reader neither crashes nor touches memory it does not own: it ends with a whole copy that
// SQLite finds sound, holding the database's properties, or with a cause in words; the
// patched file is never written. (That the station survives a reader that crashes or hangs
// all the same is tested on the reader program, in the data tests; that the station opens
// its copies, in the data tests of the carry-over.) Only the reader is linked, so that the
// fuzzer's time goes to it.
#include "JetConvert.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Files {
    Files() {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "fuzz_jet_read";
            static char* argv[] = {name, nullptr};
            app = std::make_unique<QCoreApplication>(argc, argv);
        }
        check(folder.isValid());
        // The library prints dumps of damaged pages on standard output.
        const int nowhere = open("/dev/null", O_WRONLY);
        if (nowhere >= 0) {
            dup2(nowhere, STDOUT_FILENO);
            close(nowhere);
        }
        for (const char* name : {"demo-jet4.mdb", "full-jet4.mdb", "v301-jet4.mdb", "v200-jet4.mdb", "demo-extra-jet4.mdb"}) {
            sound.push_back(ReadFile(QStringLiteral(ORUN_TEST_DATA_DIR "/jet/") + QLatin1String(name)));
            check(!sound.back().isEmpty());
        }
    }
    std::unique_ptr<QCoreApplication> app;
    QTemporaryDir folder;
    std::vector<QByteArray> sound;
};

// The copy as SQLite reads it: sound, with the table of the database's properties.
bool SoundCopy(const QString& path) {
    bool sound = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzz-copy"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery integrity(db);
            QSqlQuery properties(db);
            sound = integrity.exec(QStringLiteral("PRAGMA integrity_check")) && integrity.next() &&
                    integrity.value(0).toString() == QLatin1String("ok") &&
                    properties.exec(QStringLiteral("SELECT Name, Value FROM DatabaseProperties"));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fuzz-copy"));
    return sound;
}

QByteArray Patched(const std::vector<QByteArray>& sound, const uint8_t* data, size_t size) {
    if (size < 5) return sound[0];
    QByteArray file = sound[data[0] % sound.size()];
    uint32_t where = 0;
    std::memcpy(&where, data + 1, 4);
    const qsizetype at = static_cast<qsizetype>(where % static_cast<uint32_t>(file.size() + 1));
    const QByteArray patch(reinterpret_cast<const char*>(data + 5), static_cast<qsizetype>(size - 5));
    if (at + patch.size() > file.size()) file.resize(at + patch.size());
    file.replace(at, patch.size(), patch);
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Files files;
    const QString access = files.folder.filePath(QStringLiteral("Access.MDB"));
    const QString copy = files.folder.filePath(QStringLiteral("Copy.sqlite"));
    const QByteArray input = Patched(files.sound, data, size);
    QFile::remove(copy);
    {
        QFile f(access);
        check(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(input) == input.size());
    }
    try {
        ConvertJetToSqlite(access, copy);
        check(SoundCopy(copy));
    } catch (const JetError& e) {
        check(!e.cause.trimmed().isEmpty());
    }
    QFile::remove(copy);
    check(ReadFile(access) == input);
    return 0;
}
