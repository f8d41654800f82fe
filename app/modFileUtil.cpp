#include "app/modFileUtil.h"

#include "app/RoutineError.h"
#include "app/VBConv.h"
#include "platform/ProgramFolder.h"
#include "platform/WholeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTimeZone>

namespace modFileUtil {
namespace {

// File times count 100 ns units from 1601-01-01 UTC; this many milliseconds lie between
// that day and 1970-01-01.
constexpr qint64 kMsFrom1601To1970 = 11644473600000LL;

RuntimeError openError(const QString& path, bool reading) {
    if (!QFileInfo(path).absoluteDir().exists()) return RuntimeError::PathNotFound();
    if (reading && !QFileInfo::exists(path)) return RuntimeError::FileNotFound();
    return {75, QStringLiteral("Path/File access error")};
}

bool hasWildcard(const QString& name) { return name.contains(u'*') || name.contains(u'?'); }

int lastSeparator(const QString& path) {
    return static_cast<int>(std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/')));
}

}  // namespace

QString GetExeFileName() { return QCoreApplication::applicationFilePath(); }

double GetFileDateTime(const QString& FileName, int32_t Which, bool ToLocal) {
    const QString path = ResolvePath(FileName);
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) return 0;
    probe.close();
    const QFileInfo info(path);
    QDateTime moment;
    switch (Which) {
    case 0:
        // Not every file system records a creation time; the last write stands in for it.
        moment = info.birthTime().isValid() ? info.birthTime() : info.lastModified();
        break;
    case 1: moment = info.lastRead(); break;
    case 2: moment = info.lastModified(); break;
    default: return 0;
    }
    if (!moment.isValid()) return 0;
    int64_t fileTime = (moment.toMSecsSinceEpoch() + kMsFrom1601To1970) * 10000;
    return WinTimeToVBATime(fileTime, ToLocal);
}

double SystemTimeToVBATime(const SystemTimeRec& time) {
    return ResultReportingErrors<double>(QStringLiteral("SystemTimeToVBATime"), 0, [&] {
        // Out-of-range months, days and times carry over as the original's date arithmetic did.
        const QDate day = QDate(time.Year, 1, 1).addMonths(time.Month - 1).addDays(time.Day - 1);
        if (!day.isValid()) throw RuntimeError::InvalidCall();
        const QDateTime moment = QDateTime(day, QTime(0, 0), QTimeZone::utc())
                                     .addSecs(time.Hour * 3600LL + time.Minute * 60LL + time.Second);
        return vb::DateSerialOf(moment);
    });
}

double WinTimeToVBATime(int64_t& FileTime, bool ToLocal) {
    if (FileTime < 0) return 0;
    QDateTime moment = QDateTime::fromMSecsSinceEpoch(FileTime / 10000 - kMsFrom1601To1970, QTimeZone::utc());
    if (!moment.isValid()) return 0;
    if (ToLocal) {
        const int offset = moment.toLocalTime().offsetFromUtc();
        int64_t local = 0;
        if (__builtin_add_overflow(FileTime, offset * 10000000LL, &local) || local < 0) return 0;
        FileTime = local;
        moment = moment.addSecs(offset);
    }
    SystemTimeRec t;
    t.Year = moment.date().year();
    t.Month = moment.date().month();
    t.DayOfWeek = moment.date().dayOfWeek() % 7;
    t.Day = moment.date().day();
    t.Hour = moment.time().hour();
    t.Minute = moment.time().minute();
    t.Second = moment.time().second();
    t.Milliseconds = moment.time().msec();
    return SystemTimeToVBATime(t);
}

bool AppendToTextFile(const QString& FileName, const QString& Text) {
    // A log that cannot take lines (a full disk, a folder gone) would otherwise put up a box
    // for every line it is given, every few seconds: a failure is told once, and again only
    // after the file has taken a line or fails for another cause.
    static QHash<QString, int> failing;  // resolved path -> number of the failure told
    const QString path = ResolvePath(FileName);
    // One byte per character, as every text file of the station has been written.
    const int e = WholeFile::Append(path, Text.toLatin1() + "\r\n");
    if (e == 0) {
        failing.remove(path);
        return true;
    }
    const RuntimeError error = WholeFile::ErrorOf(e, FileName);
    const auto told = failing.constFind(path);
    if (told != failing.constEnd() && *told == error.number) return false;
    failing.insert(path, error.number);
    ShowRoutineError(QStringLiteral("AppendToTextFile"), error.number, error.description);
    return false;
}

bool CopyFile(const QString& Source, const QString& Destination) {
    return ResultReportingErrors<bool>(QStringLiteral("CopyFile"), false, [&] {
        const QString from = ResolvePath(Source);
        const QString to = ResolvePath(Destination);
        if (!QFileInfo(from).isFile()) throw openError(from, true);
        // The copy is made beside the destination and takes its place once whole: a full
        // disk leaves the destination as it was.
        if (const int e = WholeFile::Copy(from, to)) throw WholeFile::ErrorOf(e, Destination);
        return true;
    });
}

bool DirExists(const QString& Path) {
    return ResultReportingErrors<bool>(QStringLiteral("DirExists"), false, [&] {
        const QString path = Path.trimmed().isEmpty() ? ProgramFolder() : ResolvePath(Path);
        return QFileInfo(path).isDir();
    });
}

bool FileExists(const QString& FileName) {
    if (FileName.trimmed().isEmpty()) return false;
    const QString path = ResolvePath(FileName);
    const QFileInfo info(path);
    if (!hasWildcard(info.fileName())) return info.isFile();
    const QDir dir = info.absoluteDir();
    return !dir.entryList({info.fileName()}, QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive)
                .isEmpty();
}

QString GetNamePart(const QString& Path) { return Path.mid(lastSeparator(Path) + 1); }

bool SamePath(const QString& a, const QString& b) {
    return QDir::cleanPath(ResolvePath(a)).compare(QDir::cleanPath(ResolvePath(b)), Qt::CaseInsensitive) == 0;
}

QString GetPathPart(const QString& Path) { return Path.left(lastSeparator(Path) + 1); }

bool KillFile(const QString& FileName) {
    if (!FileName.trimmed().isEmpty()) QFile::remove(ResolvePath(FileName));
    return true;
}

}  // namespace modFileUtil
