#include "app/modShellExecute.h"

#include "app/RoutineError.h"
#include "platform/ProgramFolder.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QUrl>

namespace modShellExecute {
namespace {

int32_t gInstanceResult = 0;
int64_t gProcessHandle = 0;

constexpr int32_t kLaunched = 42;  // any value of 33 or more means success

QString expandEnvironment(const QString& text) {
    static const QRegularExpression var(QStringLiteral(
        R"(%([A-Za-z_][A-Za-z0-9_]*)%|\$\{([A-Za-z_][A-Za-z0-9_]*)\}|\$([A-Za-z_][A-Za-z0-9_]*))"));
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString out;
    qsizetype last = 0;
    auto it = var.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        QString name = m.captured(1);
        if (name.isEmpty()) name = m.captured(2);
        if (name.isEmpty()) name = m.captured(3);
        out += text.mid(last, m.capturedStart() - last);
        // A variable that is not set stays as written, as the shell's expansion leaves it.
        out += env.contains(name) ? env.value(name) : m.captured(0);
        last = m.capturedEnd();
    }
    return out + text.mid(last);
}

int32_t launch(const QString& FileName, const QString& Directory) {
    gProcessHandle = 0;
    const QString name = expandEnvironment(FileName).trimmed();
    const QString folder =
        Directory.trimmed().isEmpty() ? QString() : ResolvePath(expandEnvironment(Directory));
    // A relative name lies in the given folder; otherwise the program-folder rules hold.
    const QString native = QString(name).replace(u'\\', u'/');
    const bool relative = QDir::isRelativePath(native) && !native.contains(u':');
    const QString path = relative && !folder.isEmpty() ? folder + u'/' + native : ResolvePath(name);
    const QFileInfo info(path);
    if (name.isEmpty() || !info.exists()) return kFileNotFound;
    if (info.isFile() && info.isExecutable()) {
        qint64 pid = 0;
        const QString workDir = folder.isEmpty() ? info.absolutePath() : folder;
        if (!QProcess::startDetached(info.absoluteFilePath(), {}, workDir, &pid)) return kNoAssociation;
        gProcessHandle = pid;
        return kLaunched;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())) ? kLaunched
                                                                                   : kNoAssociation;
}

}  // namespace

int32_t LaunchDocument(int32_t, const QString& FileName, const QString& Directory, int32_t) {
    return ResultReportingErrors<int32_t>(QStringLiteral("LaunchDocument"), 0, [&] {
        gInstanceResult = launch(FileName, Directory);
        return gInstanceResult >= 33 ? -1 : gInstanceResult;
    });
}

int32_t LastInstanceResult() { return gInstanceResult; }
int64_t LastProcessHandle() { return gProcessHandle; }

bool RunningFromIDE() { return false; }

}  // namespace modShellExecute
