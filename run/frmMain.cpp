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
    ManualOutput_.fill(-1);
    RowOutput_.fill(-1);
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
    modFormUtil::HandleClose(
        this, event, [this](int& cancel, int mode) { Form_QueryUnload(cancel, mode); }, [this](int&) { Form_Unload(); });
}
