#include "app/cFileDialog.h"

#include "app/RoutineError.h"
#include "platform/FileDialogs.h"

#include <algorithm>

namespace {

// The main program's room for a name, its closing null included.
constexpr int32_t kNameRoom = 260;

// The name as the dialog leaves it in its buffer of `room` characters: followed by nulls
// (at least the two that end it).
QString InBuffer(const QString& name, int32_t room) {
    return name + QString(std::max<int32_t>(room - static_cast<int32_t>(name.size()), 2), QChar(0));
}

// The name read up to its first null.
QString UpToNull(const QString& name) { return name.left(name.indexOf(QChar(0))); }

}  // namespace

QString TrimNulls(const QString& text) {
    const qsizetype pair = text.indexOf(QString(2, QChar(0)));
    if (pair < 0) return text;
    QString kept = text.left(pair);
    kept.replace(QChar(0), QLatin1Char(' '));
    return kept;
}

bool cFileDialog::Show(bool OpenDialog) {
    return ResultReportingErrors(QStringLiteral("Show"), false, [&] {
        const int32_t room = SizedByMaxFileSize ? MaxFileSize : kNameRoom;
        // The preset names must fit their room.
        if (FileName.size() > room || FileTitle.size() > room) throw RuntimeError::InvalidCall();
        FileDialogRequest request;
        request.openDialog = OpenDialog;
        request.title = DialogTitle;
        request.defaultExt = DefaultExt;
        request.filter = Filter;
        request.filterIndex = FilterIndex;
        request.flags = Flags;
        request.initialDir = InitialDir;
        request.fileName = FileName;
        request.fileTitle = FileTitle;
        if (!ShowFileDialog(request)) return false;
        // A choice that does not fit the room fails as the dialog itself would.
        if (request.fileName.size() >= room || request.fileTitle.size() >= room) return false;
        if (SizedByMaxFileSize) {
            FileName = TrimNulls(InBuffer(request.fileName, room));
            FileTitle = TrimNulls(InBuffer(request.fileTitle, room));
        } else {
            FileName = UpToNull(request.fileName);
            FileTitle = UpToNull(request.fileTitle);
        }
        return true;
    });
}
