#pragma once
// A station for the remote-control tests: the application STOPPED on process 1 (one
// layer), the unit and quartz objects, a main window, the server with an in-process relay
// in place of the absent outside one, and a serial and a TCP control wired to the server
// as the main window wires its own.
#include "app/SettingsGlobals.h"
#include "app/SystemFlags.h"
#include "app/cApp.h"
#include "app/modWait.h"
#include "data/ProcessRec.h"
#include "data/RecipeSchema.h"
#include "data/modDB.h"
#include "platform/Brevox.h"
#include "platform/MSComm.h"
#include "platform/Winsock.h"
#include "qcm/cQCM.h"
#include "remote/cComm.h"
#include "run/PhaseCode.h"
#include "run/ProgramObjects.h"
#include "run/frmMain.h"
#include "support/DialogRecorder.h"
#include "support/ProgramState.h"
#include "support/TempProgramFolder.h"
#include "unit/cORUN.h"

#include <QTcpServer>
#include <QTest>
#include <gtest/gtest.h>

class TestRelay : public BrevoxComm {
public:
    void Reply(const QString& sText) override { reply = sText; }
    // The reply frame to one request; empty when none came.
    QString Ask(const QString& request) {
        reply.clear();
        emit CommandEvent(request);
        return reply;
    }
    QString reply;
};

// What stands between a reply's four echoed characters and its ";", checksum and CR, once
// the checksum is found to cover everything before it.
inline QString ReplyBody(const QString& frame) {
    int sum = 0;
    for (const QChar c : frame.chopped(3)) sum ^= c.unicode();
    if (!frame.endsWith(u'\r') || frame.chopped(1).right(2) != QString::asprintf("%02X", sum))
        return QStringLiteral("<bad frame>");
    return frame.mid(4, frame.size() - 8);
}

// A free TCP port below the ephemeral range: the server's port is a 16-bit setting.
inline int16_t FreePort() {
    static int next = 20000 + QCoreApplication::applicationPid() % 10000;
    for (int tries = 0; tries < 2000; ++tries, next = next >= 32767 ? 20000 : next + 1) {
        QTcpServer probe;
        if (probe.listen(QHostAddress::Any, static_cast<quint16>(next))) return static_cast<int16_t>(next++);
    }
    return 0;
}

class RemoteStation : public ::testing::Test {
protected:
    void SetUp() override {
        Brevox::SetFactory([this] {
            auto r = std::make_unique<TestRelay>();
            relay = r.get();
            return std::unique_ptr<BrevoxComm>(std::move(r));
        });
        ResetProgramState();
        modDB::gDB = CreateRecipeDatabase(folder.file("ORUN.MDB"));
        gProcess(1).First_Layer = gProcess(1).Number_Layers = gProcess(1).Number_Act_Layers = 1;
        gLayer(1).Layer_Number = gLayer(1).Film_Number = 1;
        gLayer(1).Next_Layer = gLayer(1).CoDep_Layer = -1;
        SetupFile = QStringLiteral("ORUN.CFG");
        ProgramObjects::CreateApp();
        ProgramObjects::CreateUnit();
        ProgramObjects::CreateQCM();
        ProgramObjects::CreateMainForm();
        gApp->setProcNum(1);
        gApp->setPhase(PhaseCode::Stopped);
        WireLikeTheMainWindow();
        boxes.clear();
    }

    void TearDown() override {
        comm.reset();
        ResetProgramState();
        Brevox::SetFactory({});
    }

    // Writes [SftwComm] when keys are given, makes the server and hands it the controls.
    void Start(const QByteArray& sftwComm = {}) {
        if (!sftwComm.isEmpty()) folder.write("ORUN.CFG", "[SftwComm]\r\n" + sftwComm);
        comm = std::make_unique<cComm>();
        comm->Init(&serial, &tcp, folder.file("ORUN.CFG"));
    }

    void WireLikeTheMainWindow() {
        serial.setInputLen(1);
        QObject::connect(&serial, &MSComm::OnComm, [this] {
            while (serial.CommEvent() == MSComm::comEvReceive && serial.InBufferCount() >= 1)
                comm->RS232RcvData(QString::fromLatin1(serial.Input()));
        });
        QObject::connect(&tcp, &Winsock::ConnectionRequest, [this](int id) {
            if (tcp.State() != Winsock::sckClosed) tcp.Close();
            tcp.Accept(id);
        });
        QObject::connect(&tcp, &Winsock::DataArrival, [this](int) {
            for (const QChar c : QString::fromLatin1(tcp.GetData())) comm->EthernetRcvData(QString(c));
        });
        QObject::connect(&tcp, &Winsock::Closed, [this] {
            if (comm->EthernetLocalPort() < 0) return;
            tcp.Close();
            modWait::Wait(1000);
            tcp.Listen();
        });
    }

    TempProgramFolder folder;
    DialogRecorder boxes;
    MSComm serial;
    Winsock tcp;
    TestRelay* relay = nullptr;
    std::unique_ptr<cComm> comm;
};
