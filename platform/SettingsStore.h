#pragma once
// The per-user settings store under the application title, addressed by section and key,
// holding text values (the original's GetSetting/SaveSetting over the registry).
#include <QString>

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue = QString());
void SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value);
void DeleteSetting(const QString& appName, const QString& section, const QString& key = QString());

namespace SettingsStore {
// Keeps every value in the given folder instead of the user's configuration folder
// (tests use a temporary folder); an empty folder returns to the default location.
void SetLocation(const QString& folder);
}
