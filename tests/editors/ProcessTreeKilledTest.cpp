// The process tree's actions are whole in the file. A child program runs each action (and
// a Cancel after a row of them) on a tree of several processes with co-deposited steps,
// and is killed right before one SQL statement of it after another. The file, read through
// a connection of this test, then holds row for row what it held before the action or
// what it holds after it, and every chain in it walks soundly, no record in use outside
// one. ORUN_KILL_SWEEP=1 kills before every statement; otherwise a spread of them, the
// first and the last always among them.
#include "app/VBConv.h"
#include "data/modDB.h"
#include "support/DialogRecorder.h"
#include "support/StationRecords.h"
#include "support/StoredChains.h"
#include "support/TempProgramFolder.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Gives process p its name and the chain of the text ("5>9+2>7": First_Layer 5,
// 5 -Next-> 9 -CoDep-> 2 -Next-> 7) with its counts. Record l has film l % 3 + 1,
// channel and output l % 8.
void Chain(const dao::Database& db, int p, const QString& name, const QString& text) {
    int steps = 0, records = 0, last = 0, first = -1;
    for (const auto& m : QRegularExpression("([>+]?)(\\d+)").globalMatch(text)) {
        const int l = m.captured(2).toInt();
        db.Execute(QString("UPDATE Layers SET Film_Number = %2, Channel = %3, Output = %3, Next_Layer = -1, "
                           "CoDep_Layer = -1, Rate = %4 WHERE Layer_Number = %1")
                       .arg(l)
                       .arg(l % 3 + 1)
                       .arg(l % 8)
                       .arg(l / 10.0));
        if (last == 0) first = l;
        else
            db.Execute(QString("UPDATE Layers SET %1 = %2 WHERE Layer_Number = %3")
                           .arg(m.captured(1) == ">" ? "Next_Layer" : "CoDep_Layer")
                           .arg(l)
                           .arg(last));
        steps += m.captured(1) != "+";
        ++records;
        last = l;
    }
    db.Execute(QString("UPDATE Processes SET Process_Name = '%2', First_Layer = %3, Number_Layers = %4, "
                       "Number_Act_Layers = %5 WHERE Process_Number = %1")
                   .arg(p)
                   .arg(name)
                   .arg(first)
                   .arg(steps)
                   .arg(records));
}

// Processes "Coating A" 5>9+2>7 (made active by the child), "Mirror" 20, "Spare" (empty),
// "Filter" 30>31+32 with maps and graphs, "Stack" 40+41>42+43>44. The damaged file adds:
// Mirror 20>21 naming 21, which is free; "Twin" holding Stack's last record; "Short"
// counting two records of a chain of three.
void Build(const QString& file, bool damaged) {
    CreateStationDatabase(file);
    const dao::Database db = dao::OpenDatabase(file);
    Chain(db, 1, "Coating A", "5>9+2>7");
    Chain(db, 2, "Mirror", damaged ? "20>21" : "20");
    db.Execute("UPDATE Processes SET Process_Name = 'Spare' WHERE Process_Number = 3");
    Chain(db, 4, "Filter", "30>31+32");
    db.Execute("INSERT INTO IO (Process_Number, Out3) VALUES (4, 7)");
    db.Execute("INSERT INTO Graphs (Process_Number, G1Caption) VALUES (4, 'Rates')");
    Chain(db, 5, "Stack", "40+41>42+43>44");
    if (damaged) {
        db.Execute("UPDATE Layers SET Film_Number = -1, Next_Layer = -1 WHERE Layer_Number = 21");
        Chain(db, 6, "Twin", "44");
        Chain(db, 7, "Short", "60>61>62");
        db.Execute("UPDATE Processes SET Number_Layers = 2, Number_Act_Layers = 2 WHERE Process_Number = 7");
    }
}

struct Script {
    const char* name;
    bool damaged;       // on the damaged file
    const char* steps;  // the action measured follows "|"
    // Whether every chain is sound before and after the action.
    bool soundBefore = true;
    bool soundAfter = true;
};

const Script kScripts[] = {
    {"rename", false, "select P2; answer Mirror B; | edit"},
    {"default layer", false, "select P3; answer; | edit"},
    {"cut first layer", false, "select L5,P1; | cut"},
    {"cut a step going on co-deposited", false, "select L9,P1; | cut"},
    {"cut the last co-deposited layer", false, "select L32,P4; | cut"},
    {"cut the only layer", false, "select L20,P2; | cut"},
    {"cut a process", false, "select P4; | cut"},
    {"paste below", false, "select L41,P5; copy; select L2,P1; mode 0; | paste"},
    {"paste above", false, "select L41,P5; copy; select L9,P1; mode 1; | paste"},
    {"paste replacing", false, "select L41,P5; copy; select L2,P1; mode 2; | paste"},
    {"paste co-deposited", false, "select L41,P5; copy; select L7,P1; mode 3; | paste"},
    {"paste a process", false, "select P5; copy; select P2; | paste"},
    {"OK with the emptied active process", false, "active 2; select L20,P2; cut; | ok"},
    {"OK choosing another process", false, "select L42,P5; | ok"},
    {"Cancel", false,
     "select L9,P1; cut; select L7,P1; mode 1; paste; select P4; copy; select P2; paste; select P3; "
     "answer Spare part; edit; select L43,P5; cut; select L32,P4; cut; select L42,P5; | cancel"},
    // Opening stores the damaged chains as walked; Cancel gives back what the file held.
    {"opening on damaged chains", true, "| open", false, true},
    {"Cancel on damaged chains", true, "select P3; answer Spare part; edit; | cancel", true, false},
};

// Every row of the tables the tree writes, column by column. The connection is this
// test's own: opening it rolls back what a killed child left in its journal.
QString Rows(const QString& file) {
    static int made = 0;
    const QString name = QString("killed-rows-%1").arg(++made);
    QString text;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(file);
        if (!db.open()) return "cannot open " + file;
        for (const char* table : {"Processes", "Layers", "IO", "Graphs"}) {
            QSqlQuery q(QString("SELECT * FROM %1 ORDER BY 1").arg(table), db);
            while (q.next()) {
                text += table;
                for (int c = 0; c < q.record().count(); ++c) text += '|' + q.value(c).toString();
                text += '\n';
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return text;
}

class ProcessTreeKilled : public ::testing::Test {
protected:
    struct Run {
        long kill = 0;
        QString file;
        std::unique_ptr<QProcess> child;
    };

    // Starts the child on a fresh copy of the file, killing itself before statement K.
    Run Start(const Script& s, long kill) {
        Run run;
        run.kill = kill;
        run.file = folder.file(QString("run-%1.MDB").arg(++runs));
        EXPECT_TRUE(QFile::copy(folder.file(s.damaged ? "Damaged.MDB" : "Sound.MDB"), run.file));
        run.child = std::make_unique<QProcess>();
        run.child->start(ORUN_TREE_ACTION_KILL, {run.file, s.steps, QString::number(kill)});
        return run;
    }

    static bool Finished(Run& run) { return run.child->waitForFinished(240000); }

    // K for the runs that are killed: 2..last, all of them when swept, else a spread.
    static std::vector<long> Kills(long last) {
        std::vector<long> kills;
        const long spread = qEnvironmentVariableIntValue("ORUN_KILL_SWEEP") != 0 ? last : 16;
        if (last - 1 <= spread) {
            for (long k = 2; k <= last; ++k) kills.push_back(k);
        } else {
            for (long i = 0; i < spread; ++i) kills.push_back(2 + i * (last - 2) / (spread - 1));
        }
        return kills;
    }

    void SetUp() override {
        Build(folder.file("Sound.MDB"), false);
        Build(folder.file("Damaged.MDB"), true);
    }

    TempProgramFolder folder;
    DialogRecorder boxes;
    int runs = 0;
};

}  // namespace

TEST_F(ProcessTreeKilled, EveryActionAndTheCancelLeaveTheFileAsBeforeOrAfterThem) {
    // Two children at a time: the machine runs other tests beside this one.
    const int parallel = 2;
    long killed = 0;
    for (const Script& s : kScripts) {
        SCOPED_TRACE(s.name);
        // The action run to its end: the file after it and how many statements it takes.
        Run whole = Start(s, 0);
        ASSERT_TRUE(Finished(whole));
        const QString output = whole.child->readAllStandardOutput();
        ASSERT_EQ(whole.child->exitStatus(), QProcess::NormalExit) << whole.child->readAllStandardError().toStdString();
        ASSERT_EQ(whole.child->exitCode(), 0) << whole.child->readAllStandardError().toStdString();
        const long statements = QRegularExpression("statements (\\d+)").match(output).captured(1).toLong();
        EXPECT_FALSE(output.contains("Error")) << output.toStdString();
        // Killed before its first statement: the file before it.
        Run first = Start(s, 1);
        ASSERT_TRUE(Finished(first));
        ASSERT_EQ(first.child->exitStatus(), QProcess::CrashExit);
        const QString before = Rows(first.file), after = Rows(whole.file);
        ASSERT_NE(before, after);
        EXPECT_EQ(UnsoundChains(first.file).isEmpty(), s.soundBefore) << UnsoundChains(first.file).toStdString();
        EXPECT_EQ(UnsoundChains(whole.file).isEmpty(), s.soundAfter) << UnsoundChains(whole.file).toStdString();

        const std::vector<long> kills = Kills(statements);
        for (size_t i = 0; i < kills.size(); i += size_t(parallel)) {
            std::vector<Run> batch;
            for (size_t j = i; j < std::min(kills.size(), i + size_t(parallel)); ++j) batch.push_back(Start(s, kills[j]));
            for (Run& run : batch) {
                SCOPED_TRACE(QString("killed before statement %1 of %2").arg(run.kill).arg(statements).toStdString());
                ASSERT_TRUE(Finished(run));
                ASSERT_EQ(run.child->exitStatus(), QProcess::CrashExit) << "the statement was never reached";
                const QString rows = Rows(run.file);
                EXPECT_TRUE(rows == before || rows == after);
                if (s.soundBefore && s.soundAfter) {
                    EXPECT_EQ(UnsoundChains(run.file).toStdString(), "");
                }
                QFile::remove(run.file);
                ++killed;
            }
        }
        QFile::remove(whole.file);
        QFile::remove(first.file);
    }
    EXPECT_GT(killed, 100);
    EXPECT_EQ(boxes.count(), 0) << boxes.prompts().join('\n').toStdString();
}
