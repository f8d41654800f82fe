#include "app/ExitRecord.h"

#include "app/cErrHandler.h"
#include "platform/ProgramFolder.h"

#include <cstdio>

namespace ExitRecord {

namespace {

int gStatus = Clean;

void ToStandardError(const QString& text) {
    const QByteArray line = QByteArrayLiteral("ORUN_411: ") + text.toLocal8Bit() + '\n';
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

}  // namespace

void NotSaved(const QString& text) {
    gStatus |= NotAllSaved;
    if (!gErr.Note(text))
        ToStandardError(text + QStringLiteral(" (The error report ") + ResolvePath(gErr.Destination()) +
                        QStringLiteral(" could not be written either.)"));
    else
        ToStandardError(text);
}

void StopUnconfirmed(const QString& text) {
    gStatus |= StopNotConfirmed;
    ToStandardError(text);
}

int Status() { return gStatus; }

void Clear() { gStatus = Clean; }

}  // namespace ExitRecord
