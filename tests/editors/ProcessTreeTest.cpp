// The process tree window driven like a user: the tree, renaming, the clipboard buttons
// and closing, with the records and the database file checked after each step.
#include "editors/ChainFixture.h"

#include "app/PhaseCode.h"
#include "app/modFormUtil.h"
#include "data/GraphRec.h"
#include "editors/frmProcess.h"
#include "platform/AppInfo.h"
#include "platform/SettingsStore.h"
#include "platform/TreeView.h"
#include "run/frmMain.h"
#include "run/modIO.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// Processes "Coating A" 5>9+2>7 (active), "Mirror" 20 (no output), "Spare" (empty) and
// "Filter" 30>31.
class ProcessTree : public ChainFixture {
protected:
    void SetUp() override {
        ChainFixture::SetUp();
        Link(1, "5>9+2>7");
        Link(2, "20");
        Link(4, "30>31");
        gLayer(20).Output = -1;
        modDB::LayerSave(20);
        const char* const names[] = {"Coating A", "Mirror", "Spare", "Filter"};
        for (int16_t p = 1; p <= 4; ++p) {
            gProcess(p).Process_Name = QString(names[p - 1]);
            modDB::ProcessSave(p);
        }
        App().setProcNum(1);
        App().setPhase(PhaseCode::Stopped);
    }

    void TearDown() override {
        for (const QPointer<frmProcess>& f : opened) delete f.data();
        ChainFixture::TearDown();
    }

    frmProcess* Open() {
        opened.push_back(ProcessEditor());
        EXPECT_TRUE(QTest::qWaitForWindowExposed(opened.back()));
        return opened.back();
    }

    TreeNode* Node(const QString& key) { return opened.back()->TV1->Nodes().Item(key); }

    void Click(const QString& key) {
        if (Node(key)->Parent()) Node(key)->Parent()->setExpanded(true);
        TreeView* tree = opened.back()->TV1;
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->nodeRect(Node(key)).center());
    }

    QStringList Children(const QString& key) {
        QStringList texts;
        for (int i = 1; i <= opened.back()->TV1->Nodes().Count(); ++i)
            if (TreeNode* n = opened.back()->TV1->Nodes().Item(i); n->Parent() == Node(key)) texts << n->Text();
        return texts;
    }

    // Every row of the tables the window writes, column by column, read through a
    // connection of its own.
    QString FileRows() const {
        QString text;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "rows");
            db.setDatabaseName(folder.file("ORUN.MDB"));
            EXPECT_TRUE(db.open());
            for (const char* table : {"Processes", "Layers", "IO", "Graphs"}) {
                QSqlQuery q(QString("SELECT * FROM %1 ORDER BY 1").arg(table), db);
                while (q.next()) {
                    text += table;
                    for (int c = 0; c < q.record().count(); ++c) text += '|' + q.value(c).toString();
                    text += '\n';
                }
            }
        }
        QSqlDatabase::removeDatabase("rows");
        return text;
    }
    QString Chains() const {
        QStringList chains;
        for (int16_t p = 1; p <= 4; ++p) chains << ProcessText(p) + " " + Chain(p);
        return chains.join(", ");
    }

    // Relay output 3's function and graph 1's caption in process p's rows of the file.
    QString StoredMaps(int16_t p) const {
        const QString where = QString(" WHERE Process_Number =%1").arg(p);
        return File().OpenRecordset("SELECT * FROM IO" + where).Fields("Out3").Value().toString() + " " +
               vb::CStr(File().OpenRecordset("SELECT * FROM Graphs" + where).Fields("G1Caption").Value());
    }

    std::vector<QPointer<frmProcess>> opened;
};

QString Setting(const QString& section, const QString& key) { return GetSetting(App().Title, section, key); }

}  // namespace

TEST_F(ProcessTree, TheTreeShowsEachChainAndKeepsWhatTheUserExpanded) {
    frmProcess* f = Open();
    EXPECT_EQ(f->windowTitle(), "Edit Process");
    EXPECT_TRUE(Node("P1")->Expanded() && Node("P1")->Selected());
    EXPECT_EQ(Children("P1"), QStringList({"Layer  1 Ch:6 Out:6 Alumina         ", "Layer  2 Ch:2 Out:2 Titania         ",
                                           " Codep: Ch:3 Out:3 Alumina         ", "Layer  3 Ch:8 Out:8 Silica          "}));
    EXPECT_EQ(Children("P2"), QStringList({"Layer  1 Ch:5 Out:-- Alumina         "}));
    EXPECT_EQ(Node("P3")->Text(), "Spare");
    EXPECT_EQ(Children("P3"), QStringList());

    Click("L9,P1");
    f->cmdEdit[2]->click();  // a layer in the clipboard shows where it may go
    QDir().mkpath(ORUN_BIN_DIR "/../screenshots");
    EXPECT_TRUE(f->grab().save(ORUN_BIN_DIR "/../screenshots/process_tree.png"));

    // The user's expansions survive a rebuild, and so does a stored chain that loops.
    Node("P4")->setExpanded(true);
    Node("P1")->setExpanded(false);
    gLayer(31).Next_Layer = 30;
    gProcess(4).Number_Act_Layers = 40;
    f->UpdateTreeView();
    EXPECT_FALSE(Node("P1")->Expanded());
    EXPECT_TRUE(Node("P4")->Expanded());
    EXPECT_EQ(Children("P4").size(), 2);
    EXPECT_EQ(boxes.count(), 0);

    activate(f);
    QTest::keyClick(f, Qt::Key_F1);
    EXPECT_EQ(helpTopics, std::vector<int>{50});
}

TEST_F(ProcessTree, RenamingAsksAgainOnADuplicateAndAnEmptyProcessGetsALayer) {
    const QString ask = "Enter new name:";
    const struct {
        const char* node;
        QStringList answers;  // one per box, in order
        const char* name;
        QStringList prompts;
    } cases[] = {
        {"P1", {"coating a"}, "Coating A", {ask}},
        {"P1", {"MIRROR", "", ""}, "Coating A", {ask, "Duplicate Name @ Process #2.", ask}},
        {"P1", {"Twenty characters!!"}, "Twenty character", {ask}},
        {"P3", {""}, "Spare", {ask}},
    };
    Open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answers.join('|').toStdString());
        Click(c.node);
        boxes.clear();
        for (const QString& a : c.answers) boxes.answer(vbOK, a);
        opened.back()->cmdEdit[0]->click();
        EXPECT_EQ(boxes.prompts(), c.prompts);
        const int16_t p = frmProcess::GetNum(c.node, 1);
        EXPECT_EQ(StoredProcess(p), ProcessText(p));
        EXPECT_EQ(Node(c.node)->Text(), c.name);
    }
    EXPECT_EQ(Chain(3), "1 1/1");  // the first free record, with film 1
    EXPECT_TRUE(Children("P3").value(0).startsWith("Layer  1 Ch:"));
    EXPECT_TRUE(Children("P3").value(0).endsWith(" Titania         "));
    EXPECT_EQ(StoredLayersDiffering(), "");
}

TEST_F(ProcessTree, LayersMoveThroughTheClipboard) {
    frmProcess* f = Open();
    QPushButton *const cut = f->cmdEdit[1], *const paste = f->cmdEdit[3];

    // L9 starts a step that goes on with L2. The process node is selected after the cut
    // with Paste still enabled, but no process is in the clipboard: nothing is pasted.
    Click("L9,P1");
    cut->click();
    EXPECT_EQ(Chain(1), "5>2>7 3/3");
    EXPECT_EQ(StoredProcess(1), ProcessText(1));
    EXPECT_EQ(f->SelectedNode(), "P1");
    EXPECT_TRUE(f->fraPaste->isVisible());
    paste->click();
    EXPECT_EQ(Chain(1), "5>2>7 3/3");
    Click("P2");
    EXPECT_FALSE(paste->isEnabled());

    // In place of L20, with the layer editor open: it moves to the new record.
    Click("L20,P2");
    LayerEditor()->ShowLayer(20);
    f->optPaste[PasteReplace]->click();
    paste->click();
    EXPECT_EQ(Chain(2), "1 1/1");
    EXPECT_TRUE(Node("L1,P2")->Selected());
    EXPECT_EQ(gLayerEditor->CurrentLayer(), 1);
    EXPECT_EQ(StoredLayersDiffering(), "");

    // With every record in use nothing is pasted and the layer stays selected.
    for (auto& r : gLayer) r.Film_Number = r.Film_Number == -1 ? -2 : r.Film_Number;
    Click("L1,P2");
    paste->click();
    EXPECT_TRUE(Node("L1,P2")->Selected());
    for (auto& r : gLayer) r.Film_Number = r.Film_Number == -2 ? -1 : r.Film_Number;
    EXPECT_EQ(Chain(2), "1 1/1");

    // Cutting the only layer empties the process and keeps the layer in the clipboard.
    cut->click();
    EXPECT_EQ(StoredProcess(2), "Mirror|-1 0/0");
    EXPECT_EQ(Children("P2"), QStringList());
    Click("L7,P1");
    f->optPaste[PasteBelow]->click();
    paste->click();
    EXPECT_EQ(Chain(1), "5>2>7>1 4/4");
    EXPECT_EQ(gLayer(1).Film_Number, 1);  // L9's film
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(ProcessTree, ProcessesMoveThroughTheClipboardWithTheirMapsAndGraphs) {
    modDB::IOLoad(4);
    modIO::SetOutputFunction(3, 7);
    modDB::IOSave(4);
    modDB::GraphLoad(4);
    gGraph(0).Caption = "Rates";
    modDB::GraphSave(4);
    modDB::IOLoad(1);
    modDB::GraphLoad(1);
    frmProcess* f = Open();
    QPushButton *const cut = f->cmdEdit[1], *const copy = f->cmdEdit[2], *const paste = f->cmdEdit[3];

    // Filter over Mirror, a process never made active (no map rows yet).
    Click("P4");
    copy->click();
    Click("P2");
    boxes.answer(vbCancel);
    paste->click();
    EXPECT_EQ(boxes.last().prompt, "This will replace process Mirror with process Filter.");
    EXPECT_EQ(boxes.last().buttons, vbOKCancel + vbExclamation);
    EXPECT_EQ(Chain(2), "20 1/1");
    paste->click();
    EXPECT_EQ(Chain(2), "1>3 2/2");
    EXPECT_EQ(StoredProcess(2), "Mirror|1 2/2");
    EXPECT_EQ(StoredLayersDiffering(), "");
    EXPECT_EQ(StoredMaps(2), "7 Rates");
    EXPECT_EQ(OutputFunction(3), 0) << "the active process's maps are back";

    // Onto itself: fresh records, the same name, maps and graphs.
    Click("P4");
    copy->click();
    paste->click();
    EXPECT_EQ(boxes.last().prompt, "This will replace process Filter with process Filter.");
    EXPECT_EQ(StoredProcess(4), "Filter|4 2/2");
    EXPECT_EQ(Chain(4), "4>6 2/2");
    EXPECT_EQ(StoredMaps(4), "7 Rates");

    // The active process cannot be cut; another one goes whole to the clipboard.
    Click("P1");
    cut->click();
    EXPECT_EQ(boxes.last().prompt, "Cannot cut the active process.");
    EXPECT_EQ(boxes.last().icon(), vbInformation);
    EXPECT_EQ(Chain(1), "5>9+2>7 3/4");
    Click("P4");
    cut->click();
    EXPECT_EQ(StoredProcess(4), "Process4|0 0/0");
    EXPECT_EQ(StoredLayersDiffering(), "");
}

TEST_F(ProcessTree, ClosingOffersTheSelectedProcessWhileTheRunStands) {
    const struct {
        const char* node;
        int16_t phase;
        int answer;
        bool byProgram;  // a run start unloads the window
        int16_t active;
        QStringList prompts;
    } cases[] = {
        {"L30,P4", PhaseCode::Stopped, vbYes, false, 4, {"Make Filter the active process?"}},
        {"L30,P4", PhaseCode::Stopped, vbNo, false, 1, {"Make Filter the active process?"}},
        {"P3", PhaseCode::Stopped, vbYes, false, 1, {}},  // no layers: nothing to ask
        // A run waiting for the operator takes the tree's process as it was left...
        {"P4", PhaseCode::StopLayer, vbYes, false, 4, {"Make Filter the active process?"}},
        // ...while a run that starts (and unloads the window) keeps its own.
        {"P4", PhaseCode::Deposit, vbYes, true, 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.node);
        App().setProcNum(1);
        frmProcess* f = Open();
        Click(c.node);
        if (&c == &cases[0]) {
            // The layer editor opened from the tree follows the tree, and the tree it.
            f->cmdEdit[0]->click();
            Click("L31,P4");
            ASSERT_TRUE(gLayerEditor && gLayerEditor->CurrentLayer() == 31 && gLayerEditor->cboChan->isEnabled());
            gLayerEditor->cboChan->setCurrentIndex(4);
            gLayerEditor->cboChan_Click();
            EXPECT_TRUE(Node("L31,P4")->Text().startsWith("Layer  2 Ch:5 Out:8 "));
            EXPECT_TRUE(Node("L31,P4")->Selected());
        }
        App().setPhase(c.phase);
        boxes.clear();
        boxes.answer(c.answer);
        if (c.byProgram)
            modFormUtil::Unload(f);
        else
            f->cmdForm[0]->click();
        EXPECT_EQ(App().ProcNum(), c.active);
        EXPECT_EQ(boxes.prompts(), c.prompts);
        EXPECT_EQ(Setting("frmProcess", "Visible"), c.byProgram ? "True" : "False");
        EXPECT_FALSE(modFormUtil::IsFormLoaded("frmProcess") || modFormUtil::IsFormLoadedByCaption("Edit Layer"));
        App().setPhase(PhaseCode::Stopped);
    }
    EXPECT_FALSE(Setting("Form Positions", "frmProcess").isEmpty());
}

// Cancel gives back what the window changed, in memory and in the file, row for row:
// cuts, pastes (a process pasted over one without maps), a rename, a default layer. A
// value typed meanwhile in the layer editor into a layer the window then cuts stays.
TEST_F(ProcessTree, CancelGivesBackEveryRecordAndMapTheWindowChanged) {
    modDB::IOLoad(4);
    modIO::SetOutputFunction(3, 7);
    modDB::IOSave(4);
    modDB::IOLoad(1);
    modDB::ProcessSave(1);  // the run number the fixture's STOPPED counted, so file and memory agree
    const QString rows = FileRows(), chains = Chains();
    frmProcess* f = Open();
    QPushButton *const edit = f->cmdEdit[0], *const cut = f->cmdEdit[1], *const copy = f->cmdEdit[2],
                       *const paste = f->cmdEdit[3];
    Click("L9,P1");
    cut->click();
    Click("L7,P1");
    f->optPaste[PasteAbove]->click();
    paste->click();
    Click("P4");
    copy->click();
    Click("P2");
    paste->click();
    Click("P3");
    boxes.answer(vbOK, "Spare part");
    edit->click();
    LayerEditor()->ShowLayer(31);
    type(gLayerEditor->grdLayer, 0, "7.5");
    Click("P4");
    cut->click();
    ASSERT_NE(Chains(), chains);
    ASSERT_TRUE(StoredMaps(2).startsWith("7 "));

    boxes.answer(vbNo);  // "Make Filter the active process?"
    f->cmdForm[1]->click();
    EXPECT_EQ(Chains(), chains);
    EXPECT_EQ(OutputFunction(3), 0) << "the active process's maps";
    EXPECT_DOUBLE_EQ(gLayer(31).Rate, 7.5);
    gLayer(31).Rate = 0;
    modDB::LayerSave(31);
    EXPECT_EQ(FileRows().toStdString(), rows.toStdString());
    EXPECT_EQ(App().ProcNum(), 1);
}

// The run display follows the records whenever an editor closes, also while a layer is
// stopped (the process stays active then), and when a run ends.
TEST_F(ProcessTree, TheMainWindowShowsTheRecordsAfterAnEditorClosesAndAfterARun) {
    frmMain& main = ProgramObjects::CreateMainForm();
    main.Form_Load();
    main.setFormSize(8);
    App().setProcNum(1);
    App().setPhase(PhaseCode::StopLayer);
    ASSERT_EQ(main.lblLayer(0)->text(), "Layer: 1 of 3");
    ASSERT_EQ(main.lblFilm(5)->text(), "Alumina");

    frmProcess* f = Open();
    Click("L7,P1");
    f->cmdEdit[1]->click();
    f->cmdForm[0]->click();
    EXPECT_EQ(main.lblLayer(0)->text(), "Layer: 1 of 2");

    frmLayerFilm* films = FilmEditor();
    films->ShowFilm(3);
    boxes.answer(vbOK, "Zirconia");
    films->cmdForm[0]->click();
    films->cmdForm[3]->click();
    EXPECT_EQ(main.lblFilm(5)->text(), "Zirconia");

    App().setPhase(PhaseCode::Deposit);
    gLayer(5).Film_Number = 2;  // the layer editor's film list, during the run
    App().setPhase(PhaseCode::Stopped);
    EXPECT_EQ(main.lblFilm(5)->text(), "Silica");
    EXPECT_EQ(main.lblSubPhase(5)->text(), "STOPPED");
}
