#include "platform/FileAttributes.h"

#include "platform/ProgramFolder.h"
#include "platform/RuntimeError.h"

#include <QFile>
#include <QFileInfo>

void SetAttr(const QString& path, int attributes) {
    const QString file = ResolvePath(path);
    const QFileInfo info(file);
    if (file.isEmpty() || !info.exists() || info.isDir()) throw RuntimeError::FileNotFound();
    constexpr QFile::Permissions kWrite = QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther;
    QFile::Permissions p = QFile::permissions(file);
    p = (attributes & vbReadOnly) ? (p & ~kWrite) : (p | QFile::WriteOwner | QFile::WriteUser);
    if (!QFile::setPermissions(file, p)) throw RuntimeError(75, QStringLiteral("Path/File access error"));
}
