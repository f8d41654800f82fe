#pragma once
// The Open and Save As file dialogs: one seam. The program asks through ShowFileDialog
// with the settings the original's common dialog took; the real answer comes from a
// QFileDialog, a test installs a responder that records each request and answers it, so
// no test ever waits on a modal dialog. The colour and page set-up dialogs get seams of
// their own beside this one.
#include <QString>
#include <cstdint>
#include <functional>

// Option flags of the file dialogs, as the original passed them.
enum FileDialogFlags : int32_t {
    cdlOFNReadOnly = 0x1,
    cdlOFNOverwritePrompt = 0x2,   // Save As asks before replacing a file
    cdlOFNHideReadOnly = 0x4,
    cdlOFNNoChangeDir = 0x8,
    cdlOFNPathMustExist = 0x800,
    cdlOFNFileMustExist = 0x1000,  // Open accepts only an existing file
};

struct FileDialogRequest {
    bool openDialog = true;  // the Open dialog; false: Save As
    QString title;
    QString defaultExt;      // added to a name typed without an extension
    // Descriptions and patterns separated by "|": "Setup files (*.MDB)|*.MDB"; several
    // patterns of one type are separated by ";".
    QString filter;
    int filterIndex = 0;     // 1-based; 0 = the first
    int32_t flags = 0;
    QString initialDir;      // a path as written in settings
    QString fileName;        // the initial name
    QString fileTitle;
};

struct FileDialogAnswer {
    bool confirmed = false;
    QString fileName;   // the chosen file, full native path
    QString fileTitle;  // its name without the folder
};

using FileDialogResponder = std::function<FileDialogAnswer(const FileDialogRequest&)>;

// Runs the dialog. When the user confirmed a file, the request's fileName and fileTitle
// take the choice and the result is true; otherwise the request is left as it was.
bool ShowFileDialog(FileDialogRequest& request);

// Installs a responder in place of the real dialogs; an empty one restores them.
void SetFileDialogResponder(FileDialogResponder responder);

// The dialog filter in Qt's form: "Setup files (*.MDB)" for "Setup files (*.MDB)|*.MDB",
// "Logs (*.txt *.log)" for "Logs|*.txt;*.log"; types joined by ";;". A description
// without a pattern stands alone.
QString QtFileFilter(const QString& filter);
