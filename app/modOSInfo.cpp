#include "app/modOSInfo.h"

#include "app/RoutineError.h"
#include "platform/ProgramFolder.h"

#include <QRegularExpression>
#include <QSysInfo>

namespace modOSInfo {
namespace {

// The n-th number (from 0) of the kernel version text, e.g. "6.1.0-18-amd64"; 0 when absent.
int32_t kernelVersionPart(int n) {
    static const QRegularExpression number(QStringLiteral("\\d+"));
    auto it = number.globalMatch(QSysInfo::kernelVersion());
    for (int i = 0; it.hasNext(); ++i) {
        const auto m = it.next();
        if (i == n) return m.captured(0).left(9).toInt();
    }
    return 0;
}

}  // namespace

QString ComputerName() {
    return ResultReportingErrors<QString>(QStringLiteral("ComputerName"), {},
                                          [] { return TrimNulls(QSysInfo::machineHostName()); });
}

int32_t OSBuild() { return kernelVersionPart(2) & 0x7FFF; }
int32_t OSMajorVersion() { return kernelVersionPart(0); }
int32_t OSMinorVersion() { return kernelVersionPart(1); }

QString SystemDirectory() {
    // The original looked for its card library in the Windows system folder; here the
    // program's shared libraries sit in its library folder, which plays that part.
    return ResultReportingErrors<QString>(QStringLiteral("SystemDirectory"), {},
                                          [] { return LibraryFolder() + QStringLiteral("/"); });
}

QString TrimNulls(const QString& Text) {
    const qsizetype nul = Text.indexOf(QChar(u'\0'));
    return nul < 0 ? Text : Text.left(nul);
}

}  // namespace modOSInfo
