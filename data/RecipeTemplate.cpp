#include "data/RecipeTemplate.h"

#include "data/RecipeSchema.h"
#include "platform/AppInfo.h"
#include "platform/ProgramFolder.h"

#include <QFile>
#include <QFileInfo>

QString ProgramVersionText() {
    return QString::number(App().Major) + '.' + QString::number(App().Minor) + QString::number(App().Revision);
}

QString TemplateFileName() {
    return QString::number(App().Major) + QString::number(App().Minor) + QString::number(App().Revision) +
           QStringLiteral("_ORUN.MDB");
}

QString TemplatePath() {
    const QString shipped = ExecutableFolder() + '/' + TemplateFileName();
    return QFileInfo::exists(shipped) ? shipped : InProgramFolder(TemplateFileName());
}

void CreateUpgradeTemplate(const QString& path) {
    // Built beside the target and moved into place, so no half-made template remains.
    const QString scratch = path + QStringLiteral(".new");
    QFile::remove(scratch);
    {
        dao::Database db = CreateRecipeDatabase(scratch);
        db.SetUserDefinedProperty(QStringLiteral("ORUN_VER"), ProgramVersionText());
        db.Close();
    }
    QFile::remove(path);
    if (!QFile::rename(scratch, path)) {
        QFile::remove(scratch);
        throw RuntimeError(75, QStringLiteral("Path/File access error: ") + path);
    }
}
