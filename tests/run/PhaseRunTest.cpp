// Whole runs of the phase machine against the unit emulator over TCP: the station plays
// the main window's reading reply (store the readings, integrate the thickness, one
// control tick), and the clock moves 100 ms per reading, so the emulator's plant and the
// phase clock share one time.
#include "RunFixture.h"

#include "app/PhaseCode.h"
#include "data/RecipeSchema.h"
#include "data/modDB.h"
#include "platform/Winsock.h"
#include "run/frmMain.h"
#include "run/modPhases.h"
#include "unit/LinkHarness.h"
#include "unitsim/UnitSim.h"

#include <QLabel>
#include <QRegularExpression>
#include <cmath>
#include <deque>

using namespace modCalculations;

namespace {

// Relays 0..11: process and layer states, the shutters of channels 1 and 3, the source
// shutter of channel 1 and the shutter of quartz monitor 1, which no channel uses.
constexpr int16_t kRelayMap[12] = {1, 2, 3, 4, 5, 6, 7, 8, 20, 22, 30, 40};

class PhaseRun : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        ProgramObjects::CreateMainForm();
        SetDialogResponder([this](const DialogRequest& r) {
            shown.push_back(r);
            if (duringBox) std::exchange(duringBox, nullptr)();
            int answer = vbOK;
            if (!answers.empty()) answer = answers.front(), answers.pop_front();
            return DialogAnswer{answer, {}};
        });
        sim.Model().plant.params.lagSeconds = 0.3;
        sim.Model().plant.params.gasLight = 0.0;
        ASSERT_TRUE(sim.ListenTcp());
        QObject::connect(&socket, &Winsock::DataArrival, [this](int n) {
            for (char c : socket.GetData(n)) Unit().ParseResponse(static_cast<uint8_t>(c));
        });
        QObject::connect(&Unit(), &cORUN::ORUNResponse, [this](const QString& r) {
            if (r.startsWith(u'G')) OnReading();
        });
        QObject::connect(&App(), &cApp::PhaseChange, [this](int16_t p) { Note(phases, QString::number(p) + ":" + Relays()); });
        ASSERT_TRUE(Unit().CommInit(10, sim.TcpPort(), QStringLiteral("127.0.0.1"), &socket));
        Unit().SendGetVersion();
        ASSERT_TRUE(WaitUntil([&] { return Unit().ChanActive(0); }, 3000));
        // Flux = main less background counts over the emulator's converter gain.
        for (int ch = 0; ch <= 7; ++ch)
            for (int integ = 0; integ <= 1; ++integ) Unit().setCalSlope(ch, integ, -0.1);
        modDB::gDB = CreateRecipeDatabase(folder.file("ORUN.MDB"));
    }

    void TearDown() override { RunFixture::TearDown(); }

    // A layer on channel ch (output ch, film ch + 1) at rate Å/s up to thick kÅ.
    static void MakeLayer(int16_t L, int16_t ch, int16_t next, int16_t coDep, double rate, double thick) {
        LayerRec& l = gLayer(L);
        l = LayerRec{};
        l.Channel = l.Output = ch;
        l.Film_Number = static_cast<int16_t>(ch + 1);
        l.Next_Layer = next;
        l.CoDep_Layer = coDep;
        l.Rate = rate;
        l.Thick = thick;
        l.XCH1 = l.XCH2 = l.XCH3 = l.XCH4 = l.RatioChan = -1;
        FilmRec& f = Film(ch);
        f = FilmRec{};
        f.QCM_CALFACTOR = 0.01;  // full drive gives 10 Å/s
        f.UnitsCal = 1.0;
        f.Filter = 1;
        f.Sensor_PMT = 1000;
        f.FULL_SCALE = 10.0;
        f.Max_Power = 100.0;
        f.QCM_NUMBER = -1;
        f.PTerm = 200.0;
        f.ITerm = 0.2;
        f.SLEW_RATE = 50.0;
        f.CTRLERR_PERCENT = 10;
    }

    // Process 1 of the layers from record 1 on becomes the active process, STOPPED.
    void Select(int16_t steps, int16_t layers) {
        modDB::ProcessLoad(1);
        gProcess(1).First_Layer = 1;
        gProcess(1).Number_Layers = steps;
        gProcess(1).Number_Act_Layers = layers;
        App().setProcNum(1);
        for (int16_t i = 0; i <= 11; ++i) modIO::SetOutputFunction(i, kRelayMap[i]);
        App().setPhase(PhaseCode::Stopped);
        for (int16_t ch = 0; ch <= 2; ++ch) Note(chanPhases[ch], QString::number(App().ChanPhase(ch)));
    }

    // The reading reply of the main window: readings, thickness, then one control tick.
    void OnReading() {
        for (int16_t ch = 0; ch <= 7; ++ch)
            if (App().ChanFilm(ch) >= 1) RunMainForm().SaveReading(ch, Unit().ChanFlux(ch));
        if (App().Phase() > PhaseCode::Stopped)
            for (int16_t ch = 0; ch <= 7; ++ch)
                if (App().ChanFilm(ch) >= 1) gChanTotal(ch) = CalcChanThick(ch);
        gLastMeterTime = Timer();
        ++readings;
        if (App().Phase() != PhaseCode::Stopped) modPhases::DoPhase();
        for (int16_t ch = 0; ch <= 2; ++ch) Note(chanPhases[ch], QString::number(App().ChanPhase(ch)));
    }

    void Tick() {
        Clock::Advance(100);
        const int before = readings;
        Unit().SendGetReading();
        ASSERT_TRUE(WaitUntil([&] { return readings > before; }, 3000));
    }
    // Ticks until the run phase is `phase` (at most n ticks); each tick may check more.
    void RunTo(int16_t phase, int n, const std::function<void()>& each = {}) {
        for (int i = 0; i < n && App().Phase() != phase; ++i) {
            Tick();
            if (each) each();
        }
        ASSERT_EQ(App().Phase(), phase);
    }

    QString Relays() const {
        QString w;
        for (int i = 0; i <= 11; ++i) w += gORUN->Relay(i) ? u'1' : u'0';
        return w;
    }
    static void Note(QStringList& list, const QString& item) {
        if (list.isEmpty() || list.last() != item) list << item;
    }

    UnitSim sim;
    Winsock socket;
    int readings = 0;
    QStringList phases;
    QStringList chanPhases[3];
    std::vector<DialogRequest> shown;
    std::deque<int> answers;
    std::function<void()> duringBox;
};

TEST_F(PhaseRun, ATwoStepProcessRunsEveryPhaseAndEndsStoppedAtStepOne) {
    // Step 1: channels 0 and 1 together; step 2: channel 2, started by hand after a prompt.
    MakeLayer(1, 0, -1, 2, 5.0, 0.02);
    MakeLayer(2, 1, 3, -1, 5.0, 0.02);
    MakeLayer(3, 2, -1, -1, 3.0, 0.005);
    gLayer(3).StartMode = 1;
    gLayer(3).Prompt = QStringLiteral("Load the crucible");
    // Channel 0 ramps 4 s to 20 %, soaks 2 s, ramps 2 s to 30 %, soaks 2 s. Channel 1 has no
    // first ramp: it holds 15 % from the start, and its 3 s of conditioning end with
    // channel 0's. Channel 2 neither conditions nor waits for a shutter delay.
    FilmRec& f0 = Film(0);
    f0.Ramp1_Power = 20, f0.RAMP1_TIME = 4, f0.Soak1_Time = 2, f0.Ramp2_Power = 30, f0.RAMP2_TIME = 2, f0.Soak2_Time = 2;
    FilmRec& f1 = Film(1);
    f1.Ramp1_Power = 15, f1.Soak1_Time = 1, f1.Ramp2_Power = 10, f1.RAMP2_TIME = 1, f1.Soak2_Time = 1;
    for (FilmRec* f : {&f0, &f1}) f->Shutter_Delay = 15, f->Shutter_Capture = 5;
    f0.Idle_Power = 5, f0.IDLE_Ramp = 2, f1.Idle_Power = 4, f1.IDLE_Ramp = 3;
    Select(2, 3);

    App().setPhase(PhaseCode::InitRun);  // the START button
    Tick();
    EXPECT_EQ(App().Phase(), PhaseCode::StartLayer);  // INIT RUN lasts one tick
    Tick();
    ASSERT_EQ(App().Phase(), PhaseCode::Ramp1);
    // Powers (channel 0, channel 1) at seconds of the conditioning.
    const std::map<int, std::pair<double, double>> ramps = {{20, {10.0, 15.0}}, {50, {20.0, 15.0}},
                                                            {70, {25.0, 15.0}}, {75, {27.5, 15.0}}, {85, {30.0, 12.5}},
                                                            {95, {30.0, 10.0}}};
    for (int tenths = 1; App().Phase() != PhaseCode::ShutterDelay && tenths < 120; ++tenths) {
        Tick();
        if (!ramps.count(tenths)) continue;
        EXPECT_NEAR(Unit().Power(0), ramps.at(tenths).first, 0.05) << tenths;
        EXPECT_NEAR(Unit().Power(1), ramps.at(tenths).second, 0.05) << tenths;
    }
    // The capture, then the deposit: no rate ramp (Ramp1Thick 0), the rate held within
    // the films' control error, until the end thickness ends the layer.
    RunTo(PhaseCode::Deposit, 150);
    RunTo(PhaseCode::IdleRamp, 100, [&] {
        if (App().Phase() != PhaseCode::Deposit) return;
        for (int16_t ch : {0, 1}) {
            EXPECT_EQ(modPhases::RateTarget(ch), 5.0);
            EXPECT_NEAR(gChanUser(ch), 5.0, 0.5) << ch;
        }
    });
    EXPECT_GE(std::max(gChanTotal(0), gChanTotal(1)), 0.02);
    EXPECT_LT(std::max(gChanTotal(0), gChanTotal(1)), 0.0206);
    EXPECT_EQ(RunMainForm().lblStatus->text(), "End Deposit Layer 1 - Total");

    // Step 2 waits in STOP LAYER; the operator's first start is cancelled at its prompt.
    RunTo(PhaseCode::StopLayer, 40);
    EXPECT_EQ(App().ProcLayer(), 2);
    // Both sources end their idle ramps at their idle power, the longer ramp on the tick
    // that ends the phase, and hold it while step 2 waits.
    auto drive = [&](int o) { return DriveOfCode(sim.Model().powerCode[o]) * 100.0; };
    EXPECT_TRUE(WaitUntil([&] { return std::abs(drive(0) - 5.0) < 0.01 && std::abs(drive(1) - 4.0) < 0.01; }, 3000))
        << drive(0) << " % and " << drive(1) << " %";
    answers = {vbCancel};
    App().setPhase(PhaseCode::StartLayer);
    EXPECT_EQ(App().Phase(), PhaseCode::StopLayer);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].prompt, "Load the crucible");
    EXPECT_EQ(shown[0].buttons, vbOKCancel);
    EXPECT_EQ(shown[0].title, "Start Layer 2");
    // A reading that arrives while the prompt is up only sends the powers.
    duringBox = [&] {
        sim.ClearCommands();
        Tick();
        EXPECT_EQ(App().Phase(), PhaseCode::StartLayer);
        EXPECT_TRUE(WaitUntil([&] { return !sim.Commands().filter(QRegularExpression("^K")).isEmpty(); }, 3000));
    };
    App().setPhase(PhaseCode::StartLayer);
    EXPECT_EQ(App().Phase(), PhaseCode::StartLayer);
    RunTo(PhaseCode::Stopped, 200);
    EXPECT_EQ(App().ProcLayer(), 1);
    EXPECT_EQ(shown.size(), 2u);

    const QStringList expected = {"4:101000000000",  "1:101000000000",  "19:010000010000", "5:010101010000",
                                  "8:010101010000",  "9:010110011000",  "10:010110011010", "16:010100110000",
                                  "18:011000000000", "19:010000010000", "5:010101010000",  "9:010110010100",
                                  "10:010110010100", "16:010100110000", "4:101000000000"};
    EXPECT_EQ(phases, expected);
    EXPECT_TRUE(WaitUntil([&] { return sim.Model().relays == 0b101; }, 3000));
    EXPECT_EQ(chanPhases[0].join(u' '), "4 5 6 7 8 9 10 16 17 18 4");
    EXPECT_EQ(chanPhases[1].join(u' '), "4 5 6 7 8 9 10 16 18 4");
    // Without conditioning or a shutter delay, channel 2 goes from RAMP 1 straight on.
    EXPECT_EQ(chanPhases[2].join(u' '), "4 18 5 9 10 16 4");
}

// A source that cannot reach its rate stops the layer when its shutter delay runs out;
// an indexer that never reports stops the run after 20 s.
TEST_F(PhaseRun, ARunThatCannotGoOnStopsWithACriticalMessage) {
    MakeLayer(1, 0, -1, -1, 5.0, 0.02);
    Film(0).Max_Power = 30.0;  // 3 Å/s at most
    Film(0).Shutter_Delay = 5;
    Film(0).Shutter_Capture = 10;
    Select(1, 1);
    App().setPhase(PhaseCode::ShutterDelay);
    RunTo(PhaseCode::Stopped, 60);
    EXPECT_EQ(modPhases::PhaseElapsed(), 0.0);

    App().setPhase(PhaseCode::Index);
    Clock::Advance(19900);
    Tick();  // 20.0 s
    EXPECT_EQ(App().Phase(), PhaseCode::Index);
    Tick();
    EXPECT_EQ(App().Phase(), PhaseCode::Stopped);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].prompt.toStdString(),
              "Failed to reach 10.0% control within 5 seconds\r\nshutter delay on channel 1.\r\n\r\nLayer Stopped!");
    EXPECT_EQ(shown[1].prompt, "Indexer Timeout");
    EXPECT_EQ(shown[0].buttons, vbCritical);
    EXPECT_EQ(shown[1].buttons, vbCritical);
}

}  // namespace
