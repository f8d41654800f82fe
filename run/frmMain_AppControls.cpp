// The main window's status label, graph menu entries and run buttons: the controls that
// the application state sets. Where they sit in the window is the layout's business.
#include "run/frmMain.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>

void frmMain::CreateAppControls() {
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    for (int i = 0; i <= 3; ++i) {
        QAction* entry = new QAction(QStringLiteral("Graph &") + QString::number(i + 1), this);
        entry->setObjectName(QStringLiteral("mnuViewGraph(%1)").arg(i));
        entry->setCheckable(true);
        mnuViewGraph(i) = entry;
    }
    static const char* const kRunCaptions[] = {"&START", "&NEXT", "&RESET"};
    for (int i = 0; i <= 2; ++i) {
        QPushButton* button = new QPushButton(QString::fromLatin1(kRunCaptions[i]), this);
        button->setObjectName(QStringLiteral("cmdFunc(%1)").arg(i));
        cmdFunc(i) = button;
    }
}
