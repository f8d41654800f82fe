// The Rename, Copy, Paste and Close buttons, and closing the window.
#include "editors/frmLayerFilm.h"

#include "app/VBConv.h"
#include "app/cErrHandler.h"
#include "app/modComboBox.h"
#include "app/modFormUtil.h"
#include "data/modDB.h"
#include "platform/AppInfo.h"
#include "platform/Dialogs.h"
#include "platform/SSTab.h"
#include "platform/SettingsStore.h"
#include "run/frmMain.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

void frmLayerFilm::cmdForm_Click(int Index) {
    ORUN_PROC("frmLayerFilm_cmdForm_Click");
    try {
        switch (Index) {
        case 0:
            FilmRename();
            modDB::FilmSave(mFilm);
            TreeRefresh();
            break;
        case 1:
            mFilmCopy = Film();
            cmdForm[2]->setEnabled(true);
            break;
        case 2:
            if (MsgBox(QStringLiteral("Paste film ") + vb::Trim(mFilmCopy.Film_Name) + QStringLiteral(" Parameters into film ") +
                           vb::Trim(Film().Film_Name) + QStringLiteral(" ?"),
                       vbYesNo) == vbYes) {
                const FixedString<16> name = Film().Film_Name;
                Film() = mFilmCopy;
                Film().Film_Name = name;
                LoadGridDeposit();
                LoadGridPrePost();
                LoadGridORUN();
                LoadGridQCM();
                FilmChanged();
            }
            modDB::FilmSave(mFilm);
            break;
        case 3:
            SaveSetting(App().Title, Section(), QStringLiteral("Visible"), QStringLiteral("False"));
            modFormUtil::Unload(this);
            break;
        default: break;
        }
    } catch (...) {
        gErr.HandleError();
    }
}

// Asks for the film's new name until it is empty, unchanged or used by no other film.
void frmLayerFilm::FilmRename() {
    ORUN_PROC("frmLayerFilm_FilmRename");
    try {
        for (;;) {
            QString name = InputBox(QStringLiteral("Enter new name:"), QStringLiteral("Edit Film"), vb::Trim(Film().Film_Name));
            name = name.size() > 16 ? name.left(16) : vb::Trim(name);
            if (name.isEmpty() || name.compare(vb::Trim(Film().Film_Name), Qt::CaseInsensitive) == 0) return;
            int duplicate = 0;
            for (int16_t f = 1; f <= 25 && duplicate == 0; ++f)
                if (vb::Trim(gFilm(f).Film_Name).compare(name, Qt::CaseInsensitive) == 0) duplicate = f;
            if (duplicate != 0) {
                MsgBox(QStringLiteral("Duplicate Name @ Film #") + vb::CStr(duplicate) + QStringLiteral("."), vbOKOnly);
                continue;
            }
            const int entry = cboFilms->currentIndex();
            const int16_t film = int16_t(cboFilms->itemData(entry).toInt());
            gFilm(film).Film_Name = name;
            cboFilms->removeItem(entry);
            cboFilms->setCurrentIndex(modComboBox::AddItemDataComboBox(cboFilms, name, film));
            cboFilms_Click();
            return;
        }
    } catch (...) {
        gErr.HandleError();
    }
}

// The close box is the user's close (UnloadMode 0); a close by the program (the Close
// button, the program's end) is UnloadMode 1. Once the window counts as closed, the main
// window shows what it left in the records (another film for a layer, a renamed film).
void frmLayerFilm::closeEvent(QCloseEvent* event) {
    modFormUtil::HandleClose(this, event, [this](int& cancel, int mode) { Form_QueryUnload(cancel, mode); });
    if (event->isAccepted() && gMainForm) gMainForm->RefreshRunDisplay();
}

// The window never refuses to close: it writes what it shows and records its state.
void frmLayerFilm::Form_QueryUnload(int& /*Cancel*/, int UnloadMode) {
    ORUN_PROC("frmLayerFilm_Form_QueryUnLoad");
    try {
        const QString section = Section();
        if (UnloadMode == 0) SaveSetting(App().Title, section, QStringLiteral("Visible"), QStringLiteral("False"));
        modFormUtil::SaveFormPosition(this, section);
        SaveSetting(App().Title, section, QStringLiteral("Tab"), vb::CStr(tabForm->Tab()));
        if (section == QStringLiteral("frmLayer")) {
            modDB::SaveLayerAndFilm(mLayer, mFilm);
            if (gMainForm)
                for (QRadioButton* option : gMainForm->optChEdit)
                    if (option) {
                        // An option button of a group is switched off like any other.
                        const bool exclusive = option->autoExclusive();
                        option->setAutoExclusive(false);
                        option->setChecked(false);
                        option->setAutoExclusive(exclusive);
                    }
        } else if (mFilm >= 1) {
            modDB::FilmSave(mFilm);
        }
        // A calibration still running ends with the window.
        ReleaseCal();
        mLayer = 0;
        mFilm = 0;
    } catch (...) {
        gErr.HandleError();
    }
}
