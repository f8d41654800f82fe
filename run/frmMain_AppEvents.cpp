// The main window's part of the application state's setters: the graph menu's captions
// and check marks, the status label, and the START press that a manual ramp asks for.
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "data/GraphRec.h"
#include "run/frmMain.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>

void frmMain::BindAppEvents() {
    if (!gApp) return;
    connect(gApp, &cApp::GraphSettingsChange, this, &frmMain::ApEvent_GraphSettingsChange);
    connect(gApp, &cApp::ShowGraphChange, this, &frmMain::ApEvent_ShowGraphChange);
    connect(gApp, &cApp::StatusMsgChange, this, &frmMain::ApEvent_StatusMsgChange);
    connect(gApp, &cApp::RunStartRequest, this, &frmMain::ApEvent_RunStartRequest);
}

// "&1. " and the graph's trimmed caption; the "&" makes the digit the access key.
void frmMain::ApEvent_GraphSettingsChange(int16_t) {
    for (int16_t i = 0; i <= 3; ++i)
        mnuViewGraph(i)->setText(QLatin1Char('&') + vb::CStr(i + 1) + QStringLiteral(". ") + vb::Trim(gGraph(i).Caption));
}

void frmMain::ApEvent_ShowGraphChange(int16_t Index, bool State) { mnuViewGraph(Index)->setChecked(State); }

void frmMain::ApEvent_StatusMsgChange(int16_t nMsgNum) {
    const auto show = [this](const QString& text, const QColor& colour) {
        lblStatus->setText(text);
        QPalette palette = lblStatus->palette();
        palette.setColor(QPalette::WindowText, colour);
        lblStatus->setPalette(palette);
    };
    const QString step = vb::CStr(static_cast<int>(RunApp().ProcLayer()));
    switch (nMsgNum) {
    case StatusMsgCode::None: show(QString(), QColor(Qt::black)); break;
    case StatusMsgCode::CommError:
        // While simulating there is no unit to miss.
        if (Simulate == 0) show(QStringLiteral("COMM ERROR"), QColor(Qt::red));
        break;
    case StatusMsgCode::EndLayerTotal:
        show(QStringLiteral("End Deposit Layer ") + step + QStringLiteral(" - Total"), QColor(Qt::black));
        break;
    case StatusMsgCode::EndLayerTime:
        show(QStringLiteral("End Deposit Layer ") + step + QStringLiteral(" - Time"), QColor(Qt::black));
        break;
    case StatusMsgCode::StopLayerUser:
        show(QStringLiteral("Stop Layer ") + step + QStringLiteral(" - User"), QColor(Qt::black));
        break;
    default: break;  // Unchanged and any other number leave the label as it is
    }
}

void frmMain::ApEvent_RunStartRequest() { cmdFunc(0)->click(); }
