// Which channel rows, sensor controls and grid rows the window shows, how tall its panels
// are in each view, and the colours of the channel displays.
#include "app/Globals.h"
#include "app/SettingsGlobals.h"
#include "app/SystemFlags.h"
#include "app/VBConv.h"
#include "app/cApp.h"
#include "app/cErrHandler.h"
#include "app/modBitOps.h"
#include "app/modFormUtil.h"
#include "data/FilmRec.h"
#include "platform/TarselGrid.h"
#include "platform/Twips.h"
#include "platform/VbColor.h"
#include "platform/VbControls.h"
#include "qcm/cQCM.h"
#include "run/frmMain.h"
#include "run/modPhases.h"
#include "unit/cORUN.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr uint32_t kBlack = 0x0;
// Twips between the stacked grids of the readings view, and below the channel grid.
constexpr double kGridMarginTwips = 50.0;

bool Flag(int16_t bit) { return modBitOps::BitTestInteger(SystemFlags, static_cast<uint8_t>(bit)); }

uint32_t Color(int i) { return static_cast<uint32_t>(Colors(i)); }

}  // namespace

void frmMain::setFormSize(int16_t nSize) {
    FormSize_ = nSize;
    switch (ShowReadings) {
    case 0:
    case 1: {
        // The panel ends below the last shown row (a count outside 1..8 names no row).
        lblRdgUnits(nSize - 1);
        picReadings->hide();
        picChannels->show();
        for (int r = 0; r <= 7; ++r) chanRow_(r)->setVisible(r < nSize);
        lblColumn(1)->setText(ShowReadings == 1 ? QStringLiteral("Ratio") : QStringLiteral("Deviation"));
        break;
    }
    case 2: {
        picChannels->hide();
        picReadings->show();
        for (int r = 0; r < grdChan->Rows(); ++r) {
            if (r < nSize) grdChan->ShowRow(r);
            else grdChan->HideRow(r);
        }
        grdChan->setHeight(grdChan->RowHeight(0) * (nSize + 1) * TwipsPerPixelY() + kGridMarginTwips);
        // The quartz grids belong to the panel only with a quartz source.
        const int32_t source = RunQCM().QCMType();
        if (source == 0) {
            grdQCM->hide();
            grdVesk->hide();
        } else if (source == 1 || source == 2) {
            grdQCM->show();
            grdVesk->show();
        }
        break;
    }
    default: return;
    }
    adjustSize();
}

void frmMain::mnuViewProcess_Click() {
    ORUN_PROC("frmMain_mnuViewProcess_Click");
    try {
        ShowReadings = 0;
        mnuViewProcess->setChecked(true);
        mnuViewRatio->setChecked(false);
        mnuViewRaw->setChecked(false);
        setFormSize(FormSize_);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::mnuViewRatio_Click() {
    ORUN_PROC("frmMain_mnuViewRatio_Click");
    try {
        ShowReadings = 1;
        mnuViewProcess->setChecked(false);
        mnuViewRatio->setChecked(true);
        mnuViewRaw->setChecked(false);
        setFormSize(FormSize_);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::mnuViewRaw_Click() {
    ORUN_PROC("frmMain_mnuViewRaw_Click");
    try {
        ShowReadings = 2;
        mnuViewProcess->setChecked(false);
        mnuViewRatio->setChecked(false);
        mnuViewRaw->setChecked(true);
        setFormSize(FormSize_);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::NextView() {
    switch (ShowReadings) {
    case 0: mnuViewRatio_Click(); break;
    case 1: mnuViewRaw_Click(); break;
    case 2: mnuViewProcess_Click(); break;
    default: break;
    }
}

void frmMain::ShowChannels() {
    ORUN_PROC("frmMain_ShowChannels");
    try {
        cApp& app = RunApp();
        for (int16_t ch = 0; ch <= 7; ++ch) {
            lblSubPhase(ch)->setText(modPhases::PhaseName(app.ChanPhase(ch)));
            const int16_t film = app.ChanFilm(ch);
            const bool used = ch < FormSize_ && film >= 1;
            for (QWidget* w : std::initializer_list<QWidget*>{lblFilm(ch), lblSubPhase(ch), lblRdg(ch), lblRdgUnits(ch),
                                                              lblExponent(ch), lblTotal(ch), lblTotalUnits(ch),
                                                              lblDevRatio(ch), lblRdgDevRatio(ch)})
                w->setVisible(used);
            if (!used) {
                optChEdit(ch)->setEnabled(false);
                grdChan->setCellForeColor(ch, 0, vbButtonShadow);
                for (QWidget* w : std::initializer_list<QWidget*>{cmdZero(ch), txtPower(ch), lblPower(ch), lblRdgPwr(ch),
                                                                  chkManPwr(ch)})
                    w->hide();
                continue;
            }
            optChEdit(ch)->setEnabled(!Flag(SystemFlag::ChannelEdit));
            grdChan->setCellForeColor(ch, 0, kBlack);
            lblFilm(ch)->setText(vb::Trim(gFilm(film).Film_Name));
            lblExponent(ch)->clear();
            cmdZero(ch)->setVisible(!Flag(SystemFlag::Zero));
            lblDevRatio(ch)->clear();
            // The manual power box is shown and hidden by manual power alone.
            const bool output = app.ChanOutput(ch) >= 0;
            lblPower(ch)->setVisible(output);
            lblRdgPwr(ch)->setVisible(output);
            chkManPwr(ch)->setVisible(output && !Flag(SystemFlag::ManualPower));
        }
        FollowRowsShown();

        // With the layer editor open, the selector moves to a channel that can be edited.
        if (!modFormUtil::IsFormLoadedByCaption(QStringLiteral("Edit Layer"))) return;
        if (!(EditChan >= 0 && EditChan < FormSize_ && app.ChanFilm(EditChan) >= 1)) {
            EditChan = -1;
            for (int16_t ch = 0; ch <= 7; ++ch) {
                if (!(ch < FormSize_ && app.ChanFilm(ch) >= 1 && optChEdit(ch)->isEnabled())) continue;
                if (EditChan < 0) EditChan = ch;
                if (optChEdit(ch)->isChecked()) {
                    // Set off here, so that setting it on below makes the editor follow.
                    EditChan = ch;
                    SetChannelSelector(ch, false);
                    break;
                }
            }
        }
        if (EditChan >= 0) SetChannelSelector(EditChan, true);
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::ShowSensors() {
    ORUN_PROC("frmMain_ShowSensors");
    try {
        const bool gas = RunUnit().GasCalEnabled();
        for (int pair = 0; pair <= 1; ++pair) {
            const int first = 2 * pair;
            const bool locked = Flag(pair == 0 ? SystemFlag::Sensor1 : SystemFlag::Sensor2);
            cmdSensor(first)->setEnabled(!locked);
            cmdSensor(first + 1)->setEnabled(!locked && gas);
            lblGas(first + 1)->setEnabled(!locked && gas);
        }
        // Refreshed with every reading: the rows are formatted anew only when their colour
        // is to change. Nothing else colours them, so the colour they were last given is
        // the colour they have.
        const uint32_t gasRows = gas ? kBlack : vbGrayText;
        if (gasRowsColor_ != gasRows) {
            for (int row : {1, 3}) {
                grdSensor->setRowForeColor(row, gasRows);
                grdSensor->setCellForeColor(row, -1, gasRows);
            }
            gasRowsColor_ = gasRows;
        }
    } catch (...) {
        gErr.HandleError();
    }
}

void frmMain::SetFormColors() {
    ORUN_PROC("frmMain_SetFormColors");
    try {
        for (int ch = 0; ch <= 7; ++ch) {
            SetForeColor(lblRdg(ch), Color(0));
            SetBackColor(lblRdg(ch), Color(1));
        }
        for (int ch = 0; ch <= 7; ++ch) {
            for (QWidget* w : std::initializer_list<QWidget*>{optChEdit(ch), lblFilm(ch), lblSubPhase(ch), lblRdgUnits(ch),
                                                              lblTotalUnits(ch), lblRdgDevRatio(ch), lblRdgPwr(ch)})
                SetForeColor(w, Color(2));
        }
        SetBackColor(picChannels, Color(3));
        for (int ch = 0; ch <= 7; ++ch) {
            for (QWidget* w : std::initializer_list<QWidget*>{lblTotal(ch), lblDevRatio(ch), lblPower(ch)}) {
                SetForeColor(w, Color(4));
                SetBackColor(w, Color(5));
            }
        }
    } catch (...) {
        gErr.HandleError();
    }
}
