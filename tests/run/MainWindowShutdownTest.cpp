// The exit of the main window: the question, the 500 ms the unit gets to switch its
// outputs and emission off, and the second pass that stops a run, shuts the program down
// and saves the active process and the edit channel's layer and film.
#include "MainWindowFixture.h"

#include "app/cErrHandler.h"
#include "platform/AppInfo.h"
#include "platform/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

namespace {

QVariant Column(const QString& file, const QString& query, const QString& column) {
    dao::Recordset rs = dao::OpenDatabase(file).OpenRecordset(query);
    return rs.RecordCount() == 0 ? QVariant() : rs.Fields(column).Value();
}

QString Setting(const char* section, const char* key) {
    return GetSetting(App().Title, QString::fromLatin1(section), QString::fromLatin1(key));
}

}  // namespace

TEST_F(MainWindowTest, ExitAsksThenShutsDownInTwoPassesAndSavesTheEditedRecords) {
    Station({0, 1});
    form->show();
    Connect();

    // The close box is refused without a question while the exit is locked; File, Exit
    // still asks.
    SystemFlags = 2;
    int cancel = 0;
    form->Form_QueryUnload(cancel, 0);
    EXPECT_EQ(cancel, 1);
    EXPECT_EQ(boxes.count(), 0);
    boxes.answer(vbNo);
    form->mnuFileExit->trigger();
    EXPECT_EQ(boxes.prompts(), QStringList{"Exit the ORUN program?"});
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->tmrEnd->isActive());
    EXPECT_TRUE(Polling());
    EXPECT_FALSE(gErr.TraceExecution());

    // Channel 0 deposits, its loop driving the source up from its detector; the log is on.
    gFilm(1).Sensor_PMT = 700.0;
    gFilm(1).PTerm = 200.0;
    gFilm(1).ITerm = 0.2;
    gFilm(1).SLEW_RATE = 50.0;
    LogMode = true;
    LogFile = QStringLiteral("ORUN.TXT");
    gApp->setPhase(PhaseCode::Deposit);
    ASSERT_TRUE(WaitUntil([&] { return unit.Model().powerCode[0] > OutputCode::ZeroVolts; }, 3000));
    int16_t phaseAtStop = -1;
    QObject::connect(form->cmdFunc(0), &QPushButton::clicked, [&] { phaseAtStop = gApp->Phase(); });
    gProcess(1).Process_Name = QStringLiteral("Stack A");
    gLayer(1).Rate = 4.25;
    gFilm(1).Film_Name = QStringLiteral("MgF2");
    gLayer(2).Rate = 9.5;  // channel 1's layer: not the edit channel's
    form->EditChan = 0;
    unit.ClearCommands();
    form->mnuFileExit->trigger();
    EXPECT_TRUE(form->tmrEnd->isActive());
    EXPECT_TRUE(WaitUntil([&] {
        return unit.Commands().contains("K32767,32767,32767,32767,32767,32767") && unit.Commands().contains("S4;0");
    }, 2000));
    ASSERT_TRUE(WaitUntil([&] { return !form->isVisible(); }, 3000));

    // From the question on, nothing sent the unit a power other than 0, and it drives no
    // source after the program is gone.
    for (const QString& c : unit.Commands().filter(QRegularExpression("^[KW]")))
        EXPECT_EQ(c.count("32767"), c.startsWith('K') ? 6 : 2) << c.toStdString();
    for (int o = 0; o <= 7; ++o) EXPECT_EQ(unit.Model().powerCode[o], OutputCode::ZeroVolts) << "output " << o;
    EXPECT_TRUE(folder.read("ORUN.TXT").contains("End Log"));  // the run the exit ended
    EXPECT_EQ(phaseAtStop, PhaseCode::StopLayer);  // the press stopped the run before the shutdown
    EXPECT_EQ(gApp->Phase(), PhaseCode::Shutdown);
    EXPECT_EQ(gORUN, nullptr);
    EXPECT_EQ(gComm, nullptr);
    EXPECT_FALSE(Polling());
    form->RequestReadings_Timer();  // a late tick finds no link

    const QString db = folder.file(QStringLiteral("ORUN.MDB"));
    EXPECT_EQ(Column(db, "SELECT * FROM Processes WHERE Process_Number =1", "Process_Name").toString().trimmed(), "Stack A");
    EXPECT_EQ(Column(db, "SELECT * FROM Layers WHERE Layer_Number =1", "Rate").toDouble(), 4.25);
    EXPECT_NE(Column(db, "SELECT * FROM Layers WHERE Layer_Number =2", "Rate").toDouble(), 9.5);
    EXPECT_EQ(Column(db, "SELECT * FROM Films WHERE Film_Number =1", "Film_Name").toString().trimmed(), "MgF2");
    EXPECT_EQ(Setting("frmMain", "FormSize"), "4");
    EXPECT_EQ(Setting("frmMain", "EditChan"), "0");
    EXPECT_TRUE(Setting("Form Positions", "frmMain").startsWith("L="));
    EXPECT_EQ(boxes.count(), 2);
}

// A second close within the 500 ms goes straight to the second pass; without an edit
// channel no layer or film is saved, and nothing fails.
TEST_F(MainWindowTest, SecondCloseShutsDownAtOnceAndNoEditChannelSavesNoLayer) {
    Station({0});
    form->show();
    gApp->setPhase(PhaseCode::Stopped);
    int presses = 0;
    QObject::connect(form->cmdFunc(0), &QPushButton::clicked, [&] { ++presses; });
    gProcess(1).Process_Name = QStringLiteral("Stack B");
    gLayer(1).Rate = 7.0;
    form->EditChan = -1;

    form->close();
    EXPECT_TRUE(form->isVisible());
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(gApp->Phase(), PhaseCode::Shutdown);
    EXPECT_EQ(presses, 0);  // nothing was running
    const QString db = folder.file(QStringLiteral("ORUN.MDB"));
    EXPECT_EQ(Column(db, "SELECT * FROM Processes WHERE Process_Number =1", "Process_Name").toString().trimmed(), "Stack B");
    EXPECT_NE(Column(db, "SELECT * FROM Layers WHERE Layer_Number =1", "Rate").toDouble(), 7.0);
    EXPECT_EQ(Setting("frmMain", "EditChan"), "-1");
    EXPECT_EQ(boxes.prompts(), QStringList{"Exit the ORUN program?"});
    EXPECT_EQ(gErr.StackPointer(), 0);
}

// The confirmed exit while the unit answers and while it is gone. From the Yes on, the
// window says that it is stopping the unit and offers no run button; the stop takes the
// unit's hand control back from the output it was given to. A unit that never confirms the
// stop is given up after the shutdown's wait, and the operator is told in one message,
// before the window goes, that its outputs may still be driven.
class ConfirmedExit : public MainWindowTest {
protected:
    // Who ends the program: the operator's Yes; the system (a termination signal) with
    // nobody at the screen; the system while the operator's question is open on the screen
    // (a real box, left unanswered).
    enum class By { Operator, System, SystemWithQuestionOpen };
    void ExitDepositing(bool unitGone, By by = By::Operator) {
        Station({0});
        form->show();
        Connect();
        DepositDriven();
        form->chkManPwr(0)->click();  // a hand-set power: the unit's hand control drives output 1
        ASSERT_TRUE(WaitUntil([&] { return unit.Model().handOutput == 1; }, 5000));

        QString statusSeen;
        bool buttonsOff = true;
        QObject::connect(form->tmrEnd, &QTimer::timeout, [&] {
            statusSeen = form->lblStatus->text();
            for (int i = 0; i <= 2; ++i) buttonsOff = buttonsOff && !form->cmdFunc(i)->isEnabled();
        });
        if (unitGone) unit.setSilent(true);
        boxes.clear();
        if (by == By::System) {
            form->EndForTheSystem();
        } else if (by == By::SystemWithQuestionOpen) {
            const DialogResponder recorder = SetDialogResponder({});
            QTimer::singleShot(100, form, [this] {
                questionOpen = QApplication::activeModalWidget() != nullptr;
                form->EndForTheSystem();
            });
            form->mnuFileExit->trigger();
            SetDialogResponder(recorder);
        } else {
            form->mnuFileExit->trigger();
        }
        EXPECT_EQ(form->lblStatus->text(), "STOPPING UNIT");
        ASSERT_TRUE(WaitUntil([&] { return !form->isVisible(); }, 20000));
        EXPECT_TRUE(statusSeen.startsWith("STOPPING UNIT")) << statusSeen.toStdString();
        EXPECT_TRUE(buttonsOff);
    }
    bool questionOpen = false;
};

TEST_F(ConfirmedExit, ShowsTheStopAndTakesTheHandControlBack) {
    ExitDepositing(false);
    EXPECT_EQ(boxes.prompts(), QStringList{"Exit the ORUN program?"});
    EXPECT_EQ(unit.Model().handOutput, 0);
    EXPECT_EQ(unit.Model().handCode, OutputCode::ZeroVolts);
    EXPECT_EQ(unit.Model().powerCode[0], OutputCode::ZeroVolts);
    EXPECT_TRUE(folder.read("ERRORS.TXT").isEmpty());
}

// The system's request to end (a termination signal) is the plant's decision: it
// confirms the exit as the operator's Yes does, asking nothing. A question open on the
// screen when it comes is closed unanswered, and the exit goes on from the request.
TEST_F(ConfirmedExit, ByTheSystemWhileTheQuestionIsOpenStopsTheUnitAsTheOperatorsYes) {
    ExitDepositing(false, By::SystemWithQuestionOpen);
    EXPECT_TRUE(questionOpen);
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_EQ(unit.Model().handOutput, 0);
    for (int o = 0; o <= 7; ++o) EXPECT_EQ(unit.Model().powerCode[o], OutputCode::ZeroVolts) << "output " << o;
    for (int s = 0; s <= 3; ++s) EXPECT_FALSE(unit.Model().emission[s]) << "sensor " << s;
    EXPECT_EQ(gApp->Phase(), PhaseCode::Shutdown);
    EXPECT_TRUE(folder.read("ERRORS.TXT").isEmpty());
}

// Nobody is there to be told: the error report is all.
TEST_F(ConfirmedExit, ByTheSystemToAUnitThatNeverTakesTheStopAsksNobody) {
    ExitDepositing(true, By::System);
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
    EXPECT_TRUE(folder.read("ERRORS.TXT").contains("did not take the shutdown's stop"));
}

TEST_F(ConfirmedExit, ToAUnitThatNeverTakesTheStopTellsTheOperator) {
    ExitDepositing(true);
    EXPECT_EQ(boxes.prompts(), (QStringList{"Exit the ORUN program?",
                                            "The unit did not confirm the stop. Its outputs may still be driven: "
                                            "check the plant."}));
    EXPECT_TRUE(folder.read("ERRORS.TXT").contains("did not take the shutdown's stop"));
}

// A client's presses in the confirmed exit, before the window goes: whatever would drive a
// channel or switch a source on is refused as the run buttons are (05), what only switches
// off is done; the operator's own emission buttons and manual-power boxes do nothing
// either, nor do the program's own ways in that a new path would take (a run or layer
// started, a channel put under manual control or a quartz calibration, a detector
// calibration started, a power set). The unit, judged by what it holds, never has a source
// or an emission on again, and the window never switches a channel to manual power.
TEST_F(ConfirmedExit, AClientsPressesAndTheProgramsOwnPathsThatWouldSwitchOnAreRefused) {
    ServeRelay();
    Station({0, 1});
    form->show();
    Connect();
    DepositDriven();
    const struct {
        const char* request;
        const char* reply;
    } presses[] = {
        {"@UP;51;70", "NAK;05"}, {"@UP;59;80", "NAK;05"}, {"@UP;41;0", "NAK;05"}, {"@UP;49;0", "NAK;05"},
        {"@UP;42;1", "NAK;05"},  {"@UV;11;5", "NAK;05"},  {"@UV;41;30", "NAK;05"}, {"@UV;111;0", "NAK;05"},
        {"@US;2", "NAK;05"},     {"@US;4", "NAK;05"},     {"@UP;2", "NAK;05"},     {"@UP;3", "NAK;05"},
        {"@UP;6", "NAK;05"},     {"@US;1", ""},          {"@UP;30", ""},
    };
    boxes.clear();
    unit.ClearCommands();
    form->mnuFileExit->trigger();
    ASSERT_TRUE(form->tmrEnd->isActive());
    // Each round of presses is answered at once; rounds follow one another until the
    // window goes, so they land all through the exit's wait.
    int rounds = 0;
    while (form->isVisible() && gApp->Phase() != PhaseCode::Shutdown) {
        for (const auto& p : presses) {
            if (gApp->Phase() == PhaseCode::Shutdown) break;  // the server is gone
            SCOPED_TRACE(p.request);
            EXPECT_EQ(Remote(QString::fromLatin1(p.request)).toStdString(), p.reply);
            for (int16_t c = 0; c <= 1; ++c) EXPECT_FALSE(form->chkManPwr(c)->isChecked()) << "channel " << c;
        }
        if (gApp->Phase() != PhaseCode::Shutdown) {
            form->cmdSensor(rounds % 4)->click();
            form->chkManPwr(rounds % 2)->click();
            for (int16_t c = 0; c <= 1; ++c) EXPECT_FALSE(form->chkManPwr(c)->isChecked()) << "channel " << c;
            const int16_t phase = gApp->Phase();
            gApp->setPhase(rounds % 2 ? PhaseCode::InitRun : PhaseCode::StartLayer);
            EXPECT_EQ(gApp->Phase(), phase);
            const int16_t ch = static_cast<int16_t>(rounds % 2);
            for (const int16_t manual : {PhaseCode::ManPower, PhaseCode::ManRamp, PhaseCode::QcmCal}) {
                gApp->setChanPhase(ch, manual);
                EXPECT_NE(gApp->ChanPhase(ch), manual) << "channel " << ch;
            }
            gORUN->setCalChan(ch);
            EXPECT_EQ(gORUN->CalChan(), -1);
            gORUN->setPower(ch, 40.0);
            gORUN->setHandCtrlOutput(ch);
            gORUN->SendPower();
        }
        ++rounds;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    EXPECT_GT(rounds, 0);
    ASSERT_TRUE(WaitUntil([&] { return !form->isVisible(); }, 20000));
    for (const QString& c : unit.Commands().filter(QRegularExpression("^[KW]")))
        EXPECT_EQ(c.count("32767"), c.startsWith('K') ? 6 : 2) << c.toStdString();
    // No emission switched on, no output handed to the unit's hand control.
    EXPECT_TRUE(unit.Commands().filter(QRegularExpression("^S[1-4];[1-9]|^U[1-8],")).isEmpty())
        << unit.Commands().join(' ').toStdString();
    for (int o = 0; o <= 7; ++o) EXPECT_EQ(unit.Model().powerCode[o], OutputCode::ZeroVolts) << "output " << o;
    for (int s = 0; s <= 3; ++s) EXPECT_FALSE(unit.Model().emission[s]) << "sensor " << s;
    EXPECT_EQ(unit.Model().handOutput, 0);
    EXPECT_EQ(boxes.prompts(), QStringList{"Exit the ORUN program?"});
    EXPECT_TRUE(folder.read("ERRORS.TXT").isEmpty());
}
