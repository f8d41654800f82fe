// The station program ORUN_411: the entry routine Main makes the program's objects and
// sets the run phase to STARTUP, which runs the start-up sequence; the event loop then
// runs until the main window closes.
//
// Unattended runs (end-to-end tests, the headless demo) set ORUN_AUTOMATION to a file:
// every message box, input box and common dialog is then answered without a window (Yes,
// OK or the first button; the default text; dialogs cancelled) and written to that file
// with each step of the start-up splash, one line each. With ORUN_SCREENSHOT set to a
// file, the main window is saved there as a picture when the program is asked to end.
#include "app/ExitRecord.h"
#include "app/Globals.h"
#include "app/cApp.h"
#include "app/cPageSetupDialog.h"
#include "app/cQueue.h"
#include "app/cRdgBuff.h"
#include "app/frmStartup.h"
#include "app/modUtil.h"
#include "app/PhaseCode.h"
#include "platform/AppInfo.h"
#include "platform/ColorDialogs.h"
#include "platform/Dialogs.h"
#include "platform/FileDialogs.h"
#include "platform/LastStop.h"
#include "platform/Printers.h"
#include "platform/SignalRoles.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationRequest.h"
#include "run/ProgramObjects.h"
#include "run/frmMain.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>

namespace {

QString& automationLog() {
    static QString file;
    return file;
}

void Note(const QString& line) {
    QFile file(automationLog());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return;
    QString text = line;
    text.replace(QLatin1String("\r\n"), QLatin1String("\\n"));
    file.write(text.toUtf8() + '\n');
}

DialogAnswer AnswerBox(const DialogRequest& req) {
    DialogAnswer answer;
    if (req.kind == DialogRequest::Input) {
        Note(QStringLiteral("input: ") + req.title + QStringLiteral(": ") + req.prompt);
        answer.text = req.defaultText;
        return answer;
    }
    Note(QStringLiteral("box: ") + req.title + QStringLiteral(": ") + req.prompt);
    switch (req.buttonSet()) {
    case vbYesNo:
    case vbYesNoCancel: answer.result = vbYes; break;
    case vbAbortRetryIgnore: answer.result = vbAbort; break;
    case vbRetryCancel: answer.result = vbRetry; break;
    default: answer.result = vbOK; break;
    }
    return answer;
}

void AnswerEverything(const QString& logFile) {
    automationLog() = logFile;
    SetDialogResponder(&AnswerBox);
    SetFileDialogResponder([](const FileDialogRequest& req) {
        Note(QStringLiteral("file dialog: ") + req.title + QStringLiteral(": ") + req.fileName);
        return FileDialogAnswer{};
    });
    SetColorDialogResponder([](const ColorDialogRequest&) { return ColorDialogAnswer{}; });
    SetPageSetupResponder([](QPrinter&) { return false; });
    frmStartup::SetProgressObserver([](const QString& text, int percent) {
        Note(QStringLiteral("splash: %1 %2").arg(percent).arg(text));
    });
}

// The system asks the program to end (a service manager, a shutdown, a UPS): nobody may be
// at the screen, so no box waits for an answer from here on, and the exit is confirmed
// without the question; the picture of the main window is saved first when one is asked
// for. Before the main window is there, the program ends at once (the unit's last stop
// goes first). A request during the exit changes nothing.
void EndRequested() {
    if (!gMainForm || !gMainForm->isVisible()) modUtil::EndProgram(1);
    static bool pictured = false;
    const QString screenshot = qEnvironmentVariable("ORUN_SCREENSHOT");
    if (!screenshot.isEmpty() && !pictured) gMainForm->grab().save(screenshot);
    pictured = true;
    gMainForm->EndForTheSystem();
}

// The entry routine: the global objects in order, the page set-up of the default printer,
// the refusal of a second instance, then the start-up.
bool Main() {
    // Every call that runs from a lower module up to a higher one, before anything is made.
    ProgramObjects::RegisterCalls();
    ProgramObjects::CreateApp();
    gRdgBuff.setSize(10);
    gQueue.setSize(256);
    static cPageSetupDialog pageSetup;
    gPageSetup = &pageSetup;
    gPageSetup->Flags = cdlPSDReturnDefault;
    if (PrinterCount() >= 1) gPageSetup->Show();
    if (!TakeInstanceLock(App().Title)) {
        MsgBox(QStringLiteral("Only one instance of this application at a time."), vbCritical + vbOKOnly, App().Title);
        return false;
    }
    RunApp().setPhase(PhaseCode::Startup);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Whatever ends the program from here (the display's connection breaking, a library's
    // exit(), a fatal message), the unit it drives is stopped first.
    LastStop::InstallForProgram();
    // A broken pipe, the file-size limit and the terminal's stop keys neither end nor
    // suspend a station that drives its unit.
    SignalRoles::KeepGoingThroughHarmlessSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName(App().Title);
    const QString automation = qEnvironmentVariable("ORUN_AUTOMATION");
    if (!automation.isEmpty()) AnswerEverything(automation);
    OnTerminationRequest(&EndRequested);

    int status = 0;
    const bool started = Main() && gMainForm;
    // Once more now that the start-up has made its globals: an exit() runs the handlers
    // registered last first, so the last stop comes before any of them is torn down.
    LastStop::InstallForProgram();
    if (started) status = app.exec();
    // An event loop that ended without the shutdown (the link still held) stops the unit.
    if (gORUN) LastStop::Run();
    // An exit that ended as it should still tells whether the unit took its stop and
    // whether everything was saved.
    if (status == 0) status = ExitRecord::Status();
    ProgramObjects::ReleaseAll();
    gPageSetup = nullptr;
    LastStop::EndingNormally();
    return status;
}
