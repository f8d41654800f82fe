// The setup window's grids typed into and picked from like a user, against the unit
// emulator: channel settings, sensor settings and the gas switch, and the relay and input
// maps with their relay test and input read, saved and read back from the database file.
#include "SetupFixture.h"

#include "app/VBConv.h"
#include "platform/SSTab.h"
#include "platform/VbColor.h"
#include "run/modIO.h"
#include "support/ListCells.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

namespace {

TEST_F(SetupFixture, ChannelGridChecksTypedValuesAndStoresThemInTheUnit) {
    frmSystem* w = Open();
    w->tabForm->setTab(0);
    TarselGrid* g = w->grdChan;
    EXPECT_EQ(g->CellText(1, 1), "10");  // 100 ms
    struct Case {
        int col;
        const char* typed;
        int32_t stored;  // ChanUpdate (ms) or CalPackets
        const char* shown;
        const char* box;
    };
    const QString update = "Valid Update values are 1 to 10.";
    const QString packets = "Valid Calibration Reading values are 1 to 1000.";
    // A text that is not wholly a number is refused, never read as its leading number.
    const Case cases[] = {{1, "3", 333, "3", ""},        {1, "11", 333, "3", "update"},   {1, "0.4", 1000, "1", ""},
                          {1, "7x", 1000, "1", "update"}, {1, "", 1000, "1", "update"},    {1, "10", 100, "10", ""},
                          {1, "1e9", 100, "10", "update"}, {2, "1000", 1000, "1000", ""}, {2, "1001", 1000, "1000", "packets"},
                          {2, "0", 1000, "1000", "packets"}, {2, "12.5", 12, "12", ""}, {2, "3.004.5", 12, "12", "packets"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        boxes.clear();
        TypeCell(g, 1, c.col, c.typed);
        EXPECT_EQ(c.col == 1 ? gORUN->ChanUpdate(1) : gORUN->CalPackets(1), c.stored);
        EXPECT_EQ(g->CellText(1, c.col), c.shown);
        EXPECT_FALSE(g->IsEditing());
        const QString box = QString::fromLatin1(c.box);
        ASSERT_EQ(boxes.count(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty()) {
            EXPECT_EQ(boxes.last().prompt, box == "update" ? update : packets);
        }
    }
    // The unit runs the channel at the period stored last (its own steps of 3 ms).
    EXPECT_TRUE(WaitUntil([&] { return sim.Model().periodMs[1] == 99; }, 3000));

    // A refusal on the way to another cell keeps the cell open for another try.
    boxes.clear();
    ClickCell(g, 1, 1);
    auto* editor = qobject_cast<QLineEdit*>(g->editor());
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "11");
    ClickCell(g, 4, 2);
    EXPECT_EQ(boxes.count(), 1);
    EXPECT_TRUE(g->IsEditing());
    EXPECT_EQ(g->CurrentRow(), 1);
    EXPECT_EQ(g->CellText(1, 1), "10");
    QTest::keyClick(g->editor(), Qt::Key_Escape);

    // The sensor is stored as it is picked, before the edit ends.
    int opened = -2;
    PickCell(g, 3, 0, "1", &opened);
    EXPECT_EQ(opened, 1);  // the table's default: sensor index 1
    EXPECT_TRUE(g->IsEditing());
    EXPECT_EQ(gORUN->SensorMap(3), 0);
    QTest::mouseMove(g->viewport(), g->cellRect(5, 0).center());
    EXPECT_EQ(g->ToolTipText(), "Sensor # Chan 6 measures.");
}

TEST_F(SetupFixture, SensorGridAndGasSwitchReachTheUnit) {
    gORUN->setMaxLeakage(1, 1.25);
    gORUN->setMaxLeakage(2, 7.5);
    gORUN->setGasCalEnabled(true);
    gORUN->setEmissionOn(3, 1);
    gORUN->SendReadSensors();
    ASSERT_TRUE(WaitUntil([] { return gORUN->ORUNSensorOn(3) > 0 && gORUN->CommStatus() == 0; }, 3000));
    frmSystem* w = Open();
    w->tabForm->setTab(1);
    TarselGrid* g = w->grdSensor;
    EXPECT_TRUE(w->chkGas->isChecked());
    EXPECT_EQ(g->CellForeColor(1, 0), 0u);
    EXPECT_EQ(g->CellText(1, 1), "1.25");
    EXPECT_EQ(g->CellText(3, 2), "0.0000");

    // A leakage of 1.25 mA opens its list on 1.2; one beyond the list on its last item.
    int opened = -1;
    PickCell(g, 1, 1, "0.9", &opened);
    EXPECT_EQ(opened, 12);
    EXPECT_EQ(gORUN->MaxLeakage(1), 0.9);
    PickCell(g, 2, 1, "4.9", &opened);
    EXPECT_EQ(opened, 49);
    PickCell(g, 2, 0, "5", &opened);
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(gORUN->EmissionSetPt(2), 5.0);
    EXPECT_TRUE(WaitUntil([&] { return sim.Model().setPoint[2] == 5.0; }, 3000));

    // Gas factors: a positive one is kept and shown with four decimals; any other keeps
    // the factor in force.
    TypeCell(g, 1, 2, "1.5");
    EXPECT_EQ(gORUN->GasCal(0), 1.5);
    EXPECT_EQ(g->CellText(1, 2), "1.5000");
    for (const char* typed : {"-3", "2.5x"}) {
        TypeCell(g, 1, 2, typed);
        EXPECT_EQ(gORUN->GasCal(0), 1.5);
        EXPECT_EQ(g->CellText(1, 2), "1.5000");
    }
    ClickCell(g, 0, 2);
    EXPECT_EQ(g->editor(), nullptr);  // a sensor row has no factor

    // Unchecking the gas sensors switches off the one that is on, and only that one.
    sim.ClearCommands();
    QTest::mouseClick(w->chkGas, Qt::LeftButton, {}, QPoint(6, w->chkGas->height() / 2));
    EXPECT_FALSE(gORUN->GasCalEnabled());
    EXPECT_EQ(g->CellForeColor(3, 1), uint32_t(vbGrayText));
    EXPECT_TRUE(WaitUntil([&] { return !sim.Model().emission[3]; }, 3000));
    EXPECT_EQ(sim.Commands().filter(QRegularExpression("^S")), QStringList{"S4;0"});
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(SetupFixture, RelayAndInputGridsEditTheMapsAndSaveThemWhenLeft) {
    modIO::SetOutputFunction(4, 15);  // a code without a function
    modIO::SetOutputFunction(1, 2);
    modIO::SetInputFunction(4, 9);
    frmSystem* w = Open();
    w->tabForm->setTab(3);
    TarselGrid* relays = w->grdRelay;
    TarselGrid* inputs = w->grdInput;
    EXPECT_EQ(relays->ListCount(), 33);
    EXPECT_EQ(inputs->ListCount(), 28);
    EXPECT_EQ(relays->ListItem(32), "QCM 4 Shutter");
    EXPECT_EQ(inputs->ListItemData(8), 8);
    EXPECT_EQ(inputs->ListItem(8), "Emission 1 On ");
    EXPECT_EQ(relays->CellText(1, 0), "Process Running");
    EXPECT_EQ(relays->CellText(4, 0), "");
    EXPECT_EQ(inputs->CellText(4, 0), "Fixed Interlock");
    EXPECT_TRUE(relays->RowHighlight(0));

    // Opening the code-15 row finds no item; leaving it stores nothing.
    int opened = -2;
    PickCell(relays, 4, 0, "", &opened);
    EXPECT_EQ(opened, -1);
    QTest::mouseClick(w->cmdTestRelay(1), Qt::LeftButton);
    EXPECT_EQ(modIO::GetOutputFunction(4), 15);

    // Picks, left open, are committed when the grid is left.
    PickCell(relays, 0, 0, "Layer Running");
    PickCell(relays, 1, 0, "Not Assigned");
    ClickCell(inputs, 6, 0);
    EXPECT_EQ(modIO::GetOutputFunction(0), 4);
    EXPECT_EQ(modIO::GetOutputFunction(1), 0);
    PickOpen(inputs, "Cal Channel 3");
    ClickCell(inputs, 4, 0);  // the fixed interlock opens nothing and is not chosen
    EXPECT_EQ(inputs->editor(), nullptr);
    EXPECT_TRUE(inputs->RowHighlight(6));
    EXPECT_FALSE(inputs->RowHighlight(4));
    QTest::mouseClick(w->cmdReadInput, Qt::LeftButton);  // leaves the grid

    // The input read shows the input's last known state.
    EXPECT_EQ(w->lblInputState->text(), "False");
    sim.Model().inputs = 1 << 6;
    gORUN->SendReadDigitalInputs();
    ASSERT_TRUE(WaitUntil([] { return gORUN->InputState(6); }, 3000));
    QTest::mouseClick(w->cmdReadInput, Qt::LeftButton);
    EXPECT_EQ(w->lblInputState->text(), "True");
    ClickCell(inputs, 6, -1);
    EXPECT_EQ(w->lblInputState->text(), "");

    // The maps come back from the database file.
    modDB::gDB = dao::Database();
    modDB::gDB = dao::OpenDatabase(folder.file("ORUN.MDB"));
    OutputFunction.fill(-1);
    InputFunction.fill(-1);
    modDB::IOLoad(1);
    const int16_t out[12] = {4, 0, 0, 0, 15, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i <= 11; ++i) EXPECT_EQ(modIO::GetOutputFunction(i), out[i]) << i;
    EXPECT_EQ(modIO::GetInputFunction(6), 32);
    EXPECT_EQ(modIO::GetInputFunction(4), 9);

    // The relay test: the row chosen last, then all of them.
    ClickCell(relays, 2, -1);
    QTest::mouseClick(w->cmdTestRelay(0), Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return sim.Model().relays == 1 << 2; }, 3000));
    ClickCell(relays, 7, -1);
    QTest::mouseClick(w->cmdTestRelay(0), Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return sim.Model().relays == (1 << 2 | 1 << 7); }, 3000));
    QTest::mouseClick(w->cmdTestRelay(1), Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return sim.Model().relays == 1 << 2; }, 3000));
    QTest::mouseClick(w->cmdTestRelay(2), Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return sim.Model().relays == 0; }, 3000));
    ClickCell(relays, -1, 0);  // the heading row chooses nothing
    EXPECT_TRUE(relays->RowHighlight(7));

    // Another process shows its own maps.
    gProcess(2) = gProcess(1);
    gApp->setProcNum(2);
    EXPECT_EQ(relays->CellText(0, 0), "Not Assigned");
    EXPECT_TRUE(relays->RowHighlight(0));
    EXPECT_EQ(boxes.count(), 0);
}

}  // namespace

// Every list cell of the setup grids takes a typed item and refuses any other text with
// its message. A set point typed as "1.5" or "1.2.3" (whose "1" the list's search took
// for "10") reaches neither the unit object nor the unit.
TEST_F(SetupFixture, EveryListCellTakesATypedItemAndRefusesAnyOtherText) {
    frmSystem* w = Open();
    w->tabForm->setTab(1);
    const double setPoint = gORUN->EmissionSetPt(2);
    for (const char* typed : {"1.5", "1.2.3"}) {
        ListCells::Type(w->grdSensor, 2, 0, typed, Qt::Key_Return);
        EXPECT_EQ(boxes.prompts(), QStringList{"Valid Emis. SetPt values are 2 to 10."});
        boxes.clear();
    }
    EXPECT_EQ(gORUN->EmissionSetPt(2), setPoint);
    ASSERT_TRUE(WaitUntil([] { return gORUN->CommStatus() == 0; }, 3000));
    gORUN->SendReadSensors();
    ASSERT_TRUE(WaitUntil([] { return gORUN->CommStatus() == 0; }, 3000));
    EXPECT_EQ(sim.Model().setPoint[2], setPoint);

    const std::map<QString, QString> messages =
        ListCells::Check({w->grdChan, w->grdSensor, w->grdRelay, w->grdInput}, boxes, [w](TarselGrid* g) {
            for (int k = 0; k <= 5; ++k)
                if (w->fraTab(k)->isAncestorOf(g)) w->tabForm->setTab(k);
        });
    EXPECT_EQ(messages.at("grdChan 7,0"), "Valid Sensor values are 1 or 2.");
    EXPECT_EQ(messages.at("grdSensor 2,0"), "Valid Emis. SetPt values are 2 to 10.");
    EXPECT_EQ(messages.at("grdSensor 3,1"), "Valid Max. Leak. values are 0.0 to 4.9.");
    EXPECT_EQ(messages.at("grdInput 11,0"), "Valid Function values are the items of its list.");
    EXPECT_GE(messages.size(), 30u);
}
