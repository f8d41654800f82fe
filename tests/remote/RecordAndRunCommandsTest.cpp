// The layer, film, channel-value, measurement, process and sensor commands against a
// station whose active process has three steps, the last co-deposited on channels 0 to 3.
#include "RemoteStation.h"

#include "app/ChannelData.h"
#include "data/FilmRec.h"
#include "platform/Clock.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>
#include <functional>

namespace {

// The unit takes the program's powers: they are sent and their reply comes back.
void AcknowledgePowers() {
    gORUN->setEnabled(true);
    gORUN->SendPower();
    for (const char* letter : {"AK", "AW"})
        for (char c : OrunFrame::BuildFrame(QByteArray(letter))) gORUN->ParseResponse(static_cast<uint8_t>(c));
}

// The chain of the active process: step 1 on channels 0 and 3, step 2 on channel 0, step 3
// on channels 0, 3, 1 and 2. Layer L runs at L + 0.25 A/s through the output of its channel.
struct LayerSpec {
    int16_t channel, film, next, coDep;
};
// Layer 8 is process 2's only step.
constexpr LayerSpec kChain[] = {{0, 1, -1, 2}, {3, 2, 3, -1}, {0, 2, 4, -1}, {0, 1, -1, 5},
                                {3, 3, -1, 6}, {1, 1, -1, 7}, {2, 1, -1, -1}, {2, 1, -1, -1}};

class RemoteCommands : public RemoteStation {
protected:
    void SetUp() override {
        RemoteStation::SetUp();
        Clock::SetFixed(QDateTime(QDate(2026, 3, 2), QTime(10, 0)));
        for (int16_t L = 1; L <= 8; ++L) modDB::LayerLoad(L);  // the rows a reload reads back
        ProcessRec& p = gProcess(1);
        p.Process_Name = QStringLiteral("Optic Coat");
        p.First_Layer = 1;
        p.Number_Layers = 3;
        p.Number_Act_Layers = 7;
        p.Run_Number = 7;
        ProcessRec& other = gProcess(2);
        other.Process_Name = QStringLiteral("AR Stack");
        other.First_Layer = 8;
        other.Number_Layers = other.Number_Act_Layers = 1;
        for (int16_t L = 1; L <= 8; ++L) {
            const LayerSpec& s = kChain[L - 1];
            LayerRec& l = gLayer(L);
            l = LayerRec{};
            l.Layer_Number = L;
            l.Channel = l.Output = s.channel;
            l.Film_Number = s.film;
            l.Next_Layer = s.next;
            l.CoDep_Layer = s.coDep;
            l.Rate = L + 0.25;
            l.XCH1 = l.XCH2 = l.XCH3 = l.XCH4 = -1;
            // Stored and read back, as the program loads its layers.
            modDB::LayerSave(L);
            modDB::LayerLoad(L);
        }
        for (int16_t f = 1; f <= 3; ++f) {
            gFilm(f) = FilmRec{};
            gFilm(f).Film_Name = QStringLiteral("  Film %1").arg(f);
            gFilm(f).Units = QStringLiteral("A/s");
            gFilm(f).IntDigits = 3;
            gFilm(f).DecDigits = 2;
            gFilm(f).Filter = 1;
            gFilm(f).PTerm = 1.5;
            gFilm(f).QCM_NUMBER = -1;
            gFilm(f).FULL_SCALE = 10.0;
            gFilm(f).Max_Power = 100.0;
        }
        for (int o = 0; o <= 7; ++o) {
            gORUN->setFullScale(o, 10.0);
            gORUN->setPower(o, 0.0);
        }
        gApp->setProcNum(1);
        Start("Port=0\r\nEthernetPort=-1\r\n");
    }
    void TearDown() override {
        Clock::UseSystem();
        CtrlKey = false;
        RemoteStation::TearDown();
    }

    // The run goes to step n; the window shows the step's channels as the layer change does.
    void OnStep(int16_t n) {
        gApp->setProcLayer(n);
        gMainForm->ShowChannels();
    }

    QString Body(const QString& request) { return ReplyBody(relay->Ask(request + ";00\r")); }
};

struct Step {
    const char* request;
    const char* reply;  // null: only `holds` is checked
    std::function<void()> before = {};
    std::function<bool()> holds = {};
};

const char* const kAck = "\x06";
const char* const kPrm = "\x15;02";
const char* const kReq = "\x15;05";
const char* const kUnk = "\x15;06";

}  // namespace

TEST_F(RemoteCommands, EveryExampleOfTheRecordAndRunCommandsIsAnswered) {
    OnStep(3);
    // With a checksum: the layer channel 3 serves now, whatever step the request names.
    EXPECT_EQ(ReplyBody(relay->Ask("@UL;2;1;3;12.5;4A\r")), kAck);
    EXPECT_EQ(gLayer(5).Rate, 12.5);
    EXPECT_EQ(gLayer(2).Rate, 2.25);

    QString reply;
    const auto phase = [](int16_t p) { return [p] { gApp->setPhase(p); }; };
    const auto fields = [&reply](int n) { return [&reply, n] { return reply.split(u';').size() == n + 1; }; };
    const std::vector<Step> steps = {
        // Layers: the step record, the current layer, the range of steps.
        {"@QL;2;0;0", "\x06;4.25"},
        {"@QL;2;1;3", "\x06;2.25"},
        {"@QL;2;4;0", kPrm},
        {"@QL;1;3;1", "\x06;Film 1"},
        {"@QL;7;1;0", "\x06;06"},
        {"@UL;7;1;0;5", kAck},
        {"@UL;1;1;0;x", kPrm},
        {"@QL;2;1;5", kUnk},  // no layer on channel 5
        {"@UL;71;0;3;33.3333", kAck},
        {"@QL;71;1;3", "\x06;33.333"},
        // Films: the step film; films change only while stopped.
        {"@UF;26;1;0;80", kAck, {}, [] { return gFilm(1).Max_Power == 80; }},
        {"@QF;35;1;0", "\x06;A/s     "},
        {"@QF;43;1;0", kPrm},
        {"@QF;4;1;0", "\x06;06"},
        {"@UF;35;1;0;Angstrom/s", kAck, {}, [] { return gFilm(1).Units.text() == QStringLiteral("Angstrom"); }},
        {"@UF;5;2;0;2.5", kAck, {}, [] { return gFilm(2).Shutter_Delay == 2; }},
        // Measurements, bulk and single; a channel without an output has no power, and a
        // power is the one the unit acknowledged.
        {"@QM;49",
         "\x06;0.00;0.0000;0.0000;0.00;0.00;1.5000;0.0000;0.00;0.00;0.0000;0.0000;0.00;40.00;0.0000;2.2500;0.00;"
         "0.00;0.0000;0.0000;0.00;0.00;0.0000;0.0000;0.00;0.00;0.0000;0.0000;0.00;0.00;0.0000;0.0000;-3.13",
         [] {
             gORUN->setPower(3, 40.0), gChanUser(1) = 1.5, gChanTotal(3) = 2.25, gChanDev(7) = -3.125;
             AcknowledgePowers();
         }},
        {"@QM;79", nullptr, {}, fields(24)},
        {"@QM;22", "\x06;1.5000"},
        {"@QM;9", kPrm},
        {"@QM;70", kPrm},
        // Channel values: "A" and "B" prefixes, ramps, free values.
        {"@QV;101", "\x06;1000000"},
        {"@QV;91", "\x06;0"},
        {"@UV;A3;7.5", kAck},
        {"@QV;103", "\x06;7.5"},
        {"@QV;B1", "\x06;1"},
        {"@QV;111", "\x06;1"},
        {"@QV;53", "\x06;0"},
        {"@UV;12;5.0", kAck, phase(PhaseCode::Deposit), [] { return gApp->ChanPhase(1) == PhaseCode::ManRamp; }},
        {"@QV;12", "\x06;5.00"},
        {"@UV;31;6", kAck, {}, [] { return gLayer(4).ManRampSlope == 0.1; }},
        {"@QV;31", "\x06;6.00"},
        {"@UV;41;50", kPrm},
        {"@UV;119;1", kPrm},
        {"@UV;21;1", kPrm},
        {"@UF;26;1;0;80", kReq},
        {"@UF;26;9;0;80", kPrm},  // the step range is looked at first
        // Process and run state.
        {"@QP;6", "\x06;01:02:05", [] { Clock::Advance(3725 * 1000); }},
        {"@UP;7;12", kPrm},
        {"@UP;9;4", kPrm},  // beyond the process, before the phase is looked at
        {"@UP;9;2", kReq},
        {"@QP;6", "\x06;00:00:00", phase(PhaseCode::Stopped)},
        {"@UP;7;0", kPrm},
        {"@UP;7;10000", kPrm},
        {"@UP;7;9999", kAck},
        {"@QP;7", "\x06;9999"},
        {"@UP;1;  ar STACK ", kAck, {}, [] { return gApp->ProcNum() == 2; }},
        {"@UP;1;Mirror", kPrm, {}, [] { return gApp->ProcNum() == 2; }},
        {"@UP;1;optic coat", kAck, {}, [] { return gApp->ProcNum() == 1; }},
        {"@QP;8", "\x06;Optic Coat,AR Stack,,,,,,,,,,,,,,,,,,,,,,,"},
        {"@QS;2", kPrm}, {"@QS;4", kPrm}, {"@QS;6", kPrm}, {"@QS;8", kPrm},
        {"@US;2", kAck, [] { gORUN->setEmissionOn(0, 2); }, [] { return gORUN->EmissionOn(0) == 2; }},
        // Manual power through the window's own box, within its limit: film 1's maximum of
        // 80 % (set above), as the box refuses more.
        {"@UP;51;80.1", kPrm, [this] { OnStep(1); }, [] { return gApp->ChanPhase(0) != PhaseCode::ManPower; }},
        {"@UP;51;80", kAck, {}, [] { return gApp->ChanPhase(0) == PhaseCode::ManPower; }},
        {"@UP;51;101", kPrm},
        {"@UP;51;79.6", kAck, {}, [] { return gMainForm->txtPower(0)->text() == QStringLiteral("79.6"); }},
        {"@QP;41", "\x06;0"},
        {"@UV;41;20", kAck, {}, [] { return std::abs(gORUN->Power(0) - 20) < 0.01; }},
        {"@UV;41;150", kAck, {}, [] { return std::abs(gORUN->Power(0) - 20) < 0.01; }},
        {"@UP;51;abc", kUnk},
        {"@UP;41;1", kAck, {}, [] { return !gMainForm->chkManPwr(0)->isChecked(); }},
        // Manual power at the power shown, past the Ctrl-key setting.
        {"@UV;111;0", kAck, [] { gMainForm->lblPower(0)->setText(QStringLiteral("12.50")); },
         [] { return gApp->ChanPhase(0) == PhaseCode::ManPower && std::abs(gORUN->Power(0) - 12.5) < 0.01; }},
        {"@UP;52;50", kPrm},  // channel 1 has no layer in step 1
    };
    SystemFlags = 0x0005;
    CtrlKey = true;
    for (const Step& s : steps) {
        if (s.before) s.before();
        reply = Body(QString::fromLatin1(s.request));
        if (s.reply) {
            EXPECT_EQ(reply.toStdString(), s.reply) << s.request;
        }
        if (s.holds) {
            EXPECT_TRUE(s.holds()) << s.request;
        }
        // Whatever the answer, the front-panel locks and the Ctrl-key setting are back.
        EXPECT_EQ(SystemFlags, 0x0005) << s.request;
        EXPECT_TRUE(CtrlKey) << s.request;
    }
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('|').toStdString();
}

// Fields that the run uses as indexes or choices take only the values it knows; a zero
// button of a channel not in use is not pressed for a client, while a front-panel lock
// holds only the operator.
TEST_F(RemoteCommands, ValuesOutsideTheirUsesChangeNothingAndLocksHoldOnlyTheOperator) {
    OnStep(1);
    const char* const cases[][2] = {
        {"@UF;7;1;0;3", kPrm},   {"@UF;7;1;0;2", kAck},      // error action
        {"@UF;31;1;0;9", kPrm},  {"@UF;31;1;0;8", kAck},     // input type
        {"@UF;39;1;0;5", kPrm},  {"@UF;40;1;0;-1", kPrm},    {"@UF;40;1;0;4", kAck},  // digits
        {"@UF;41;1;0;0", kPrm},  {"@UF;41;1;0;101", kPrm},   {"@UF;41;1;0;100", kAck},  // filter
        {"@UF;42;1;0;4", kPrm},  {"@UF;42;1;0;1.5", kPrm},   {"@UF;42;1;0;-1", kAck},  // quartz monitor
        {"@UL;6;1;0;3", kPrm},   {"@UL;6;1;0;2", kAck},      // start mode
        {"@UL;61;1;0;8", kPrm},  {"@UL;64;1;0;-2", kPrm},    {"@UL;62;1;0;7", kAck},  // cross channels
        {"@UF;5;1;0;9e9", kUnk},
        {"@UP;65", kPrm},  // channel 4 is not in use: no zero button
    };
    for (const auto& c : cases) EXPECT_EQ(Body(QString::fromLatin1(c[0])), QString::fromLatin1(c[1])) << c[0];
    const FilmRec& f = gFilm(1);
    EXPECT_EQ(f.ERROR_ACTION, 2);
    EXPECT_EQ(f.Input_Type, 8);
    EXPECT_EQ(f.IntDigits, 3);
    EXPECT_EQ(f.DecDigits, 4);
    EXPECT_EQ(f.Filter, 100);
    EXPECT_EQ(f.QCM_NUMBER, -1);
    const LayerRec& l = gLayer(1);
    EXPECT_EQ(l.StartMode, 2);
    EXPECT_EQ(l.XCH1, -1);
    EXPECT_EQ(l.XCH2, 7);
    EXPECT_EQ(l.XCH4, -1);

    // A manual ramp without a slope has no time left to tell.
    gApp->setPhase(PhaseCode::Deposit);
    EXPECT_EQ(Body("@UV;11;3"), kAck);
    EXPECT_EQ(Body("@QV;51"), kUnk);

    // The sensor 1 lock shows at once and stays for the operator after a client's press,
    // which it does not hold.
    EXPECT_EQ(Body("@UU;6;4"), kAck);
    EXPECT_FALSE(gMainForm->cmdSensor(0)->isEnabled());
    EXPECT_EQ(Body("@US;2"), kAck);
    EXPECT_GT(gORUN->EmissionOn(0), 0);
    EXPECT_FALSE(gMainForm->cmdSensor(0)->isEnabled());
}
