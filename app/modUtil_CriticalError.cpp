#include "app/modUtil.h"

#include "platform/Dialogs.h"
#include "platform/LastStop.h"

#include <cstdio>
#include <cstdlib>

namespace modUtil {

namespace {

// The program ends without its shutdown: the unit it drives gets its last stop first.
void EndAtOnce(int exitCode) {
    LastStop::Run();
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

CriticalExitHook& exitHook() {
    static CriticalExitHook hook = &EndAtOnce;
    return hook;
}

}  // namespace

void SetCriticalExitHook(CriticalExitHook hook) { exitHook() = hook ? hook : &EndAtOnce; }

void CriticalError(const QString& reason) {
    MsgBox(QStringLiteral("Critical Error: ") + reason + QStringLiteral("\r\nApplication must close!"),
           vbCritical + vbOKOnly);
    EndProgram(1);
}

void EndProgram(int exitCode) {
    exitHook()(exitCode);
    throw CriticalExit{exitCode};
}

}  // namespace modUtil
