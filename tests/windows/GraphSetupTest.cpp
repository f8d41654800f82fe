// The graph setup window, offscreen, driven like a user: typed X settings checked and
// shared by the four records, changes that reach the open charts, a graph closed
// meanwhile, and the save on closing.
#include "windows/GraphFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

namespace {

using GraphSetup = GraphFixture;

TEST_F(GraphSetup, TypedXSettingsAreCheckedAndGoIntoAllFourRecords) {
    Open(0);
    frmGraph* other = Open(3);
    other->moGraph->SetAxisRange(StripChart::X, 30, 130);
    frmGraphsSetup* s = GraphsSetup();
    s->InitForm(0);
    activate(s);
    struct Case {
        QLineEdit* box;
        QString typed;
        QString message;  // empty: accepted
        QString shown;    // the box afterwards
    };
    const QString tooFew = "Number of data points must be greater than ten.";
    const QString notPositive = "X Axis Range must be greater than zero.";
    const Case cases[] = {
        {s->txtPoints, "10", tooFew, "100"},
        {s->txtPoints, "", tooFew, "100"},  // reads as 0
        {s->txtPoints, "11", "", "11"},
        {s->txtXAxis, "0", notPositive, "100"},
        {s->txtXAxis, "-5", notPositive, "100"},
        {s->txtXAxis, "100000", "X Axis Range must be less than 100000.", "100"},
        {s->txtXAxis, "120 s", "", "120 s"},  // pasted: its leading number counts
        {s->txtXAxis, "99999", "", "99999"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.typed.toStdString());
        boxes.clear();
        typeAndLeave(k.box, k.typed, s->txtCaption);
        EXPECT_EQ(boxes.prompts(), k.message.isEmpty() ? QStringList() : QStringList{k.message});
        EXPECT_EQ(k.box->text(), k.shown);
        if (!k.message.isEmpty()) {
            EXPECT_TRUE(k.box->hasFocus());
        }
    }
    for (int g = 0; g <= 3; ++g) {
        EXPECT_EQ(gGraph(g).XPoints, 11);
        EXPECT_EQ(gGraph(g).XWidth, 99999);
    }
    // The open charts keep their points until they start again; their X axes move at once.
    EXPECT_EQ(gGraphForm(0)->moGraph->Data().NumPoints(), 100);
    EXPECT_EQ(gGraphForm(0)->moGraph->AxisMax(StripChart::X), 99999);
    EXPECT_EQ(other->moGraph->AxisMax(StripChart::X), 30 + 99999);

    // Enter in the range box checks at once.
    s->txtXAxis->setFocus();
    s->txtXAxis->setText("250");
    QTest::keyClick(s->txtXAxis, Qt::Key_Return);
    EXPECT_EQ(gGraph(2).XWidth, 250);
    QTest::keyClicks(s->txtXAxis, "1a");  // letters do not get in
    EXPECT_EQ(s->txtXAxis->text(), "2501");
}

TEST_F(GraphSetup, ChangesReachTheOpenChartsAtOnce) {
    frmGraph* first = Open(0);
    frmGraph* second = Open(1);
    first->GraphReading(30, std::vector<double>(8, 1.0));
    first->GraphReading(90, std::vector<double>(8, 2.0));
    frmGraphsSetup* s = GraphsSetup();
    s->InitForm(0);
    activate(s);

    // Caption: live while typing, stored on leaving; an empty one is a blank.
    typeAndLeave(s->txtCaption, "", s->txtYUnits(0));
    EXPECT_EQ(gGraph(0).Caption, " ");
    EXPECT_EQ(first->windowTitle(), " ");
    s->txtYUnits(0)->setText("nm/s");
    EXPECT_EQ(first->moGraph->AxisTitle(StripChart::Y), "nm/s");

    // The Sensor kind names the axes FLUX and GAS and has no axis choice; the names stay.
    s->cboData->setCurrentIndex(s->cboData->findText("Sensor"));
    EXPECT_EQ(gGraph(0).Data, GraphDataKind::Sensor);
    EXPECT_EQ(s->txtYUnits(0)->text(), "FLUX");
    EXPECT_EQ(s->txtYUnits(1)->text(), "GAS");
    EXPECT_FALSE(s->optRight(4)->isVisible());
    s->cboData->setCurrentIndex(s->cboData->findText("Rate Ratio"));
    EXPECT_EQ(gGraph(0).Data, GraphDataKind::RateRatio);
    EXPECT_EQ(gGraph(0).Y2Units, "GAS");
    EXPECT_TRUE(s->optRight(4)->isVisible());

    // Log10 with a minimum of 0 starts the axis at 0.1.
    s->chkLogY(0)->setChecked(true);
    EXPECT_EQ(s->txtYMin(0)->text(), "0.1");
    EXPECT_EQ(gGraph(0).Y1Min, "0.1");
    EXPECT_EQ(gGraph(0).Y1Log, 1);
    EXPECT_TRUE(first->moGraph->AxisLogarithmic(StripChart::Y));
    EXPECT_DOUBLE_EQ(first->moGraph->AxisMin(StripChart::Y), 0.1);
    s->chkScientific(1)->setChecked(true);
    EXPECT_EQ(gGraph(0).Y2Exp, 9);
    EXPECT_TRUE(first->moGraph->AxisScientific(StripChart::Y2));
    typeAndLeave(s->txtYMax(1), "-20", s->txtCaption);  // any order of limits
    EXPECT_EQ(gGraph(0).Y2Max, "-20");
    EXPECT_EQ(first->moGraph->AxisMin(StripChart::Y2), -20);
    EXPECT_DOUBLE_EQ(first->moGraph->AxisSpacing(StripChart::Y2), 4);

    // A channel: on the right axis, and ticked without a film it draws nothing.
    s->optRight(2)->setChecked(true);
    EXPECT_EQ(gGraph(0).ChanAxis, 0b0100);
    EXPECT_TRUE(first->moGraph->AxisShowing(StripChart::Y2));
    s->chkChan(3)->setChecked(false);
    s->chkChan(3)->setChecked(true);
    EXPECT_FALSE(first->moGraph->SeriesShown(1, 4));
    EXPECT_EQ(first->moGraph->SeriesLabel(1, 4), "");
    s->chkChan(0)->setChecked(false);
    EXPECT_EQ(gGraph(0).Channels & 1, 0);
    EXPECT_FALSE(first->moGraph->SeriesShown(1, 1));
    s->chkChan(0)->setChecked(true);
    EXPECT_EQ(first->moGraph->SeriesLabel(1, 1).trimmed(), "Titania");

    // The X unit changes every open graph and its points; a closed graph keeps its own.
    s->cboXUnits->setCurrentIndex(1);
    for (frmGraph* w : {first, second}) {
        EXPECT_EQ(gGraph(w->Index()).XUnits, 1);
        EXPECT_EQ(w->moGraph->AxisTitle(StripChart::X), "Time (Min.)");
    }
    EXPECT_EQ(gGraph(2).XUnits, 0);
    EXPECT_DOUBLE_EQ(first->moGraph->Data().X(2), 1.5);
    s->cboXScroll->setCurrentIndex(3);
    for (int g = 0; g <= 3; ++g) EXPECT_EQ(gGraph(g).XScroll, 3);

    EXPECT_TRUE(s->grab().save(ScreenshotDir() + "/graph_setup.png"));

    // Advanced locks the axis settings here.
    s->chkAdvanced->setChecked(true);
    EXPECT_EQ(gGraph(0).Advanced, 1);
    EXPECT_FALSE(s->fraXAxis->isEnabled());
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(GraphSetup, AClosedGraphOnlyChangesItsRecordAndClosingSavesTheProcess) {
    frmGraph* w = Open(1);
    frmGraphsSetup* s = GraphsSetup();
    s->InitForm(1);
    activate(s);
    App().setShowGraph(1, false);
    QTest::qWait(0);
    ASSERT_TRUE(gGraphForm(1).isNull());
    Q_UNUSED(w);
    s->txtCaption->setText("Deposit rates");
    s->chkLogY(1)->setChecked(true);
    s->chkChan(1)->setChecked(false);
    s->optRight(0)->setChecked(true);
    s->chkOnTop->setChecked(true);
    typeAndLeave(s->txtYMax(0), "25", s->txtCaption);
    EXPECT_EQ(gGraph(1).Y1Max, "25");
    EXPECT_EQ(gGraph(1).Y2Min, "0.1");
    EXPECT_EQ(gGraph(1).Channels, 0b1101);
    EXPECT_EQ(gGraph(1).OnTop, 1);
    s->cmdHelp->click();
    EXPECT_EQ(helpTopics, std::vector<int>{120});

    s->cmdClose->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return gGraphsSetup.isNull(); }));
    dao::Recordset rs = modDB::gDB.OpenRecordset("SELECT * FROM Graphs WHERE Process_Number =1");
    EXPECT_EQ(rs.Fields("G2Y1Max").Value().toString(), "25");
    EXPECT_EQ(rs.Fields("G2Channels").Value().toInt(), 0b1101);
    EXPECT_EQ(boxes.count(), 0);
}

}  // namespace
