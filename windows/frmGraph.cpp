#include "windows/frmGraph.h"

#include "app/cApp.h"

#include <QCloseEvent>

BoundedArray<QPointer<frmGraph>, 0, 3> gGraphForm;

frmGraph::frmGraph(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmGraph"));
    setAttribute(Qt::WA_DeleteOnClose);
}

void frmGraph::ShowGraph(int16_t Index) {
    Index_ = Index;
    GraphInit();
    show();
}

// The chart itself (series, points, titles, time axis) is not built yet.
void frmGraph::GraphInit() {}

void frmGraph::Unload() {
    unloading_ = true;
    close();
}

void frmGraph::closeEvent(QCloseEvent* event) {
    if (!unloading_ && gApp && gApp->ShowGraph(Index_)) gApp->setShowGraph(Index_, false);
    event->accept();
}
