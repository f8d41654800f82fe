#include "platform/SingleInstance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>
#include <memory>

bool TakeInstanceLock(const QString& appName) {
    static std::unique_ptr<QLockFile> held;
    if (held) return true;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    QDir().mkpath(folder);
    auto lock = std::make_unique<QLockFile>(folder + QLatin1Char('/') + appName + QStringLiteral(".lock"));
    lock->setStaleLockTime(0);  // only a dead owner's lock is stale
    if (!lock->tryLock(0)) return false;
    held = std::move(lock);
    return true;
}
