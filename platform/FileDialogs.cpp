#include "platform/FileDialogs.h"

#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace {

FileDialogResponder& responder() {
    static FileDialogResponder r;
    return r;
}

FileDialogAnswer RunQtDialog(const FileDialogRequest& req) {
    FileDialogAnswer answer;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return answer;

    QFileDialog dlg(QApplication::activeWindow(), req.title);
    dlg.setAcceptMode(req.openDialog ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    if (req.openDialog)
        dlg.setFileMode((req.flags & cdlOFNFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    else
        dlg.setFileMode(QFileDialog::AnyFile);
    if (!(req.flags & cdlOFNOverwritePrompt)) dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!req.defaultExt.isEmpty()) dlg.setDefaultSuffix(req.defaultExt);

    const QStringList filters = QtFileFilter(req.filter).split(QStringLiteral(";;"), Qt::SkipEmptyParts);
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        const int index = req.filterIndex >= 1 ? req.filterIndex - 1 : 0;
        if (index < filters.size()) dlg.selectNameFilter(filters.at(index));
    }
    if (!req.initialDir.isEmpty()) dlg.setDirectory(ResolvePath(req.initialDir));
    if (!req.fileName.isEmpty()) dlg.selectFile(ResolvePath(req.fileName));

    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return answer;
    answer.confirmed = true;
    answer.fileName = QFileInfo(dlg.selectedFiles().first()).absoluteFilePath();
    answer.fileTitle = QFileInfo(answer.fileName).fileName();
    return answer;
}

}  // namespace

void SetFileDialogResponder(FileDialogResponder r) { responder() = std::move(r); }

bool ShowFileDialog(FileDialogRequest& request) {
    const FileDialogAnswer answer = responder() ? responder()(request) : RunQtDialog(request);
    if (!answer.confirmed) return false;
    request.fileName = answer.fileName;
    request.fileTitle = answer.fileTitle;
    return true;
}

QString QtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList types;
    for (int i = 0; i < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        if (i + 1 >= parts.size()) {
            if (!description.isEmpty()) types << description;
            break;
        }
        const QString patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        const QString suffix = QStringLiteral("(") + patterns + QStringLiteral(")");
        types << (description.endsWith(suffix) ? description : description + QLatin1Char(' ') + suffix);
    }
    return types.join(QStringLiteral(";;"));
}
