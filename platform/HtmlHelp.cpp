#include "platform/HtmlHelp.h"

#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {

HelpResponder& responder() {
    static HelpResponder r;
    return r;
}

}  // namespace

void HtmlHelp(const QString& file, int command, int context) {
    if (responder()) {
        responder()({file, command, context});
        return;
    }
    // The desktop's viewer has no way to jump to a context: it opens the file.
    const QString path = file.isEmpty() ? QString() : ResolvePath(file);
    if (!path.isEmpty() && QFileInfo(path).isFile() && QDesktopServices::openUrl(QUrl::fromLocalFile(path))) return;
    const QString name = QFileInfo(path).fileName();
    MsgBox(name.isEmpty() ? QStringLiteral("The help file is not installed.")
                          : QStringLiteral("The help file ") + name + QStringLiteral(" is not installed."),
           vbInformation);
}

void SetHelpResponder(HelpResponder r) { responder() = std::move(r); }
