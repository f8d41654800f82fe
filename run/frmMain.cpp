#include "run/frmMain.h"

#include "app/modFormUtil.h"

#include <QApplication>
#include <QCloseEvent>
#include <QShowEvent>

frmMain::frmMain(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmMain"));
    CreateMenus();
    CreateTopPanel();
    CreateLeftPanel();
    CreateChannelPanel();
    CreateReadingGrids();
    CreateEndpoints();
    LayoutWindow();
    ConnectRunButtons();
    ConnectPowerBoxes();
    BindAppEvents();
    // The key preview: the window sees the keys of its controls first.
    qApp->installEventFilter(this);
}

frmMain::~frmMain() = default;

void frmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!loaded_) Form_Load();
}

// A close asked for by the program (File, Exit, the exit step, an incompatible unit) goes
// through modFormUtil::Unload and is mode 1; the close box and the system's are mode 0.
void frmMain::closeEvent(QCloseEvent* event) {
    int cancel = 0;
    Form_QueryUnload(cancel, modFormUtil::UnloadMode(this));
    if (cancel != 0) {
        event->ignore();
        return;
    }
    event->accept();
    modFormUtil::MarkUnloaded(this);
    Form_Unload();
}
