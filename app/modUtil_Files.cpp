// File names for display and the recipe database dialog.
#include "app/modUtil.h"

#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/cFileDialog.h"
#include "app/modFileUtil.h"
#include "platform/FileDialogs.h"
#include "platform/ProgramFolder.h"

namespace modUtil {

using modFileUtil::SamePath;

QString ShowFileName(const QString& path) {
    ORUN_PROC("modUtil_ShowFileName");
    QString result;
    try {
        const QString folder = modFileUtil::GetPathPart(path);
        if (folder.isEmpty() || SamePath(folder, ProgramFolder() + QLatin1Char('\\')))
            result = modFileUtil::GetNamePart(path);
        else if (vb::Len(path) >= 31)
            result = vb::Left(path, 10) + QStringLiteral("...\\") + modFileUtil::GetNamePart(path);
        else
            result = path;
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

QString GetDBFile(bool save) {
    bool chosen = false;
    return GetDBFile(save, chosen);
}

QString GetDBFile(bool save, bool& chosen) {
    ORUN_PROC("modUtil_GetDBFile");
    QString result;
    chosen = false;
    try {
        const cApp& app = RunApp();
        cFileDialog dlg;
        dlg.DialogTitle = save ? QStringLiteral("Save Database As") : QStringLiteral("Open Database");
        dlg.DefaultExt = QStringLiteral("mdb");
        dlg.Filter = QStringLiteral("Setup files (*.MDB)|*.MDB");
        dlg.FilterIndex = 0;
        dlg.Flags = cdlOFNOverwritePrompt | cdlOFNHideReadOnly | cdlOFNNoChangeDir;  // 14
        dlg.MaxFileSize = 255;
        dlg.InitialDir = app.Path();
        dlg.FileName = DBFile;
        chosen = dlg.Show(!save);
        // A cancelled dialog leaves the preset name, which is then returned as it stands.
        const bool inProgramFolder =
            !dlg.FileTitle.isEmpty() && SamePath(app.Path() + dlg.FileTitle, dlg.FileName);
        result = inProgramFolder ? dlg.FileTitle : dlg.FileName;
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

}  // namespace modUtil
