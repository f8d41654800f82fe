// A thousand damaged Access files: the reader ends on each (a copy or a cause, never a hang
// of the station), the station never crashes, and the Access file is never written. Some
// of them go the start-up's whole way in this process: the check, then the load.
// Then every data page of an Access file, zeroed and randomised in turn: each file is
// carried over with every row the sound file gives, or refused in one message naming the file,
// the table and the cause, and left as it was. ctest sweeps one file; all of them:
//   ORUN_JET_PAGES=all build/tests/test_data --gtest_filter='*EveryDataPage*'
#include "JetDamage.h"
#include "JetFileFixture.h"

#include "support/RecipeRows.h"

#include <QDir>
#include <QRegularExpression>
#include <iostream>
#include <map>

namespace {

const char* const kSound[] = {"demo-jet4.mdb", "full-jet4.mdb", "v301-jet4.mdb", "v200-jet4.mdb",
                              "demo-extra-jet4.mdb"};
constexpr int kCases = 250;
// Every this many cases the file takes the start-up's way instead.
constexpr int kStartupEvery = 10;

class JetDamagedTest : public JetFileTest {
protected:
    void Run(JetDamage damage, unsigned seed) {
        SetupFile = "ORUN.CFG";
        std::vector<QByteArray> sound;
        for (const char* name : kSound) sound.push_back(Fixture(name));
        std::mt19937 rng(seed);
        int copied = 0, refused = 0, started = 0, stopped = 0;
        for (int i = 0; i < kCases; ++i) {
            SCOPED_TRACE(testing::Message() << "case " << i << " of seed " << seed);
            const QByteArray bytes = Damaged(sound[rng() % sound.size()], damage, rng);
            for (const QString& name : QDir(folder.path()).entryList(QDir::Files))
                if (name != TemplateFileName()) QFile::remove(folder.file(name));
            folder.write("D.MDB", bytes);
            if (i % kStartupEvery == 0) {
                Startup(bytes) ? ++started : ++stopped;
            } else {
                Convert() ? ++copied : ++refused;
                EXPECT_TRUE(Bytes("D.MDB") == bytes) << "the Access file is left unchanged";
            }
            if (HasFailure()) return;
        }
        std::cout << "copied " << copied << ", refused " << refused << "; through the start-up: carried over " << started
                  << ", refused " << stopped << "\n";
    }

private:
    // The reader directly: a whole copy or one cause naming the file.
    bool Convert() {
        try {
            dao::ConvertJetFile("D.MDB", "C.sqlite");
        } catch (const dao::JetReadError& e) {
            EXPECT_TRUE(e.description.startsWith(QString("The Access (Jet) database '%1' cannot be read: ").arg(folder.file("D.MDB"))))
                << e.description.toStdString();
            EXPECT_FALSE(e.cause.isEmpty());
            EXPECT_FALSE(e.cause.contains('\n'));
            EXPECT_FALSE(QFile::exists(folder.file("C.sqlite")));
            EXPECT_FALSE(QFile::exists(folder.file("C.sqlite.reading")));
            return false;
        }
        EXPECT_EQ(IntegrityOf(folder.file("C.sqlite")), "ok");
        EXPECT_FALSE(QFile::exists(folder.file("C.sqlite.reading")));
        return true;
    }

    // The start-up's way: the check refuses the file in one message naming it, or the load
    // carries it over and says so in one message, its backup holding the damaged bytes.
    // What the rows themselves make the load say (a film's input type put right) may follow.
    bool Startup(const QByteArray& bytes) {
        const QString problem = modDB::DatabaseProblem("D.MDB");
        if (!problem.isEmpty()) {
            EXPECT_TRUE(problem.contains(folder.file("D.MDB"))) << problem.toStdString();
            EXPECT_TRUE(Bytes("D.MDB") == bytes) << "the Access file is left unchanged";
            return false;
        }
        dialogs.clear();
        modDB::DBLoad("D.MDB");
        EXPECT_EQ(DBFile, "D.MDB");
        EXPECT_GE(dialogs.count(), 1);
        if (dialogs.count() == 0) return true;
        QString backup = dialogs.boxes()[0].prompt.section(" kept unchanged as ", 1);
        if (backup.endsWith('.')) backup.chop(1);
        EXPECT_TRUE(Bytes(backup) == bytes) << "the backup " << backup.toStdString() << " holds the Access file";
        for (int b = 0; b < dialogs.count(); ++b) {
            const QString& said = dialogs.boxes()[static_cast<size_t>(b)].prompt;
            EXPECT_TRUE(b == 0 ? said.startsWith("The recipe database D.MDB was an Access (Jet) database.")
                               : said.contains(" InputType = "))
                << dialogs.prompts().join('\n').toStdString();
        }
        return true;
    }
};

// The fixture files the page sweep damages, the first one in every run.
const char* const kSwept[] = {"full-jet4.mdb", "demo-jet4.mdb", "v301-jet4.mdb", "v200-jet4.mdb", "demo-extra-jet4.mdb"};

}  // namespace

TEST_F(JetFileTest, EveryDataPageZeroedOrRandomisedIsCarriedOverWholeOrRefusedInOneMessage) {
    SetupFile = "ORUN.CFG";
    const bool all = qEnvironmentVariable("ORUN_JET_PAGES") == QLatin1String("all");
    std::mt19937 rng(5401);
    for (const char* swept : kSwept) {
        if (!all && swept != kSwept[0]) break;
        SCOPED_TRACE(swept);
        const QByteArray sound = Fixture(swept);
        // What the sound file gives when it is carried over.
        for (const char* name : {"D.MDB", "sound.sqlite"}) QFile::remove(folder.file(name));
        folder.write("D.MDB", sound);
        ASSERT_EQ(modDB::DatabaseProblem("D.MDB"), "");
        modDB::DBLoad("D.MDB");
        modDB::gDB.Close();
        ASSERT_TRUE(QFile::rename(folder.file("D.MDB"), folder.file("sound.sqlite")));
        const std::vector<int> pages = DataPages(sound);
        ASSERT_GT(pages.size(), 20u);
        int carried = 0, refused = 0;
        std::map<QString, int> refusedFor;  // by the table the message names
        for (const int page : pages) {
            for (const bool zeroed : {true, false}) {
                SCOPED_TRACE(testing::Message() << "page " << page << (zeroed ? " zeroed" : " randomised"));
                const QByteArray bytes = WithPage(sound, page, zeroed, rng);
                for (const QString& name : QDir(folder.path()).entryList(QDir::Files))
                    if (name != TemplateFileName() && name != "sound.sqlite") QFile::remove(folder.file(name));
                folder.write("D.MDB", bytes);
                dialogs.clear();
                // The start-up's way: the check, then the load.
                const QString problem = modDB::DatabaseProblem("D.MDB");
                if (!problem.isEmpty()) {
                    ++refused;
                    const QRegularExpressionMatch table = QRegularExpression("table (\\w+)").match(problem);
                    ++refusedFor[table.hasMatch() ? table.captured(1) : QStringLiteral("(the file's own pages)")];
                    EXPECT_TRUE(problem.startsWith(QString("The file %1 is an Access (Jet) database that cannot be read: ")
                                                       .arg(folder.file("D.MDB"))))
                        << problem.toStdString();
                    EXPECT_TRUE(Bytes("D.MDB") == bytes) << "the Access file is left unchanged";
                    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files),
                              QStringList({TemplateFileName(), "D.MDB", "sound.sqlite"}));
                    EXPECT_EQ(dialogs.count(), 0);
                } else {
                    ++carried;
                    modDB::DBLoad("D.MDB");
                    ASSERT_EQ(DBFile, "D.MDB") << dialogs.prompts().join('\n').toStdString();
                    ASSERT_GE(dialogs.count(), 1);
                    EXPECT_TRUE(dialogs.boxes()[0].prompt.startsWith("The recipe database D.MDB was an Access (Jet) database."))
                        << dialogs.prompts().join('\n').toStdString();
                    modDB::gDB.Close();
                    EXPECT_EQ(RowDifferences(folder.file("D.MDB"), folder.file("sound.sqlite"))
                                  .join('\n')
                                  .toStdString(),
                              "");
                }
                if (HasFailure()) return;
            }
        }
        std::cout << swept << ": " << pages.size() << " data pages, " << 2 * pages.size() << " files: carried over "
                  << carried << " with every row, refused " << refused << " (";
        for (const auto& [table, n] : refusedFor) std::cout << table.toStdString() << " " << n << "; ";
        std::cout << ")\n";
    }
}

TEST_F(JetDamagedTest, TruncatedFiles) { Run(JetDamage::Truncated, 4701); }
TEST_F(JetDamagedTest, BitFlipsInTheFirstPage) { Run(JetDamage::HeaderFlips, 4702); }
TEST_F(JetDamagedTest, BitFlipsInTheDataPages) { Run(JetDamage::DataPageFlips, 4703); }
TEST_F(JetDamagedTest, RandomBytesAfterASoundFirstPage) { Run(JetDamage::RandomAfterHead, 4704); }
