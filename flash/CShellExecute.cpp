#include "flash/CShellExecute.h"

#include "app/modShellExecute.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace NorvikFlash {
namespace {

constexpr int32_t kStarted = 42;  // any instance result of 33 or more is a success

// A process counts as running until it has ended, even while nobody has reaped it yet.
bool processRunning(int64_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return false;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0 || close + 2 >= line.size()) return false;
    const char state = line.at(close + 2);
    return state != 'Z' && state != 'X';
}

}  // namespace

void CShellExecute::begin() {
    InstanceResult_ = 0;
    ProcessHandle_ = 0;
}

int32_t CShellExecute::finish(int32_t instanceResult) {
    InstanceResult_ = instanceResult;
    return instanceResult > 32 ? -1 : instanceResult;
}

int32_t CShellExecute::openUrl(const QString& url) {
    return finish(QDesktopServices::openUrl(QUrl(url)) ? kStarted : kNoAssociation);
}

bool CShellExecute::StillExecuting() const { return ProcessHandle_ != 0 && processRunning(ProcessHandle_); }

int32_t CShellExecute::Explore(intptr_t, const QString& folder, int32_t) {
    begin();
    if (!QFileInfo(folder).isDir()) return finish(kPathNotFound);
    return openUrl(QUrl::fromLocalFile(QFileInfo(folder).absoluteFilePath()).toString());
}

int32_t CShellExecute::LaunchFolder(intptr_t owner, const QString& folder, int32_t show) {
    return Explore(owner, folder, show);
}

int32_t CShellExecute::LaunchDocument(intptr_t owner, const QString& document, const QString& startIn,
                                      int32_t show) {
    begin();
    const int32_t result = modShellExecute::LaunchDocument(static_cast<int32_t>(owner), document, startIn, show);
    ProcessHandle_ = modShellExecute::LastProcessHandle();
    return finish(result == -1 ? kStarted : result);
}

int32_t CShellExecute::LaunchEmail(intptr_t, const QString& address, int32_t) {
    begin();
    return openUrl(QStringLiteral("mailto:") + address);
}

int32_t CShellExecute::LaunchProgram(intptr_t, const QString& program, const QString& parameters,
                                     const QString& startIn, int32_t) {
    begin();
    const QFileInfo info(program);
    if (program.isEmpty() || !info.isFile()) return finish(kFileNotFound);
    if (!startIn.isEmpty() && !QFileInfo(startIn).isDir()) return finish(kPathNotFound);
    qint64 pid = 0;
    if (!QProcess::startDetached(info.absoluteFilePath(), QProcess::splitCommand(parameters), startIn, &pid))
        return finish(kNoAssociation);
    ProcessHandle_ = pid;
    return finish(kStarted);
}

int32_t CShellExecute::LaunchURL(intptr_t, const QString& address, int32_t) {
    begin();
    return openUrl(QUrl::fromUserInput(address).toString());
}

int32_t CShellExecute::PrintDocument(intptr_t, const QString& document) {
    begin();
    if (!QFileInfo(document).isFile()) return finish(kFileNotFound);
    return finish(QProcess::startDetached(QStringLiteral("lp"), {QFileInfo(document).absoluteFilePath()})
                      ? kStarted
                      : kNoAssociation);
}

}  // namespace NorvikFlash
