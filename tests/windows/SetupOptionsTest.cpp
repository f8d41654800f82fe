// The setup window's Display and QCM tabs used like a user: the main window's options and
// colours, the quartz source, the period and frequency checks with their messages, the
// sensors' serial numbers; and a screenshot of every tab.
#include "SetupFixture.h"

#include "app/VBConv.h"
#include "platform/ColorDialogs.h"
#include "platform/SSTab.h"
#include "platform/VbColor.h"
#include "platform/VbControls.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <deque>

namespace {

TEST_F(SetupFixture, DisplayTabSetsTheMainWindowOptionsAndColours) {
    MeterDamping = 0.25;
    gMainForm->setFormSize(6);
    CtrlKey = true;
    Colors(0) = 123;
    std::vector<ColorDialogRequest> asked;
    std::deque<ColorDialogAnswer> answers = {{true, VbRGB(10, 20, 30)}, {false, 0}};
    SetColorDialogResponder([&](const ColorDialogRequest& r) {
        asked.push_back(r);
        const ColorDialogAnswer a = answers.front();
        answers.pop_front();
        return a;
    });
    frmSystem* w = Open();
    w->tabForm->setTab(5);
    EXPECT_EQ(w->cboMeter->currentText(), "10 Hz");
    EXPECT_EQ(MeterDamping, 0.25);  // loading stores nothing
    EXPECT_EQ(w->cboChanShow->currentText(), "6");
    EXPECT_TRUE(w->chkCtrlKey->isChecked());

    const std::pair<const char*, double> meters[] = {{"10 Hz", 0.1}, {"1 Hz", 1.0}, {"2 Hz", 0.5}, {"5 Hz", 0.2}};
    for (const auto& [entry, damping] : meters) {
        Choose(w->cboMeter, entry);
        EXPECT_EQ(MeterDamping, damping) << entry;
    }
    Choose(w->cboChanShow, "8");
    EXPECT_EQ(gMainForm->FormSize(), 8);
    QTest::mouseClick(w->chkCtrlKey, Qt::LeftButton, {}, QPoint(6, w->chkCtrlKey->height() / 2));
    EXPECT_FALSE(CtrlKey);

    // A chosen colour is taken and painted; a cancelled dialog keeps the colour, and the
    // main window applies the colours either way.
    Colors(5) = int32_t(VbRGB(1, 2, 3));
    const int32_t before = Colors(0);
    QTest::mouseClick(w->cmdColor(2), Qt::LeftButton);
    QTest::mouseClick(w->cmdColor(0), Qt::LeftButton);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].flags, 1);
    EXPECT_EQ(asked[0].owner, w);
    EXPECT_EQ(asked[1].color, uint32_t(before));
    EXPECT_EQ(Colors(2), int32_t(VbRGB(10, 20, 30)));
    EXPECT_TRUE(w->cmdColor(2)->styleSheet().contains("#0a141e"));
    EXPECT_EQ(Colors(0), before);
    EXPECT_EQ(BackColor(gMainForm->lblTotal(0)), VbRGB(1, 2, 3));

    QTest::mouseClick(w->cmdColorDefault, Qt::LeftButton);
    const int32_t defaults[6] = {0xFFFF, 0xFF0000, 0, int32_t(vbButtonFace), 0, int32_t(vbButtonFace)};
    for (int i = 0; i <= 5; ++i) EXPECT_EQ(Colors(i), defaults[i]) << i;
    EXPECT_TRUE(w->cmdColor(1)->styleSheet().contains("#0000ff"));
    EXPECT_EQ(ForeColor(gMainForm->lblRdg(0)), 0xFFFFu);
    EXPECT_EQ(BackColor(gMainForm->lblTotal(0)), uint32_t(vbButtonFace));
    SetColorDialogResponder({});
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(SetupFixture, QCMTabChecksPeriodAndFrequenciesAndChoosesTheSource) {
    frmSystem* w = Open();
    w->tabForm->setTab(2);
    EXPECT_TRUE(w->optQCM(0)->isChecked());
    EXPECT_FALSE(w->fraQCMSetup->isVisibleTo(w) || w->fra600->isVisibleTo(w) || w->grdMirel->isVisibleTo(w));

    // The Mirel sensors: none is found, so every monitor's serial is struck through.
    QTest::mouseClick(w->optQCM(2), Qt::LeftButton, {}, QPoint(6, w->optQCM(2)->height() / 2));
    EXPECT_EQ(gQCM->QCMType(), 2);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.last().prompt.startsWith("No Mirels detected."));
    EXPECT_TRUE(w->fraQCMSetup->isVisible() && w->grdMirel->isVisible());
    EXPECT_FALSE(w->fra600->isVisible());
    for (int q = 0; q <= 3; ++q) EXPECT_TRUE(w->grdMirel->CellStrikeThrough(0, q));
    EXPECT_EQ(w->txtQCMFreq(0)->text(), "6.10");
    EXPECT_EQ(w->txtQCMPeriod->text(), "0.50");

    struct Case {
        QLineEdit* box;
        const char* typed;
        const char* message;  // empty when accepted
        const char* shown;
    };
    QLineEdit* const maxBox = w->txtQCMFreq(0);
    QLineEdit* const initBox = w->txtQCMFreq(1);
    QLineEdit* const minBox = w->txtQCMFreq(2);
    const Case cases[] = {
        {w->txtQCMPeriod, "2.01", "Period must be between 0.1 and 2", "0.50"},
        {w->txtQCMPeriod, "0.09", "Period must be between 0.1 and 2", "0.50"},
        {w->txtQCMPeriod, "-1", "Period must be between 0.1 and 2", "0.50"},
        {w->txtQCMPeriod, "0.5.1", "Period must be between 0.1 and 2", "0.50"},
        {w->txtQCMPeriod, "2", "", "2.00"},
        {w->txtQCMPeriod, "0.1", "", "0.10"},
        {minBox, "0.5", "Min. Frequency must be >= 1MHZ.", "5.00"},
        {minBox, "6", "Min. Frequency must be < Initial Frequency !", "5.00"},
        {minBox, "1", "", "1.00"},
        {initBox, "6.1", "Initial Frequency must be be < Max. Frequency.", "6.00"},
        {initBox, "1", "Initial Frequency must be > Min. Frequency.", "6.00"},
        {maxBox, "10.01", "Max. Frequency must be <= 10 MHZ.", "6.10"},
        {maxBox, "6.5.5", "Max. Frequency must be <= 10 MHZ.", "6.10"},
        {maxBox, "6", "Max. Frequency must be > Initial Frequency.", "6.10"},
        {maxBox, "10", "", "10.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        boxes.clear();
        Type(c.box, c.typed);
        const QString message = QString::fromLatin1(c.message);
        ASSERT_EQ(boxes.count(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            EXPECT_EQ(boxes.last().prompt, message);
            EXPECT_TRUE(c.box->hasFocus());
        }
        EXPECT_EQ(c.box->text(), c.shown);
    }
    EXPECT_EQ(gQCM->Period(), 0.1);
    EXPECT_EQ(gQCM->FreqMin(), 1e6);
    EXPECT_EQ(gQCM->FreqMax(), 1e7);

    // Enter checks a box without leaving it; keys other than digits, "-" and "." are dropped.
    Type(w->txtQCMPeriod, "0.7x5", Qt::Key_Return);
    EXPECT_EQ(gQCM->Period(), 0.75);
    EXPECT_TRUE(w->txtQCMPeriod->hasFocus());
    // A period the facade refuses (never checked in its box) is told when a frequency is.
    QTest::mouseClick(minBox, Qt::LeftButton);
    boxes.clear();
    w->txtQCMPeriod->setText("5");
    Type(minBox, "2", Qt::Key_Return);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.last().prompt, "Error: Verify FreqMax > FreqInit > FreqMin, and .1 <= Period <=2.");
    EXPECT_EQ(minBox->text(), "2");
    EXPECT_EQ(gQCM->FreqMin(), 1e6);
    w->txtQCMPeriod->setText("0.75");

    // Each change of a serial number assigns the whole cell to its monitor.
    QStringList assigned;
    QObject::connect(w->grdMirel, &TarselGrid::TextChange, [&](int, int col) { assigned << gQCM->MirelSN(col); });
    TypeCell(w->grdMirel, 0, 1, "M7");
    EXPECT_EQ(assigned, QStringList({"M", "M7"}));
    EXPECT_EQ(gQCM->MirelSN(0), "");
    QTest::mouseMove(w->grdMirel->viewport(), w->grdMirel->cellRect(0, 2).center());
    EXPECT_EQ(w->grdMirel->ToolTipText(), "Mirel Serial Number for QCM3. Strikethrough is not found.");

    QTest::mouseClick(w->optQCM(0), Qt::LeftButton, {}, QPoint(6, w->optQCM(0)->height() / 2));
    EXPECT_EQ(gQCM->QCMType(), 0);
    EXPECT_FALSE(w->fraQCMSetup->isVisible() || w->grdMirel->isVisible());
}

TEST_F(SetupFixture, ScreenshotOfEveryTab) {
    gORUN->setCalSlope(0, 0, -0.1);
    gORUN->setGasCalEnabled(true);
    Debug = 1;
    frmSystem* w = Open();
    w->tabForm->setTab(2);
    w->optQCM(2)->click();
    gQCM->setMirelSN(1, "M7");
    w->InitTab(2);
    const QString dir = QStringLiteral(ORUN_BIN_DIR "/../screenshots");
    QDir().mkpath(dir);
    const char* const names[] = {"channel", "sensor", "qcm", "io", "comm", "display"};
    for (int k = 0; k <= 5; ++k) {
        w->tabForm->setTab(k);
        EXPECT_TRUE(w->grab().save(dir + "/setup_" + names[k] + ".png"));
    }
}

}  // namespace
