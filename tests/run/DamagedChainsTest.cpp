// Recipe files whose layer chains are damaged, made by hand as a killed writer or a
// program writing row by row leaves them: the load names the damaged process once with
// what is wrong; START, the plant's Start Process and Start Film inputs and a remote start
// refuse it (the client gets NAK 05, the station no box); the sound process beside it
// runs; the process tree stores the chain as walked, its OK keeps it, and then it runs.
#include "MainWindowFixture.h"

#include "editors/frmProcess.h"
#include "remote/RemoteStation.h"
#include "platform/VbControls.h"
#include "support/StoredChains.h"

#include <QPushButton>

namespace {

class DamagedChains : public MainWindowTest {
protected:
    // "Coating A" 1+2 (the station's step), "Mirror" 20>21 on channels 4 and 5, every
    // other record free and every other process empty; then the damage.
    void Write(const QString& damage) {
        const char* const base[] = {
            "UPDATE Layers SET Film_Number = -1, Next_Layer = -1, CoDep_Layer = -1",
            "UPDATE Processes SET First_Layer = -1, Number_Layers = 0, Number_Act_Layers = 0",
            "UPDATE Layers SET Film_Number = 1, Channel = 0, Output = 0, CoDep_Layer = 2 WHERE Layer_Number = 1",
            "UPDATE Layers SET Film_Number = 2, Channel = 1, Output = 1 WHERE Layer_Number = 2",
            "UPDATE Layers SET Film_Number = 3, Channel = 4, Output = 4, Next_Layer = 21 WHERE Layer_Number = 20",
            "UPDATE Layers SET Film_Number = 1, Channel = 5, Output = 5 WHERE Layer_Number = 21",
            "UPDATE Processes SET Process_Name = 'Coating A', First_Layer = 1, Number_Layers = 1, "
            "Number_Act_Layers = 2 WHERE Process_Number = 1",
            "UPDATE Processes SET Process_Name = 'Mirror', First_Layer = 20, Number_Layers = 2, "
            "Number_Act_Layers = 2 WHERE Process_Number = 2",
        };
        for (const char* sql : base) modDB::gDB.Execute(sql);
        for (const QString& sql : damage.split("; ")) modDB::gDB.Execute(sql);
    }

    // The plant's input comes on (and goes off again): the window handles the word.
    void Input(int bit) {
        for (int word : {1 << bit, 0}) {
            // The link is idle: a request for the inputs is never dropped for a queue.
            form->RequestReadings->setEnabled(false);
            ASSERT_TRUE(WaitUntil([] { return gORUN->CommStatus() == 0; }, 3000));
            unit.Model().inputs = word;
            ASSERT_TRUE(Exchange([] { gORUN->SendReadDigitalInputs(); }, "M"));
        }
    }

    bool Started() {
        const bool started = gApp->Phase() != PhaseCode::Stopped;
        gApp->setPhase(PhaseCode::Stopped);
        return started;
    }

    TestRelay* relay = nullptr;
};

}  // namespace

TEST_F(DamagedChains, AreNamedAtLoadRefusedAtEveryStartAndStoredAsWalkedByTheTree) {
    const struct {
        const char* damage;
        const char* sql;
        const char* what;
        const char* stored;  // Mirror's chain once the tree's OK stored it
    } cases[] = {
        {"a freed record", "UPDATE Layers SET Film_Number = -1 WHERE Layer_Number = 21",
         "its chain names layer record 21, which is free", "20 1/1"},
        {"a record beyond the table", "UPDATE Layers SET Next_Layer = 300 WHERE Layer_Number = 21",
         "its chain names layer record 300, which does not exist", "20>21 2/2"},
        {"more records counted", "UPDATE Processes SET Number_Act_Layers = 3, Number_Layers = 3 WHERE Process_Number = 2",
         "it counts 3 layer records in 3 steps, its chain holds 2 layer records in 2 steps", "20>21 2/2"},
        {"fewer records counted", "UPDATE Processes SET Number_Act_Layers = 1 WHERE Process_Number = 2",
         "it counts 1 layer record in 2 steps, its chain holds 2 layer records in 2 steps", "20>21 2/2"},
        {"a step counted as co-deposited", "UPDATE Layers SET Next_Layer = -1, CoDep_Layer = 21 WHERE Layer_Number = 20",
         "it counts 2 layer records in 2 steps, its chain holds 2 layer records in 1 step", "20+21 1/2"},
        {"a loop", "UPDATE Layers SET Next_Layer = 20 WHERE Layer_Number = 21", "its chain returns to layer record 20",
         "20>21 2/2"},
        {"a record of another process",
         "UPDATE Layers SET Next_Layer = 2 WHERE Layer_Number = 21; "
         "UPDATE Processes SET Number_Layers = 3, Number_Act_Layers = 3 WHERE Process_Number = 2",
         "its layer record 2 belongs to Coating A as well", "20>21 2/2"},
    };
    Brevox::SetFactory([this] {
        auto r = std::make_unique<TestRelay>();
        relay = r.get();
        return std::unique_ptr<BrevoxComm>(std::move(r));
    });
    Station({0, 1});
    Connect();
    ASSERT_NE(relay, nullptr);

    for (const auto& c : cases) {
        SCOPED_TRACE(c.damage);
        Write(c.sql);
        boxes.clear();
        modDB::DBLoad("ORUN.MDB");
        const QString reason = QString("Mirror: ") + c.what + '.';
        ASSERT_EQ(boxes.count(), 1);
        EXPECT_TRUE(boxes.last().prompt.contains("\r\n" + reason + "\r\n")) << boxes.last().prompt.toStdString();
        EXPECT_EQ(boxes.last().icon(), vbExclamation);
        EXPECT_FALSE(boxes.last().prompt.contains("Coating A:"));

        // Every start of Mirror is refused; a remote one answers NAK 05 without a box.
        gApp->setProcNum(2);
        boxes.clear();
        PressButton(form->cmdFunc(0));
        EXPECT_FALSE(Started());
        modIO::SetInputFunction(3, 1);  // "Start Process"
        modIO::SetInputFunction(4, 3);  // "Start Film"
        Input(3);
        EXPECT_FALSE(Started());
        Input(4);
        EXPECT_FALSE(Started());
        const QString refusal = QString("Mirror cannot run: ") + c.what + '.';
        EXPECT_EQ(boxes.prompts().join('|').toStdString(),
                  QStringList(3, refusal + "\r\nOpen Edit Process, check the process and press OK to store its chain "
                                           "as the tree shows it.")
                      .join('|')
                      .toStdString());
        EXPECT_EQ(ReplyBody(relay->Ask("@UP;2;00\r")), "\x15;05");
        EXPECT_FALSE(Started());
        EXPECT_EQ(boxes.count(), 3);

        // The sound process runs.
        gApp->setProcNum(1);
        PressButton(form->cmdFunc(0));
        EXPECT_TRUE(Started());

        // The tree shows Mirror as walked and its OK leaves that stored: Mirror runs.
        frmProcess* tree = ProcessEditor();
        tree->cmdForm[0]->click();
        EXPECT_EQ(StoredChain(folder.file("ORUN.MDB"), 2), c.stored);
        EXPECT_EQ(UnsoundChains(folder.file("ORUN.MDB")).toStdString(), "");
        gApp->setProcNum(2);
        EXPECT_EQ(ReplyBody(relay->Ask("@UP;2;00\r")), "\x06");
        EXPECT_TRUE(Started());
        EXPECT_EQ(boxes.count(), 3);
    }
}
