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
    if (!unloading_ && gApp && gApp->ShowGraph(Index_)) gApp->setShowGraph(Index_, false);
    event->accept();
}
