// The layer and film editor driven like a user: typing into the grids, picking from the
// lists, the buttons and the window's keys, with the records, the database and the
// running channels checked after each step.
#include "editors/EditorFixture.h"

#include "app/SettingsGlobals.h"
#include "app/VBConv.h"
#include "app/modFormUtil.h"
#include "platform/AppInfo.h"
#include "data/RecipeTemplate.h"
#include "platform/FileDialogs.h"
#include "platform/SSTab.h"
#include "platform/SettingsStore.h"
#include "run/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QWindow>
#include <functional>
#include <tuple>

namespace {

const QString kRate = "Valid Rate values are  0.0 to 999.9.";
const QString kThick = "Valid Thickness values are  0.0 to 999.9.";
const QString kTime = "Valid Time values are hh:mm:ss from 00:00:00 to 23:59:59";

QString Setting(const QString& section, const QString& key) { return GetSetting(App().Title, section, key, "<none>"); }

}  // namespace

TEST_F(EditorFixture, TypedValuesAreCheckedStoredAndShownAsTheRowsSay) {
    Layer(0).Rate = 12.34;
    Layer(0).Ramp2Rate = 4.56;
    frmLayerFilm* ed = LayerEditor();
    ed->ShowLayer(1);
    activate(ed);
    EXPECT_EQ(ed->grdLayer->CellText(0, 0), "12.34");

    struct Case {
        TarselGrid* frmLayerFilm::*grid;
        int row;
        const char* typed;
        std::function<double()> field;
        double stored;
        const char* shown;
        QString box;
    };
    const auto rate = [&] { return Layer(0).Rate; };
    const auto thick = [&] { return Layer(0).Thick; };
    const auto time = [&] { return double(Layer(0).TimeSetPt); };
    // A text that is not wholly a number (or a time) is refused like a value out of range:
    // never stored as its leading number or as 0.
    const std::vector<Case> cases = {
        {&frmLayerFilm::grdLayer, 0, "1000", rate, 12.34, "12.3", kRate},
        {&frmLayerFilm::grdLayer, 0, "-1", rate, 12.34, "12.3", kRate},
        {&frmLayerFilm::grdLayer, 0, "999.9", rate, 999.9, "999.9", ""},
        {&frmLayerFilm::grdLayer, 0, "abc", rate, 999.9, "999.9", kRate},
        {&frmLayerFilm::grdLayer, 0, "3.004.5", rate, 999.9, "999.9", kRate},
        {&frmLayerFilm::grdLayer, 0, "1e400", rate, 999.9, "999.9", kRate},
        {&frmLayerFilm::grdLayer, 0, "", rate, 999.9, "999.9", kRate},
        {&frmLayerFilm::grdLayer, 0, " 0 ", rate, 0.0, "0.0", ""},
        {&frmLayerFilm::grdLayer, 1, "12.5x", thick, 0.0, "0.0", kThick},
        {&frmLayerFilm::grdLayer, 1, "12.5", thick, 12.5, "12.5", ""},
        {&frmLayerFilm::grdLayer, 3, "1:30:00", time, 5400, "01:30:00", ""},
        {&frmLayerFilm::grdLayer, 3, "90", time, 90, "00:01:30", ""},
        {&frmLayerFilm::grdLayer, 3, "25:00:00", time, 90, "00:01:30", kTime},
        {&frmLayerFilm::grdLayer, 3, "1:60", time, 90, "00:01:30", kTime},
        {&frmLayerFilm::grdLayer, 3, "-90", time, 90, "00:01:30", kTime},
        {&frmLayerFilm::grdLayer, 3, "90s", time, 90, "00:01:30", kTime},
        {&frmLayerFilm::grdLayer, 3, "100000", time, 100000, "03:46:40", ""},
        {&frmLayerFilm::grdLayer, 3, "3e10", time, 100000, "03:46:40", kTime},
        {&frmLayerFilm::grdRamps, 4, "1000", [&] { return Layer(0).Ramp2Rate; }, 4.56, "4.6", kRate},
        {&frmLayerFilm::grdRamps, 0, "abc", [&] { return Layer(0).Ramp1Thick; }, 0.0, "0.0", kThick},
        {&frmLayerFilm::grdRamps, 2, "90", [&] { return double(Layer(0).Ramp1Time); }, 90, "00:01:30", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        boxes.clear();
        TarselGrid* g = ed->*c.grid;
        type(g, c.row, c.typed);
        EXPECT_DOUBLE_EQ(c.field(), c.stored);
        EXPECT_EQ(g->CellText(c.row, 0), c.shown);
        EXPECT_FALSE(g->IsEditing());
        if (c.box.isEmpty()) {
            EXPECT_EQ(boxes.count(), 0);
        } else {
            ASSERT_EQ(boxes.count(), 1);
            EXPECT_EQ(boxes.last().prompt, c.box);
            EXPECT_EQ(boxes.last().buttonSet(), vbOKOnly);
        }
    }

    // The start mode: the list offers "Contstant" for the mode that the cell calls
    // "Constant"; a pick is stored when the user leaves the cell.
    Layer(0).StartMode = 2;
    ed->LoadGridLayer();
    EXPECT_EQ(ed->grdLayer->CellText(4, 0), "Constant");
    pick(ed->grdLayer, 4, "Manual");
    click(ed->grdLayer, 5);
    EXPECT_EQ(Layer(0).StartMode, 1);
    pick(ed->grdLayer, 4, "Contstant");
    QTest::keyClick(ed->grdLayer->editor(), Qt::Key_Tab);
    EXPECT_EQ(Layer(0).StartMode, 2);

    // The hint follows the row under the pointer.
    QTest::mouseMove(ed->grdLayer->viewport(), ed->grdLayer->cellRect(3, 1).center());
    EXPECT_EQ(ed->grdLayer->ToolTipText(), "Time after deposit begins to end layer.");
    QTest::mouseMove(ed->grdLayer->viewport(), ed->grdLayer->cellRect(-1, 0).center());
    EXPECT_EQ(ed->grdLayer->ToolTipText(), "");
}

// What the grid shows is rounded (two decimals, a time of day without its days) or is no
// item of the list: leaving or confirming a cell nobody edited keeps the record exact.
TEST_F(EditorFixture, CommittingCellsNobodyEditedChangesNoRecord) {
    Layer(0).Rate = 12.345;
    Layer(0).Thick = 0.0004;
    Layer(0).TimeSetPt = 100000;
    Layer(0).Ramp1Time = 200000;
    Layer(0).StartMode = 5;  // no item of the list
    const LayerRec before = Layer(0);
    frmLayerFilm* ed = LayerEditor();
    ed->ShowLayer(1);
    activate(ed);
    EXPECT_EQ(ed->grdLayer->CellText(3, 0), "03:46:40");

    click(ed->grdLayer, 0);
    QTest::keyClick(ed->grdLayer->editor(), Qt::Key_Return);  // Enter on the unedited cell
    click(ed->grdLayer, 1);
    click(ed->grdLayer, 3);                                    // moving on commits the cell left
    click(ed->grdLayer, 4);                                    // the list opens with no item chosen
    click(ed->grdRamps, 2);                                    // the layer grid loses the focus
    QTest::keyClick(ed->grdRamps->editor(), Qt::Key_Tab);      // and so does the ramps grid
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_DOUBLE_EQ(Layer(0).Rate, before.Rate);
    EXPECT_DOUBLE_EQ(Layer(0).Thick, before.Thick);
    EXPECT_EQ(Layer(0).TimeSetPt, 100000);
    EXPECT_EQ(Layer(0).Ramp1Time, 200000);
    EXPECT_EQ(Layer(0).StartMode, 5);

    // A refused value is re-shown with one decimal; leaving that cell stores nothing either.
    type(ed->grdLayer, 0, "1000");
    EXPECT_EQ(ed->grdLayer->CellText(0, 0), "12.3");
    click(ed->grdLayer, 0);
    QTest::keyClick(ed->grdLayer->editor(), Qt::Key_Tab);
    EXPECT_DOUBLE_EQ(Layer(0).Rate, 12.345);
}

TEST_F(EditorFixture, ShowingAnotherLayerWritesTheOneLeftAndKeepsTheTab) {
    Layer(0).Rate = 1.5;
    gFilm(2).Units = QString("nm/s");
    gFilm(2).Exponent = -2;
    frmLayerFilm* ed = LayerEditor();
    ed->ShowLayer(1);
    EXPECT_EQ(ed->windowTitle(), "Edit Layer");
    EXPECT_EQ(Setting("frmLayer", "Visible"), "True");
    EXPECT_FALSE(ed->cmdForm[0]->isVisible());
    EXPECT_EQ(ed->grdLayer->CellText(0, 1), "A/s");
    EXPECT_EQ(ed->grdLayer->CellText(1, 1), "kA");
    QTest::mouseClick(ed->tabForm->tabBar(), Qt::LeftButton, {}, ed->tabForm->tabBar()->tabRect(1).center());
    ASSERT_EQ(ed->tabForm->Tab(), 1);

    Layer(0).Rate = 2.5;          // changed in memory only so far
    gFilm(1).PTerm = 7.0;
    EXPECT_EQ(LayerEditor(), ed);  // the open editor is reached by its caption
    ed->ShowLayer(2);
    EXPECT_DOUBLE_EQ(Stored("Layers", "Layer_Number", 1, "Rate").toDouble(), 2.5);
    EXPECT_DOUBLE_EQ(Stored("Films", "Film_Number", 1, "PTerm").toDouble(), 7.0);
    EXPECT_EQ(ed->tabForm->Tab(), 1);
    EXPECT_EQ(ed->CurrentFilm(), 2);
    EXPECT_EQ(ed->cboFilms->currentText().trimmed(), "Silica");
    EXPECT_EQ(ed->cboChan->currentIndex(), 1);
    EXPECT_FALSE(ed->cboChan->isEnabled());  // no process tree window open
    EXPECT_EQ(ed->grdLayer->CellText(0, 1), "nm/s ^-2");
    EXPECT_EQ(ed->grdLayer->CellText(1, 1), "");

    // F1 opens the help topic of the tab shown.
    activate(ed);
    for (int tab = 0; tab < 4; ++tab) {
        ed->tabForm->setTab(tab);
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : ed, Qt::Key_F1);
    }
    EXPECT_EQ(helpTopics, (std::vector<int>{60, 70, 80, 90}));

    // Closing writes the records, the tab and switches the main window's edit buttons off.
    frmMain& main = ProgramObjects::CreateMainForm();
    for (int i = 0; i <= 7; ++i) main.optChEdit(i) = new QRadioButton(&main);
    main.optChEdit(1)->setChecked(true);
    Layer(1).Rate = 3.25;
    ed->tabForm->setTab(2);
    ed->windowHandle()->close();  // the close box
    EXPECT_DOUBLE_EQ(Stored("Layers", "Layer_Number", 2, "Rate").toDouble(), 3.25);
    EXPECT_EQ(Setting("frmLayer", "Tab"), "2");
    EXPECT_EQ(Setting("frmLayer", "Visible"), "False");
    EXPECT_NE(Setting("Form Positions", "frmLayer"), "<none>");
    EXPECT_FALSE(main.optChEdit(1)->isChecked());
    ProgramObjects::ReleaseMainForm();
    EXPECT_FALSE(modFormUtil::IsFormLoadedByCaption("Edit Layer"));
}

// A cancelled File > Open loads nothing: a value typed into the editor and not yet
// written stays, and reaches the file when the editor closes.
TEST_F(EditorFixture, ACancelledOpenDatabaseKeepsTheValuesNotYetWritten) {
    ASSERT_TRUE(QFile::copy(QString(ORUN_BIN_DIR "/") + TemplateFileName(), folder.file(TemplateFileName())));
    DBFile = "ORUN.MDB";
    frmMain& main = ProgramObjects::CreateMainForm();
    frmLayerFilm* ed = LayerEditor();
    ed->ShowLayer(1);
    activate(ed);
    type(ed->grdLayer, 0, "7.5");
    ASSERT_NE(Stored("Layers", "Layer_Number", 1, "Rate").toDouble(), 7.5);
    std::vector<FileDialogRequest> asked;
    SetFileDialogResponder([&](const FileDialogRequest& r) {
        asked.push_back(r);
        return FileDialogAnswer{};
    });
    main.mnuFileOpen_Click();
    SetFileDialogResponder({});
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].title, "Open Database");
    EXPECT_DOUBLE_EQ(Layer(0).Rate, 7.5);
    EXPECT_EQ(App().ProcNum(), 1);
    ed->cmdForm[3]->click();
    EXPECT_DOUBLE_EQ(Stored("Layers", "Layer_Number", 1, "Rate").toDouble(), 7.5);
    EXPECT_EQ(boxes.count(), 0);
    ProgramObjects::ReleaseMainForm();
}

TEST_F(EditorFixture, TheStartPromptCellAsksForTheWholePrompt) {
    Layer(0).Prompt = "Load wafers";
    frmLayerFilm* ed = LayerEditor();
    ed->ShowLayer(1);
    activate(ed);
    // An empty answer asks whether to remove the prompt: No keeps it, Yes removes it.
    for (const auto& [answer, kept] : std::vector<std::pair<int, QString>>{{vbNo, "Load wafers"}, {vbYes, ""}}) {
        boxes.clear();
        boxes.answer(vbCancel);
        boxes.answer(answer);
        click(ed->grdLayer, 5);
        ASSERT_EQ(boxes.count(), 2);
        EXPECT_EQ(boxes.boxes()[0].title, "Enter layer start prompt");
        EXPECT_EQ(boxes.boxes()[0].defaultText, "Load wafers");
        EXPECT_EQ(boxes.boxes()[1].prompt, "Elminate start prompt for this layer?");
        EXPECT_EQ(boxes.boxes()[1].title, "No start prompt!");
        EXPECT_EQ(Layer(0).Prompt, kept);
        EXPECT_EQ(ed->grdLayer->CellText(5, 0), kept);
        QTest::keyClick(ed->grdLayer->editor(), Qt::Key_Escape);
    }
    boxes.answer(vbOK, "Insert mask 2");
    click(ed->grdLayer, 5);
    EXPECT_EQ(Layer(0).Prompt, "Insert mask 2");
}

TEST_F(EditorFixture, FilmEditorShowsTheFirstFilmByNameAndRenamesOnlyToAFreeName) {
    frmLayerFilm* ed = FilmEditor();
    ed->ShowFilm(0);
    EXPECT_EQ(ed->windowTitle(), "Edit Film");
    EXPECT_EQ(ed->CurrentFilm(), 3);  // "Alumina" comes first
    EXPECT_FALSE(ed->cboChan->isVisible());
    EXPECT_FALSE(ed->tabForm->TabVisible(0));
    EXPECT_EQ(ed->tabForm->Tab(), 2);
    EXPECT_FALSE(ed->cmdForm[2]->isEnabled());  // Paste waits for a Copy

    // Duplicate names in any letter case ask again; answers are trimmed, or cut to 16.
    struct Round {
        std::vector<QString> answers;  // the input boxes' answers ("OK" answers a message)
        const char* name;              // the film's name after the rename
    };
    const std::vector<Round> rounds = {
        {{"silica", "OK", "  Sapphire  "}, "Sapphire"},
        {{"SAPPHIRE"}, "Sapphire"},
        {{"  Twenty characters!"}, "  Twenty charact"},
        {{""}, "  Twenty charact"},
    };
    for (const Round& round : rounds) {
        boxes.clear();
        for (const QString& a : round.answers) boxes.answer(vbOK, a);
        QTest::mouseClick(ed->cmdForm[0], Qt::LeftButton);
        SCOPED_TRACE(round.name);
        EXPECT_EQ(boxes.count(), int(round.answers.size()));
        const QString name = round.name;
        EXPECT_EQ(QString(gFilm(3).Film_Name).toStdString(), name.leftJustified(16).toStdString());
        EXPECT_EQ(Stored("Films", "Film_Number", 3, "Film_Name").toString().trimmed(), name.trimmed());
        EXPECT_EQ(ed->cboFilms->currentText().toStdString(), name.toStdString());
        EXPECT_EQ(ed->cboFilms->currentData().toInt(), 3);
    }
    EXPECT_EQ(boxes.boxes()[0].title, "Edit Film");
    EXPECT_EQ(boxes.boxes()[0].prompt, "Enter new name:");
    boxes.clear();
    boxes.answer(vbOK, "silica");
    boxes.answer(vbOK);
    boxes.answer(vbOK, "");
    QTest::mouseClick(ed->cmdForm[0], Qt::LeftButton);
    EXPECT_EQ(boxes.prompts(), (QStringList{"Enter new name:", "Duplicate Name @ Film #2.", "Enter new name:"}));

    // F1 on the two tabs the film editor shows.
    activate(ed);
    ed->tabForm->setTab(3);
    QTest::keyClick(ed, Qt::Key_F1);
    ed->tabForm->setTab(2);
    QTest::keyClick(ed, Qt::Key_F1);
    EXPECT_EQ(helpTopics, (std::vector<int>{90, 80}));
}

// A film pasted over another, or chosen for a running layer, reaches the channels that
// run it as the grids' own commits would push its values.
TEST_F(EditorFixture, PastedOrChosenFilmsReachTheRunningChannels) {
    FilmRec& alumina = gFilm(3);
    alumina.Max_Power = 55;
    alumina.FULL_SCALE = 50.0;  // "1-5"
    alumina.Sensor_PMT = 650.5;
    alumina.Filter = 4;
    alumina.Units = QString("nm/s");
    frmLayerFilm* layers = LayerEditor();
    layers->ShowLayer(2);  // channel 1, film 2 "Silica"
    frmLayerFilm* films = FilmEditor();
    films->ShowFilm(3);
    activate(films);

    QTest::mouseClick(films->cmdForm[1], Qt::LeftButton);  // Copy "Alumina"
    EXPECT_TRUE(films->cmdForm[2]->isEnabled());
    films->ShowFilm(2);
    boxes.answer(vbNo);
    QTest::mouseClick(films->cmdForm[2], Qt::LeftButton);
    EXPECT_EQ(boxes.last().prompt, "Paste film Alumina Parameters into film Silica ?");
    EXPECT_DOUBLE_EQ(Unit().MaxPower(1), 100.0);
    boxes.answer(vbYes);
    gFilm(2).Film_Name = QString("Silica");
    QTest::mouseClick(films->cmdForm[2], Qt::LeftButton);
    EXPECT_EQ(QString(gFilm(2).Film_Name).trimmed(), "Silica");
    EXPECT_DOUBLE_EQ(Stored("Films", "Film_Number", 2, "Max_Power").toDouble(), 55.0);
    EXPECT_DOUBLE_EQ(Unit().MaxPower(1), 55.0);
    EXPECT_DOUBLE_EQ(Unit().FullScale(1), 50.0);
    EXPECT_EQ(Unit().PMTVolts(1), 650);
    EXPECT_EQ(gChanRateFilter(1).Size(), 4);
    EXPECT_EQ(gChanPowerFilter(1).Size(), 4);
    EXPECT_DOUBLE_EQ(Unit().MaxPower(0), 100.0);  // channel 0 runs another film
    EXPECT_EQ(layers->grdLayer->CellText(0, 1), "nm/s");  // the layer editor shows the pasted units

    // Film 3 chosen for layer 1 (channel 0) in the layer editor.
    layers->ShowLayer(1);
    activate(layers);
    const int entry = layers->cboFilms->findData(3);
    layers->cboFilms->setCurrentIndex(entry);
    emit layers->cboFilms->activated(entry);
    EXPECT_EQ(Layer(0).Film_Number, 3);
    EXPECT_DOUBLE_EQ(Unit().MaxPower(0), 55.0);
    EXPECT_EQ(gChanUserFilter(0).Size(), 4);
    EXPECT_EQ(layers->grdLayer->CellText(0, 1), "nm/s");
    EXPECT_EQ(layers->grdLayer->CellText(1, 1), "");
}

TEST_F(EditorFixture, VisibleStaysTrueOnlyWhenTheProgramClosesTheWindow) {
    struct Case {
        const char* how;
        std::function<void(frmLayerFilm*)> close;
        const char* visible;
    };
    const std::vector<Case> cases = {
        {"close box", [](frmLayerFilm* e) { e->windowHandle()->close(); }, "False"},
        {"Close button", [](frmLayerFilm* e) { QTest::mouseClick(e->cmdForm[3], Qt::LeftButton); }, "False"},
        {"the program", [](frmLayerFilm* e) { modFormUtil::Unload(e); }, "True"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        frmLayerFilm* ed = FilmEditor();
        ed->ShowFilm(1);
        ASSERT_EQ(Setting("frmFilm", "Visible"), "True");
        gFilm(1).DTerm = 3.0;
        c.close(ed);
        EXPECT_EQ(Setting("frmFilm", "Visible"), c.visible);
        EXPECT_DOUBLE_EQ(Stored("Films", "Film_Number", 1, "DTerm").toDouble(), 3.0);
        EXPECT_EQ(Setting("frmFilm", "Tab"), "2");
        gFilm(1).DTerm = 0.0;
        QTest::qWait(0);  // the closed window goes
        EXPECT_TRUE(gFilmEditor.isNull());
    }
}

TEST_F(EditorFixture, TabHintsByPointerPositionAndCtrlRStepsTheView) {
    frmLayerFilm* ed = LayerEditor();
    ed->ShowLayer(1);
    const double L = ed->tabForm->Left();
    const int W = vb::CLng(ed->tabForm->Width());
    const std::vector<std::pair<double, QString>> layerHints = {
        {L, "Setpoint parameters for the layer."},
        {W / 4, "Setpoint parameters for the layer."},  // a bound takes the left text
        {W / 4 + 1, "Channel cross talk parameters for the layer."},
        {W / 2 + 1, "Parameters for the film assigned to this layer."},
        {W - 1, "Calibration parameters for film assigned to this layer."},
        {L - 1, "Calibration parameters for film assigned to this layer."},
    };
    for (const auto& [x, hint] : layerHints) {
        ed->tabForm_MouseMove(0, 0, float(x), 10);
        EXPECT_EQ(ed->tabForm->ToolTipText(), hint) << x;
    }

    ProgramObjects::CreateMainForm();
    activate(ed);
    for (int expected : {1, 2, 0}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(ShowReadings, expected);
    }
    ProgramObjects::ReleaseMainForm();
}

TEST_F(EditorFixture, ScreenshotsOfBothEditors) {
    Layer(0).Rate = 2.5;
    Layer(0).Thick = 1.2;
    Layer(0).TimeSetPt = 5400;
    Layer(0).StartMode = 1;
    Layer(0).Prompt = "Check the shutter";
    Layer(0).Ramp1Thick = 0.5;
    Layer(0).Ramp1Rate = 3.0;
    Layer(0).Ramp1Time = 60;
    frmLayerFilm* layers = LayerEditor();
    layers->ShowLayer(1);
    gFilm(2).Input_Type = 2;  // a quartz monitor: the film editor shows the material rows only
    frmLayerFilm* films = FilmEditor();
    films->ShowFilm(2);
    const QString dir = QStringLiteral(ORUN_BIN_DIR "/../screenshots");
    QDir().mkpath(dir);
    for (auto [w, name] : {std::pair{layers, "layer_editor.png"}, std::pair{films, "film_editor.png"}}) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        EXPECT_TRUE(w->grab().save(dir + "/" + name));
    }
    // An edit just opened: the value shown is selected, ready to be typed over.
    activate(layers);
    click(layers->grdLayer, 0);
    ASSERT_NE(layers->grdLayer->editor(), nullptr);
    EXPECT_TRUE(layers->grab().save(dir + "/layer_editor_editing.png"));
    QTest::keyClick(layers->grdLayer->editor(), Qt::Key_Escape);
    const std::vector<std::tuple<frmLayerFilm*, int, const char*>> tabs = {{layers, 1, "layer_editor_xchan.png"},
        {layers, 2, "layer_editor_film.png"}, {layers, 3, "layer_editor_filmcal.png"}, {films, 3, "film_editor_filmcal.png"}};
    for (const auto& [w, tab, name] : tabs) {
        w->tabForm->setTab(tab);
        EXPECT_TRUE(w->grab().save(dir + "/" + name));
    }
    EXPECT_EQ(layers->grdLayer->CellText(4, 0), "Manual");
    EXPECT_EQ(layers->grdRamps->CellText(2, 0), "00:01:00");
}
