#pragma once
// A station for the setup window's tests: the application STOPPED on process 1, the unit
// link connected over TCP to the unit emulator, the quartz facade, the remote-control
// server listening on a free port, a main window, a recipe database holding the unit's
// and quartz settings, a fixed clock that the emulator's readings follow, recorded help
// requests, and helpers that drive the window like a user.
#include "app/SettingsGlobals.h"
#include "app/SystemFlags.h"
#include "app/cApp.h"
#include "data/ProcessRec.h"
#include "data/RecipeSchema.h"
#include "data/modDB.h"
#include "platform/AppInfo.h"
#include "platform/Clock.h"
#include "platform/HtmlHelp.h"
#include "platform/MSComm.h"
#include "platform/SettingsStore.h"
#include "platform/TarselGrid.h"
#include "platform/Winsock.h"
#include "qcm/cQCM.h"
#include "remote/cComm.h"
#include "app/PhaseCode.h"
#include "run/frmMain.h"
#include "run/ProgramObjects.h"
#include "support/DialogRecorder.h"
#include "support/ProgramState.h"
#include "support/TempProgramFolder.h"
#include "unit/LinkHarness.h"
#include "unit/cORUN.h"
#include "unitsim/UnitSim.h"
#include "windows/frmSystem.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

class SetupFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        Clock::SetFixed(QDateTime(QDate(2024, 5, 6), QTime(10, 0, 0)), Clock::Timers::FollowClock);
        SetupFile = QStringLiteral("ORUN.CFG");
        CalHiBias = 2000;
        CalLoBias = 100;
        MeterDamping = 1.0;
        const int32_t colors[6] = {0xFFFF, 0xFF0000, 0, int32_t(0x8000000F), 0, int32_t(0x8000000F)};
        for (int i = 0; i <= 5; ++i) Colors(i) = colors[i];
        gProcess(1).First_Layer = gProcess(1).Number_Layers = gProcess(1).Number_Act_Layers = 1;
        gLayer(1).Layer_Number = gLayer(1).Film_Number = 1;
        gLayer(1).Next_Layer = gLayer(1).CoDep_Layer = -1;
        modDB::gDB = CreateRecipeDatabase(folder.file("ORUN.MDB"));
        folder.write("ORUN.CFG", "[SftwComm]\r\nPort=10\r\nBaudRate=9600\r\nEthernetPort=0\r\n");

        ProgramObjects::CreateApp();
        ProgramObjects::CreateUnit();
        ProgramObjects::CreateQCM();
        frmMain& main = ProgramObjects::CreateMainForm();
        if (!main.msCommSftw) main.msCommSftw = &remoteSerial;
        cComm& comm = ProgramObjects::CreateComm();
        WireServer();
        comm.Init(main.msCommSftw, &server, folder.file("ORUN.CFG"));
        modDB::ORUNLoad();
        modDB::QCMLoad();
        gApp->setProcNum(1);
        gApp->setPhase(PhaseCode::Stopped);

        ASSERT_TRUE(sim.ListenTcp());
        QObject::connect(&socket, &Winsock::DataArrival, [this](int n) {
            if (gORUN)
                for (char c : socket.GetData(n)) gORUN->ParseResponse(static_cast<uint8_t>(c));
        });
        ASSERT_TRUE(gORUN->CommInit(10, sim.TcpPort(), QStringLiteral("127.0.0.1"), &socket));
        gORUN->SendGetVersion();
        ASSERT_TRUE(WaitUntil([] { return gORUN->ChanActive(0) && gORUN->CommStatus() == 0; }, 3000));
        QObject::connect(gORUN, &cORUN::ORUNResponse, [this](const QString& r) {
            if (r.startsWith(u'G')) ++readings;
        });
        SetHelpResponder([this](const HelpRequest& r) { helpTopics.push_back(r.context); });
        boxes.clear();
    }

    void TearDown() override {
        SetHelpResponder({});
        if (gMainForm && gMainForm->msCommSftw == &remoteSerial) gMainForm->msCommSftw = nullptr;
        ResetProgramState();
        Clock::UseSystem();
    }

    // The server's TCP control, wired to it as the main window wires its own.
    void WireServer() {
        QObject::connect(&server, &Winsock::ConnectionRequest, [this](int id) {
            if (server.State() != Winsock::sckClosed) server.Close();
            server.Accept(id);
        });
        QObject::connect(&server, &Winsock::DataArrival, [this](int) {
            for (const QChar c : QString::fromLatin1(server.GetData())) gComm->EthernetRcvData(QString(c));
        });
    }

    // Loads the window, shows it and makes it the active window.
    frmSystem* Open() {
        frmSystem* w = SystemForm();
        w->show();
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        return w;
    }

    // One reading of every channel: the clock moves on a second and the reply is awaited.
    // The unit answers at once: the clock moves only once the exchange on the wire is over,
    // or a second would pass with a reply on its way and look like a lost one.
    void Reading() {
        WaitUntil([] { return !gORUN || gORUN->CommStatus() != 1; }, 3000);
        Clock::Advance(1000);
        const int before = readings;
        gORUN->SendGetReading();
        ASSERT_TRUE(WaitUntil([&] { return readings > before; }, 3000));
    }

    // Opens the list with a click, points at the item and takes it with Enter, as a user
    // picks an entry.
    static void Choose(QComboBox* list, const QString& item) {
        QTest::mouseClick(list, Qt::LeftButton);
        QAbstractItemView* view = list->view();
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->isVisible(); }));
        const int index = list->findText(item);
        ASSERT_GE(index, 0) << item.toStdString();
        view->setCurrentIndex(view->model()->index(index, 0));
        QTest::keyClick(view, Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !view->isVisible(); }));
        Reactivate(list);
    }

    // The window of the control active again once a popup has gone (the platform may hand
    // the activation to the hidden popup late).
    static void Reactivate(QWidget* control) {
        control->window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(control->window()));
    }

    // Clicks into the box, types over its text and ends with the key (Tab leaves the box).
    static void Type(QLineEdit* box, const QString& text, Qt::Key end = Qt::Key_Tab) {
        QTest::mouseClick(box, Qt::LeftButton);
        box->selectAll();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, end);
    }

    // Grid cells, as the user clicks, types and picks.
    static void ClickCell(TarselGrid* g, int row, int col) {
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->cellRect(row, col).center());
    }
    // Clicks the cell, types and ends with the key (Enter commits). The editor opens with
    // the shown text selected, so the typing replaces it.
    static void TypeCell(TarselGrid* g, int row, int col, const QString& text, Qt::Key end = Qt::Key_Return) {
        ClickCell(g, row, col);
        auto* editor = qobject_cast<QLineEdit*>(g->editor());
        ASSERT_NE(editor, nullptr) << "no text editor in " << row << "," << col;
        EXPECT_EQ(editor->selectedText(), editor->text());
        if (text.isEmpty()) QTest::keyClick(editor, Qt::Key_Delete);
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, end);
    }
    // Clicks the cell and picks the item of the list that drops down (its index when the
    // list opened is returned through opened).
    static void PickCell(TarselGrid* g, int row, int col, const QString& item, int* opened = nullptr) {
        ClickCell(g, row, col);
        PickOpen(g, item, opened);
    }
    // Picks the item of the list dropped down by the open cell ("" closes it unpicked).
    static void PickOpen(TarselGrid* g, const QString& item, int* opened = nullptr) {
        auto* list = qobject_cast<QComboBox*>(g->editor());
        ASSERT_NE(list, nullptr) << "no list open";
        if (opened) *opened = list->currentIndex();
        QAbstractItemView* view = list->view();
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->isVisible(); }));
        if (item.isEmpty()) {
            QTest::keyClick(view, Qt::Key_Escape);
        } else {
            const int index = list->findText(item);
            ASSERT_GE(index, 0) << item.toStdString();
            view->setCurrentIndex(view->model()->index(index, 0));
            QTest::keyClick(view, Qt::Key_Return);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !view->isVisible(); }));
        Reactivate(g);
    }

    static QString Setting(const QString& key) { return GetSetting(App().Title, "frmSystem", key); }
    static void SetSetting(const QString& key, const QString& value) { SaveSetting(App().Title, "frmSystem", key, value); }

    // The database's value of a column in a row of the unit's or quartz settings tables.
    static QVariant Stored(const QString& query, const QString& column) {
        return modDB::gDB.OpenRecordset(query).Fields(column).Value();
    }

    TempProgramFolder folder;
    DialogRecorder boxes;
    UnitSim sim;
    Winsock socket;
    Winsock server;
    MSComm remoteSerial;
    std::vector<int> helpTopics;
    int readings = 0;  // reading replies of the unit
};
