// A thousand damaged Access files: the reader ends on each (a copy or a cause, never a hang
// of the station), the station never crashes, and the Access file is never written. Some
// of them go the start-up's whole way in this process: the check, then the load.
#include "JetDamage.h"
#include "JetFileFixture.h"

#include "support/RecipeRows.h"

#include <QDir>
#include <iostream>

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

}  // namespace

TEST_F(JetDamagedTest, TruncatedFiles) { Run(JetDamage::Truncated, 4701); }
TEST_F(JetDamagedTest, BitFlipsInTheFirstPage) { Run(JetDamage::HeaderFlips, 4702); }
TEST_F(JetDamagedTest, BitFlipsInTheDataPages) { Run(JetDamage::DataPageFlips, 4703); }
TEST_F(JetDamagedTest, RandomBytesAfterASoundFirstPage) { Run(JetDamage::RandomAfterHead, 4704); }
