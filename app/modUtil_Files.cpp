// File names for display and the recipe database dialog.
#include "app/modUtil.h"

#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modFileUtil.h"
#include "platform/FileDialogs.h"
#include "platform/ProgramFolder.h"

#include <QDir>

namespace modUtil {

namespace {

// Two paths as written in settings name the same place (case ignored, as the original's
// file system did).
bool SamePath(const QString& a, const QString& b) {
    return QDir::cleanPath(ResolvePath(a)).compare(QDir::cleanPath(ResolvePath(b)), Qt::CaseInsensitive) == 0;
}

}  // namespace

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
    ORUN_PROC("modUtil_GetDBFile");
    QString result;
    try {
        const cApp& app = RunApp();
        FileDialogRequest dlg;
        dlg.openDialog = !save;
        dlg.title = save ? QStringLiteral("Save Database As") : QStringLiteral("Open Database");
        dlg.defaultExt = QStringLiteral("mdb");
        dlg.filter = QStringLiteral("Setup files (*.MDB)|*.MDB");
        dlg.filterIndex = 0;
        dlg.flags = cdlOFNOverwritePrompt | cdlOFNHideReadOnly | cdlOFNNoChangeDir;  // 14
        dlg.initialDir = app.Path();
        dlg.fileName = DBFile;
        ShowFileDialog(dlg);
        // A cancelled dialog leaves the preset name, which is then returned as it stands.
        const bool inProgramFolder =
            !dlg.fileTitle.isEmpty() && SamePath(app.Path() + dlg.fileTitle, dlg.fileName);
        result = inProgramFolder ? dlg.fileTitle : dlg.fileName;
    } catch (...) {
        gErr.HandleError();
    }
    return result;
}

}  // namespace modUtil
