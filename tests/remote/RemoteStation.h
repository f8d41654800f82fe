#pragma once
// A station for the remote-control tests: the application state STOPPED on process 1,
// the unit and quartz objects, a main window, a configuration file with [SftwComm], the
// server with an in-process relay in place of the absent outside one, and a serial and a
// TCP control wired to the server as the main window wires its own.
#include "app/SettingsGlobals.h"
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
#include "run/frmMain.h"
#include "support/DialogRecorder.h"
#include "support/TempProgramFolder.h"
#include "unit/cORUN.h"

#include <QStringList>
#include <QTcpServer>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// Stands in for the outside relay: a request goes in as its CommandEvent, the server's
// reply comes back through Reply.
class TestRelay : public BrevoxComm {
public:
    void Reply(const QString& sText) override { replies << sText; }
    // The reply to one request; empty when the server sent none.
    QString Ask(const QString& request) {
        replies.clear();
        emit CommandEvent(request);
        return replies.value(0);
    }
    QStringList replies;
};

// The body of a reply frame (between the four echoed characters and ";", checksum, CR),
// after checking that frame's checksum covers everything before it.
inline QString ReplyBody(const QString& frame) {
    if (frame.size() < 8 || !frame.endsWith(u'\r')) return QStringLiteral("<bad frame>");
    const QString covered = frame.left(frame.size() - 3);
    int sum = 0;
    for (const QChar c : covered) sum ^= c.unicode();
    if (frame.mid(frame.size() - 3, 2) != QStringLiteral("%1").arg(sum, 2, 16, QLatin1Char('0')).toUpper())
        return QStringLiteral("<bad checksum>");
    return covered.mid(4, covered.size() - 5);
}

// A TCP port that was free a moment ago. The server's port is a 16-bit setting, so it
// is taken below the system's range of ephemeral ports (32768 and up).
inline int16_t FreePort() {
    static int next = 20000 + QCoreApplication::applicationPid() % 10000;
    for (int tries = 0; tries < 2000; ++tries) {
        const int port = next;
        next = next >= 32767 ? 20000 : next + 1;
        QTcpServer probe;
        if (probe.listen(QHostAddress::Any, static_cast<quint16>(port))) return static_cast<int16_t>(port);
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
        modDB::gDB = CreateRecipeDatabase(folder.file("ORUN.MDB"));
        // Process 1 has one step: layer 1 of film 1 on channel 0.
        for (auto& p : gProcess) p = ProcessRec{};
        for (auto& l : gLayer) l = LayerRec{};
        gProcess(1).Process_Name = QStringLiteral("Remote");
        gProcess(1).First_Layer = 1;
        gProcess(1).Number_Layers = 1;
        gProcess(1).Number_Act_Layers = 1;
        gLayer(1).Layer_Number = 1;
        gLayer(1).Film_Number = 1;
        gLayer(1).Next_Layer = -1;
        gLayer(1).CoDep_Layer = -1;
        Simulate = 0;
        SystemFlags = 0;
        SetupFile = QStringLiteral("ORUN.CFG");
        gApp = new cApp;
        gORUN = new cORUN;
        gQCM = new cQCM;
        gMainForm = new frmMain;
        gApp->setProcNum(1);
        gApp->setPhase(PhaseCode::Stopped);
        WireLikeTheMainWindow();
        boxes.clear();
    }

    void TearDown() override {
        comm.reset();
        delete gMainForm;
        delete gQCM;
        delete gORUN;
        delete gApp;
        gQCM = nullptr;
        gORUN = nullptr;
        gApp = nullptr;
        modDB::gDB = dao::Database();
        Brevox::SetFactory({});
    }

    // Writes [SftwComm] (unless no keys are given: the file stays as it is), makes the
    // server and hands it the two controls.
    void Start(const QByteArray& sftwComm = {}) {
        if (!sftwComm.isEmpty()) folder.write("ORUN.CFG", "[SftwComm]\r\n" + sftwComm);
        comm = std::make_unique<cComm>();
        comm->Init(&serial, &tcp, folder.file("ORUN.CFG"));
    }

    // The main window's handlers of its two remote-control endpoints.
    void WireLikeTheMainWindow() {
        serial.setInputLen(1);  // one character per read
        QObject::connect(&serial, &MSComm::OnComm, [this] {
            if (serial.CommEvent() != MSComm::comEvReceive) return;
            while (serial.InBufferCount() >= 1)
                for (const char c : serial.Input()) comm->RS232RcvData(QString(QChar(static_cast<uchar>(c))));
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
