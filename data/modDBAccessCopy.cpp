// The one reading of an Access (Jet) recipe database per start or File > Open: the check
// that tells whether the file can be carried over reads it into the upgrade's scratch
// copy, and the upgrade takes that copy instead of reading the file a second time, so a
// reader that fails the second time (killed for memory, out of time on a loaded machine)
// cannot turn a file that was found sound into a failed carry-over.
#include "data/modDB.h"
#include "platform/ProgramFolder.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <optional>

namespace modDB {

namespace {

const QString kCopy = QStringLiteral("Work.mdb");

// The Access file a copy was read from, as it was then.
struct Stamp {
    QString file;
    qint64 size = -1;
    QDateTime modified;
    bool operator==(const Stamp&) const = default;
};

Stamp StampOf(const QString& path) {
    const QFileInfo info(ResolvePath(path));
    return {info.absoluteFilePath(), info.size(), info.lastModified()};
}

std::optional<Stamp>& kept() {
    static std::optional<Stamp> stamp;
    return stamp;
}

}  // namespace

QString ReadAccessFile(const QString& path) {
    const Stamp now = StampOf(path);
    if (kept() && *kept() == now && QFileInfo::exists(ResolvePath(kCopy))) return kCopy;
    kept().reset();
    dao::ConvertJetFile(path, kCopy);
    kept() = now;
    return kCopy;
}

void DropAccessCopy() {
    kept().reset();
    QFile::remove(ResolvePath(kCopy));
    QFile::remove(ResolvePath(kCopy) + QStringLiteral("-journal"));
}

}  // namespace modDB
