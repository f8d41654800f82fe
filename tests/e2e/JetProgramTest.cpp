// The ORUN_411 executable started on an Access (Jet) recipe database, against the unit
// emulator: it carries the file over, runs as on the file's SQLite twin, opens the result
// unchanged at the next start, and ends on a damaged file in one message.
#include "data/JetDamage.h"
#include "e2e/StationFolder.h"
#include "support/RecipeRows.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <iostream>
#include <random>

namespace {

QByteArray Fixture(const QString& name) {
    QFile f(QStringLiteral(ORUN_TEST_DATA_DIR "/jet/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList Boxes(const StationFolder& station) {
    QStringList boxes;
    for (const QString& l : station.Automation())
        if (l.startsWith("box: ")) boxes << l;
    return boxes;
}

// Ends a started program as the system does, and waits for it.
bool Ended(QProcess& program) {
    program.terminate();
    return WaitFor([&] { return program.state() == QProcess::NotRunning; }, 30000) && program.exitCode() == 0;
}

QString CarriedOver(const QString& backup) {
    return "box: ORUN_411: The recipe database ORUN.MDB was an Access (Jet) database. Its recipes have been carried "
           "over into this program's own form; the Access file is kept unchanged as " + backup + ".";
}

}  // namespace

TEST(JetProgram, EachAccessDatabaseRunsTheStationAsItsTwinAndIsOpenedUnchangedNextTime) {
    struct Twin {
        const char* jet;
        const char* sqlite;
        const char* backup;
    } twins[] = {{"demo-jet4.mdb", "demo.sqlite", "ORUN_4.11.MDB"},
                 {"full-jet4.mdb", "full.sqlite", "ORUN_4.11.MDB"},
                 {"v301-jet4.mdb", "v301.sqlite", "ORUN_3.01.MDB"},
                 {"v200-jet4.mdb", "v200.sqlite", "ORUN_200.MDB"},
                 {"demo-extra-jet4.mdb", "demo-extra.sqlite", "ORUN_4.11.MDB"}};
    for (const Twin& t : twins) {
        SCOPED_TRACE(t.jet);
        const QByteArray jet = Fixture(t.jet);
        ASSERT_FALSE(jet.isEmpty());
        StationFolder access, twin;
        access.write("ORUN.MDB", jet);
        twin.write("ORUN.MDB", Fixture(t.sqlite));
        QProcess onAccess, onTwin;
        access.Start(onAccess);
        twin.Start(onTwin);
        ASSERT_TRUE(WaitFor([&] { return access.StartedAndPolling() && twin.StartedAndPolling(); }, 60000))
            << access.Automation().join('\n').toStdString() << "\n--\n" << twin.Automation().join('\n').toStdString();
        ASSERT_TRUE(Ended(onAccess));
        ASSERT_TRUE(Ended(onTwin));

        // The one message, then what the twin's own rows make the program say; the system's
        // end asks nothing.
        EXPECT_EQ(Boxes(access), QStringList{CarriedOver(t.backup)} + Boxes(twin));
        EXPECT_TRUE(access.read(t.backup) == jet) << "the backup holds the Access file's bytes";
        // A Null of the Access file reads as the design's default, where an upgrade of the
        // twin keeps its Null.
        EXPECT_EQ(RowDifferences(access.file("ORUN.MDB"), twin.file("ORUN.MDB"), {}, true).join('\n').toStdString(), "");
        EXPECT_EQ(IntegrityOf(access.file("ORUN.MDB")), "ok");
        EXPECT_FALSE(QFile::exists(access.file("Work.mdb")));

        // The next start finds a database of its own version: nothing to carry over.
        QFile::remove(access.file("automation.log"));
        QProcess again;
        access.Start(again);
        ASSERT_TRUE(WaitFor([&] { return access.StartedAndPolling(); }, 60000)) << access.Automation().join('\n').toStdString();
        ASSERT_TRUE(Ended(again));
        EXPECT_EQ(Boxes(access).filter("Access (Jet)"), QStringList());
        EXPECT_EQ(access.DatabaseVersion(), "4.11");
        EXPECT_TRUE(access.read(t.backup) == jet);
    }
}

TEST(JetProgram, ADamagedAccessFileEndsTheStartInOneMessageOrIsCarriedOverWithItsBytesKept) {
    const QByteArray sound = Fixture("full-jet4.mdb");
    std::mt19937 rng(4711);
    const JetDamage kinds[] = {JetDamage::Truncated, JetDamage::HeaderFlips, JetDamage::DataPageFlips,
                               JetDamage::RandomAfterHead};
    int refused = 0, carried = 0;
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        const QByteArray bytes = Damaged(sound, kinds[i % 4], rng);
        StationFolder station;
        station.write("ORUN.MDB", bytes);
        QProcess program;
        station.Start(program);
        ASSERT_TRUE(WaitFor([&] { return program.state() == QProcess::NotRunning || station.StartedAndPolling(); }, 60000))
            << station.Automation().join('\n').toStdString();
        const QStringList boxes = Boxes(station);
        ASSERT_FALSE(boxes.isEmpty());
        if (program.state() == QProcess::NotRunning) {
            ++refused;
            EXPECT_EQ(program.exitCode(), 1);
            ASSERT_EQ(boxes.size(), 1) << boxes.join('\n').toStdString();
            EXPECT_TRUE(boxes[0].startsWith("box: ORUN_411: Critical Error: The file " + station.file("ORUN.MDB") +
                                            " is an Access (Jet) database"))
                << boxes[0].toStdString();
            EXPECT_TRUE(station.read("ORUN.MDB") == bytes) << "the Access file is left unchanged";
            EXPECT_FALSE(QFile::exists(station.file("ORUN_4.11.MDB")));
            EXPECT_FALSE(QFile::exists(station.file("New.mdb")));
        } else {
            ++carried;
            ASSERT_TRUE(Ended(program));
            // Damage the reader could not see may leave chains that do not walk: the load names
            // those processes in one more message, and they do not run.
            QStringList carriedBoxes = Boxes(station);
            carriedBoxes.removeIf([](const QString& box) { return box.contains("The layer chains of these processes"); });
            EXPECT_LE(Boxes(station).size() - carriedBoxes.size(), 1);
            EXPECT_EQ(carriedBoxes, QStringList({CarriedOver("ORUN_4.11.MDB")}));
            EXPECT_TRUE(station.read("ORUN_4.11.MDB") == bytes) << "the backup holds the Access file's bytes";
        }
        EXPECT_FALSE(QFile::exists(station.file("Work.mdb")));
    }
    std::cout << "refused " << refused << ", carried over " << carried << "\n";
}
