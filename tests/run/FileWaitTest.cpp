// Another program (an SQL shell, a backup tool, a recipe browser: here the sqlite3 shell in
// a process of its own) holds the recipe database's lock while the station works. The
// station waits for the file from its event loop: the unit's commands go on, the loops run,
// remote requests are answered, and whatever would use the file meanwhile is refused at
// once instead of nesting. A load is whole or nothing: a refused one leaves the active
// process with its own relay and input map, which the unit's relay word shows in a run.
#include "MainWindowFixture.h"

#include "app/ExitRecord.h"
#include "app/modFormUtil.h"
#include "platform/FileDialogs.h"
#include "platform/TerminationRequest.h"
#include "platform/VbControls.h"
#include "support/OtherProgramLock.h"
#include "windows/frmSystem.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QTimer>
#include <csignal>
#include <limits>
#include <random>
#include <unistd.h>

namespace {

// The wait, shortened for the tests; a freeze of the poll would last as long.
constexpr int kWaitMs = 3000;
// The largest pause between two commands the unit may see while the file is held: far
// above the 90 ms poll, far below the wait (the benchmark bench_filewait measures it).
constexpr qint64 kMostQuietMs = kWaitMs / 2;

// Relay outputs of the two processes' maps: "Source 1 Shutter" is relay 0 for Mirror and
// relay 5 for Coat; input 3 starts the process in both.
constexpr int kMirrorShutter = 0;
constexpr int kCoatShutter = 5;
constexpr int kStartInput = 3;

QVariant StoredValue(const QString& file, const QString& sql) {
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("file-wait-check"));
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=20000"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(sql) && q.next()) value = q.value(0);
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("file-wait-check"));
    return value;
}

// What the process writes to its standard error while the object lives.
class StandardErrorCapture {
public:
    StandardErrorCapture() {
        file_.open();
        std::fflush(stderr);
        saved_ = ::dup(2);
        ::dup2(file_.handle(), 2);
    }
    ~StandardErrorCapture() { Stop(); }
    StandardErrorCapture(const StandardErrorCapture&) = delete;
    StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;
    QString Text() {
        Stop();
        QFile read(file_.fileName());
        return read.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(read.readAll()) : QString();
    }

private:
    void Stop() {
        if (saved_ < 0) return;
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
    }
    QTemporaryFile file_;
    int saved_ = -1;
};

}  // namespace

class FileWait : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ServeRelay();
        Station({0});
        // Process 2, Coat, runs a layer like Mirror's; the maps differ in the source shutter.
        gLayer(2) = gLayer(1);
        gLayer(2).Layer_Number = 2;
        gProcess(2) = gProcess(1);
        gProcess(2).Process_Name = QStringLiteral("Coat");
        gProcess(2).First_Layer = 2;
        for (int16_t p : {1, 2}) modDB::ProcessSave(p);
        for (int16_t l : {1, 2}) modDB::LayerSave(l);
        modDB::FilmSave(1);
        modDB::IOLoad(2);
        modDB::GraphLoad(2);
        modDB::gDB.Execute(QStringLiteral("UPDATE IO SET Out0 = 30, Out5 = 0, In3 = 1 WHERE Process_Number = 1"));
        modDB::gDB.Execute(QStringLiteral("UPDATE IO SET Out0 = 0, Out5 = 30, In3 = 1 WHERE Process_Number = 2"));
        gApp->setProcNum(1);
        form->BuildProcessMenu();
        Connect();
        // The commands the unit received, with when.
        clock.start();
        QObject::connect(&unit, &UnitSim::CommandReceived, [this](const QString&) { arrivals.push_back(clock.elapsed()); });
        boxes.clear();
    }

    // The longest pause between two commands the unit received from `from` on (ms).
    qint64 LongestQuiet(qint64 from) const {
        qint64 last = from, longest = 0;
        for (qint64 t : arrivals) {
            if (t < from) continue;
            longest = std::max(longest, t - last);
            last = t;
        }
        return std::max(longest, clock.elapsed() - last);
    }

    QString Db() const { return folder.file(QStringLiteral("ORUN.MDB")); }

    // The relay that "Source 1 Shutter" is in the active process's map.
    static int ShutterRelay() { return modIO::FindOutputFunction(30); }

    const LockWaitForTest wait{kWaitMs};
    QElapsedTimer clock;
    std::vector<qint64> arrivals;
};

// A seeded walk: while the sqlite3 shell holds the file (given back within the wait, or kept
// past it), the operator or a client does one thing that needs the file, and while that
// waits, other things that need it come in at random moments (a client's selection, START,
// a START input of the plant, the menu's selection, the System window's close, File >
// Open). Each is whole or refused: a refused selection answers NAK and leaves the process
// with its own maps, a refused START starts nothing; what comes in while another waits is
// refused at once, naming the file. The unit's commands keep their pace throughout.
TEST_F(FileWait, WhatNeedsAHeldFileIsWholeOrRefusedAndNothingNestsInItsWait) {
    SetFileDialogResponder([this](const FileDialogRequest&) { return FileDialogAnswer{true, Db(), "ORUN.MDB"}; });
    form->mnuSetupSystem->trigger();
    ASSERT_NE(gSystemForm, nullptr);
    struct Op {
        const char* what;
        std::function<bool()> run;  // true: done, false: refused
        // What the file holds after it, once the other program has given it back.
        std::function<void(bool done)> verify = [](bool) {};
    };
    int calPackets = 10;
    const auto other = [] { return gApp->ProcNum() == 1 ? 2 : 1; };
    const auto otherName = [&] { return other() == 1 ? QStringLiteral("Mirror") : QStringLiteral("Coat"); };
    const auto stopAgain = [&] {
        if (gApp->Phase() == PhaseCode::Stopped) return;
        PressButton(form->cmdFunc(0));  // STOP LAYER
        PressButton(form->cmdFunc(2));  // back to the first layer, STOPPED
    };
    const std::vector<Op> ops{
        {"a client selects the other process",
         [&] {
             const int before = gApp->ProcNum();
             const QString reply = Remote("@UP;1;" + otherName());
             EXPECT_TRUE(reply == "" || reply == "NAK;05") << reply.toStdString();
             EXPECT_EQ(gApp->ProcNum() != before, reply == "");
             return reply == "";
         }},
        {"the operator selects the other process",
         [&] {
             const int before = gApp->ProcNum();
             const int wanted = other();
             for (size_t i = 0; i < form->mnuFileProcess.size(); ++i)
                 if (form->mnuFileProcess[i]->data().toInt() == wanted) form->mnuFileProcess_Click(static_cast<int16_t>(i));
             return gApp->ProcNum() != before;
         }},
        {"START",
         [&] {
             PressButton(form->cmdFunc(0));
             const bool started = gApp->Phase() != PhaseCode::Stopped;
             stopAgain();
             return started;
         }},
        {"the System window closes",
         [&] {
             gORUN->setCalPackets(3, ++calPackets);
             if (!gSystemForm) form->mnuSetupSystem->trigger();
             const int boxesBefore = boxes.count();
             modFormUtil::Unload(gSystemForm);
             // Refused: told once, after its own wait or at once inside another's.
             for (int b = boxesBefore; b < boxes.count(); ++b)
                 if (boxes.prompts()[b].contains("settings could not be saved")) return false;
             return true;
         },
         [&](bool done) {
             const int stored = StoredValue(Db(), "SELECT CalPackets FROM ORUN WHERE Channel = 3").toInt();
             if (done) EXPECT_EQ(stored, calPackets);
             else EXPECT_LT(stored, calPackets);
         }},
        {"File > Open of the open file",
         [&] {
             gLayer(1).Rate = 3.0;  // only in memory: a load reads the file's back
             form->mnuFileOpen_Click();
             const bool loaded = gLayer(1).Rate != 3.0;
             gLayer(1).Rate = 2.0;
             return loaded;
         }},
    };
    // Only ever comes in during another's wait: the plant's START input, held for a while.
    const auto startInput = [&] { unit.Model().inputs |= 1 << kStartInput; };

    std::mt19937 rng(6401);
    int refusedAtOnce = 0, refusedAfterWait = 0, done = 0;
    for (int round = 0; round < 14; ++round) {
        const Op& outer = ops[rng() % ops.size()];
        const bool keptPastWait = rng() % 3 == 0;
        const int holdMs = keptPastWait ? -1 : 300 + static_cast<int>(rng() % 1500);
        SCOPED_TRACE(std::string(outer.what) + (keptPastWait ? ", held past the wait" : ", given back within it") +
                     ", round " + std::to_string(round));
        const int before = gApp->ProcNum();
        const int relayBefore = ShutterRelay();
        // The ones that come in while the outer one waits.
        std::vector<std::unique_ptr<QTimer>> inner;
        std::vector<std::function<void()>> innerChecks;
        int innerRefused = 0;
        for (int n = static_cast<int>(rng() % 3); n >= 0; --n) {
            const size_t which = rng() % (ops.size() + 1);
            auto timer = std::make_unique<QTimer>();
            timer->setSingleShot(true);
            QObject::connect(timer.get(), &QTimer::timeout, [&, which] {
                const bool nested = modDB::FileWaitGoing();
                if (!nested) return;  // the outer one has ended: nothing comes in during it
                const int boxesBefore = boxes.count();
                if (which == ops.size()) {
                    startInput();
                    QTimer::singleShot(400, [&] { unit.Model().inputs &= ~(1 << kStartInput); });
                    return;
                }
                const int process = gApp->ProcNum();
                const bool innerDone = ops[which].run();
                innerChecks.push_back([&, which, innerDone] { ops[which].verify(innerDone); });
                EXPECT_FALSE(innerDone) << ops[which].what << " ran inside another's wait";
                EXPECT_EQ(gApp->ProcNum(), process);
                // Told once (a client's request by its NAK alone), naming the file.
                EXPECT_LE(boxes.count() - boxesBefore, 1) << boxes.prompts().join('\n').toStdString();
                for (int b = boxesBefore; b < boxes.count(); ++b)
                    EXPECT_TRUE(boxes.prompts()[b].contains(Db() + " is being waited for")) << boxes.prompts()[b].toStdString();
                ++innerRefused;
            });
            timer->start(50 + static_cast<int>(rng() % 250));
            inner.push_back(std::move(timer));
        }
        OtherProgramLock other(Db(), holdMs);
        ASSERT_TRUE(other.WaitTaken());
        const qint64 held = clock.elapsed();
        boxes.clear();
        const bool outerDone = outer.run();
        EXPECT_LT(LongestQuiet(held), kMostQuietMs) << "the unit's commands stopped while the station waited";
        other.Release();
        while (!other.GivenBack()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        // Whatever the plant's START input did meanwhile: a START refused, at most.
        ASSERT_TRUE(WaitUntil([&] { return !modDB::FileWaitGoing(); }, kWaitMs * 2));
        stopAgain();
        EXPECT_EQ(gApp->Phase(), PhaseCode::Stopped);

        EXPECT_EQ(outerDone, !keptPastWait) << boxes.prompts().join('\n').toStdString();
        for (const auto& check : innerChecks) check();
        outer.verify(outerDone);
        if (!outerDone) {
            ++refusedAfterWait;
            EXPECT_EQ(gApp->ProcNum(), before);
            bool named = false;
            for (const QString& p : boxes.prompts()) named |= p.contains(Db() + " is held by another program");
            // A client's refusal is its NAK; the operator's is one box naming the file.
            if (std::string(outer.what) != "a client selects the other process") {
                EXPECT_TRUE(named) << boxes.prompts().join('\n').toStdString();
            }
        } else {
            ++done;
        }
        refusedAtOnce += innerRefused;
        // The maps are the active process's own, whatever was refused.
        EXPECT_EQ(ShutterRelay(), gApp->ProcNum() == 1 ? kMirrorShutter : kCoatShutter);
        if (gApp->ProcNum() == before) {
            EXPECT_EQ(ShutterRelay(), relayBefore);
        }
    }
    SetFileDialogResponder({});
    EXPECT_GT(refusedAtOnce, 0);
    EXPECT_GT(refusedAfterWait, 0);
    EXPECT_GT(done, 0);

    // A run of the process that is active, judged by the relay word the unit holds: its
    // own source shutter opens in DEPOSIT, and no other.
    const int active = gApp->ProcNum();
    DepositDriven();
    ASSERT_TRUE(WaitUntil([&] { return unit.Model().relays != 0; }, 3000));
    EXPECT_EQ(unit.Model().relays, 1 << (active == 1 ? kMirrorShutter : kCoatShutter));
}

// In DEPOSIT the sqlite3 shell holds the file: the loop keeps the source powered and the
// unit's commands their pace while the System window's close and File > Open wait, and
// are refused once; a client is answered meanwhile. Then the operator exits while the file
// is held: what is only in memory (a client's new layer rate, a calibration) is not thrown
// away: asked once, naming the file, and saved when the operator tries again once the file
// is free.
TEST_F(FileWait, ADepositRunsOnThroughAHeldFileAndTheExitAsksBeforeGivingUpItsSaves) {
    form->show();
    DepositDriven();
    ASSERT_TRUE(WaitUntil([&] { return unit.Model().relays == 1 << kMirrorShutter; }, 3000));
    form->mnuSetupSystem->trigger();
    SetFileDialogResponder([this](const FileDialogRequest&) { return FileDialogAnswer{true, Db(), "ORUN.MDB"}; });
    {
        OtherProgramLock other(Db());
        ASSERT_TRUE(other.WaitTaken());
        const qint64 held = clock.elapsed();
        int lowest = std::numeric_limits<int>::max();
        const auto watch = QObject::connect(&unit, &UnitSim::CommandReceived,
                                            [&](const QString&) { lowest = std::min(lowest, unit.Model().powerCode[0]); });
        QString answered;
        QTimer::singleShot(200, [&] { answered = Remote("@QP;5"); });
        modFormUtil::Unload(gSystemForm);
        form->mnuFileOpen_Click();
        QObject::disconnect(watch);
        EXPECT_EQ(answered, "10");
        EXPECT_LT(LongestQuiet(held), kMostQuietMs);
        EXPECT_EQ(gApp->Phase(), PhaseCode::Deposit);
        EXPECT_GT(lowest, OutputCode::ZeroVolts) << "the source lost its power during the wait";
        EXPECT_EQ(unit.Model().relays, 1 << kMirrorShutter);
        ASSERT_EQ(boxes.count(), 2) << boxes.prompts().join('\n').toStdString();
        EXPECT_TRUE(boxes.prompts()[0].contains(Db() + " is held by another program")) << boxes.prompts()[0].toStdString();
        EXPECT_TRUE(boxes.prompts()[0].contains("could not be saved")) << boxes.prompts()[0].toStdString();
        EXPECT_TRUE(boxes.prompts()[1].contains("could not be read, and nothing was changed")) << boxes.prompts()[1].toStdString();
    }
    SetFileDialogResponder({});

    // The exit with the file held: one question after the wait, naming what was not saved;
    // the file comes free while it is asked, and trying again saves it all.
    EXPECT_EQ(Remote("@UL;2;1;0;7.5"), "");
    gORUN->setCalPackets(2, 77);
    form->EditChan = 0;
    auto other = std::make_unique<OtherProgramLock>(Db());
    ASSERT_TRUE(other->WaitTaken());
    boxes.clear();
    boxes.answer(vbYes);    // "Exit the ORUN program?"
    boxes.answer(vbRetry);  // the saves could not be done: try again
    // The other program ends once the operator has been asked.
    QTimer freeWhenAsked;
    QObject::connect(&freeWhenAsked, &QTimer::timeout, [&] {
        if (boxes.count() >= 2) other.reset();
    });
    freeWhenAsked.start(20);
    form->mnuFileExit->trigger();
    ASSERT_TRUE(WaitUntil([&] { return !form->isVisible() || gApp->Phase() == PhaseCode::Shutdown; }, kWaitMs * 4));
    ASSERT_TRUE(WaitUntil([&] { return gApp->Phase() == PhaseCode::Shutdown; }, kWaitMs * 4));
    ASSERT_GE(boxes.count(), 2) << boxes.prompts().join('\n').toStdString();
    EXPECT_EQ(boxes.prompts()[0], "Exit the ORUN program?");
    EXPECT_TRUE(boxes.prompts()[1].contains(Db() + " is held by another program")) << boxes.prompts()[1].toStdString();
    EXPECT_TRUE(boxes.prompts()[1].contains("layer record 1")) << boxes.prompts()[1].toStdString();
    EXPECT_EQ(boxes.boxes()[1].buttonSet(), vbRetryCancel);
    EXPECT_EQ(boxes.count(), 2) << boxes.prompts().join('\n').toStdString();
    EXPECT_EQ(StoredValue(Db(), "SELECT Rate FROM Layers WHERE Layer_Number = 1").toDouble(), 7.5);
    EXPECT_EQ(StoredValue(Db(), "SELECT CalPackets FROM ORUN WHERE Channel = 2").toInt(), 77);
    for (int o = 0; o <= 7; ++o) EXPECT_EQ(unit.Model().powerCode[o], OutputCode::ZeroVolts) << "output " << o;
}

// The system ends the program (a termination signal) while File > Open waits for the file
// the sqlite3 shell holds: the open gives up at once, refused as the program is ending,
// and keeps the open database; the unit is stopped; the exit's own save gets the file's
// whole wait and, with nobody at the screen to ask, writes what it could not save to
// ERRORS.TXT instead of losing it without a word.
TEST_F(FileWait, TheSystemsEndCutsAWaitShortAndWritesDownWhatTheExitCouldNotSave) {
    form->show();
    DepositDriven();
    ASSERT_TRUE(WaitUntil([&] { return unit.Model().relays == 1 << kMirrorShutter; }, 3000));
    EXPECT_EQ(Remote("@UL;2;1;0;7.5"), "");
    SetFileDialogResponder([this](const FileDialogRequest&) { return FileDialogAnswer{true, Db(), "ORUN.MDB"}; });
    OtherProgramLock other(Db());
    ASSERT_TRUE(other.WaitTaken());
    boxes.clear();
    // What was not asked goes to the program's log: the refusal says why it came early.
    static QStringList notAsked;
    notAsked.clear();
    struct Listening {
        QtMessageHandler before = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
            if (m.startsWith("Not asked")) notAsked << m;
        });
        ~Listening() { qInstallMessageHandler(before); }
    } listening;
    QTimer::singleShot(300, form, [&] { form->EndForTheSystem(); });
    form->mnuFileOpen_Click();
    SetFileDialogResponder({});
    ASSERT_FALSE(notAsked.isEmpty());
    EXPECT_TRUE(notAsked[0].contains("held by another program, and the program is ending")) << notAsked[0].toStdString();
    EXPECT_TRUE(notAsked[0].contains("could not be read, and nothing was changed")) << notAsked[0].toStdString();
    EXPECT_TRUE(modDB::gDB.IsOpen());
    ASSERT_TRUE(WaitUntil([&] { return gApp->Phase() == PhaseCode::Shutdown; }, kWaitMs * 4));
    EXPECT_TRUE(boxes.prompts().isEmpty()) << boxes.prompts().join('\n').toStdString();
    const QString errors = QString::fromUtf8(folder.read("ERRORS.TXT"));
    EXPECT_TRUE(errors.contains(Db() + " is held by another program (waited")) << errors.toStdString();
    EXPECT_TRUE(errors.contains("layer record 1")) << errors.toStdString();
    EXPECT_TRUE(errors.contains("nobody was there to answer")) << errors.toStdString();
    EXPECT_EQ(errors.count("could not be saved"), 1) << errors.toStdString();
    for (int o = 0; o <= 7; ++o) EXPECT_EQ(unit.Model().powerCode[o], OutputCode::ZeroVolts) << "output " << o;
}

// The exit's saves wait for the file the sqlite3 shell holds and the Retry/Cancel box is
// open when the system asks the program to end (a real SIGTERM, through the program's own
// handler): the box closes unanswered, and what the exit gave up is named in ERRORS.TXT
// and on standard error, with why, and the end is not counted clean.
TEST_F(FileWait, TheRetryBoxClosedByTheSystemsEndLeavesALineNamingWhatWasLost) {
    form->show();
    DepositDriven();
    EXPECT_EQ(Remote("@UL;2;1;0;7.5"), "");
    form->EditChan = 0;
    ExitRecord::Clear();
    OnTerminationRequest([this] { form->EndForTheSystem(); });
    OtherProgramLock other(Db());
    ASSERT_TRUE(other.WaitTaken());
    boxes.clear();
    boxes.answer(vbYes);  // "Exit the ORUN program?"
    boxes.keepOpen(kWaitMs);
    // The signal comes once the exit's question about its saves is open.
    QTimer whenAsked;
    QObject::connect(&whenAsked, &QTimer::timeout, [&] {
        if (boxes.count() < 2) return;
        whenAsked.stop();
        ::raise(SIGTERM);
    });
    whenAsked.start(20);
    StandardErrorCapture standardError;
    form->mnuFileExit->trigger();
    ASSERT_TRUE(WaitUntil([&] { return gApp->Phase() == PhaseCode::Shutdown; }, kWaitMs * 6));
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    ::sigaction(SIGTERM, &dfl, nullptr);
    const QString stderrText = standardError.Text();

    ASSERT_EQ(boxes.count(), 2) << boxes.prompts().join('\n').toStdString();
    EXPECT_EQ(boxes.boxes()[1].buttonSet(), vbRetryCancel);
    const QString errors = QString::fromUtf8(folder.read("ERRORS.TXT"));
    for (const QString& where : {errors, stderrText}) {
        EXPECT_EQ(where.count("could not be saved"), 1) << where.toStdString();
        EXPECT_TRUE(where.contains(Db() + " is held by another program (waited")) << where.toStdString();
        EXPECT_TRUE(where.contains("layer record 1")) << where.toStdString();
        EXPECT_TRUE(where.contains("the system asked it to end while the question was open")) << where.toStdString();
    }
    EXPECT_EQ(ExitRecord::Status(), ExitRecord::NotAllSaved);
    for (int o = 0; o <= 7; ++o) EXPECT_EQ(unit.Model().powerCode[o], OutputCode::ZeroVolts) << "output " << o;
}

// What a piece of work that waits for the file finds when its wait ends. A seeded walk:
// while one piece of work waits for the file the sqlite3 shell holds (a client's process
// selection from STOPPED or STOP LAYER, the window's START, a client's START, the plant's
// Start Process input), the plant, a client and the operator send what changes the run
// (Start Film and Stop Process inputs, a client's START and STOP, the Calibrate button)
// and the emission interlock, and the file comes free at a random moment or stays held.
// Each piece of work is whole against the run as it stands when its wait ends: done only
// when nothing moved the run meanwhile, refused (NAK 05, one box, nothing of it done)
// when something did, done when nothing did and the file came free in time. The
// interlock switches its sensor off within a poll or two of its word, whatever waits;
// no phase of a run starts while the detector calibrates; the unit holds the relay word
// the program shows, with no relay the active process does not map. The last round ends
// the program by the system while a START waits, the file coming free before, with or
// after the signal: a START is never done after the signal.
class FileWaitWalk : public FileWait, public ::testing::WithParamInterface<int> {};

TEST_P(FileWaitWalk, WhatWaitedIsWholeAgainstTheRunAsItStandsWhenTheWaitEnds) {
    constexpr int kStopProcessInput = 4, kStartFilmInput = 5, kInterlockInput = 6;
    for (int p : {1, 2})
        modDB::gDB.Execute(QStringLiteral("UPDATE IO SET In4 = 2, In5 = 3, In6 = 6 WHERE Process_Number = %1").arg(p));
    modDB::IOLoad(gApp->ProcNum());
    LogMode = true;
    LogType = 1;
    LogFile = QStringLiteral("RUN.LOG");
    gORUN->setCalPackets(0, 3);
    frmSystem* setup = SystemForm();
    const auto startLogs = [&] { return QString::fromLatin1(folder.read("RUN.LOG")).count("Start Log"); };
    const auto pulse = [&](int input, int ms) {
        unit.Model().inputs |= 1 << input;
        QTimer::singleShot(ms, [this, input] { unit.Model().inputs &= ~(1 << input); });
    };
    const auto stopAll = [&] {
        ASSERT_TRUE(WaitUntil([&] { return gORUN->CalChan() < 0 && !modDB::FileWaitGoing(); }, kWaitMs * 3));
        if (gApp->Phase() != PhaseCode::Stopped && gApp->Phase() != PhaseCode::StopLayer) PressButton(form->cmdFunc(0));
        if (gApp->Phase() == PhaseCode::StopLayer) PressButton(form->cmdFunc(2));
        ASSERT_EQ(gApp->Phase(), PhaseCode::Stopped);
    };

    // No phase of a run starts while the detector calibrates, whatever asks.
    const auto calibrationWatch = QObject::connect(gApp, &cApp::PhaseChange, [](int16_t p) {
        if (gORUN->CalChan() >= 0 && p != PhaseCode::Stopped && p != PhaseCode::StopLayer)
            ADD_FAILURE() << "phase " << p << " entered while the detector calibrates";
    });
    // The interlock acts on the first or second input word that carries it.
    int interlockWords = -1;
    const auto interlockWatch = QObject::connect(gORUN, &cORUN::ORUNResponse, [&](const QString& r) {
        if (!r.startsWith('M') || interlockWords < 0) return;
        if (gORUN->EmissionOn(0) == 0) {
            EXPECT_LE(interlockWords, 2) << "the interlock acted late";
            interlockWords = -1;
        } else if (gORUN->InputReg() & (1 << kInterlockInput)) {
            ++interlockWords;
        }
    });

    enum Outer { ClientSelects, WindowStart, ClientStart, StartInput, kOuters };
    const char* const outerName[] = {"a client's selection", "the window's START", "a client's START",
                                     "the Start Process input"};
    enum Inner { StartFilm, StopProcess, Interlock, ClientStartInner, ClientStop, Calibrate, kInners };
    const char* const innerName[] = {"Start Film", "Stop Process", "the interlock", "a client's START",
                                     "a client's STOP", "Calibrate"};
    const int last = 7;
    std::mt19937 rng(7100 + GetParam());
    int done = 0, refused = 0;
    for (int round = 0; round <= last; ++round) {
        const bool ending = round == last;
        const Outer outer = ending ? WindowStart : static_cast<Outer>(rng() % kOuters);
        const bool fromStopLayer = outer == ClientSelects && rng() % 2 == 0;
        const bool keptPastWait = !ending && rng() % 4 == 0;
        const int holdMs = keptPastWait ? -1 : 200 + static_cast<int>(rng() % 2000);
        std::string plan = std::string(outerName[outer]) + (fromStopLayer ? " in STOP LAYER" : "") +
                           (keptPastWait ? ", file held past the wait" : ", file free after " + std::to_string(holdMs) + " ms");
        if (fromStopLayer) {
            PressButton(form->cmdFunc(0));
            ASSERT_TRUE(WaitUntil([&] { return gApp->Phase() != PhaseCode::InitRun && gApp->Phase() != PhaseCode::StartLayer; }, 5000));
            PressButton(form->cmdFunc(0));
            ASSERT_EQ(gApp->Phase(), PhaseCode::StopLayer);
        }
        if (gORUN->EmissionOn(0) == 0) PressButton(form->cmdSensor(0));
        ASSERT_GT(gORUN->EmissionOn(0), 0);

        // What moved the run while the outer piece of work waited, as the wait ends.
        const int process0 = gApp->ProcNum();
        bool phaseMoved = false, stopAsked = false, calibrated = false, waitEnded = false;
        const auto phaseWatch = QObject::connect(gApp, &cApp::PhaseChange, [&](int16_t) {
            if (modDB::FileWaitGoing()) phaseMoved = true;
        });
        // A Stop Process edge in the input words while a START waits.
        int16_t lastWord = gORUN->InputReg();
        const auto stopWatch = QObject::connect(gORUN, &cORUN::ORUNResponse, [&](const QString& r) {
            if (!r.startsWith('M')) return;
            const int16_t word = gORUN->InputReg();
            const bool edge = (word & ~lastWord & (1 << kStopProcessInput)) != 0;
            lastWord = word;
            if (!modDB::FileWaitGoing()) return;
            calibrated = calibrated || gORUN->CalChan() >= 0;
            if (edge && gApp->StartWaiting()) stopAsked = true;
        });
        const auto endWatch = QObject::connect(gApp, &cApp::FileWaitChange, [&](const QString& text) {
            if (!text.isEmpty()) return;
            waitEnded = true;
            calibrated = calibrated || gORUN->CalChan() >= 0;
        });

        std::vector<std::unique_ptr<QTimer>> timers;
        const auto at = [&](int ms, std::function<void()> fire) {
            auto t = std::make_unique<QTimer>();
            t->setSingleShot(true);
            QObject::connect(t.get(), &QTimer::timeout, std::move(fire));
            t->start(ms);
            timers.push_back(std::move(t));
        };
        for (int n = static_cast<int>(rng() % 3); n >= 0 && !ending; --n) {
            const Inner inner = static_cast<Inner>(rng() % kInners);
            const int ms = 100 + static_cast<int>(rng() % 2200);
            plan += std::string("; ") + innerName[inner] + " at " + std::to_string(ms) + " ms";
            at(ms, [&, inner] {
                if (!modDB::FileWaitGoing()) return;  // only while the outer one waits
                switch (inner) {
                case StartFilm: pulse(kStartFilmInput, 300); break;
                case StopProcess: pulse(kStopProcessInput, 300); break;
                case Interlock:
                    if (gORUN->EmissionOn(0) > 0 && interlockWords < 0) {
                        interlockWords = 0;
                        pulse(kInterlockInput, 600);
                    }
                    break;
                case ClientStartInner: {
                    // A layer's start needs no file; a run's start is refused at once.
                    const bool run = gApp->Phase() == PhaseCode::Stopped;
                    const QString reply = Remote("@UP;2");
                    EXPECT_TRUE(reply == "" || reply == "NAK;05") << reply.toStdString();
                    if (run) EXPECT_EQ(reply, "NAK;05");
                    break;
                }
                case ClientStop: {
                    // A start waiting for its record is cancelled; a stopped run has nothing to stop.
                    const bool waitingStart = gApp->StartWaiting();
                    const bool stopped = gApp->Phase() == PhaseCode::Stopped || gApp->Phase() == PhaseCode::StopLayer;
                    EXPECT_EQ(Remote("@UP;3"), waitingStart || !stopped ? "" : "NAK;05");
                    stopAsked = stopAsked || waitingStart;
                    break;
                }
                case Calibrate:
                    setup->cboCal->setCurrentIndex(0);
                    PressButton(setup->cmdCalibrate);
                    break;
                default: break;
                }
            });
        }
        SCOPED_TRACE("round " + std::to_string(round) + ": " + plan);

        // The system ends the program in the last round, the file coming free before it,
        // in the same slice or after it.
        qint64 signalledAt = -1, startedAt = -1;
        const auto startWatch = QObject::connect(gApp, &cApp::PhaseChange, [&](int16_t p) {
            if (p == PhaseCode::InitRun && startedAt < 0) startedAt = clock.elapsed();
        });
        std::unique_ptr<OtherProgramLock> other = std::make_unique<OtherProgramLock>(Db(), ending ? -1 : holdMs);
        ASSERT_TRUE(other->WaitTaken());
        if (ending) {
            const int signalMs = 600;
            const int freeMs = signalMs + (GetParam() % 3 == 0 ? -150 : GetParam() % 3 == 1 ? 0 : 300);
            at(signalMs, [&] {
                signalledAt = clock.elapsed();
                form->EndForTheSystem();
            });
            at(freeMs, [&] { other->Release(); });
        }

        const int logsBefore = startLogs();
        const int runBefore = gProcess(gApp->ProcNum()).Run_Number;
        boxes.clear();
        bool outerDone = false;
        switch (outer) {
        case ClientSelects: {
            const QString reply = Remote("@UP;1;" + QString(process0 == 1 ? "Coat" : "Mirror"));
            EXPECT_TRUE(reply == "" || reply == "NAK;05") << reply.toStdString();
            outerDone = reply.isEmpty();
            EXPECT_EQ(gApp->ProcNum() != process0, outerDone);
            break;
        }
        case WindowStart:
            PressButton(form->cmdFunc(0));
            outerDone = startLogs() > logsBefore;
            break;
        case ClientStart: {
            const QString reply = Remote("@UP;2");
            outerDone = startLogs() > logsBefore;
            EXPECT_EQ(reply, outerDone ? "" : "NAK;05");
            break;
        }
        case StartInput:
            unit.Model().inputs |= 1 << kStartInput;
            ASSERT_TRUE(WaitUntil([&] { return waitEnded; }, kWaitMs * 3))
                << "phase " << gApp->Phase() << ", inputs " << unit.Model().inputs << ", taken " << form->LastInputReg
                << ", calibrating " << gORUN->CalChan() << ", " << boxes.prompts().join('\n').toStdString();
            outerDone = startLogs() > logsBefore;
            break;
        default: break;
        }
        EXPECT_TRUE(waitEnded);
        QObject::disconnect(phaseWatch);
        QObject::disconnect(stopWatch);
        QObject::disconnect(endWatch);
        QObject::disconnect(startWatch);
        if (ending) {
            ASSERT_TRUE(WaitUntil([&] { return gApp->Phase() == PhaseCode::Shutdown; }, kWaitMs * 4));
            EXPECT_FALSE(startedAt >= 0 && signalledAt >= 0 && startedAt > signalledAt) << "a START was done after the signal";
            for (int o = 0; o <= 7; ++o) EXPECT_EQ(unit.Model().powerCode[o], OutputCode::ZeroVolts) << "output " << o;
            break;
        }
        other->Release();
        while (!other->GivenBack()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        unit.Model().inputs &= ~(1 << kStartInput);

        // Whole against the run as the wait ended.
        const bool moved = phaseMoved || stopAsked || calibrated;
        if (moved) EXPECT_FALSE(outerDone) << "done although the run moved while it waited: phase " << phaseMoved
                                           << ", stop " << stopAsked << ", calibration " << calibrated;
        if (!moved && !keptPastWait) EXPECT_TRUE(outerDone) << boxes.prompts().join('\n').toStdString();
        if (!outerDone) {
            ++refused;
            EXPECT_EQ(gApp->ProcNum(), process0);
            EXPECT_EQ(startLogs(), logsBefore);
            EXPECT_EQ(gProcess(gApp->ProcNum()).Run_Number, runBefore);
            // The operator's refusal is one box; a client's is its NAK alone or one box.
            int told = 0;
            for (const QString& b : boxes.prompts()) told += b.contains("could not be") || b.contains("not started") || b.contains("left undone");
            EXPECT_LE(told, 1) << boxes.prompts().join('\n').toStdString();
        } else {
            ++done;
        }
        // The unit holds the program's relay word, and no relay the active process leaves
        // unmapped is on.
        ASSERT_TRUE(WaitUntil([&] { return unit.Model().relays == gORUN->RelayReg(); }, 4000))
            << unit.Model().relays << " held, " << gORUN->RelayReg() << " shown";
        EXPECT_EQ(gORUN->RelayReg() & ~(1 << ShutterRelay()), 0);
        // Every input pulsed has dropped, and the program has taken it (a start it made
        // meanwhile is stopped with the rest).
        ASSERT_TRUE(WaitUntil([&] { return interlockWords < 0 && unit.Model().inputs == 0 && form->LastInputReg == 0; }, 3000));
        stopAll();
    }
    QObject::disconnect(calibrationWatch);
    QObject::disconnect(interlockWatch);
    EXPECT_GT(done, 0);
    EXPECT_GT(refused, 0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, FileWaitWalk, ::testing::Range(0, 3));
