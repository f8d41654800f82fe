// The addresses of a table's two page maps, in every table design of every sound Access
// file, pointed where no map is: at a row its page does not hold, and past the end of the
// file; first as a damaged file was found, its map sent to row 76 of page 32. The reader
// that ships never crashes on one (a crash ends the test run: the reader's faults are
// fatal here); it copies the file whole, every row as the sound file gives it (the map of
// a table it never reads), or refuses it with a cause that names the table design and
// what its map names.
#include "JetFileFixture.h"

#include "support/RecipeRows.h"

#include <QtEndian>
#include <iostream>

namespace {

constexpr int kPage = 4096;
// Jet 4: the first byte of a table design's page, the count of rows on a page of rows, and
// where a table design keeps the rows of its map of pages and of its map of free space.
constexpr char kDesignPage = 2;
constexpr int kRowCount = 12;
constexpr int kMapAddresses[] = {55, 59};

const char* const kSound[] = {"demo-jet4.mdb", "full-jet4.mdb", "v301-jet4.mdb", "v200-jet4.mdb",
                              "demo-extra-jet4.mdb"};

quint32 AddressAt(const QByteArray& file, int at) { return qFromLittleEndian<quint32>(file.constData() + at); }
QByteArray WithAddress(QByteArray file, int at, quint32 pgRow) {
    qToLittleEndian(pgRow, file.data() + at);
    return file;
}

struct Elsewhere {
    const char* what;
    quint32 (*pgRow)(const QByteArray& file, quint32 sound);
};
const Elsewhere kElsewhere[] = {
    {"the first row its page does not hold",
     [](const QByteArray& file, quint32 sound) {
         const quint32 page = sound >> 8;
         return page << 8 | qFromLittleEndian<quint16>(file.constData() + page * kPage + kRowCount);
     }},
    {"past the end of the file",
     [](const QByteArray& file, quint32) { return static_cast<quint32>(file.size() / kPage) << 8; }},
};

}  // namespace

TEST_F(JetFileTest, EveryPageMapAddressPointedAtAMissingRowOrPastTheFileIsRefusedWithItsPageOrCopiedWhole) {
    // The reader itself, each file in a process of its own: a whole copy, or the cause.
    const auto convert = [&](const QByteArray& bytes, QString& cause) {
        QFile::remove(folder.file("C.sqlite"));
        folder.write("D.MDB", bytes);
        try {
            dao::ConvertJetFile("D.MDB", "C.sqlite");
        } catch (const dao::JetReadError& e) {
            cause = e.cause;
            EXPECT_FALSE(QFile::exists(folder.file("C.sqlite")));
            return false;
        }
        EXPECT_EQ(IntegrityOf(folder.file("C.sqlite")), "ok");
        return true;
    };
    QString cause;

    // The file as it was found: table Processes' map of pages (its design on page 24) sent
    // to row 76 of page 32, a page of rows holding 24.
    QByteArray found = Fixture("demo-jet4.mdb");
    ASSERT_EQ(found.mid(0x18037, 2), QByteArray("\x00\x19", 2));
    found.replace(0x18037, 2, QByteArray("\x4c\x20", 2));
    ASSERT_FALSE(convert(found, cause));
    EXPECT_EQ(cause.toStdString(),
              "the design of table Processes cannot be read: its map of pages (in its design on page 24) "
              "names row 76 of page 32, which has no such row (it holds 24)");
    EXPECT_TRUE(Bytes("D.MDB") == found) << "the Access file is left unchanged";

    int designs = 0, copied = 0, refused = 0;
    for (const char* name : kSound) {
        SCOPED_TRACE(name);
        const QByteArray sound = Fixture(name);
        ASSERT_TRUE(convert(sound, cause)) << cause.toStdString();
        ASSERT_TRUE(QFile::rename(folder.file("C.sqlite"), folder.file("sound.sqlite")));
        for (int page = 1; (page + 1) * kPage <= sound.size(); ++page) {
            if (sound[page * kPage] != kDesignPage) continue;
            ++designs;
            for (const int address : kMapAddresses) {
                const quint32 was = AddressAt(sound, page * kPage + address);
                for (const Elsewhere& to : kElsewhere) {
                    const quint32 pgRow = to.pgRow(sound, was);
                    SCOPED_TRACE(testing::Message()
                                 << "design on page " << page << ", map address at " << address << " sent to "
                                 << to.what << " (row " << (pgRow & 0xff) << " of page " << (pgRow >> 8) << ")");
                    const QByteArray bytes = WithAddress(sound, page * kPage + address, pgRow);
                    if (convert(bytes, cause)) {
                        ++copied;
                        EXPECT_EQ(RowDifferences(folder.file("C.sqlite"), folder.file("sound.sqlite"))
                                      .join('\n')
                                      .toStdString(),
                                  "");
                    } else {
                        ++refused;
                        EXPECT_TRUE(cause.contains(QString("(in its design on page %1) names ").arg(page)))
                            << cause.toStdString();
                    }
                    if (HasFailure()) return;
                }
            }
        }
        QFile::remove(folder.file("sound.sqlite"));
    }
    std::cout << designs << " table designs, " << designs * 2 * std::size(kElsewhere) << " files: copied whole "
              << copied << ", refused with the cause " << refused << "\n";
    EXPECT_EQ(designs, 71);
    EXPECT_GT(refused, 0);
}
