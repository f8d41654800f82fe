// The channel, output and film lists. Each acts on the user's pick only, and not while the
// window shows a record (mLoading).
#include "editors/frmLayerFilm.h"

#include "app/cErrHandler.h"
#include "app/Globals.h"
#include "app/VBConv.h"
#include "data/ChainWalk.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"
#include "run/frmMain.h"

#include <QComboBox>

void frmLayerFilm::cboChan_Click() {
    if (mLoading) return;
    ORUN_PROC("frmLayerFilm_cboChan_Click");
    try {
        Layer().Channel = int16_t(cboChan->currentIndex());
        TreeRefresh();
    } catch (...) {
        gErr.HandleError();
    }
}

void frmLayerFilm::cboOut_Click() {
    if (mLoading) return;
    ORUN_PROC("frmLayerFilm_cboOut_Click");
    try {
        const int16_t output = int16_t(cboOut->currentIndex() - 1);
        // Two films of one step never drive one output, here as in a process the run
        // builds: each output keeps the limit of the one film that drives it.
        if (output >= 0) {
            for (int16_t other : modDB::StepPartners(mLayer)) {
                if (gLayer(other).Output != output) continue;
                MsgBox(QStringLiteral("Output ") + vb::CStr(output + 1) +
                           QStringLiteral(" is used by another film of this layer.\r\nChoose another output."),
                       vbExclamation);
                cboOut->setCurrentIndex(Layer().Output + 1);  // the stored output again
                return;
            }
        }
        Layer().Output = output;
        TreeRefresh();
        // An output the running layer no longer drives stops at once.
        if (gMainForm) gMainForm->FollowOutputs();
    } catch (...) {
        gErr.HandleError();
    }
}

// The film being left is written; in the layer editor the layer takes the chosen film, so
// the channels running the layer take the film's values at once and the layer grid shows
// the film's units.
void frmLayerFilm::cboFilms_Click() {
    if (mLoading) return;
    ORUN_PROC("frmLayerFilm_cboFilms_Click");
    try {
        modDB::FilmSave(mFilm);
        mFilm = int16_t(cboFilms->currentData().toInt());
        const bool layerEditor = windowTitle() == QStringLiteral("Edit Layer");
        if (layerEditor) {
            Layer().Film_Number = mFilm;
            TreeRefresh();
            if (gMainForm) gMainForm->FollowOutputs();
        }
        LoadGridDeposit();
        LoadGridPrePost();
        LoadGridORUN();
        LoadGridQCM();
        if (layerEditor) {
            LoadGridLayer();
            FilmChanged();
        }
    } catch (...) {
        gErr.HandleError();
    }
}
