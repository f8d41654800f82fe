#include "windows/frmSystem.h"

#include "app/SettingsGlobals.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "platform/Dialogs.h"
#include "run/PhaseCode.h"
#include "run/RunObjects.h"

#include <QComboBox>
#include <QGridLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

frmSystem* gSystemForm = nullptr;

frmSystem::frmSystem(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmSystem"));
    gSystemForm = this;
    tabForm = new QTabWidget(this);
    tabForm->setObjectName(QStringLiteral("tabForm"));
    auto* calibration = new QWidget(tabForm);
    auto* grid = new QGridLayout(calibration);
    cboCal = new QComboBox(calibration);
    cboCal->setObjectName(QStringLiteral("cboCal"));
    for (int c = 1; c <= 8; ++c) cboCal->addItem(QString::number(c));
    cmdCalibrate = new QPushButton(QStringLiteral("Calibrate"), calibration);
    cmdCalibrate->setObjectName(QStringLiteral("cmdCalibrate"));
    grid->addWidget(cboCal, 0, 0);
    grid->addWidget(cmdCalibrate, 0, 1);
    tabForm->addTab(calibration, QStringLiteral("Calibration"));
    (new QVBoxLayout(this))->addWidget(tabForm);
    connect(cmdCalibrate, &QPushButton::clicked, this, &frmSystem::cmdCalibrate_Click);
    if (gApp) connect(gApp, &cApp::IOMapsChange, this, &frmSystem::ApEvent_IOMapsChange);
}

void frmSystem::ApEvent_IOMapsChange(int16_t) {
    InitGridRelay();
    InitGridInput();
}

frmSystem::~frmSystem() {
    if (gSystemForm == this) gSystemForm = nullptr;
}

// The grids are not built yet, so there is nothing to refill.
void frmSystem::InitGridRelay() {}
void frmSystem::InitGridInput() {}

void frmSystem::cmdCalibrate_Click() {
    ORUN_PROC("frmSystem_cmdCalibrate_Click");
    try {
        const int16_t phase = RunApp().Phase();
        if (phase != PhaseCode::Stopped && phase != PhaseCode::StopLayer) {
            MsgBox(QStringLiteral("Stop process to calibrate ORUN detector."), vbInformation);
            return;
        }
        cORUN& unit = RunUnit();
        unit.setCalHiBias(CalHiBias);
        unit.setCalLoBias(CalLoBias);
        const int ch = cboCal->currentIndex();
        if (!unit.ChanActive(ch)) return;
        unit.setCalChan(ch);
    } catch (...) {
        gErr.HandleError();
    }
}
