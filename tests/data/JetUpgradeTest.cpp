// An Access (Jet) recipe database opened as the start-up opens it, in this process: the
// check before the load, then the load with its upgrade. Each is compared with the same
// load of its SQLite twin.
#include "JetFileFixture.h"
#include "JetMemo.h"

#include "data/ProcessRec.h"
#include "support/RecipeRows.h"

#include <QDir>

namespace {

struct Twin {
    const char* jet;
    const char* sqlite;
    const char* version;  // what the Access file says, "" for none
    const char* backup;
};
const Twin kTwins[] = {
    {"demo-jet4.mdb", "demo.sqlite", "4.11", "J_4.11.MDB"},
    {"full-jet4.mdb", "full.sqlite", "4.11", "J_4.11.MDB"},
    {"v301-jet4.mdb", "v301.sqlite", "3.01", "J_3.01.MDB"},
    {"v200-jet4.mdb", "v200.sqlite", "", "J_200.MDB"},
    {"demo-extra-jet4.mdb", "demo-extra.sqlite", "4.11", "J_4.11.MDB"},
};

}  // namespace

TEST_F(JetFileTest, EveryAccessDatabaseIsCarriedOverAsItsTwinIsLoaded) {
    for (const Twin& t : kTwins) {
        SCOPED_TRACE(t.jet);
        for (const QString& name : QDir(folder.path()).entryList({"J*", "T*", "Work.mdb"}, QDir::Files))
            QFile::remove(folder.file(name));
        const QByteArray jet = Fixture(t.jet);
        ASSERT_FALSE(jet.isEmpty());
        folder.write("J.MDB", jet);
        folder.write("T.MDB", Fixture(t.sqlite));
        // The Access file itself, read through the database layer: its version.
        EXPECT_EQ(modDB::GetDBProperty("J.MDB", "ORUN_VER"), t.version);

        dialogs.clear();
        EXPECT_EQ(modDB::DatabaseProblem("T.MDB"), "");
        modDB::DBLoad("T.MDB");
        // What the rows themselves make the load say (a film's input type put right).
        const QStringList twinSays = dialogs.prompts();
        dialogs.clear();
        EXPECT_EQ(modDB::DatabaseProblem("J.MDB"), "");
        EXPECT_EQ(Bytes("J.MDB"), jet) << "the check only reads";
        modDB::DBLoad("J.MDB");

        EXPECT_EQ(DBFile, "J.MDB");
        ASSERT_EQ(dialogs.count(), 1 + twinSays.size()) << dialogs.prompts().join('\n').toStdString();
        EXPECT_EQ(dialogs.boxes()[0].icon(), vbInformation);
        EXPECT_EQ(dialogs.boxes()[0].prompt, QString("The recipe database J.MDB was an Access (Jet) database. Its "
                                                     "recipes have been carried over into this program's own form; the "
                                                     "Access file is kept unchanged as %1.")
                                                 .arg(t.backup));
        EXPECT_EQ(dialogs.prompts().mid(1), twinSays);
        EXPECT_EQ(Bytes(t.backup), jet);
        EXPECT_EQ(dao::HeaderOf(folder.file("J.MDB")), dao::FileHeader::SQLite);
        EXPECT_EQ(IntegrityOf(folder.file("J.MDB")), "ok");
        // A Null of the Access file reads as the design's default, where the twin keeps its
        // Null. The sensor settings are not the Access file's: the template has none, and
        // the load adds the rows a start adds.
        EXPECT_EQ(RowDifferences(folder.file("J.MDB"), folder.file("T.MDB"), {"Sensors"}, true).join("\n").toStdString(),
                  "");
        EXPECT_EQ(RowsOf("J.MDB", "SELECT * FROM Sensors"), 4);
        EXPECT_EQ(QDir(folder.path()).entryList({"Work.mdb*", "J.MDB.*", "*.part"}, QDir::Files), QStringList());
        EXPECT_EQ(gErr.StackPointer(), 0);

        // The next start finds a file of its own version and opens it unchanged.
        const QByteArray converted = Bytes("J.MDB");
        dialogs.clear();
        EXPECT_EQ(modDB::UpgradeDB("J.MDB"), "J.MDB");
        EXPECT_EQ(Bytes("J.MDB"), converted);
        EXPECT_EQ(dialogs.count(), 0);
        EXPECT_EQ(Bytes(t.backup), jet);
    }
    // The demonstration process came over: it is process 1 of the last file loaded.
    EXPECT_EQ(gProcess(1).Process_Name.text().trimmed(), "Demo");
}

TEST_F(JetFileTest, WhatASiteAddedStaysInTheBackupAndANullTakesTheDesignDefault) {
    folder.write("ORUN.MDB", Fixture("demo-extra-jet4.mdb"));
    modDB::DBLoad("ORUN.MDB");
    ASSERT_EQ(DBFile, "ORUN.MDB");
    // The table and the column a site added are not in the carried-over file...
    EXPECT_EQ(RowsOf("ORUN.MDB", "SELECT name FROM sqlite_master WHERE name = 'OperatorNotes'"), 0);
    EXPECT_EQ(RowsOf("ORUN.MDB", "SELECT name FROM pragma_table_info('Films') WHERE name = 'Supplier'"), 0);
    // ...and are read from the backup, the Access file, through the database layer.
    {
        const dao::Database backup = dao::OpenDatabase("ORUN_4.11.MDB");
        dao::Recordset notes = backup.OpenRecordset("SELECT * FROM OperatorNotes");
        EXPECT_GT(notes.RecordCount(), 0);
        EXPECT_FALSE(notes.Fields("Note").Value().toString().isEmpty());
        dao::Recordset film = backup.OpenRecordset("SELECT * FROM Films WHERE Film_Number =1");
        ASSERT_EQ(film.RecordCount(), 1);
        EXPECT_FALSE(film.Fields("Supplier").IsNull());
    }

    // A used layer whose prompt is Null: the design's empty text, where an upgrade of an
    // SQLite file would keep the Null; an empty text stays empty.
    QFile::remove(folder.file("ORUN.MDB"));
    folder.write("ORUN.MDB", Fixture("v301-jet4.mdb"));
    modDB::DBLoad("ORUN.MDB");
    ASSERT_EQ(DBFile, "ORUN.MDB");
    const dao::Database backup = dao::OpenDatabase("ORUN_3.01.MDB");
    EXPECT_TRUE(backup.OpenRecordset("SELECT * FROM Layers WHERE Layer_Number =1").Fields("Prompt").IsNull());
    EXPECT_EQ(backup.OpenRecordset("SELECT * FROM Layers WHERE Layer_Number =2").Fields("Prompt").Value(), QVariant(""));
    for (int n : {1, 2}) {
        const QVariant prompt = ColumnOf("ORUN.MDB", QString("SELECT * FROM Layers WHERE Layer_Number =%1").arg(n), "Prompt");
        EXPECT_FALSE(prompt.isNull()) << n;
        EXPECT_EQ(prompt, QVariant("")) << n;
    }
    EXPECT_EQ(gLayer(1).Prompt, "");
    EXPECT_EQ(gLayer(1).Rate, 2.5);
}

// A memo a site keeps (notes, prompts) comes over whole at every length and in every form
// Access keeps it: in the row, on a long-value page, compressed, and over a chain of pages
// past a quarter of a megabyte; a chain that ends early or comes back to a row it passed
// refuses the file, where a memo cut short or read round in circles would pass for whole.
TEST_F(JetFileTest, AMemoComesOverWholeAtAnyLengthAndADamagedChainRefusesTheFile) {
    const QByteArray sound = Fixture("demo-extra-jet4.mdb");
    const auto utf16 = [](const QString& s) {
        return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
    };
    QString pages;
    for (int i = 0; pages.size() < 280000; ++i) pages += QString("Layer %1 at 2.5 \u00c5/s, \u00b5-balance; ").arg(i);
    const QString page = QString(1500, 'x') + QString("\u00c5\u20ac");
    const QString latin1 = QString("Chamber B: 2 \u00c5/s, 40 \u00b0C");
    struct Case {
        const char* what;
        QByteArray stored;
        MemoKept kept;
        QString read;  // null: the file is refused with this cause
        const char* cause = "the memo or object in column Note is damaged";
    };
    const Case cases[] = {
        {"in the row", utf16("Chamber \u00c5 1"), MemoKept::InRow, "Chamber \u00c5 1"},
        {"on one long-value page", utf16(page), MemoKept::OnePage, page},
        {"compressed", QByteArray("\xff\xfe") + latin1.toLatin1(), MemoKept::OnePage, latin1},
        {"over a chain of pages", utf16(pages), MemoKept::Chain, pages},
        {"a chain ending early", utf16(pages), MemoKept::ChainEndsEarly, QString()},
        {"a chain coming back", utf16(pages), MemoKept::ChainLoops, QString()},
        // Rows the library would be sent to that are not there: refused before it goes.
        {"a chain going on to a row its page does not hold", utf16(pages), MemoKept::ChainToAMissingRow, QString(),
         "the memo or object in column Note names row 1 of page 84, which has no such row (it holds 1)"},
        {"a chain going on past the end of the file", utf16(pages), MemoKept::ChainPastTheEnd, QString(),
         "the memo or object in column Note names a row of page 65535, past the end of the file"},
        {"one long-value page past the end of the file", utf16(page), MemoKept::OnePagePastTheEnd, QString(),
         "the memo or object in column Note names a row of page 65535, past the end of the file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray jet = WithMemo(sound, c.stored, c.kept);
        ASSERT_FALSE(jet.isEmpty());
        QFile::remove(folder.file("M.MDB"));
        QFile::remove(folder.file("M.sqlite"));
        folder.write("M.MDB", jet);
        try {
            dao::ConvertJetFile("M.MDB", "M.sqlite");
        } catch (const dao::JetReadError& e) {
            EXPECT_TRUE(c.read.isNull()) << e.description.toStdString();
            EXPECT_EQ(e.cause, c.cause);
            continue;
        }
        ASSERT_FALSE(c.read.isNull()) << "a damaged chain was taken";
        const QString read = ColumnOf("M.sqlite", "SELECT * FROM OperatorNotes", "Note").toString();
        EXPECT_EQ(read.size(), c.read.size());
        EXPECT_TRUE(read == c.read) << read.left(80).toStdString();
        EXPECT_EQ(RowsOf("M.sqlite", "SELECT * FROM Layers"), 250) << "the recipe tables beside it";
    }
}

TEST_F(JetFileTest, ANewerAccessFileEndsTheProgramAndLeavesNothingBehind) {
    QByteArray jet = Fixture("v301-jet4.mdb");
    // The version property is kept as a UTF-16 text.
    ASSERT_EQ(jet.count(QByteArray("3\0.\0000\0001\0", 8)), 1);
    jet.replace(QByteArray("3\0.\0000\0001\0", 8), QByteArray("5\0.\0000\0000\0", 8));
    folder.write("ORUN.MDB", jet);
    EXPECT_EQ(modDB::GetDBProperty("ORUN.MDB", "ORUN_VER"), "5.00");

    EXPECT_THROW(modDB::DBLoad("ORUN.MDB"), modUtil::CriticalExit);
    EXPECT_EQ(exitCode(), 1);
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_TRUE(dialogs.last().prompt.startsWith("Critical Error: Database ORUN.MDB is version 5.00\r\n"))
        << dialogs.last().prompt.toStdString();
    EXPECT_TRUE(Bytes("ORUN.MDB") == jet);
    QStringList left = QDir(folder.path()).entryList(QDir::Files);
    EXPECT_EQ(left, QStringList({TemplateFileName(), "ORUN.MDB"}));
}

TEST_F(JetFileTest, AnOlderBackupOfTheSameNameNeverTakesTheAccessFilesOnlyCopy) {
    const QByteArray older = Fixture("demo-jet4.mdb");
    const QByteArray site = Fixture("full-jet4.mdb");
    const auto carryOver = [&](const QByteArray& jet) {
        QFile::remove(folder.file("ORUN.MDB"));
        folder.write("ORUN.MDB", jet);
        dialogs.clear();
        modDB::DBLoad("ORUN.MDB");
        EXPECT_EQ(DBFile, "ORUN.MDB");
        EXPECT_EQ(dao::HeaderOf(folder.file("ORUN.MDB")), dao::FileHeader::SQLite);
        return dialogs.count() > 0 ? dialogs.boxes()[0].prompt : QString();
    };
    struct Step {
        const QByteArray& jet;
        const char* backup;  // where the message says the Access file is kept
    };
    // Each Access file of the same name and version keeps its bytes under a name of its own;
    // the same file carried over again finds its backup and makes no other.
    const Step steps[] = {{older, "ORUN_4.11.MDB"}, {site, "ORUN_4.11_2.MDB"}, {site, "ORUN_4.11_2.MDB"},
                          {older, "ORUN_4.11.MDB"}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.backup);
        EXPECT_TRUE(carryOver(step.jet).endsWith(QString("kept unchanged as %1.").arg(step.backup)));
        EXPECT_EQ(Bytes(step.backup), step.jet);
    }
    EXPECT_EQ(Bytes("ORUN_4.11.MDB"), older);
    EXPECT_EQ(QDir(folder.path()).entryList({"ORUN_*"}, QDir::Files), QStringList({"ORUN_4.11.MDB", "ORUN_4.11_2.MDB"}));
}
