#include "flash/cFileDialog.h"

#include "platform/FileDialogs.h"

namespace NorvikFlash {
namespace {

// The name as the dialog leaves it in its buffer of `size` characters: followed by nulls
// (at least the two that end it).
QString inBuffer(const QString& name, int32_t size) {
    return name + QString(std::max<int32_t>(size - static_cast<int32_t>(name.size()), 2), QChar(0));
}

}  // namespace

QString TrimNulls(const QString& text) {
    const qsizetype pair = text.indexOf(QString(2, QChar(0)));
    if (pair < 0) return text;
    QString kept = text.left(pair);
    kept.replace(QChar(0), QLatin1Char(' '));
    return kept;
}

bool cFileDialog::Show(bool openDialog) {
    FileDialogRequest request;
    request.openDialog = openDialog;
    request.title = DialogTitle;
    request.defaultExt = DefaultExt;
    request.filter = Filter;
    request.filterIndex = FilterIndex;
    request.flags = Flags;
    request.initialDir = InitialDir;
    request.fileName = FileName;
    request.fileTitle = FileTitle;
    if (!ShowFileDialog(request)) return false;
    // A buffer holds MaxFileSize characters with the closing null.
    if (request.fileName.size() >= MaxFileSize || request.fileTitle.size() >= MaxFileSize) return false;
    FileName = TrimNulls(inBuffer(request.fileName, MaxFileSize));
    FileTitle = TrimNulls(inBuffer(request.fileTitle, MaxFileSize));
    return true;
}

}  // namespace NorvikFlash
