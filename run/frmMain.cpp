#include "run/frmMain.h"

#include <QCloseEvent>
#include <QShowEvent>

frmMain* gMainForm = nullptr;

frmMain::frmMain(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmMain"));
    CreateMenus();
    CreateTopPanel();
    CreateLeftPanel();
    CreateChannelPanel();
    CreateReadingGrids();
    CreateEndpoints();
    LayoutWindow();
}

frmMain::~frmMain() {
    if (gMainForm == this) gMainForm = nullptr;
}

void frmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!loaded_) Form_Load();
}

// The close box is the window system's request (mode 0); a close asked for by the program
// (File, Exit, the exit step, an incompatible unit) is mode 1.
void frmMain::closeEvent(QCloseEvent* event) {
    int cancel = 0;
    Form_QueryUnload(cancel, event->spontaneous() ? 0 : 1);
    if (cancel != 0) {
        event->ignore();
        return;
    }
    event->accept();
    Form_Unload();
}
