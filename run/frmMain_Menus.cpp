// The menu bar of the main window, the Open Process submenu and the window caption, and
// the View menu's graph entries.
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modFileUtil.h"
#include "app/modFormUtil.h"
#include "data/ProcessRec.h"
#include "run/RunObjects.h"
#include "run/frmMain.h"
#include "windows/frmGraph.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

QAction* Entry(QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

void Separator(QMenu* menu, const char* name) { menu->addSeparator()->setObjectName(QString::fromLatin1(name)); }

QMenu* Menu(QMenuBar* bar, const char* name, const char* caption) {
    QMenu* menu = bar->addMenu(QString::fromLatin1(caption));
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
}

}  // namespace

void frmMain::CreateMenus() {
    mnuBar = new QMenuBar(this);
    mnuBar->setObjectName(QStringLiteral("mnuBar"));

    mnuFile = Menu(mnuBar, "mnuFile", "&File");
    mnuFileProcessMain = mnuFile->addMenu(QStringLiteral("Open &Process"));
    mnuFileProcessMain->setObjectName(QStringLiteral("mnuFileProcessMain"));
    QAction* first = mnuFileProcessMain->addSeparator();
    first->setObjectName(QStringLiteral("mnuFileProcess(0)"));
    mnuFileProcess.push_back(first);
    ConnectProcessItem(0);
    Separator(mnuFile, "mnuFileSep0");
    mnuFileOpen = Entry(mnuFile, "mnuFileOpen", "&Open Database...");
    mnuFileSaveAs = Entry(mnuFile, "mnuFileSaveAs", "&Save Database As...");
    Separator(mnuFile, "mnuFileSep1");
    mnuFileLog = Entry(mnuFile, "mnuFileLog", "Data&Log Setup...");
    Separator(mnuFile, "mnuFileSep2");
    mnuFilePrint = Entry(mnuFile, "mnuFilePrint", "P&rint Screen");
    mnuFilePageSetup = Entry(mnuFile, "mnuFilePageSetup", "Page Set&up...");
    Separator(mnuFile, "mnuFileSep3");
    mnuFileExit = Entry(mnuFile, "mnuFileExit", "E&xit");

    mnuSetup = Menu(mnuBar, "mnuSetup", "&Edit");
    mnuSetupProcess = Entry(mnuSetup, "mnuSetupProcess", "&Processes...");
    mnuSetupFilm = Entry(mnuSetup, "mnuSetupFilm", "&Films...");
    Separator(mnuSetup, "mnuEditSep1");
    mnuSetupSystem = Entry(mnuSetup, "mnuSetupSystem", "&System...");

    mnuView = Menu(mnuBar, "mnuView", "&View");
    mnuViewProcess = Entry(mnuView, "mnuViewProcess", "&Process");
    mnuViewRatio = Entry(mnuView, "mnuViewRatio", "R&atio");
    mnuViewRaw = Entry(mnuView, "mnuViewRaw", "&Readings");
    for (QAction* view : {mnuViewProcess, mnuViewRatio, mnuViewRaw}) view->setCheckable(true);
    Separator(mnuView, "mnuViewSep1");
    for (int i = 0; i <= 3; ++i) {
        QAction* entry = mnuView->addAction(QStringLiteral("Graph &") + QString::number(i + 1));
        entry->setObjectName(QStringLiteral("mnuViewGraph(%1)").arg(i));
        entry->setCheckable(true);
        mnuViewGraph(i) = entry;
        connect(entry, &QAction::triggered, this, [this, i] { mnuViewGraph_Click(i); });
    }
    mnuShowGraphs = Entry(mnuView, "mnuShowGraphs", "&On Top");

    mnuHelp = Menu(mnuBar, "mnuHelp", "&Help");
    mnuHelpHelp = Entry(mnuHelp, "mnuHelpHelp", "&Help");
    mnuHelpAbout = Entry(mnuHelp, "mnuHelpAbout", "&About");

    connect(mnuFileOpen, &QAction::triggered, this, &frmMain::mnuFileOpen_Click);
    connect(mnuFileSaveAs, &QAction::triggered, this, &frmMain::mnuFileSaveAS_Click);
    connect(mnuFileLog, &QAction::triggered, this, &frmMain::mnuFileLog_Click);
    connect(mnuFilePrint, &QAction::triggered, this, &frmMain::mnuFilePrint_Click);
    connect(mnuFilePageSetup, &QAction::triggered, this, &frmMain::mnuFilePageSetup_Click);
    connect(mnuFileExit, &QAction::triggered, this, &frmMain::mnuFileExit_Click);
    connect(mnuSetupProcess, &QAction::triggered, this, &frmMain::mnuSetupProcess_Click);
    connect(mnuSetupFilm, &QAction::triggered, this, &frmMain::mnuSetupFilm_Click);
    connect(mnuSetupSystem, &QAction::triggered, this, &frmMain::mnuSetupSystem_Click);
    connect(mnuHelpHelp, &QAction::triggered, this, &frmMain::mnuHelpHelp_Click);
    connect(mnuHelpAbout, &QAction::triggered, this, &frmMain::mnuHelpAbout_Click);
    connect(mnuViewProcess, &QAction::triggered, this, &frmMain::mnuViewProcess_Click);
    connect(mnuViewRatio, &QAction::triggered, this, &frmMain::mnuViewRatio_Click);
    connect(mnuViewRaw, &QAction::triggered, this, &frmMain::mnuViewRaw_Click);
    connect(mnuShowGraphs, &QAction::triggered, this, &frmMain::mnuShowGraphs_Click);
}

// A checkable entry checks or clears itself as it is chosen; the handler decides the check
// marks, so it sees them as they were.
void frmMain::ConnectProcessItem(int16_t Index) {
    QAction* item = mnuFileProcess[static_cast<size_t>(Index)];
    connect(item, &QAction::triggered, this, [this, item, Index](bool checked) {
        if (item->isCheckable()) item->setChecked(!checked);
        mnuFileProcess_Click(Index);
    });
}

void frmMain::BuildProcessMenu() {
    ORUN_PROC("frmMain_BuildProcessMenu");
    try {
        while (mnuFileProcess.size() > 1) {
            delete mnuFileProcess.back();
            mnuFileProcess.pop_back();
        }
        size_t k = 0;
        for (int16_t p = 1; p <= 25; ++p) {
            const ProcessRec& process = gProcess(p);
            if (process.Number_Layers <= 0) continue;
            if (k > 0) {
                QAction* item = mnuFileProcessMain->addAction(QString());
                item->setObjectName(QStringLiteral("mnuFileProcess(%1)").arg(k));
                mnuFileProcess.push_back(item);
                ConnectProcessItem(static_cast<int16_t>(k));
            }
            QAction* item = mnuFileProcess[k];
            item->setSeparator(false);
            item->setData(vb::CStr(static_cast<int>(p)));
            item->setText(vb::Trim(process.Process_Name));
            item->setVisible(true);
            item->setCheckable(true);
            item->setChecked(p == RunApp().ProcNum());
            ++k;
        }
        setWindowTitle(QStringLiteral("ORUN - [") + modFileUtil::GetNamePart(DBFile) + QLatin1Char(']'));
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::mnuViewGraph_Click(int Index) {
    ORUN_PROC("frmMain_mnuViewGraph_Click");
    try {
        cApp& app = RunApp();
        app.setShowGraph(static_cast<int16_t>(Index), !app.ShowGraph(static_cast<int16_t>(Index)));
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::mnuShowGraphs_Click() {
    ORUN_PROC("frmMain_mnuShowGraphs_Click");
    try {
        for (int16_t i = 0; i <= 3; ++i) {
            if (!RunApp().ShowGraph(i)) continue;
            if (frmGraph* graph = gGraphForm(i)) graph->raise();
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::mnuFileExit_Click() { modFormUtil::Unload(this); }
