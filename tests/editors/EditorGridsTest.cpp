// The cross-channel, ratio, deposit, conditioning and calibration grids of the layer and
// film editor, typed into and picked from like a user; the records, the running channels
// and the other editor window are checked after each step.
#include "editors/EditorFixture.h"
#include "editors/GridCycle.h"

#include "platform/Clock.h"
#include "platform/SSTab.h"
#include "platform/Twips.h"
#include "qcm/cQCMCal.h"
#include "support/ListCells.h"

#include <QApplication>
#include <QPushButton>
#include <QWindow>
#include <algorithm>
#include <functional>

// Plays the calibration's measurement: the outcome of a phase, raised as its Status.
struct QCMCalProbe {
    static void Raise(cQCMCal& cal, int16_t phase, double factor = 0) {
        cal.QCMCalFactor_ = factor;
        cal.SetCalPhase(phase);
    }
};

namespace {

using Grid = TarselGrid* frmLayerFilm::*;
const Grid X = &frmLayerFilm::grdXChan, R = &frmLayerFilm::grdRatio, D = &frmLayerFilm::grdDeposit,
           P = &frmLayerFilm::grdPrePost, O = &frmLayerFilm::grdORUN, Q = &frmLayerFilm::grdQCM;
const QString kTime = "Valid Time values are hh:mm:ss from 00:00:00 to 23:59:59";
const QString kPercent = "Valid Percent values are 0 to 1000%.";
const QString kFilter = "Valid Filter values are 1 to 100.";
const QString kIncrease = " sec.\r\nIncrease Cal. Accuracy % or Cal. Sample time.";

// Layer 2 (channel 1, output 1) and its film 2, as the fixture's Layer(1) and Film(1).
class EditorGrids : public EditorFixture {
protected:
    frmLayerFilm* OpenLayer2() {
        frmLayerFilm* ed = LayerEditor();
        ed->ShowLayer(2);
        activate(ed);
        return ed;
    }
    // The grid, with its tab shown.
    static TarselGrid* at(frmLayerFilm* ed, Grid grid) {
        for (int k = 0; k < 4; ++k)
            if (ed->fraTab[k]->isAncestorOf(ed->*grid) && ed->tabForm->Tab() != k) ed->tabForm->setTab(k);
        return ed->*grid;
    }
    void expectBox(const QString& box) {
        ASSERT_EQ(boxes.count(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty()) {
            EXPECT_EQ(boxes.last().prompt, box);
        }
    }
};

}  // namespace

TEST_F(EditorGrids, TypedValuesAreCheckedStoredAndShownAsTheirRowsSay) {
    FilmRec& f = Film(1);
    f = FilmRec{};
    f.Max_Power = 80;
    f.Shutter_Capture = 5;
    f.Filter = 1;
    f.QCM_DENSITY = 2;
    Layer(1).RatioFilter = 5;
    frmLayerFilm* ed = OpenLayer2();
    struct Case {
        Grid grid;
        int row;
        const char* typed;
        std::function<double()> field;
        double stored;
        const char* shown;
        QString box;
    };
    const auto pc = [] { return Layer(1).XCh1Percent; };
    const auto ratio = [] { return Layer(1).RatioFilter; };
    const auto delay = [&] { return double(f.Shutter_Delay); };
    const auto scale = [&] { return f.FULL_SCALE; };
    const auto power = [&] { return f.Ramp1_Power; };
    const auto filter = [&] { return double(f.Filter); };
    const auto accuracy = [&] { return f.QCM_ACCURACY; };
    const auto sample = [&] { return double(f.QCM_SAMPLE); };
    const std::vector<Case> cases = {
        {X, 1, "1000", pc, 1000, "1000", ""},
        {X, 1, "1000.1", pc, 1000, "1000.0", kPercent},
        {X, 1, "-5", pc, 1000, "1000.0", kPercent},
        {R, 0, "-2.5", [] { return Layer(1).ChanMult; }, -2.5, "-2.5", ""},
        {R, 0, "-2.5-", [] { return Layer(1).ChanMult; }, -2.5, "-2.50", "Valid Channel Multiplier values are numbers."},
        {R, 2, "abc", [] { return Layer(1).RatioMult; }, 1, "1.00", "Valid Ratio Channel Multiplier values are numbers."},
        {R, 3, "0", ratio, 5, "5", kFilter},
        {R, 3, "2.5", ratio, 2, "2", ""},
        {R, 3, "3.5", ratio, 4, "4", ""},
        {D, 0, "p", [&] { return f.PTerm; }, 0, "0.0", "Valid PTerm values are 0to 10000."},
        {D, 1, "0.5", [&] { return f.ITerm; }, 0.5, "0.5", ""},
        {D, 1, "abc", [&] { return f.ITerm; }, 0.5, "0.5", "Valid iterm values are 0to 1000."},
        {D, 1, "7x", [&] { return f.ITerm; }, 0.5, "0.5", "Valid iterm values are 0to 1000."},
        {D, 3, "1:30", delay, 5400, "1:30", ""},
        {D, 3, "90", delay, 5400, "01:30:00", kTime},
        {D, 4, "xyz", [&] { return f.Shutter_Capture; }, 5, "5.0", "Valid Shutter Capture values are 1 to 100%"},
        {D, 6, "12.5", [&] { return double(f.CTRLERR_PERCENT); }, 12, "12.5", ""},
        {D, 6, "13.5", [&] { return double(f.CTRLERR_PERCENT); }, 14, "13.5", ""},
        {D, 9, "1-5", scale, 50, "1-5", ""},
        {D, 9, "10.01", scale, 50, "1-5", "Valid Full Scale values are -10 to 10 volts."},
        {D, 9, " 1-5", scale, 50, "1-5", "Valid Full Scale values are -10 to 10 volts."},
        {D, 9, "1", scale, 1, "1", ""},
        {D, 9, "+5", scale, 5, "5", ""},
        {P, 0, "80", power, 80, "80", ""},
        {P, 0, "80.5", power, 80, "80", "Valid Power values are 0 to 80.0%."},
        {P, 0, "zz", power, 80, "80", "Valid Power values are 0 to 80.0%."},
        {P, 1, "-90", [&] { return double(f.RAMP1_TIME); }, 0, "00:00:00", kTime},
        {O, 1, "1250.1", [&] { return f.Sensor_PMT; }, 0, "0", "Valid PMT Voltage values are 0 to 1250."},
        {O, 1, "7x", [&] { return f.Sensor_PMT; }, 0, "0", "Valid PMT Voltage values are 0 to 1250."},
        {O, 2, " ", [&] { return f.QCM_CALFACTOR; }, 0, "0.0000", "Valid Cal. Gain values are numbers."},
        {O, 2, "1.5", [&] { return f.QCM_CALFACTOR; }, 1.5, "1.5", ""},
        {O, 10, "0.9", filter, 1, "1", kFilter},
        {O, 10, "2.5", filter, 2, "2", ""},
        {O, 10, "3.5", filter, 4, "4", ""},
        {Q, 1, "0.39", [&] { return f.QCM_DENSITY; }, 2, "2", "Valid Density values are 0.40 to 99.99"},
        {Q, 1, "19.3", [&] { return f.QCM_DENSITY; }, 19.3, "19.3", ""},
        {Q, 1, "1e400", [&] { return f.QCM_DENSITY; }, 19.3, "19.3", "Valid Density values are 0.40 to 99.99"},
        {Q, 2, "9.91", [&] { return f.QCM_ZFACTOR; }, 0, "0", "Valid ZFactor values are 0.100 to 9.900"},
        {Q, 3, "401", [&] { return f.QCM_TOOLING; }, 0, "0", "Valid Tooling values are 10 to 400"},
        // The sample time must reach density / accuracy seconds; with no sample time yet
        // any accuracy goal is taken, and a number of seconds is taken as it is.
        {Q, 4, "1", accuracy, 1, "1", ""},
        {Q, 6, "00:00:10", sample, 0, "00:00:00", "Minimum time to achieve 1% accuracy is 19.3" + kIncrease},
        {Q, 6, "00:00:20", sample, 20, "00:00:20", ""},
        {Q, 6, "5", sample, 5, "00:00:05", ""},
        {Q, 4, "2", accuracy, 1, "1.0", "Minimum time to achieve 2% accuracy is 9.7" + kIncrease},
        {Q, 4, "101", accuracy, 1, "1.0", "Valid QCM Calibration Accuracy values are 0 to 100%"},
        {Q, 4, "1%", accuracy, 1, "1.0", "Valid QCM Calibration Accuracy values are 0 to 100%"},
        {Q, 4, "0", accuracy, 0, "0.0", ""},
        {Q, 6, "00:00:01", sample, 1, "00:00:01", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        boxes.clear();
        TarselGrid* g = at(ed, c.grid);
        type(g, c.row, c.typed);
        EXPECT_DOUBLE_EQ(c.field(), c.stored);
        EXPECT_EQ(g->CellText(c.row, 0), c.shown);
        expectBox(c.box);
    }
}

// Every text cell opens with its text selected, the caret at its end: what is typed
// replaces the value shown ("3.00" and 7 is 7, not 3.007), while End or Backspace still
// edit the text; so does typing on the current cell without a click.
TEST_F(EditorGrids, TypingReplacesTheShownValueAndEndOrBackspaceStillEditIt) {
    FilmRec& f = Film(1);
    f.QCM_CALFACTOR = 1;
    f.QCM_DENSITY = 2;
    Layer(1).Rate = 3;
    frmLayerFilm* ed = OpenLayer2();
    const Grid L = &frmLayerFilm::grdLayer, M = &frmLayerFilm::grdRamps;
    ASSERT_EQ(ed->grdLayer->CellText(0, 0), "3.00");
    const auto rate = [] { return Layer(1).Rate; };
    struct Case {
        Grid grid;
        int row;
        std::vector<Qt::Key> keys;  // pressed before the typing
        const char* typed;
        std::function<double()> field;
        double stored;
    };
    const std::vector<Case> cases = {
        {L, 0, {}, "7", rate, 7},
        {L, 0, {}, "4.5", rate, 4.5},
        {L, 0, {Qt::Key_End}, "5", rate, 4.55},
        {L, 0, {Qt::Key_Backspace}, "8", rate, 8},
        {L, 3, {}, "45", [] { return double(Layer(1).TimeSetPt); }, 45},
        {M, 1, {}, "2.5", [] { return Layer(1).Ramp1Rate; }, 2.5},
        {X, 1, {}, "250", [] { return Layer(1).XCh1Percent; }, 250},
        {R, 0, {}, "2", [] { return Layer(1).ChanMult; }, 2},
        {D, 0, {}, "7", [&] { return f.PTerm; }, 7},
        {P, 0, {}, "40", [&] { return f.Ramp1_Power; }, 40},
        {O, 2, {Qt::Key_End}, "5", [&] { return f.QCM_CALFACTOR; }, 1.00005},
        {Q, 1, {}, "8.9", [&] { return f.QCM_DENSITY; }, 8.9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        TarselGrid* g = at(ed, c.grid);
        click(g, c.row);
        auto* editor = qobject_cast<QLineEdit*>(g->editor());
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->selectedText(), editor->text());
        EXPECT_EQ(editor->cursorPosition(), editor->text().size());
        for (Qt::Key k : c.keys) QTest::keyClick(editor, k);
        QTest::keyClicks(editor, c.typed);
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_DOUBLE_EQ(c.field(), c.stored);
    }
    click(at(ed, L), 0);
    QTest::keyClick(ed->grdLayer->editor(), Qt::Key_Escape);
    QTest::keyClicks(QApplication::focusWidget(), "6");
    QTest::keyClick(ed->grdLayer->editor(), Qt::Key_Return);
    EXPECT_DOUBLE_EQ(Layer(1).Rate, 6);

    // Tab commits the edit and leaves the grid for the next control.
    click(ed->grdLayer, 0);
    QTest::keyClicks(ed->grdLayer->editor(), "9");
    QTest::keyClick(ed->grdLayer->editor(), Qt::Key_Tab);
    EXPECT_DOUBLE_EQ(Layer(1).Rate, 9);
    EXPECT_FALSE(ed->grdLayer->IsEditing());
    EXPECT_TRUE(ed->grdRamps->isAncestorOf(QApplication::focusWidget()));
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(EditorGrids, PicksAreStoredAsTheirCodesAndShownAgain) {
    Layer(1).XChMode = 5;
    Layer(1).XCH2 = 2;
    frmLayerFilm* ed = OpenLayer2();
    EXPECT_EQ(ed->grdXChan->CellText(8, 0), "Rate");
    EXPECT_EQ(ed->grdXChan->CellText(2, 0), "3");
    const std::vector<std::tuple<Grid, int, const char*, std::function<double()>, double>> picks = {
        {X, 0, "3", [] { return Layer(1).XCH1; }, 2},
        {X, 0, "None", [] { return Layer(1).XCH1; }, -1},
        {X, 8, "Current", [] { return Layer(1).XChMode; }, 0},
        {D, 5, "Hold", [] { return Film(1).ERROR_ACTION; }, 2},
        {O, 9, "-2", [] { return Film(1).Exponent; }, -2},
        {Q, 0, "None", [] { return Film(1).QCM_NUMBER; }, -1},
    };
    for (const auto& [grid, row, item, field, stored] : picks) {
        SCOPED_TRACE(item);
        pick(at(ed, grid), row, item);
        QTest::keyClick((ed->*grid)->editor(), Qt::Key_Tab);
        EXPECT_DOUBLE_EQ(field(), stored);
    }
    click(at(ed, R), 1);
    EXPECT_EQ(ed->grdRatio->ListIndex(), 0);  // "None" for no ratio channel
}

// Power limit, full scale, detector voltage and filter sizes reach the channels running
// the film (channel 1 with output 1); channel 0 runs film 1 and takes nothing.
TEST_F(EditorGrids, FilmValuesReachTheChannelsRunningTheFilmAndTheOtherEditor) {
    Film(1).QCM_CALFACTOR = 1.25;
    Film(1).Sensor_PMT = 600;
    Layer(1).RatioFilter = 5;
    frmLayerFilm* films = FilmEditor();
    films->ShowFilm(2);
    frmLayerFilm* ed = OpenLayer2();
    type(at(ed, D), 7, "12");
    type(ed->grdDeposit, 9, "1-5");
    EXPECT_DOUBLE_EQ(Unit().MaxPower(1), 12.0);
    EXPECT_DOUBLE_EQ(Unit().FullScale(1), 50.0);
    EXPECT_DOUBLE_EQ(Unit().MaxPower(0), 100.0);
    EXPECT_DOUBLE_EQ(Unit().FullScale(0), 10.0);
    EXPECT_EQ(films->grdDeposit->CellText(7, 0), "12");

    // The first new voltage on a calibrated film asks; Yes holds until the grid reloads.
    const std::vector<std::tuple<const char*, int, int>> steps = {
        {"600", 0, 0}, {"650.5", vbNo, 0}, {"650.5", vbYes, 650}, {"651.5", 0, 652}, {"651.5", 0, 652}};
    at(ed, O);
    for (const auto& [typed, answer, sent] : steps) {
        SCOPED_TRACE(typed);
        boxes.clear();
        if (answer) boxes.answer(answer);
        type(ed->grdORUN, 1, typed);
        expectBox(answer ? "Changing the PMT voltage will alter the Calibration Gain.\r\nContinue?" : "");
        EXPECT_TRUE(!answer || boxes.last().icon() == vbExclamation);
        EXPECT_EQ(Unit().PMTVolts(1), sent);
    }
    EXPECT_EQ(Unit().PMTVolts(0), 0);
    ed->ShowLayer(2);
    boxes.clear();
    type(ed->grdORUN, 1, "700");
    EXPECT_EQ(boxes.count(), 1);

    type(ed->grdORUN, 10, "3");
    for (auto* filter : {&gChanRateFilter, &gChanUserFilter, &gChanPowerFilter}) EXPECT_EQ((*filter)(1).Size(), 3);
    EXPECT_NE(gChanRateFilter(0).Size(), 3);

    // The ratio filter of the channels running layer 2 takes its size, refused or not.
    gChanRatioFilter(1).setSize(9);
    type(at(ed, R), 3, "0");
    EXPECT_EQ(gChanRatioFilter(1).Size(), 5);
    type(ed->grdRatio, 3, "6");
    EXPECT_EQ(gChanRatioFilter(1).Size(), 6);
    EXPECT_NE(gChanRatioFilter(0).Size(), 6);
}

TEST_F(EditorGrids, TheInputPickShowsItsRowsInBothEditorsAndUnitsReachTheLayerGrid) {
    Film(1).Exponent = -2;
    frmLayerFilm* films = FilmEditor();
    films->ShowFilm(2);
    frmLayerFilm* ed = OpenLayer2();
    at(ed, O);
    const auto layout = [](frmLayerFilm* e) {
        QString rows;
        for (int r = 0; r < 11; ++r) rows += e->grdORUN->RowVisible(r) ? '1' : '0';
        rows += e->grdQCM->Visible() ? " " : " -";
        for (int r = 0; r < 8; ++r) rows += e->grdQCM->RowVisible(r) ? '1' : '0';
        return rows;
    };
    for (const auto& [item, rows] : std::vector<std::pair<const char*, QString>>{
             {"Vesk2", "10001111111 -11111111"}, {"QCM1", "10001111111 01110000"}, {"Vesk2", "10001111111 -01110000"}}) {
        SCOPED_TRACE(item);
        pick(ed->grdORUN, 0, item);
        EXPECT_EQ(layout(ed), rows);
        EXPECT_EQ(layout(films), rows);
        QTest::keyClick(ed->grdORUN->editor(), Qt::Key_Tab);
    }
    EXPECT_EQ(Film(1).Input_Type, 6);
    EXPECT_EQ(films->grdORUN->CellText(0, 0), "Vesk2");
    EXPECT_DOUBLE_EQ(ed->grdORUN->Height(), ed->grdORUN->RowHeight(0) * 9 * TwipsPerPixelY());

    // A code beyond the list keeps the text and the rows; its list opens on "ORUN".
    Film(1).Input_Type = 9;
    ed->LoadGridQCM();
    EXPECT_EQ(ed->grdORUN->CellText(0, 0), "Vesk2");
    EXPECT_EQ(layout(ed), "10001111111 -01110000");
    click(ed->grdORUN, 0);
    EXPECT_EQ(ed->grdORUN->ListIndex(), 0);
    QTest::keyClick(ed->grdORUN->editor(), Qt::Key_Escape);
    EXPECT_EQ(Film(1).Input_Type, 9);

    for (const auto& [units, thickness] : std::vector<std::pair<QString, QString>>{
             {"a/s", "kA"}, {"A/Sec.", "kA"}, {"nm/s", ""}, {"0123456789", ""}}) {
        type(ed->grdORUN, 6, units);
        EXPECT_EQ(QString(Film(1).Units), units.left(8).leftJustified(8));
        EXPECT_EQ(ed->grdLayer->CellText(0, 1), units.left(8) + " ^-2");
        EXPECT_EQ(ed->grdLayer->CellText(1, 1), thickness);
        EXPECT_EQ(ed->grdLayer->CellText(2, 1), thickness);
    }

    // A value typed into a row that the other editor's pick then hides lands nowhere: the
    // edit ends with the row, and leaving the grid later stores nothing.
    for (const char* input : {"QCM2", "ORUN"}) {
        pick(ed->grdORUN, 0, input);
        QTest::keyClick(ed->grdORUN->editor(), Qt::Key_Tab);
    }
    const int32_t interval = Film(1).QCM_INTERVAL;
    activate(films);
    click(at(films, Q), 5);
    QTest::keyClicks(films->grdQCM->editor(), "00:10:00");
    activate(ed);
    pick(ed->grdORUN, 0, "QCM1");
    QTest::keyClick(ed->grdORUN->editor(), Qt::Key_Tab);
    ASSERT_FALSE(films->grdQCM->RowVisible(5));
    activate(films);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_FALSE(films->grdQCM->isAncestorOf(QApplication::focusWidget()));
    EXPECT_EQ(Film(1).QCM_INTERVAL, interval);
    EXPECT_EQ(films->grdQCM->CellText(5, 0), SecondsText(interval));
}

TEST_F(EditorGrids, TheStartCellCalibratesTheLayersChannelAndFollowsItsPhases) {
    QCM().InitFreq(6e6, 5e6, 6e6, 1.0);
    FilmRec& f = Film(1);
    f.QCM_SAMPLE = 30;
    f.QCM_CALFACTOR = 0.5;
    frmLayerFilm* films = FilmEditor();
    films->ShowFilm(2);
    EXPECT_EQ(films->grdQCM->CellText(7, -1), "");
    click(at(films, Q), 7);
    EXPECT_EQ(films->findChild<cQCMCal*>(), nullptr);

    frmLayerFilm* ed = OpenLayer2();
    TarselGrid* g = at(ed, Q);
    QPushButton* close = ed->cmdForm[3];
    const auto start = [&] {
        click(g, 7);
        return QPointer<cQCMCal>(ed->findChild<cQCMCal*>("CalEvent"));
    };
    for (const auto& [input, qcm, box] : std::vector<std::tuple<int, double, QString>>{
             {1, 0, "Calibration Input: ORUN is required."}, {0, -1, "Cal. QCM# and Cal. Sample time are required."}}) {
        f.Input_Type = input;
        f.QCM_NUMBER = qcm;
        boxes.clear();
        EXPECT_TRUE(start().isNull());
        EXPECT_EQ(boxes.prompts(), QStringList{box});
    }
    f.Input_Type = 0;
    f.QCM_NUMBER = 0;
    QPointer<cQCMCal> cal = start();
    ASSERT_FALSE(cal.isNull());
    EXPECT_EQ(g->CellBackColor(7, 0), 255u);
    EXPECT_FALSE(close->isEnabled());
    EXPECT_EQ(g->CellText(7, 0), "Delay 0");
    Clock::Advance(3500);
    QCMCalProbe::Raise(*cal, 1);
    EXPECT_EQ(g->CellText(7, 0), "Delay 4");
    Clock::Advance(4000);
    QCMCalProbe::Raise(*cal, 2);
    EXPECT_EQ(g->CellText(7, 0), "Cal 2");
    // The factor goes into the film calibrated, not the one shown by then.
    ed->ShowLayer(1);
    QCMCalProbe::Raise(*cal, 3, 1.23456);
    EXPECT_DOUBLE_EQ(f.QCM_CALFACTOR, 1.23456);
    EXPECT_DOUBLE_EQ(Film(0).QCM_CALFACTOR, 1.0);
    EXPECT_EQ(ed->grdORUN->CellText(2, 0), "1.0000");
    EXPECT_EQ(g->CellBackColor(7, 0), 0xFFFFFFu);
    EXPECT_EQ(g->CellText(7, 0), "Start");
    EXPECT_TRUE(close->isEnabled());
    QTest::qWait(0);
    EXPECT_TRUE(cal.isNull());

    // An error is told with the calibration's own text and stores nothing.
    ed->ShowLayer(2);
    cal = start();
    boxes.clear();
    QCMCalProbe::Raise(*cal, 12, 9.9);
    EXPECT_EQ(boxes.prompts(), QStringList{"ORUN or QCM readings are varying more than desired Cal. Accuracy."});
    EXPECT_EQ(boxes.last().icon(), vbCritical);
    EXPECT_DOUBLE_EQ(f.QCM_CALFACTOR, 1.23456);
    EXPECT_TRUE(close->isEnabled());

    // Closing the window mid-calibration lets the calibration go.
    cal = start();
    ed->windowHandle()->close();
    QCMCalProbe::Raise(*cal, 3, 7.0);
    EXPECT_DOUBLE_EQ(f.QCM_CALFACTOR, 1.23456);
    QTest::qWait(0);
    EXPECT_TRUE(cal.isNull());
}

// Every list cell of the layer and film grids: a typed item is taken, any other text (the
// beginning of an item that the list's own search would complete, a number that is no
// item) refused with the cell's message, nothing stored.
TEST_F(EditorGrids, EveryListCellTakesATypedItemAndRefusesAnyOtherText) {
    frmLayerFilm* ed = OpenLayer2();
    const std::map<QString, QString> messages =
        ListCells::Check(ed->findChildren<TarselGrid*>(), boxes, [ed](TarselGrid* g) {
            for (int k = 0; k < 4; ++k)
                if (ed->fraTab[k]->isAncestorOf(g)) ed->tabForm->setTab(k);
        });
    EXPECT_GE(messages.size(), 10u);
    const std::map<QString, QString> some = {
        {"grdLayer", "Valid Start Mode values are Auto, Manual or Contstant."},
        {"grdXChan", "Valid 1st xChan # values are None, 1, 2, 3, 4, 5, 6, 7 or 8."},
        {"grdDeposit", "Valid Error Action values are Ignore, Stop or Hold."},
        {"grdORUN", "Valid Exponent values are -12 to 12."},
    };
    for (const auto& expected : some) {
        const bool found = std::any_of(messages.begin(), messages.end(), [&](const auto& m) {
            return m.first.startsWith(expected.first + ' ') && m.second == expected.second;
        });
        EXPECT_TRUE(found) << expected.second.toStdString();
    }
    for (const auto& [cell, message] : messages) EXPECT_TRUE(message.startsWith("Valid ")) << cell.toStdString();
}
