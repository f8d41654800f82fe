// Which channel rows, sensor controls and grid rows the main window shows, its views, the
// hints and clicks of the reading grids, and the stored row count at load.
#include "MainWindowFixture.h"

#include "app/modFormUtil.h"
#include "editors/frmLayerFilm.h"
#include "platform/AppInfo.h"
#include "platform/SettingsStore.h"
#include "platform/TarselGrid.h"
#include "platform/VbColor.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

bool Shown(const frmMain& form, const QWidget* w) { return w->isVisibleTo(&form); }

}  // namespace

TEST_F(MainWindowTest, ChannelRowsFollowRowCountFilmsOutputsAndLockBits) {
    Station({0, 1, 2, 4, 5, 6, 7});  // channel 3 has no film
    gLayer(3).Output = -1;           // channel 2 drives no output
    form->setFormSize(4);
    form->ShowChannels();

    const struct {
        int ch;
        bool film, power, selector;
    } rows[] = {{0, true, true, true}, {2, true, false, true}, {3, false, false, false}, {4, false, false, false}, {7, false, false, false}};
    for (const auto& r : rows) {
        EXPECT_EQ(Shown(*form, form->lblFilm(r.ch)), r.film) << r.ch;
        EXPECT_EQ(Shown(*form, form->lblRdg(r.ch)), r.film) << r.ch;
        EXPECT_EQ(Shown(*form, form->cmdZero(r.ch)), r.film) << r.ch;
        EXPECT_EQ(Shown(*form, form->lblPower(r.ch)), r.power) << r.ch;
        EXPECT_EQ(Shown(*form, form->chkManPwr(r.ch)), r.power) << r.ch;
        EXPECT_EQ(form->optChEdit(r.ch)->isEnabled(), r.selector) << r.ch;
    }
    EXPECT_EQ(form->lblFilm(0)->text(), "Film 1");
    EXPECT_EQ(form->lblSubPhase(3)->text(), "STARTUP");  // named, though hidden
    EXPECT_EQ(form->grdChan->CellForeColor(3, 0), vbButtonShadow);
    EXPECT_EQ(form->grdChan->CellForeColor(0, 0), 0u);

    // Editing, zero and manual power locked, then free again.
    SystemFlags = (1 << 5) | (1 << 6) | (1 << 7);
    form->ShowChannels();
    EXPECT_FALSE(form->optChEdit(0)->isEnabled());
    EXPECT_FALSE(Shown(*form, form->cmdZero(0)));
    EXPECT_FALSE(Shown(*form, form->chkManPwr(0)));
    form->grdChan_CellClick(0, 0);
    EXPECT_FALSE(modFormUtil::IsFormLoadedByCaption("Edit Layer"));
    SystemFlags = 0;
    form->setFormSize(8);
    form->ShowChannels();
    EXPECT_TRUE(form->optChEdit(0)->isEnabled());
    EXPECT_TRUE(Shown(*form, form->cmdZero(0)));
    EXPECT_TRUE(Shown(*form, form->chkManPwr(0)));
    EXPECT_TRUE(Shown(*form, form->lblFilm(7)));

    // Gas sensors: off with gas calibration off; sensor 1 locked by its interlock bit.
    form->ShowSensors();
    EXPECT_TRUE(form->cmdSensor(0)->isEnabled());
    EXPECT_FALSE(form->cmdSensor(1)->isEnabled());
    EXPECT_FALSE(form->lblGas(3)->isEnabled());
    EXPECT_EQ(form->grdSensor->CellForeColor(1, 0), vbGrayText);
    EXPECT_EQ(form->grdSensor->CellForeColor(3, -1), vbGrayText);
    gORUN->setGasCalEnabled(true);
    SystemFlags = 1 << 2;
    form->ShowSensors();
    EXPECT_FALSE(form->cmdSensor(0)->isEnabled());
    EXPECT_FALSE(form->lblGas(1)->isEnabled());
    EXPECT_TRUE(form->cmdSensor(3)->isEnabled());
    EXPECT_EQ(form->grdSensor->CellForeColor(3, -1), 0u);
    // Refreshes that change nothing, then gas calibration off again: grey once more.
    form->ShowSensors();
    EXPECT_EQ(form->grdSensor->CellForeColor(1, 1), 0u);
    gORUN->setGasCalEnabled(false);
    form->ShowSensors();
    EXPECT_EQ(form->grdSensor->CellForeColor(1, 1), vbGrayText);
    EXPECT_EQ(form->grdSensor->CellForeColor(3, -1), vbGrayText);
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(MainWindowTest, ViewsGridHintsAndTheLayerEditorFromTheChannelGrid) {
    Station({0, 1});
    gLayer(1).RatioChan = 2;
    form->mnuViewRatio->trigger();
    EXPECT_EQ(form->lblColumn(1)->text(), "Ratio");
    EXPECT_FALSE(form->mnuViewProcess->isChecked());
    form->UpdateChanProc(0);
    form->UpdateChanProc(1);
    EXPECT_EQ(form->lblRdgDevRatio(0)->text(), "CH1/CH3");
    EXPECT_EQ(form->lblRdgDevRatio(1)->text(), "None");

    // Totals of a rate in Angstrom per second are in kA; the exponent shows its sign.
    const struct {
        const char* units;
        int32_t exponent;
        const char* totalUnits;
        const char* exponentText;
    } rows[] = {{"a/sec", -3, "kA", "-3"}, {"", 0, "kA", ""}, {"A/SEC.", 3, "kA", "+3"}, {"nm", 0, "", ""}};
    for (const auto& r : rows) {
        gFilm(1).Units = QString::fromLatin1(r.units);
        gFilm(1).Exponent = r.exponent;
        form->UpdateChanProc(0);
        EXPECT_EQ(form->lblTotalUnits(0)->text(), r.totalUnits) << r.units;
        EXPECT_EQ(form->lblExponent(0)->text(), r.exponentText) << r.exponent;
    }

    form->mnuViewRaw->trigger();
    EXPECT_TRUE(Shown(*form, form->picReadings));
    EXPECT_FALSE(Shown(*form, form->picChannels));
    EXPECT_TRUE(form->grdChan->RowVisible(3));
    EXPECT_FALSE(form->grdChan->RowVisible(4));
    EXPECT_FALSE(Shown(*form, form->grdQCM));  // no quartz source
    gQCM->setQCMType(2);
    form->setFormSize(5);
    EXPECT_TRUE(Shown(*form, form->grdQCM));
    EXPECT_TRUE(form->grdChan->RowVisible(4));

    const struct {
        TarselGrid* grid;
        int row, col;
        const char* tip;
    } hints[] = {
        {form->grdChan, -1, 1, ""},
        {form->grdChan, 2, 3, "Percent of full scale reading with flux sensor on (Flux + Gas + Bkgd)."},
        {form->grdSensor, 0, 5, "Sensor status."},
        {form->grdSensor, 1, -1, ""},
        {form->grdQCM, 3, 2, "Click to zero thickness."},
    };
    for (const auto& h : hints) {
        emit h.grid->CellOver(h.row, h.col);
        EXPECT_EQ(h.grid->ToolTipText(), h.tip) << h.row << "," << h.col;
    }

    form->grdChan_CellClick(3, 0);
    EXPECT_EQ(boxes.prompts(), QStringList{"No film defined for this channel.  Cannot show Layer/Film parameters."});
    form->grdChan_CellClick(1, 0);
    ASSERT_TRUE(gLayerEditor);
    EXPECT_EQ(gLayerEditor->windowTitle(), "Edit Layer");
    EXPECT_EQ(gLayerEditor->CurrentLayer(), 2);
    EXPECT_FALSE(gLayerEditor->cboChan->isEnabled());
    EXPECT_FALSE(gLayerEditor->cboOut->isEnabled());
    EXPECT_EQ(form->EditChan, 1);

    // With the editor open, a channel that cannot be edited gives way to the first that can.
    form->EditChan = 3;
    form->ShowChannels();
    EXPECT_EQ(form->EditChan, 0);
    EXPECT_TRUE(form->optChEdit(0)->isChecked());
    EXPECT_EQ(gLayerEditor->CurrentLayer(), 1);
    gLayerEditor->close();
    delete gLayerEditor;
}

// A damaged stored row count gives 4 and the window loads whole; a view mode outside 0..2
// checks no view.
TEST_F(MainWindowTest, StoredRowCountOutsideFourToEightGivesFour) {
    Station({0});
    ShowReadings = 3;
    for (const auto& [stored, expected] : {std::pair{"abc", 4}, {"9", 4}, {"3", 4}, {"", 4}, {"6", 6}}) {
        SaveSetting(App().Title, "frmMain", "FormSize", QString::fromLatin1(stored));
        frmMain window;
        window.Form_Load();
        EXPECT_EQ(window.FormSize(), expected) << stored;
        EXPECT_FALSE(window.Loading) << stored;
        EXPECT_FALSE(window.mnuViewProcess->isChecked() || window.mnuViewRatio->isChecked() || window.mnuViewRaw->isChecked());
    }
    EXPECT_EQ(boxes.count(), 0);
}
