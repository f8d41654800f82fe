#include "app/cFileDialog.h"

#include "app/RoutineError.h"
#include "platform/FileDialogs.h"

namespace {

// Room for a name, its closing null included.
constexpr int kNameRoom = 260;

}  // namespace

bool cFileDialog::Show(bool OpenDialog) {
    return ResultReportingErrors(QStringLiteral("Show"), false, [&] {
        // The preset names must fit their room.
        if (FileName.size() > kNameRoom || FileTitle.size() > kNameRoom) throw RuntimeError::InvalidCall();
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
        if (request.fileName.size() >= kNameRoom || request.fileTitle.size() >= kNameRoom) return false;
        FileName = request.fileName;
        FileTitle = request.fileTitle;
        return true;
    });
}
