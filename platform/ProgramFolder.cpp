#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {
QString& overrideFolder() {
    static QString f;
    return f;
}
QString& overrideLibraryFolder() {
    static QString f;
    return f;
}
QString trimmed(QString f) {
    while (f.size() > 1 && f.endsWith('/')) f.chop(1);
    return f;
}
}  // namespace

QString ProgramFolder() {
    if (!overrideFolder().isEmpty()) return trimmed(overrideFolder());
    const QByteArray home = qgetenv("ORUN_HOME");
    if (!home.isEmpty()) return trimmed(QString::fromLocal8Bit(home));
    if (QCoreApplication::instance()) return trimmed(QCoreApplication::applicationDirPath());
    return trimmed(QDir::currentPath());
}

void SetProgramFolder(const QString& folder) { overrideFolder() = folder; }

QString ExecutableFolder() {
    if (QCoreApplication::instance()) return trimmed(QCoreApplication::applicationDirPath());
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}

QString LibraryFolder() {
    if (!overrideLibraryFolder().isEmpty()) return trimmed(overrideLibraryFolder());
    return QDir::cleanPath(ExecutableFolder() + QStringLiteral("/../lib"));
}

void SetLibraryFolder(const QString& folder) { overrideLibraryFolder() = folder; }

QString ResolvePath(const QString& path) {
    QString p = path.trimmed();
    if (p.isEmpty()) return p;
    p.replace('\\', '/');
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:/?"));
    const auto m = drive.match(p);
    const QString folder = ProgramFolder();
    if (m.hasMatch()) {
        const QString rest = p.mid(m.capturedLength());
        return rest.isEmpty() ? folder : folder + '/' + rest;
    }
    if (p.startsWith('/')) return p;
    if (p.startsWith(folder + '/')) return p;
    return folder + '/' + p;
}

QString InProgramFolder(const QString& name) { return ResolvePath(ProgramFolder() + '/' + QString(name).replace('\\', '/')); }
