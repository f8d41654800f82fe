// The graph window: its controls, showing and closing, and the menus.
#include "windows/frmGraph.h"

#include "app/SystemFlags.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modBitOps.h"
#include "app/modFormUtil.h"
#include "data/GraphRec.h"
#include "platform/AppInfo.h"
#include "platform/HtmlHelp.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "windows/StripChart.h"
#include "windows/frmGraphsSetup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QShortcut>
#include <QVBoxLayout>

BoundedArray<QPointer<frmGraph>, 0, 3> gGraphForm;

namespace {

const QString kPause = QStringLiteral("Pa&use");
const QString kRun = QStringLiteral(" R&un ");
constexpr int kHelpContext = 130;

}  // namespace

frmGraph::frmGraph(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmGraph"));
    setAttribute(Qt::WA_DeleteOnClose);

    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    auto addMenu = [&](QAction*& action, const char* name, const QString& caption, void (frmGraph::*handler)()) {
        action = menuBar->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
    };
    addMenu(mnuRunHold, "mnuRunHold", kPause, &frmGraph::mnuRunHold_Click);
    addMenu(mnuEdit, "mnuEdit", QStringLiteral("&Edit"), &frmGraph::mnuEdit_Click);
    addMenu(mnuPrint, "mnuPrint", QStringLiteral("&Print"), &frmGraph::mnuPrint_Click);
    addMenu(mnuHelp, "mnuHelp", QStringLiteral("&Help"), &frmGraph::mnuHelp_Click);
    addMenu(mnuClose, "mnuClose", QStringLiteral("&Close"), &frmGraph::mnuClose_Click);

    // The chart fills the window below its menu.
    moGraph = new StripChart(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setMenuBar(menuBar);
    layout->addWidget(moGraph);
    resize(640, 420);

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &frmGraph::mnuHelp_Click);
}

frmGraph::~frmGraph() = default;

QString frmGraph::Section() const { return QStringLiteral("frmGraph") + vb::CStr(static_cast<int>(miIndex)); }

void frmGraph::ShowGraph(int16_t Index) {
    ORUN_PROC("frmGraph_ShowGraph");
    try {
        if (!BoundedArray<GraphRec, 0, 3>::inRange(Index)) throw RuntimeError::SubscriptOutOfRange();
        miIndex = Index;
        modFormUtil::RestoreFormPosition(this, true, Section());
        SaveSetting(App().Title, Section(), QStringLiteral("Visible"), QStringLiteral("True"));
        GraphInit();
        setWindowTitle(gGraph(miIndex).Caption);
        show();
        if (gGraph(miIndex).OnTop == 1) {
            modFormUtil::FormOnTop(this, true);
        } else {
            raise();
            activateWindow();
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void frmGraph::Unload() { modFormUtil::Unload(this); }

void frmGraph::ApEvent_ShowGraphChange(int16_t Index, bool State) {
    if (State) {
        if (gGraphForm(Index)) return;
        auto* form = new frmGraph;
        gGraphForm(Index) = form;
        form->ShowGraph(Index);
    } else if (frmGraph* form = gGraphForm(Index)) {
        form->Unload();
        gGraphForm(Index) = nullptr;
    }
}

void frmGraph::ApEvent_GraphRestart() {
    for (int16_t i = 0; i <= 3; ++i)
        if (RunApp().ShowGraph(i) && gGraphForm(i)) gGraphForm(i)->GraphInit();
}

void frmGraph::closeEvent(QCloseEvent* event) {
    int cancel = 0;
    Form_QueryUnload(cancel, modFormUtil::UnloadMode(this));
    if (cancel != 0) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
    modFormUtil::MarkUnloaded(this);
}

// Closed from its close box the graph stays closed at the next start; the program's own
// closes (gApp, shutdown) leave its "Visible" setting as it was.
void frmGraph::Form_QueryUnload(int& /*Cancel*/, int UnloadMode) {
    ORUN_PROC("frmGraph_QueryUnload");
    try {
        if (UnloadMode != 0 || miIndex < 0) return;
        SaveSetting(App().Title, Section(), QStringLiteral("Visible"), QStringLiteral("False"));
        if (gApp) gApp->setShowGraph(miIndex, false);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmGraph::Form_Unload() {
    if (miIndex >= 0) modFormUtil::SaveFormPosition(this, Section());
}

void frmGraph::mnuRunHold_Click() {
    ORUN_PROC("frmGraph_mnuRunHold");
    try {
        StripChartModel& data = moGraph->Data();
        data.SetHold(!data.Hold());
        mnuRunHold->setText(data.Hold() ? kRun : kPause);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmGraph::mnuEdit_Click() {
    ORUN_PROC("frmGraph_mnuEdit_Click");
    try {
        if (modBitOps::BitTestInteger(SystemFlags, SystemFlag::GraphSetup)) return;
        GraphsSetup()->InitForm(miIndex);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmGraph::mnuPrint_Click() {
    ORUN_PROC("frmGraph_mnuPrint_Click");
    try {
        moGraph->PrintChart();
    } catch (...) {
        gErr.HandleError();
    }
}

void frmGraph::mnuHelp_Click() { HtmlHelp(App().HelpFile, HH_HELP_CONTEXT, kHelpContext); }

void frmGraph::mnuClose_Click() {
    ORUN_PROC("frmGraph_mnuClose_Click");
    try {
        SaveSetting(App().Title, Section(), QStringLiteral("Visible"), QStringLiteral("False"));
        QApplication::processEvents();
        if (gApp && gApp->ShowGraph(miIndex)) gApp->setShowGraph(miIndex, false);
        else Unload();
    } catch (...) {
        gErr.HandleError();
    }
}
