#pragma once
// A station for the main window's tests: a program folder with a recipe database and a
// configuration file, the application, unit, quartz and remote-control objects made as
// the start-up makes them, process 1 whose first step deposits on the chosen channels,
// and the main window loaded. Connect() links the window to an emulated unit over TCP.
//
// Channel c deposits layer c + 1 with film c + 1 ("Film c+1", units A/s) through output c
// (10 V full scale, 100 % maximum power); the layers run until they are stopped. The
// program objects are made and released through their owner, as the program does.
#include "app/SettingsGlobals.h"
#include "app/SystemFlags.h"
#include "app/cApp.h"
#include "data/FilmRec.h"
#include "data/ProcessRec.h"
#include "data/RecipeSchema.h"
#include "data/modDB.h"
#include "platform/Clock.h"
#include "platform/ccrpTimer.h"
#include "qcm/cQCM.h"
#include "remote/cComm.h"
#include "run/ChannelData.h"
#include "run/PhaseCode.h"
#include "run/ProgramObjects.h"
#include "run/frmMain.h"
#include "run/modIO.h"
#include "support/DialogRecorder.h"
#include "support/ProgramState.h"
#include "support/TempProgramFolder.h"
#include "unit/LinkHarness.h"
#include "unit/cORUN.h"
#include "unitsim/UnitSim.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <initializer_list>

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
        ProgramObjects::CreateQCM();
        modDB::QCMLoad();
    }

    void TearDown() override {
        if (gMainForm) gMainForm->Form_Unload();
        ResetProgramState();
    }

    // A recipe database with every row the program reads and writes, made once: adding
    // the rows takes seconds, copying the file does not.
    static QString PreparedDatabase() {
        static QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("prepared.mdb"));
        if (QFile::exists(path)) return path;
        dao::Database db = CreateRecipeDatabase(path);
        db.SetUserDefinedProperty(QStringLiteral("ORUN_VER"), QStringLiteral("4.11"));
        // One statement per table: the rows take their columns' defaults.
        auto rows = [&](const char* table, const char* key, int first, int last) {
            QStringList values;
            for (int n = first; n <= last; ++n) values << QStringLiteral("(%1)").arg(n);
            db.Execute(QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(QLatin1String(table), QLatin1String(key)) +
                       values.join(QLatin1Char(',')));
        };
        rows("Processes", "Process_Number", 1, 25);
        rows("Layers", "Layer_Number", 1, 250);
        rows("Films", "Film_Number", 1, 25);
        rows("ORUN", "Channel", 0, 7);
        rows("Sensors", "Sensor", 0, 3);
        db.Close();
        return path;
    }

    // The window loads, then process 1 is selected: its step 1 deposits on the channels.
    void Station(std::initializer_list<int16_t> channels) {
        ProcessRec& p = gProcess(1);
        p.Process_Name = QStringLiteral("Mirror");
        p.Number_Layers = 1;
        p.Number_Act_Layers = static_cast<int16_t>(channels.size());
        int16_t previous = 0;
        for (int16_t c : channels) {
            const int16_t L = static_cast<int16_t>(c + 1);
            LayerRec& l = gLayer(L);
            l.Layer_Number = L;
            l.Channel = c;
            l.Output = c;
            l.Film_Number = L;
            l.Next_Layer = -1;
            l.CoDep_Layer = -1;
            l.XCH1 = l.XCH2 = l.XCH3 = l.XCH4 = -1;
            l.RatioChan = -1;
            l.ChanMult = 1.0;
            l.RatioMult = 1.0;
            l.Rate = 2.0;
            l.Thick = 999.0;  // runs until it is stopped
            FilmRec& f = gFilm(L);
            f.Film_Name = QStringLiteral("Film %1").arg(L);
            f.Units = QStringLiteral("A/s");
            f.QCM_CALFACTOR = 1.0;
            f.UnitsCal = 1.0;
            f.Filter = 1;
            f.DecDigits = 2;
            f.IntDigits = 3;
            f.Max_Power = 100.0;
            f.FULL_SCALE = 10.0;
            f.QCM_NUMBER = -1;
            gORUN->setFullScale(c, 10.0);
            gORUN->setMaxPower(c, 100.0);
            if (previous == 0) p.First_Layer = L;
            else gLayer(previous).CoDep_Layer = L;
            previous = L;
        }
        form = &ProgramObjects::CreateMainForm();
        form->Form_Load();
        ProgramObjects::CreateComm();
        gApp->setProcNum(1);
    }

    // Links the window to an emulated unit of the given firmware over TCP and asks for
    // its identification, as the start-up does; then the start-up ends in STOPPED.
    void Connect(const QString& firmware = QStringLiteral("4.11")) {
        unit.Model().firmware = firmware;
        ASSERT_TRUE(unit.ListenTcp());
        ASSERT_TRUE(gORUN->CommInit(10, unit.TcpPort(), QStringLiteral("127.0.0.1"), form->tcpControllerClient));
        gORUN->SendGetVersion();
        if (firmware.toDouble() >= 4.10) {
            ASSERT_TRUE(WaitUntil([&] { return Polling(); }, 3000));
        }
        gApp->setPhase(PhaseCode::Stopped);
    }

    bool Polling() const { return form->RequestReadings && form->RequestReadings->Enabled(); }

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
