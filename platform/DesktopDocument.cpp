#include "platform/DesktopDocument.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

DocumentResponder& responder() {
    static DocumentResponder r;
    return r;
}

}  // namespace

// The desktop's opener tells by its exit code whether it found a program: it is run
// rather than started detached, so that answer is heard. Its process lives on its own
// until it ends; a viewer it keeps running in the foreground simply keeps it running.
void OpenDocument(const QString& path, std::function<void()> notShown) {
    const auto fail = [notShown] {
        if (notShown) notShown();
    };
    if (responder()) {
        if (!responder()(path)) fail();
        return;
    }
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) fail();
        return;
    }
    auto* process = new QProcess(QCoreApplication::instance());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process, [process, fail](int exitCode, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || exitCode != 0) fail();
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, fail](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        fail();
        process->deleteLater();
    });
    process->start(opener, {path});
}

void SetDocumentResponder(DocumentResponder r) { responder() = std::move(r); }
