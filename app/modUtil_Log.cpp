// The data-log start and end lines and the file the lines go to.
#include "app/modUtil.h"

#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modFileUtil.h"
#include "data/ProcessRec.h"
#include "platform/Clock.h"

namespace modUtil {

namespace {

const QString kTab = QStringLiteral("\t");
const QString kCrLf = QStringLiteral("\r\n");

const ProcessRec& ActiveProcess() { return gProcess(RunApp().ProcNum()); }

// name TAB "Run:"n TAB date TAB time, as both the start and the end line carry them.
QString RunFields() {
    const ProcessRec& process = ActiveProcess();
    const QDateTime now = Now();
    return vb::Trim(process.Process_Name) + kTab + QStringLiteral("Run:") + vb::CStr(process.Run_Number) + kTab +
           vb::Format(now, QStringLiteral("Short Date")) + kTab + vb::Format(now, QStringLiteral("Long Time"));
}

}  // namespace

QString LogStartLine() { return QStringLiteral("Start Log") + kTab + RunFields() + kCrLf; }

QString LogEndLine() { return kCrLf + QStringLiteral("End Log  ") + kTab + RunFields() + kCrLf; }

QString LogFileOfRun(const QString& logFile, int runNumber) {
    const QString run = QStringLiteral("_") + QString::number(runNumber);
    const QString folder = modFileUtil::GetPathPart(logFile);
    const QString name = logFile.mid(folder.size());
    const int dot = vb::InStr(name, QStringLiteral("."));
    if (dot < 2) return logFile + run;
    return folder + vb::Left(name, dot - 1) + run + vb::Mid(name, dot);
}

void PrintToLog(const QString& Text) {
    ORUN_PROC("modUtil_PrintToLog");
    try {
        const QString file = LogType == 2 ? LogFileOfRun(LogFile, ActiveProcess().Run_Number) : LogFile;
        modFileUtil::AppendToTextFile(file, Text);
    } catch (...) {
        gErr.HandleError();
    }
}

}  // namespace modUtil
