// What the emulated unit holds after each way a run stops and after each disturbance of
// the link: the powers it drives and the relay word it has, not what the window shows.
#include "MainWindowFixture.h"

#include "app/modFormUtil.h"
#include "editors/frmProcess.h"
#include "platform/SSTab.h"
#include "platform/TreeView.h"
#include "windows/frmSystem.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

// Relays of the process: 0 Process Stopped, 1 Process Running, 2 Layer Stopped, 3 Deposit
// Phase, 4 Channel 1 Shutter, 5 Manual Mode. Inputs: 0 Stop Process, 1 End Channel 1,
// 2 Stop Film, 3 Start Process.
constexpr int16_t kRelayFunctions[6] = {1, 2, 3, 5, 20, 9};
constexpr int16_t kInputFunctions[4] = {2, 20, 4, 1};
constexpr int32_t kStoppedWord = 0b000101;
constexpr int32_t kStopLayerWord = 0b000110;
constexpr int32_t kDepositWord = 0b011010;

class MainWindowUnitState : public MainWindowTest {
protected:
    // Process 1 deposits on the channels; each film's loop drives its source up while it
    // reads nothing (the detectors see no light at 0 PMT volts).
    void Prepare(std::initializer_list<int16_t> channels) {
        Station(channels);
        for (int16_t c : channels) {
            FilmRec& f = gFilm(c + 1);
            f.PTerm = 200.0;
            f.ITerm = 0.2;
            f.SLEW_RATE = 50.0;
        }
        for (int16_t i = 0; i <= 5; ++i) modIO::SetOutputFunction(i, kRelayFunctions[i]);
        for (int16_t i = 0; i <= 3; ++i) modIO::SetInputFunction(i, kInputFunctions[i]);
        modDB::IOSave(1);
        Connect();
    }

    bool Driven(int o) { return unit.Model().powerCode[o] > OutputCode::ZeroVolts; }
    bool AllOff() {
        for (int o = 0; o <= 7; ++o)
            if (unit.Model().powerCode[o] != OutputCode::ZeroVolts) return false;
        return true;
    }
    // The unit holds the relay word and every output at 0 V.
    bool Holds(int32_t relays) {
        return WaitUntil([&] { return unit.Model().relays == relays && AllOff(); }, 5000);
    }
    // Channel 0 deposits: its source is driven, its shutter open.
    void Depositing() {
        gApp->setPhase(PhaseCode::Deposit);
        ASSERT_TRUE(WaitUntil([&] { return Driven(0) && unit.Model().relays == kDepositWord; }, 5000));
    }
    // A layer started with START, stopped with STOP: channel 0 runs on in CONSTANT.
    void ConstantInStopLayer() {
        gLayer(1).StartMode = 2;
        form->cmdFunc(0)->click();
        ASSERT_TRUE(WaitUntil([&] { return gApp->Phase() == PhaseCode::Deposit && Driven(0); }, 5000));
        form->cmdFunc(0)->click();
        ASSERT_EQ(gApp->Phase(), PhaseCode::StopLayer);
        ASSERT_TRUE(WaitUntil([&] { return Driven(0) && unit.Model().relays == kStopLayerWord; }, 5000));
        gLayer(1).StartMode = 0;
    }
    void Input(int n) {
        unit.Model().inputs = 1 << n;
    }
    // Lets the window see more readings, so that a power a tick would send has gone out.
    bool Readings(int n) {
        int seen = 0;
        const auto c = QObject::connect(gORUN, &cORUN::ORUNResponse, [&](const QString& r) { seen += r.startsWith('G'); });
        const bool ok = WaitUntil([&] { return seen >= n; }, 5000);
        QObject::disconnect(c);
        return ok;
    }
};

}  // namespace

// STOPPED and STOP LAYER are entered outside a control tick, and no tick follows in
// STOPPED: each way in must bring the zero powers and the phase's relay word to the unit
// itself.
TEST_F(MainWindowUnitState, EveryWayIntoAStopReachesTheUnitAtOnce) {
    Prepare({0, 1});
    gProcess(2).Process_Name = QStringLiteral("Second");
    gProcess(2).First_Layer = 20;
    gProcess(2).Number_Layers = gProcess(2).Number_Act_Layers = 1;
    gLayer(20) = gLayer(2);
    gLayer(20).Layer_Number = 20;
    modDB::IOLoad(2);  // process 2's row, then the same maps in it
    modDB::IOLoad(1);
    modDB::IOSave(2);
    form->BuildProcessMenu();

    const struct {
        const char* stop;
        std::function<void()> before;
        std::function<void()> stop_;
        int32_t relays;
        int16_t phase;
    } cases[] = {
        {"input Stop Process in DEPOSIT", [&] { Depositing(); }, [&] { Input(0); }, kStoppedWord, PhaseCode::Stopped},
        {"input End Channel 1 in DEPOSIT", [&] { Depositing(); }, [&] { Input(1); }, kStoppedWord, PhaseCode::Stopped},
        {"input Stop Film in DEPOSIT", [&] { Depositing(); }, [&] { Input(2); }, kStopLayerWord, PhaseCode::StopLayer},
        {"RESET from STOP LAYER with a CONSTANT channel", [&] { ConstantInStopLayer(); },
         [&] { form->cmdFunc(2)->click(); }, kStoppedWord, PhaseCode::Stopped},
        {"RESET from STOP LAYER with a MAN POWER channel",
         [&] {
             Depositing();
             form->cmdFunc(0)->click();
             form->chkManPwr(0)->click();
             form->txtPower(0)->setText(QStringLiteral("30"));
             QTest::keyClick(form->txtPower(0), Qt::Key_Return);
             // The channel's shutter and "Manual Mode" open for the hand-set power.
             ASSERT_TRUE(WaitUntil([&] { return Driven(0) && unit.Model().relays == (kStopLayerWord | 0b110000); }, 5000));
         },
         [&] { form->cmdFunc(2)->click(); }, kStoppedWord, PhaseCode::Stopped},
        {"another process opened while a CONSTANT channel runs", [&] { ConstantInStopLayer(); },
         [&] {
             for (size_t i = 0; i < form->mnuFileProcess.size(); ++i)
                 if (form->mnuFileProcess[i]->data().toInt() == 2) form->mnuFileProcess_Click(static_cast<int16_t>(i));
         },
         kStoppedWord, PhaseCode::Stopped},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stop);
        c.before();
        c.stop_();
        EXPECT_TRUE(Holds(c.relays)) << "relays " << unit.Model().relays;
        EXPECT_EQ(gApp->Phase(), c.phase);
        unit.Model().inputs = 0;
        ASSERT_TRUE(WaitUntil([&] { return form->LastInputReg == 0; }, 3000));
        if (gApp->ProcNum() != 1) gApp->setProcNum(1);
        gApp->setPhase(PhaseCode::Stopped);
    }
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();

    // The tree closed in STOP LAYER after an edit maps the process again: channel 1's layer,
    // cut from step 1 and pasted as step 2 into the record it left, no longer deposits with
    // step 1.
    Depositing();
    form->cmdFunc(0)->click();
    frmProcess* tree = ProcessEditor();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tree));
    auto click = [&](const char* key) {
        TreeNode* node = tree->TV1->Nodes().Item(QLatin1String(key));
        node->Parent()->setExpanded(true);
        QTest::mouseClick(tree->TV1->viewport(), Qt::LeftButton, {}, tree->TV1->nodeRect(node).center());
    };
    click("L2,P1");
    tree->cmdEdit[1]->click();
    click("L1,P1");
    tree->optPaste[0]->click();
    tree->cmdEdit[3]->click();
    ASSERT_EQ(gLayer(1).Next_Layer, 2);
    tree->cmdForm[0]->click();
    EXPECT_TRUE(Holds(kStoppedWord));
    form->cmdFunc(0)->click();
    ASSERT_TRUE(WaitUntil([&] { return gApp->Phase() == PhaseCode::Deposit && Driven(0); }, 5000));
    ASSERT_TRUE(Readings(3));
    EXPECT_FALSE(Driven(1));

    // The plant's Start Process input while the tree is open after an edit (channel 1's
    // layer pasted back into step 1): the tree closes first, and step 1 deposits on both
    // channels as edited, not on the map from before the edit.
    gApp->setPhase(PhaseCode::Stopped);
    ASSERT_TRUE(Holds(kStoppedWord));
    tree = ProcessEditor();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tree));
    click("L2,P1");
    tree->cmdEdit[1]->click();
    click("L1,P1");
    tree->optPaste[3]->click();
    tree->cmdEdit[3]->click();
    ASSERT_EQ(gLayer(1).Next_Layer, -1);
    Input(3);
    ASSERT_TRUE(WaitUntil([&] { return gApp->Phase() == PhaseCode::Deposit && Driven(0) && Driven(1); }, 5000));
    EXPECT_FALSE(modFormUtil::IsFormLoaded(QStringLiteral("frmProcess")));
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
}

// After the unit was silent, lost its port or gave a short reply, it holds what the
// program shows again: the relay word, the powers and the settings made meanwhile.
TEST_F(MainWindowUnitState, AfterALinkDisturbanceTheUnitGetsWhatTheProgramHolds) {
    gFilm(4).Sensor_PMT = 700;
    Prepare({0, 3});

    // Silent while the operator stops the layer and changes a channel's period and a
    // sensor's set point: all of it reaches the unit when it answers again.
    Depositing();
    unit.setSilent(true);
    ASSERT_TRUE(WaitUntil([&] { return form->lblStatus->text() == "COMM ERROR"; }, 10000));
    form->cmdFunc(0)->click();
    gORUN->setChanUpdate(0, 500);
    gORUN->setEmissionSetPt(0, 6.0);
    unit.setSilent(false);
    EXPECT_TRUE(Holds(kStopLayerWord));
    EXPECT_TRUE(WaitUntil([&] { return unit.Model().periodMs[0] == 498 && unit.Model().setPoint[0] == 6.0; }, 5000))
        << unit.Model().periodMs[0] << " ms, " << unit.Model().setPoint[0] << " mA";
    gApp->setPhase(PhaseCode::Stopped);

    // The unit's port set to no port, or to a serial port that does not open, and back to
    // Ethernet: the unit is polled again at once.
    qputenv("ORUN_COM3", folder.file(QStringLiteral("no-tty")).toLocal8Bit());
    frmSystem* setup = SystemForm();
    setup->show();
    setup->tabForm->setTab(4);
    auto choose = [&](const char* port) {
        setup->cboHalvornePort->setCurrentIndex(setup->cboHalvornePort->findText(QLatin1String(port)));
    };
    for (const QStringList& picks : {QStringList{"Disabled", "Ethernet"}, QStringList{"Com3", "Ethernet"}}) {
        SCOPED_TRACE(picks.join(" > ").toStdString());
        for (const QString& pick : picks) choose(pick.toLatin1().constData());
        unit.ClearCommands();
        EXPECT_TRUE(WaitUntil([&] { return Received("F") >= 3; }, 8000)) << unit.Commands().join(' ').toStdString();
    }
    EXPECT_EQ(boxes.prompts(), QStringList{"Comm Port 3 not available."});
    qunsetenv("ORUN_COM3");
    modFormUtil::Unload(setup);

    // A short channel reply leaves channel 3 active: the next layer gives its detector the
    // PMT volts its film now has.
    unit.Model().channelFields = 2;
    ASSERT_TRUE(Exchange([] { gORUN->SendGetVersion(); }, "A"));
    gFilm(4).Sensor_PMT = 750;
    form->cmdFunc(0)->click();
    EXPECT_TRUE(WaitUntil([&] { return unit.Model().pmtVolts[3] == 750; }, 5000)) << unit.Model().pmtVolts[3];
    form->cmdFunc(0)->click();
    gApp->setPhase(PhaseCode::Stopped);

    // A detector the unit reports off gets no volts: its source is never driven, and the
    // unit is asked for its channels again when the layer starts.
    unit.Model().channelFields = 8;
    unit.Model().active[3] = false;
    ASSERT_TRUE(Exchange([] { gORUN->SendGetVersion(); }, "A"));
    ASSERT_FALSE(gORUN->ChanActive(3));
    unit.ClearCommands();
    form->cmdFunc(0)->click();
    ASSERT_TRUE(WaitUntil([&] { return gApp->Phase() == PhaseCode::Deposit && Driven(0); }, 5000));
    ASSERT_TRUE(Readings(3));
    EXPECT_FALSE(Driven(3));
    EXPECT_TRUE(unit.Commands().contains("A"));
    EXPECT_TRUE(form->lblSubPhase(3)->text().startsWith("ORUN Err")) << form->lblSubPhase(3)->text().toStdString();
}
