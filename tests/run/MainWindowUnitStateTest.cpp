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
#include <QElapsedTimer>
#include <QTest>
#include <cmath>
#include <functional>

namespace {

// Relays of the process: 0 Process Stopped, 1 Process Running, 2 Layer Stopped, 3 Deposit
// Phase, 4 Channel 1 Shutter, 5 Manual Mode. Inputs: 0 Stop Process, 1 End Channel 1,
// 2 Stop Film, 3 Start Process.
constexpr int16_t kRelayFunctions[6] = {1, 2, 3, 5, 20, 9};
constexpr int16_t kInputFunctions[4] = {2, 20, 4, 1};
constexpr int32_t kStoppedWord = 0b000101;
constexpr int32_t kStopLayerWord = 0b000110;
constexpr int32_t kDepositWord = 0b011010;
constexpr int16_t kChannel2Shutter = 21;
constexpr int16_t kChannel3Shutter = 22;

class MainWindowUnitState : public MainWindowTest {
protected:
    // Process 1 deposits on the channels; each film's loop drives its source up from the
    // reading of its detector (given its film's volts).
    // With records, more steps are chained on (their films' loops drive alike), and relays
    // 6 and 7 open the shutters of channels 2 and 3.
    void Prepare(std::initializer_list<int16_t> channels, const std::function<void()>& records = {}) {
        Station(channels, records);
        for (int16_t f = 1; f <= 8; ++f) {
            gFilm(f).PTerm = 200.0;
            gFilm(f).ITerm = 0.2;
            gFilm(f).SLEW_RATE = 50.0;
            if (gFilm(f).Sensor_PMT == 0.0) gFilm(f).Sensor_PMT = 700.0;
        }
        if (records) {
            modIO::SetOutputFunction(6, kChannel2Shutter);
            modIO::SetOutputFunction(7, kChannel3Shutter);
        }
        for (int16_t i = 0; i <= 5; ++i) modIO::SetOutputFunction(i, kRelayFunctions[i]);
        for (int16_t i = 0; i <= 3; ++i) modIO::SetInputFunction(i, kInputFunctions[i]);
        modDB::IOSave(1);
        Connect();
    }

    bool Driven(int o) { return unit.Model().powerCode[o] > OutputCode::ZeroVolts; }
    // The power of output o the unit holds, in percent of its 10 V full scale.
    double Held(int o) { return (unit.Model().powerCode[o] - OutputCode::ZeroVolts) * 100.0 / OutputCode::Span; }
    bool HoldsPower(int o, double percent) {
        return WaitUntil([&] { return std::abs(Held(o) - percent) < 0.01; }, 5000);
    }
    // A manual power typed into channel ch's box and sent with Enter.
    void Type(int16_t ch, const char* percent) {
        form->txtPower(ch)->setText(QLatin1String(percent));
        QTest::keyClick(form->txtPower(ch), Qt::Key_Return);
    }
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
    void Depositing(int32_t relays = kDepositWord) {
        gApp->setPhase(PhaseCode::Deposit);
        ASSERT_TRUE(WaitUntil([&] { return Driven(0) && unit.Model().relays == relays; }, 5000));
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

// A hand-set power lives as long as the row that shows its box, and keeps within the film
// of the step shown, whether the operator's box or a client sets it. Step 1: channels 0 and
// 1 (outputs 0 and 1); step 2: channel 1 (film 3, 60 % at most, starting in Constant) and
// channel 2 (film 4, 40 % at most) through output 0.
TEST_F(MainWindowUnitState, AHandSetPowerLivesWithItsRowAndWithinTheFilmOfTheStepShown) {
    ServeRelay();
    Prepare({0, 1}, [] {
        SecondStep();
        gFilm(3).Max_Power = 60.0;
        gFilm(4).Max_Power = 40.0;
        gLayer(3).StartMode = 2;
    });
    constexpr int32_t kStopped = 0b101;
    // Manual power opens the shutters of the step's channels and the "Manual Mode" relay.
    constexpr int32_t kManualStep1 = kStopped | 0b1110000;
    form->chkManPwr(0)->click();
    Type(0, "50");
    ASSERT_TRUE(HoldsPower(0, 50.0));
    ASSERT_TRUE(Holds(kManualStep1) || unit.Model().relays == kManualStep1) << unit.Model().relays;

    // Next layer: channel 0 has no row in step 2, so no box to switch its power off with.
    // Its output stops at once, and its shutter and "Manual Mode" close.
    form->cmdFunc(1)->click();
    ASSERT_EQ(gApp->ProcLayer(), 2);
    EXPECT_TRUE(Holds(kStopped)) << unit.Model().relays << ", output 0 at " << Held(0) << " %";
    EXPECT_FALSE(form->chkManPwr(0)->isChecked());
    EXPECT_EQ(gApp->ChanPhase(0), PhaseCode::Stopped);

    // A client sets channel 2's power through output 0: film 4's 40 % holds for it as for
    // the box, though the output's limit is still step 1's 100 %.
    EXPECT_EQ(Remote("@UP;53;90"), "NAK;02");
    EXPECT_EQ(Remote("@UP;53;40.1"), "NAK;02");
    ASSERT_TRUE(Readings(2));
    EXPECT_FALSE(Driven(0));
    EXPECT_EQ(Remote("@UP;53;40"), "");
    EXPECT_TRUE(HoldsPower(0, 40.0));
    EXPECT_EQ(Remote("@UP;43;1"), "");
    EXPECT_TRUE(Holds(kStopped));

    // Manual power off outside a running layer stops the channel, also where its layer
    // starts in Constant: no CONSTANT channel runs on in STOPPED...
    form->chkManPwr(1)->click();
    Type(1, "55");
    ASSERT_TRUE(HoldsPower(1, 55.0));
    form->chkManPwr(1)->click();
    EXPECT_EQ(gApp->ChanPhase(1), PhaseCode::Stopped);
    EXPECT_TRUE(Holds(kStopped)) << "output 1 at " << Held(1) << " %";

    // ...nor in STOP LAYER, where the tick would drive it.
    form->cmdFunc(0)->click();
    ASSERT_TRUE(WaitUntil([&] { return gApp->Phase() == PhaseCode::Deposit && Driven(0) && Driven(1); }, 5000));
    form->cmdFunc(0)->click();
    ASSERT_EQ(gApp->Phase(), PhaseCode::StopLayer);
    form->chkManPwr(1)->click();
    Type(1, "30");
    ASSERT_TRUE(HoldsPower(1, 30.0));
    form->chkManPwr(1)->click();
    EXPECT_EQ(gApp->ChanPhase(1), PhaseCode::StopLayer);
    ASSERT_TRUE(Readings(5));
    EXPECT_FALSE(Driven(1)) << Held(1) << " %";

    // A box ticked in step 2 never stays ticked out of sight: back at step 1 its row has
    // gone and so has its power; at step 2 again the row shows it off, and nothing drives
    // the channel.
    form->chkManPwr(2)->click();
    Type(2, "20");
    ASSERT_TRUE(HoldsPower(0, 20.0));
    form->cmdFunc(2)->click();
    ASSERT_EQ(gApp->ProcLayer(), 1);
    EXPECT_FALSE(form->chkManPwr(2)->isChecked());
    EXPECT_TRUE(Holds(kStopped)) << "output 0 at " << Held(0) << " %";
    form->cmdFunc(1)->click();
    ASSERT_TRUE(Readings(5));
    EXPECT_FALSE(form->chkManPwr(2)->isChecked());
    EXPECT_TRUE(form->chkManPwr(2)->isVisibleTo(form));
    EXPECT_EQ(gApp->ChanPhase(1), PhaseCode::Stopped);
    EXPECT_EQ(gApp->ChanPhase(2), PhaseCode::Stopped);
    EXPECT_TRUE(Holds(kStopped));
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
}

// A loop drives a channel only once the unit holds the volts of that channel's film in the
// step shown, and never above that film's maximum. Channel 1 runs on in CONSTANT in STOP
// LAYER while the operator moves to step 2, where film 3 (800 V, 15 % at most) replaces
// film 2 (750 V, 100 %).
TEST_F(MainWindowUnitState, ALoopDrivesOnlyOnTheDetectorAndWithinTheFilmOfTheStepShown) {
    Prepare({0, 1}, [] {
        SecondStep();
        gLayer(2).StartMode = 2;
        gFilm(2).Sensor_PMT = 750;
        gFilm(3).Sensor_PMT = 800;
        gFilm(3).Max_Power = 15.0;  // below what the loop asks for the rate
    });
    form->cmdFunc(0)->click();
    ASSERT_TRUE(WaitUntil([&] { return gApp->Phase() == PhaseCode::Deposit && Driven(1); }, 5000));
    form->cmdFunc(0)->click();
    ASSERT_EQ(gApp->ChanPhase(1), PhaseCode::Constant);
    ASSERT_EQ(unit.Model().pmtVolts[1], 750);
    // The highest power of output 1 the unit held from the step-2 volts on (the powers of
    // step 1's loop may still be on their way before that).
    double most = 0.0;
    bool step2 = false;
    const auto watch = QObject::connect(&unit, &UnitSim::CommandReceived, [&](const QString& c) {
        step2 = step2 || c == "H2,800";
        if (step2 && c.startsWith('K')) most = std::max(most, Held(1));
    });
    form->cmdFunc(1)->click();
    ASSERT_EQ(gApp->ProcLayer(), 2);
    ASSERT_TRUE(WaitUntil([&] { return unit.Model().pmtVolts[1] == 800 && Held(1) > 14.99; }, 10000))
        << unit.Model().pmtVolts[1] << " V, " << Held(1) << " %";
    ASSERT_TRUE(Readings(5));
    QObject::disconnect(watch);
    EXPECT_LE(most, 15.0 + 1e-9);
    EXPECT_EQ(unit.Model().pmtVolts[1], 800);
}

// The unit restarts (relays off, detectors at 0 V, outputs at 0 V) and answers on as if
// nothing had happened: within one reply time-out it holds the program's relay word,
// detector volts and powers again, without an identification. When a reply is lost as
// well, the identification gives every channel the program gave volts to its volts
// again, not only the channels of the step shown.
TEST_F(MainWindowUnitState, AUnitThatRestartedHoldsTheProgramsStateAgainWithinOneTimeOut) {
    gFilm(1).Sensor_PMT = 700;
    gFilm(2).Sensor_PMT = 750;
    gFilm(3).Sensor_PMT = 800;
    Prepare({0, 1}, [] { SecondStep(); });
    // The measurement periods every station's channel settings give.
    // The measurement periods every station's channel settings give, taken by the unit: a
    // restart shows in its readings once they report them.
    for (int ch = 0; ch <= 1; ++ch) gORUN->setChanUpdate(ch, 100);
    const uint32_t taken = gORUN->ReadingsTaken(1);
    ASSERT_TRUE(WaitUntil([&] { return unit.Model().periodMs[1] == 99 && gORUN->ReadingsTaken(1) >= taken + 4; }, 5000));
    const auto restored = [&](int32_t relays, std::initializer_list<std::pair<int, int32_t>> volts) {
        QElapsedTimer since;
        since.start();
        const bool ok = WaitUntil([&] {
            if (unit.Model().relays != relays) return false;
            for (const auto& [ch, v] : volts)
                if (unit.Model().pmtVolts[ch] != v) return false;
            return true;
        }, 15000);
        return ok ? since.elapsed() : -1;
    };

    // Depositing: the relay word and both detectors come back; the loop's powers go with
    // every tick anyway.
    Depositing(kDepositWord | 0b1000000);
    unit.ClearCommands();
    unit.Model().PowerCycle();
    const qint64 took = restored(kDepositWord | 0b1000000, {{0, 700}, {1, 750}});
    EXPECT_GE(took, 0) << "relays " << unit.Model().relays;
    EXPECT_FALSE(unit.Commands().contains("@"));
    EXPECT_NE(form->lblStatus->text(), "COMM ERROR");
    EXPECT_TRUE(WaitUntil([&] { return Driven(0); }, 5000));

    // Stopped, with a hand-set power: no tick runs, yet the power comes back too.
    form->cmdFunc(0)->click();
    gApp->setPhase(PhaseCode::Stopped);
    form->chkManPwr(1)->click();
    Type(1, "35");
    ASSERT_TRUE(HoldsPower(1, 35.0));
    const int32_t manual = unit.Model().relays;
    unit.Model().PowerCycle();
    EXPECT_GE(restored(manual, {{1, 750}}), 0) << "relays " << unit.Model().relays;
    EXPECT_TRUE(HoldsPower(1, 35.0));
    form->chkManPwr(1)->click();
    ASSERT_TRUE(Holds(kStoppedWord));

    // At step 2, a restart with a lost reply: the reply is asked for again, the readings
    // show the unit lost its periods, and channel 0, whose detector step 1 gave its volts,
    // gets them again, as channel 1 gets film 3's, without a reply time-out.
    form->cmdFunc(1)->click();
    gApp->setPhase(PhaseCode::Stopped);
    ASSERT_TRUE(WaitUntil([&] { return unit.Model().pmtVolts[1] == 800; }, 5000));
    unit.LoseNextReplies(1);
    unit.Model().PowerCycle();
    EXPECT_GE(restored(kStoppedWord, {{0, 700}, {1, 800}}), 0);
    EXPECT_FALSE(unit.Commands().contains("@"));
    EXPECT_NE(form->lblStatus->text(), "COMM ERROR");
}
