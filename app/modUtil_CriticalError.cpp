#include "app/modUtil.h"

#include "platform/Dialogs.h"

#include <cstdio>
#include <cstdlib>

namespace modUtil {

namespace {

void EndAtOnce(int exitCode) {
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
    constexpr int kExitCode = 1;
    exitHook()(kExitCode);
    throw CriticalExit{kExitCode};
}

}  // namespace modUtil
