#include "flash/FlashGlobals.h"

#include "platform/AppInfo.h"
#include "platform/ProgramFolder.h"
#include "platform/SettingsStore.h"

namespace NorvikFlash {

int32_t ColorNum = 0;
int32_t RGBColor = 0xFFFFFF;
int32_t Location = 32000;

namespace {
const QString kSection = QStringLiteral("frmMain");
}

QString GetFlashSetting(const QString& key, const QString& defaultValue) {
    return GetSetting(App().Title, kSection, key, defaultValue);
}

void SaveFlashSetting(const QString& key, const QString& value) { SaveSetting(App().Title, kSection, key, value); }

void SetProgramInfo() {
    AppInfoData& app = App();
    app.Title = QStringLiteral("NorvikFlash");
    app.ProductName = QStringLiteral("NorvikFlash");
    app.Major = 1;
    app.Minor = 0;
    app.Revision = 0;
}

QString NorvikSNPath() { return ProgramFolder() + QStringLiteral("/NorvikSN"); }

}  // namespace NorvikFlash
