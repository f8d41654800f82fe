#include "platform/SettingsStore.h"

#include <QDir>
#include <QSettings>
#include <memory>

namespace {
QString& location() {
    static QString l;
    return l;
}

std::unique_ptr<QSettings> open(const QString& appName) {
    if (location().isEmpty())
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                           QStringLiteral("ORUN"), appName);
    QDir().mkpath(location());
    return std::make_unique<QSettings>(location() + '/' + appName + ".conf", QSettings::IniFormat);
}

// Section names may hold characters that QSettings treats as group separators.
QString group(const QString& section) {
    QString s = section;
    s.replace('/', '_').replace('\\', '_');
    return s;
}
}  // namespace

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue) {
    auto s = open(appName);
    s->beginGroup(group(section));
    const QVariant v = s->value(key);
    return v.isValid() ? v.toString() : defaultValue;
}

void SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value) {
    auto s = open(appName);
    s->beginGroup(group(section));
    s->setValue(key, value);
    s->endGroup();
    s->sync();
}

void DeleteSetting(const QString& appName, const QString& section, const QString& key) {
    auto s = open(appName);
    s->beginGroup(group(section));
    if (key.isEmpty()) s->remove(QString());
    else s->remove(key);
    s->endGroup();
    s->sync();
}

namespace SettingsStore {
void SetLocation(const QString& folder) { location() = folder; }
}  // namespace SettingsStore
