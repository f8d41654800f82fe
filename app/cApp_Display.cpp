// What the application state shows in the main window: the graph windows with their menu
// check marks, and the status label.
#include "app/cApp.h"
#include "run/PhaseCode.h"

#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "run/frmMain.h"
#include "windows/frmGraph.h"

#include <QAction>
#include <QLabel>

namespace {

void SetStatus(const QString& text, const QColor& colour) {
    QLabel* label = gMainForm ? gMainForm->lblStatus : nullptr;
    if (!label) return;
    label->setText(text);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

}  // namespace

void cApp::setShowGraph(int16_t Index, bool State) {
    ORUN_PROC("cApp_ShowGraph");
    try {
        if (State && !GraphShown_(Index)) {
            auto* form = new frmGraph;
            gGraphForm(Index) = form;
            form->ShowGraph(Index);
            GraphShown_(Index) = true;
        } else if (!State && GraphShown_(Index)) {
            GraphShown_(Index) = false;
            if (frmGraph* form = gGraphForm(Index)) form->Unload();
            gGraphForm(Index) = nullptr;
        }
        if (gMainForm) gMainForm->mnuViewGraph(Index)->setChecked(State);
    } catch (...) {
        gErr.HandleError();
    }
}

void cApp::setStatusMsg(int16_t nMsgNum) {
    if (Phase_ == PhaseCode::Shutdown) return;
    StatusMsg_ = nMsgNum;
    const QString step = vb::CStr(static_cast<int>(ProcLayer_));
    switch (nMsgNum) {
    case 0: SetStatus(QString(), QColor(Qt::black)); break;
    case 2:
        // While simulating there is no unit to miss.
        if (Simulate == 0) SetStatus(QStringLiteral("COMM ERROR"), QColor(Qt::red));
        break;
    case 3: SetStatus(QStringLiteral("End Deposit Layer ") + step + QStringLiteral(" - Total"), QColor(Qt::black)); break;
    case 4: SetStatus(QStringLiteral("End Deposit Layer ") + step + QStringLiteral(" - Time"), QColor(Qt::black)); break;
    case 5: SetStatus(QStringLiteral("Stop Layer ") + step + QStringLiteral(" - User"), QColor(Qt::black)); break;
    default: break;  // 1 and any other number leave the label as it is
    }
}
