#pragma once
// A station for the main window's tests: a program folder with a recipe database and a
// configuration file, the application, unit, quartz and remote-control objects made as
// the start-up makes them, process 1 whose first step deposits on the chosen channels,
// and the main window loaded. Connect() links the window to an emulated unit over TCP.
//
// Channel c deposits layer c + 1 with film c + 1 ("Film c+1", units A/s) through output c
// (10 V full scale, 100 % maximum power); the layers run until they are stopped. The
// program objects are made and released through their owner, as the program does.
#include "app/ChannelData.h"
#include "app/PhaseCode.h"
#include "app/SettingsGlobals.h"
#include "app/SystemFlags.h"
#include "app/cApp.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "data/RecipeSchema.h"
#include "data/modDB.h"
#include "platform/Brevox.h"
#include "platform/Clock.h"
#include "platform/ccrpTimer.h"
#include "qcm/cQCM.h"
#include "remote/cComm.h"
#include "run/ProgramObjects.h"
#include "run/frmMain.h"
#include "run/modIO.h"
#include "support/DialogRecorder.h"
#include "support/ProgramState.h"
#include "support/StationRecords.h"
#include "support/TempProgramFolder.h"
#include "unit/LinkHarness.h"
#include "unit/cORUN.h"
#include "unitsim/UnitSim.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        SensorDecimals = QStringLiteral("0.00");
        folder.write(QStringLiteral("ORUN.CFG"), "[Display]\r\nMeterDamping=0\r\n[SftwComm]\r\nPort=0\r\n");
        SetupFile = QStringLiteral("ORUN.CFG");
        ProgramObjects::CreateApp();
        ASSERT_TRUE(QFile::copy(PreparedDatabase(), folder.file(QStringLiteral("ORUN.MDB"))));
        modDB::DBLoad(QStringLiteral("ORUN.MDB"));
        gApp->IniReadApp(SetupFile, QStringLiteral("Display"));
        ProgramObjects::CreateUnit();
        SoundCalibration(*gORUN);
        ProgramObjects::CreateQCM();
        modDB::QCMLoad();
    }


    void TearDown() override {
        if (gMainForm) gMainForm->Form_Unload();
        ResetProgramState();
        Brevox::SetFactory({});
    }

    struct Relay : BrevoxComm {
        void Reply(const QString& sText) override { reply = sText; }
        QString reply;
    };
    Relay* relay = nullptr;

    // A recipe database with every row the program reads and writes, made once: adding
    // the rows takes seconds, copying the file does not.
    static QString PreparedDatabase() {
        static QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("prepared.mdb"));
        if (!QFile::exists(path)) CreateStationDatabase(path);
        return path;
    }

    // The window loads, then process 1 is selected: its step 1 deposits on the channels.
    // More steps may be chained onto it first (records).
    void Station(std::initializer_list<int16_t> channels, const std::function<void()>& records = {}) {
        gProcess(1).Process_Name = QStringLiteral("Mirror");
        DepositTogether(channels);
        for (int16_t c : channels) {
            const int16_t L = static_cast<int16_t>(c + 1);
            PlainLayer(L);
            gORUN->setFullScale(c, 10.0);
            gORUN->setMaxPower(c, 100.0);
        }
        if (records) records();
        form = &ProgramObjects::CreateMainForm();
        form->Form_Load();
        ProgramObjects::CreateComm();
        gApp->setProcNum(1);
    }

    // Layer L with film L ("Film L", units A/s, an emission detector, 100 %
    // maximum power at a 10 V full scale), running until it is stopped.
    static void PlainLayer(int16_t L) {
        LayerRec& l = gLayer(L);
        l.Rate = 2.0;
        l.Thick = 999.0;  // runs until it is stopped
        FilmRec& f = gFilm(L);
        f.Film_Name = QStringLiteral("Film %1").arg(L);
        f.Units = QStringLiteral("A/s");
        f.QCM_CALFACTOR = 0.01;  // the emulator's plant gives 10 A/s at full drive and 1000 V
        f.UnitsCal = 1.0;
        f.Filter = 1;
        f.DecDigits = 2;
        f.IntDigits = 3;
        f.Max_Power = 100.0;
        f.FULL_SCALE = 10.0;
        f.QCM_NUMBER = -1;
    }

    // Chains step 2 onto a step 1 of channels 0 and 1: channel 1 goes on with layer 3
    // (film 3) through output 1, channel 2 deposits layer 4 (film 4) through output 0, the
    // output channel 0 drives in step 1. Channel 0 has no layer in step 2.
    static void SecondStep() {
        gLayer(2).Next_Layer = 3;
        for (int16_t L : {3, 4}) {
            LayerRec& l = gLayer(L);
            l = gLayer(2);
            l.Layer_Number = L;
            l.Film_Number = L;
            l.Next_Layer = -1;
            PlainLayer(L);
        }
        gLayer(3).CoDep_Layer = 4;
        gLayer(3).Channel = 1;
        gLayer(3).Output = 1;
        gLayer(4).CoDep_Layer = -1;
        gLayer(4).Channel = 2;
        gLayer(4).Output = 0;
        gProcess(1).Number_Layers = 2;
        gProcess(1).Number_Act_Layers = 4;
    }

    // Remote-control requests through an in-process relay: call before Station.
    void ServeRelay() {
        Brevox::SetFactory([this] {
            auto r = std::make_unique<Relay>();
            relay = r.get();
            return std::unique_ptr<BrevoxComm>(std::move(r));
        });
    }
    // The reply to a request: its value after ACK (empty for an update), or "NAK" and the
    // code.
    QString Remote(const QString& request) {
        relay->reply.clear();
        emit relay->CommandEvent(request + QStringLiteral(";00\r"));
        const QString body = relay->reply.mid(4, relay->reply.size() - 8);
        if (body.startsWith(QChar(0x15))) return QStringLiteral("NAK") + body.mid(1);
        return body.mid(2);
    }

    // Links the window to an emulated unit of the given firmware over TCP and asks for
    // its identification, as the start-up does; then the start-up ends in STOPPED.
    void Connect(const QString& firmware = QStringLiteral("4.11")) {
        unit.Model().firmware = firmware;
        if (unit.TcpPort() == 0) {  // a station made again keeps its unit
            ASSERT_TRUE(unit.ListenTcp());
        }
        ASSERT_TRUE(gORUN->CommInit(10, unit.TcpPort(), QStringLiteral("127.0.0.1"), form->tcpControllerClient));
        gORUN->SendGetVersion();
        if (firmware.toDouble() >= 4.10) {
            ASSERT_TRUE(WaitUntil([&] { return Polling(); }, 3000));
        }
        gApp->setPhase(PhaseCode::Stopped);
    }

    bool Polling() const { return form->RequestReadings && form->RequestReadings->Enabled(); }

    // Channel 0 deposits, its loop driving the source up from its detector.
    void DepositDriven() {
        gFilm(1).Sensor_PMT = 700.0;
        gFilm(1).PTerm = 200.0;
        gFilm(1).ITerm = 0.2;
        gFilm(1).SLEW_RATE = 50.0;
        gApp->setPhase(PhaseCode::Deposit);
        ASSERT_TRUE(WaitUntil([&] { return unit.Model().powerCode[0] > OutputCode::ZeroVolts; }, 5000));
    }

    // Sends a command of the unit and waits for its reply to be handled.
    bool Exchange(const std::function<void()>& send, const QString& replyStart) {
        bool seen = false;
        const auto c = QObject::connect(gORUN, &cORUN::ORUNResponse, [&](const QString& r) {
            if (r.startsWith(replyStart)) seen = true;
        });
        send();
        const bool ok = WaitUntil([&] { return seen; }, 3000);
        QObject::disconnect(c);
        return ok;
    }

    // How often the unit received the command since the last ClearCommands.
    int Received(const QString& command) const { return static_cast<int>(unit.Commands().count(command)); }

    TempProgramFolder folder;
    DialogRecorder boxes;
    UnitSim unit;
    frmMain* form = nullptr;
};
