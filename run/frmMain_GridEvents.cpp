// Clicks and hints of the reading grids, and the channel selectors that open the layer
// editor on a channel's layer.
#include "app/SystemFlags.h"
#include "app/cErrHandler.h"
#include "app/modBitOps.h"
#include "app/modFormUtil.h"
#include "editors/frmLayerFilm.h"
#include "platform/Dialogs.h"
#include "platform/TarselGrid.h"
#include "run/RunObjects.h"
#include "run/frmMain.h"

#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

namespace {

const char* const kChanTips[] = {
    "Click to edit channel parameters.",
    "Corrected channel measurement (Flux - Gas - Bkgd) in nA.",
    "Current with flux sensor on (Flux + Gas - Bkgd) in nA.",
    "Percent of full scale reading with flux sensor on (Flux + Gas + Bkgd).",
    "Current with gas sensor on (Gas - Bkgd) in nA.",
    "Percent of full scale reading with gas sensor on (Gas + Bkgd).",
    "Background current with both sensors off (Bkgd) in nA.",
};
const char* const kSensorTips[] = {
    "Sensor emission current in ma.", "Sensor leakage current in ma.", "Sensor power in watts.",
    "Sensor filament current in ma.", "Sensor bias voltage.",          "Sensor status.",
};
const char* const kQCMTips[] = {
    "QCM measured rate in A/s.", "QCM measured thickness in kA.", "Click to zero thickness.",
    "QCM sensor frequency.",     "Estimated QCM sensor % Life remaining.",
};

// The hint of the column under the pointer; none over the headings, the captions or a
// column without one.
template <size_t N>
void ColumnTip(TarselGrid* grid, int row, int col, const char* const (&tips)[N]) {
    const QString tip = row >= 0 && col >= 0 && col < static_cast<int>(N) ? QString::fromLatin1(tips[col]) : QString();
    grid->setToolTipText(tip);
    grid->setToolTip(tip);
}

}  // namespace

void frmMain::grdChan_CellOver(int Row, int Col) { ColumnTip(grdChan, Row, Col, kChanTips); }
void frmMain::grdSensor_CellOver(int Row, int Col) { ColumnTip(grdSensor, Row, Col, kSensorTips); }
void frmMain::grdQCM_CellOver(int Row, int Col) { ColumnTip(grdQCM, Row, Col, kQCMTips); }

void frmMain::grdChan_CellClick(int Row, int Col) {
    ORUN_PROC("frmMain_grdChan_CellClick");
    try {
        if (Row < 0 || Col != 0 || modBitOps::BitTestInteger(SystemFlags, SystemFlag::ChannelEdit)) return;
        EditChan = static_cast<int16_t>(Row);
        if (RunApp().ChanFilm(EditChan) < 1) {
            MsgBox(QStringLiteral("No film defined for this channel.  Cannot show Layer/Film parameters."), vbOKOnly);
            return;
        }
        OpenLayerEditor(EditChan);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::grdQCM_CellClick(int Row, int Col) {
    ORUN_PROC("frmMain_grdQCM_CellClick");
    try {
        if (Row >= 0 && Col == 2) RunQCM().Zero(Row);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::optChEdit_Click(int Index) {
    ORUN_PROC("frmMain_optChEdit_Click");
    try {
        EditChan = static_cast<int16_t>(Index);
        OpenLayerEditor(EditChan);
    } catch (...) {
        gErr.HandleError();
    }
}

// Channel and output are fixed when the layer is edited from the main window.
void frmMain::OpenLayerEditor(int16_t ch) {
    if (modFormUtil::IsFormLoadedByCaption(QStringLiteral("Edit Layer")) && gLayerEditor) {
        gLayerEditor->setWindowState(gLayerEditor->windowState() & ~Qt::WindowMinimized);
    } else {
        gLayerEditor = new frmLayerFilm;
    }
    frmLayerFilm* editor = gLayerEditor;
    editor->ShowLayer(RunApp().ChanLayer(ch));
    editor->lblChan->show();
    editor->cboChan->setEnabled(false);
    editor->lblOut->show();
    editor->cboOut->setEnabled(false);
    editor->activateWindow();
    editor->setFocus();
}

void frmMain::SetChannelSelector(int16_t ch, bool on) {
    if (!on) {
        optChEdit(ch)->setChecked(false);
        return;
    }
    if (optChEdit(ch)->isChecked()) return;
    for (int other = 0; other <= 7; ++other) optChEdit(other)->setChecked(other == ch);
    optChEdit_Click(ch);
}
