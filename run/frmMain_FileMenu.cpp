// The File menu: the active process, the recipe database opened or saved under another
// name, the data-log set-up, and a printout of the window with its page set-up.
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/cPageSetupDialog.h"
#include "app/modFormUtil.h"
#include "app/modPrintForm.h"
#include "app/modUtil.h"
#include "app/VBConv.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"
#include "platform/Events.h"
#include "platform/Printers.h"
#include "app/Globals.h"
#include "app/RunConditions.h"
#include "run/frmMain.h"
#include "windows/frmDataLog.h"

#include <QAction>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

// Page set-up flag that keeps the margins out of the dialog.
constexpr int32_t kDisableMargins = 16;

// A step of the printout whose failure must not stop the next one.
template <typename Step>
void Ignoring(Step&& step) {
    try {
        step();
    } catch (...) {
    }
}

// The printer the page set-up names, when it is still installed; else the printer stays
// the current one. Then the page set-up's copies, duplex, orientation, paper and quality.
void TakePageSetup(QPrinter& printer, const cPageSetupDialog& setup) {
    Ignoring([&] {
        if (DefaultPrinterName() == setup.DeviceName()) return;
        for (const QString& name : QPrinterInfo::availablePrinterNames()) {
            if (name != setup.DeviceName()) continue;
            printer.setPrinterName(name);
            break;
        }
    });
    Ignoring([&] {
        if (setup.Copies > 0) printer.setCopyCount(setup.Copies);
    });
    Ignoring([&] {
        if (setup.Duplex == 2) printer.setDuplex(QPrinter::DuplexLongSide);
        else if (setup.Duplex == 3) printer.setDuplex(QPrinter::DuplexShortSide);
        else if (setup.Duplex == 1) printer.setDuplex(QPrinter::DuplexNone);
    });
    Ignoring([&] {
        if (setup.Orientation == 1) printer.setPageOrientation(QPageLayout::Portrait);
        else if (setup.Orientation == 2) printer.setPageOrientation(QPageLayout::Landscape);
    });
    Ignoring([&] {
        const QPageSize paper = QPageSize(QPageSize::id(setup.PaperSize));
        if (setup.PaperSize > 0 && paper.isValid()) printer.setPageSize(paper);
    });
    Ignoring([&] {
        if (setup.PrintQuality > 0) printer.setResolution(setup.PrintQuality);
    });
}

}  // namespace

void frmMain::mnuFileProcess_Click(int16_t Index) {
    ORUN_PROC("frmMain_mnuFileProcess_Click");
    try {
        const int16_t chosen = vb::CInt(mnuFileProcess.at(static_cast<size_t>(Index))->data());
        cApp& app = RunApp();
        if (chosen == app.ProcNum()) return;
        app.setProcNum(chosen);
        if (app.ProcNum() != chosen) return;  // refused: the check mark stays where it was
        for (QAction* item : mnuFileProcess) {
            if (!item->isChecked()) continue;
            item->setChecked(false);
            break;
        }
        mnuFileProcess.at(static_cast<size_t>(Index))->setChecked(true);
    } catch (...) {
        gErr.HandleError();
    }
}

// A cancelled dialog loads nothing: reading the open file again would throw away the
// values edited since they were last written. A file that cannot be worked with (damaged,
// not a recipe database, an Access file that cannot be read whole, an older file whose
// upgrade fails, a file another program keeps locked) is refused with its cause, and
// everything stays as it was: the open database, the records and the active process with
// its maps. A file opened is read whole with the settings of process 1, which becomes the
// active process.
void frmMain::mnuFileOpen_Click() {
    ORUN_PROC("frmMain_mnuFileOpen_Click");
    try {
        bool chosen = false;
        const QString file = modUtil::GetDBFile(false, chosen);
        if (!chosen || file.isEmpty()) {
            BuildProcessMenu();
            RunApp().setProcNum(1);
            return;
        }
        if (const QString problem = modDB::DatabaseProblem(file); !problem.isEmpty()) {
            MsgBox(problem, vbExclamation);
            return;
        }
        // The file's wait lets the run move on: the open is refused whole when it did.
        const RunConditions checked;
        try {
            if (!modDB::DBLoad(
                    file, modDB::FailedUpgrade::Refuse,
                    [] {
                        modDB::IOLoad(1);
                        modDB::GraphLoad(1);
                    },
                    [&] { return checked.Changed(); }))
                return;
        } catch (const modDB::FileRefused& refusal) {
            modDB::TellRefusal(refusal);
            return;
        }
        BuildProcessMenu();
        RunApp().SelectProcess(1, true);
    } catch (const modUtil::CriticalExit&) {
        throw;  // the program ends
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::mnuFileSaveAS_Click() {
    ORUN_PROC("frmMain_mnuFileSaveAS_Click");
    try {
        const QString file = modUtil::GetDBFile(true);
        if (!file.isEmpty()) modDB::DBSave(file);
        BuildProcessMenu();
    } catch (const modUtil::CriticalExit&) {
        throw;  // the program ends
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::mnuFileLog_Click() {
    ORUN_PROC("frmMain_mnuFileLog_Click");
    try {
        // One set-up window: a second request shows the open one.
        QWidget* setup = modFormUtil::LoadedForm(QStringLiteral("frmDataLog"));
        if (!setup) setup = new frmDataLog;
        if (setup->isMinimized()) setup->showNormal();
        setup->show();
        setup->raise();
    } catch (...) {
        gErr.HandleError();
    }
}

// A printout that fails prints nothing and says nothing, as every step here.
void frmMain::mnuFilePrint_Click() {
    DoEvents();
    Ignoring([&] {
        modPrintForm::PrintForm(this, [](QPrinter& printer) {
            if (gPageSetup) TakePageSetup(printer, *gPageSetup);
        });
    });
}

void frmMain::mnuFilePageSetup_Click() {
    ORUN_PROC("frmMain_mnuFilePageSetup_Click");
    try {
        if (!gPageSetup) return;
        gPageSetup->Flags = kDisableMargins;
        gPageSetup->Show();
    } catch (...) {
        gErr.HandleError();
    }
}
