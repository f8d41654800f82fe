// The readings panel of the readings view: the raw channel readings, the emission
// sensors, the quartz monitors and the quartz card's analog inputs, stacked from the top;
// and the headings, captions, widths and button columns of the four grids.
#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "platform/TarselGrid.h"
#include "platform/VbColor.h"
#include "run/ChannelData.h"
#include "run/RunObjects.h"
#include "run/frmMain.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

TarselGrid* Grid(QWidget* parent, const char* name, int rows, int cols) {
    auto* grid = new TarselGrid(parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setRows(rows);
    grid->setCols(cols);
    return grid;
}

void Headings(TarselGrid* grid, std::initializer_list<std::pair<const char*, double>> columns) {
    int c = 0;
    for (const auto& [text, width] : columns) {
        grid->setCellText(-1, c, QString::fromLatin1(text));
        grid->setColWidth(c, width);
        grid->setCellFontBold(-1, c, true);
        grid->setCellAlignment(-1, c, tgAlignCenter);
        ++c;
    }
}

void ButtonColumn(TarselGrid* grid, int col) {
    grid->setColBackColor(col, vbButtonFace);
    for (int r = 0; r < grid->Rows(); ++r) {
        grid->setCellStyle(r, col, tgCellButton);
        grid->setCellAlignment(r, col, tgAlignCenter);
    }
}

void FitRows(TarselGrid* grid) { grid->setFixedHeight(grid->sizeHint().height() + 2); }

}  // namespace

void frmMain::CreateReadingGrids() {
    picReadings = new QFrame(this);
    picReadings->setObjectName(QStringLiteral("picReadings"));
    picReadings->setFrameShape(QFrame::StyledPanel);
    auto* stack = new QVBoxLayout(picReadings);
    stack->setContentsMargins(4, 4, 4, 4);
    stack->setSpacing(7);  // about 100 twips between the grids

    grdChan = Grid(picReadings, "grdChan", 8, 7);
    grdChan->setFixedCols(0);
    grdSensor = Grid(picReadings, "grdSensor", 4, 6);
    grdQCM = Grid(picReadings, "grdQCM", 4, 5);
    grdVesk = Grid(picReadings, "grdVesk", 4, 1);
    grdVesk->setFixedCols(0);

    stack->addWidget(grdChan);
    stack->addWidget(grdSensor);
    auto* quartz = new QHBoxLayout;
    quartz->setSpacing(7);
    quartz->addWidget(grdQCM, 4);
    quartz->addWidget(grdVesk, 1);
    stack->addLayout(quartz);
    stack->addStretch(1);

    connect(grdChan, &TarselGrid::CellClick, this, &frmMain::grdChan_CellClick);
    connect(grdChan, &TarselGrid::CellOver, this, &frmMain::grdChan_CellOver);
    connect(grdQCM, &TarselGrid::CellClick, this, &frmMain::grdQCM_CellClick);
    connect(grdQCM, &TarselGrid::CellOver, this, &frmMain::grdQCM_CellOver);
    connect(grdSensor, &TarselGrid::CellOver, this, &frmMain::grdSensor_CellOver);
}

void frmMain::InitGrids() {
    Headings(grdChan, {{"Edit", 13}, {"Corrected", 17}, {"Flux", 14}, {"Flux %", 14}, {"Gas", 14}, {"Gas %", 14}, {"Bkg.", 14}});
    for (int r = 0; r <= 7; ++r) grdChan->setCellText(r, 0, QStringLiteral("Chan ") + QString::number(r + 1));
    ButtonColumn(grdChan, 0);

    Headings(grdSensor, {{"Emission", 17}, {"Leakage", 14}, {"Power", 14}, {"Fil. Cur.", 14}, {"Bias V", 14}, {"Status", 14}});
    grdSensor->setColWidth(-1, 13);
    grdSensor->setCellText(-1, -1, QString());
    static const char* const kSensorRows[] = {"Sensor 1", "Gas 1", "Sensor 2", "Gas 2"};
    for (int r = 0; r <= 3; ++r) grdSensor->setCellText(r, -1, QString::fromLatin1(kSensorRows[r]));

    Headings(grdQCM, {{"Rate", 20}, {"Thick", 16}, {"Zero", 10}, {"Frequency", 23}, {"Life %", 16}});
    grdQCM->setColWidth(-1, 15);
    for (int r = 0; r <= 3; ++r) {
        grdQCM->setCellText(r, -1, QStringLiteral("QCM ") + QString::number(r + 1));
        grdQCM->setCellText(r, 2, QStringLiteral("Zero"));
    }
    ButtonColumn(grdQCM, 2);

    Headings(grdVesk, {{"Vesk-600", 100}});

    for (TarselGrid* grid : {grdSensor, grdQCM, grdVesk}) FitRows(grid);
}

void frmMain::ShowSensorReadings() {
    cORUN& unit = RunUnit();
    for (int s = 0; s <= 3; ++s) {
        auto value = [&](double v) { return vb::Format(v, SensorDecimals); };
        const bool on = unit.ORUNSensorOn(s) > 0;
        const bool lit = on && gSensorFilamentFilter(s).Average() > 0.1;
        grdSensor->setCellText(s, 0, value(on ? gSensorEmissionFilter(s).Average() : 0.0));
        grdSensor->setCellText(s, 1, value(on ? gSensorLeakageFilter(s).Average() : 0.0));
        grdSensor->setCellText(s, 2, value(lit ? gSensorPowerFilter(s).Average() : 0.0));
        grdSensor->setCellText(s, 3, value(lit ? gSensorFilamentFilter(s).Average() : 0.0));
        grdSensor->setCellText(s, 4, value(lit ? gSensorBiasFilter(s).Average() : 0.0));
        grdSensor->setCellText(s, 5, on ? QStringLiteral("ON") : QStringLiteral("OFF"));
    }
}
