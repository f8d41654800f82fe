// Reading an Access (Jet) file: the reader program copies it into the SQLite form in a
// process of its own. The library it uses reads bytes from outside; on a damaged file it
// may crash, loop or exhaust memory, and all of that stays in that process: the station
// learns the cause and goes on, and the Access file is never opened for writing.
#include "platform/DaoEngine.h"

#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <signal.h>

namespace dao {

using namespace detail;

namespace {

// A recipe database is read in a few hundredths of a second. The reader ends itself after
// 5 s of work (its own limit); the time limit here catches a reader that waits on
// something instead, and a machine so loaded that the station could not use it anyway.
constexpr int kStartMs = 30000;
constexpr int kFinishMs = 60000;
// The reader says why it gave up in one short line, with this status.
constexpr qsizetype kMostSaid = 400;
constexpr int kCannotRead = 3;
// The folders of the copies in the temporary folder: this, the program's process id, "-"
// and six characters of its own.
const QString kCopyFolder = QStringLiteral("orun-jet-");
// A folder named as earlier builds named them (no process id) is taken for a killed
// program's after this long untouched.
constexpr qint64 kOrphanedAfterSecs = 3600;

struct Reader {
    QString program;  // empty: the one that ships
    int finishMs = kFinishMs;
    bool faultsExpected = false;  // a test's reader made to fail
};
Reader& reader() {
    static Reader r;
    return r;
}

[[noreturn]] void Fail(const QString& file, const QString& cause) {
    const JetReadError error(file, cause);
    ListError(error.number, error.description);
    throw error;
}

// The cause the reader wrote on its output: its first line, as text fit to show.
QString SaidCause(QProcess& reader) {
    QString said = QString::fromUtf8(reader.read(kMostSaid)).section(QLatin1Char('\n'), 0, 0).trimmed();
    said.remove(QRegularExpression(QStringLiteral("[\\x00-\\x1f\\x7f]")));
    return said;
}

// Where ORUN_JETREAD_FAULTS_FATAL is set (the test runs), a fault of the reader that
// ships (or of a test's reader whose faults are not expected) ends this program at once, with the reader's report on its standard error above:
// a crash, a sanitizer's report (its status 1) or any status the reader does not give
// itself is a fault to mend, never a file that "cannot be read". Its own limits (the
// signals of its time and file-size limits) are no fault.
void CheckReaderFault(const QProcess& process) {
    if (reader().faultsExpected || qEnvironmentVariableIsEmpty("ORUN_JETREAD_FAULTS_FATAL")) return;
    const int code = process.exitCode();
    if (process.exitStatus() == QProcess::CrashExit) {
        if (code == SIGXCPU || code == SIGXFSZ || code == SIGKILL) return;
        std::fprintf(stderr, "orun_jetread ended by signal %d: a fault of the reader\n", code);
    } else {
        if (code == 0 || code == kCannotRead) return;
        std::fprintf(stderr, "orun_jetread ended with status %d: a fault of the reader\n", code);
    }
    std::fflush(stderr);
    std::abort();
}

}  // namespace

JetReadError::JetReadError(const QString& file, const QString& why)
    : RuntimeError(kCannotOpen, QStringLiteral("The Access (Jet) database '%1' cannot be read: %2.").arg(file, why)),
      cause(why) {}

QString JetReaderProgram() {
    if (!reader().program.isEmpty()) return reader().program;
    const QString beside = ExecutableFolder() + QStringLiteral("/orun_jetread");
    if (QFileInfo(beside).isExecutable()) return beside;
    const QString built = QDir::cleanPath(ExecutableFolder() + QStringLiteral("/../bin/orun_jetread"));
    return QFileInfo(built).isExecutable() ? built : beside;
}

void ConvertJetFile(const QString& jetFile, const QString& target) {
    ClearErrors();
    const QString file = ResolvePath(jetFile);
    const QString to = ResolvePath(target);
    // The reader writes a file of its own, which becomes the target only once whole.
    const QString reading = to + QStringLiteral(".reading");
    QFile::remove(reading);
    const auto failWith = [&](const QString& cause) {
        QFile::remove(reading);
        Fail(file, cause);
    };

    QProcess process;
    process.setProgram(JetReaderProgram());
    process.setArguments({file, reading});
    process.setStandardInputFile(QProcess::nullDevice());
    // What the reader writes on its standard error (the library's own chatter, a
    // sanitizer's report) goes where the station's own goes: the log of a test run.
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(kStartMs))
        failWith(QStringLiteral("its reader %1 cannot be started (%2)").arg(process.program(), process.errorString()));
    const int finishMs = reader().finishMs;
    if (!process.waitForFinished(finishMs)) {
        process.kill();
        process.waitForFinished(-1);
        failWith(QStringLiteral("its reader did not finish within %1 s").arg(finishMs / 1000.0));
    }
    CheckReaderFault(process);
    if (process.exitStatus() == QProcess::CrashExit)
        failWith(QStringLiteral("its reader crashed on it or reached its limit of work"));
    if (process.exitCode() == kCannotRead) {
        const QString said = SaidCause(process);
        failWith(said.isEmpty() ? QStringLiteral("its reader gave up on it") : said);
    }
    if (process.exitCode() != 0)
        failWith(QStringLiteral("its reader gave up on it with status %1").arg(process.exitCode()));
    // A journal left beside the old copy would be played into the new one.
    QFile::remove(to);
    QFile::remove(to + QStringLiteral("-journal"));
    if (!QFile::rename(reading, to)) failWith(QStringLiteral("its copy cannot be put in place as %1").arg(to));
}

void RemoveKilledJetCopies() {
    const QDir temp = QDir::temp();
    for (const QString& name : temp.entryList({kCopyFolder + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden)) {
        const QString rest = name.mid(kCopyFolder.size());
        bool isNumber = false;
        const qint64 pid = rest.section(QLatin1Char('-'), 0, 0).toLongLong(&isNumber);
        if (!rest.contains(QLatin1Char('-'))) {
            // Named without its program, as earlier builds named it: a copy in use is
            // written within the reader's time limit, so one left alone this long is left
            // by a program that was killed.
            if (rest.size() != 6 ||
                QFileInfo(temp.filePath(name)).lastModified().secsTo(QDateTime::currentDateTime()) < kOrphanedAfterSecs)
                continue;
        } else if (!isNumber || pid <= 0 || pid == QCoreApplication::applicationPid() ||
                   ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) {
            // A program still running (one of another user's included) keeps its copy.
            continue;
        }
        QDir(temp.filePath(name)).removeRecursively();
    }
}

void SetJetReader(const QString& program, int timeLimitMs, bool faultsExpected) {
    reader().program = program;
    reader().finishMs = program.isEmpty() ? kFinishMs : timeLimitMs;
    reader().faultsExpected = !program.isEmpty() && faultsExpected;
}

namespace detail {

JetCopy::JetCopy(const QString& jetFile) {
    // Named with this process: a start removes the folders whose program is gone.
    QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("%1%2-XXXXXX").arg(kCopyFolder).arg(QCoreApplication::applicationPid())));
    if (!folder.isValid()) Fail(jetFile, QStringLiteral("no folder for its copy can be made: %1").arg(folder.errorString()));
    folder.setAutoRemove(false);
    folder_ = folder.path();
    path_ = folder.filePath(QStringLiteral("copy.sqlite"));
    try {
        ConvertJetFile(jetFile, path_);
    } catch (...) {
        QDir(folder_).removeRecursively();
        throw;
    }
}

JetCopy::~JetCopy() { QDir(folder_).removeRecursively(); }

}  // namespace detail

}  // namespace dao
