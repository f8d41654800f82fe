// Child programs for the tests of a database left by a program that is killed or ends:
//   recipe_save_loop <database>
//       saves all layer records again and again, each round with values of its own, and
//       prints the number of every finished round, until it is killed;
//   recipe_save_loop --save-as <from> <to> <round>
//       opens <from>, gives every layer record and process 1 the values of the round,
//       prints "saving", saves as <to>, prints "saved" and ends with the database still
//       open. Every box is printed on stderr;
//   recipe_save_loop --start <database>
//       as --load, after the start-up's own steps before it: what killed programs left
//       is removed, and the file is checked (a box for a file that cannot be used);
//   recipe_save_loop --load <database>
//       prints "loading", loads the database as a start-up does (adding the rows it
//       lacks), prints "loaded" and ends;
//   recipe_save_loop --full-disk <folder> <database> <out>
//       copies <database> into <folder> as ORUN.MDB (a small disk of its own) and loads
//       its records; gives process 2 run number 321 and layer record 7 film 4 at rate
//       3.5; fills the disk and saves onto the open file ("save on a full disk"), frees
//       the disk and saves again ("save with room"); after each save the file is copied
//       into <out> as full.mdb and room.mdb. Every box (its line breaks as "\n") and
//       every step is printed on stderr.
#include "data/ProcessRec.h"
#include "helpers/FillLayer.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstring>

namespace {

int SaveAs(const QString& from, const QString& to, int round) {
    SetProgramFolder(QFileInfo(to).absolutePath());
    SetDialogResponder([](const DialogRequest& r) {
        std::fprintf(stderr, "box: %s\n", qPrintable(r.prompt));
        return DialogAnswer{};
    });
    modDB::gDB = dao::OpenDatabase(from);
    for (int16_t n = 1; n <= 250; ++n) FillLayer(gLayer(n), round);
    gProcess(1).Run_Number = static_cast<int16_t>(round);
    std::printf("saving\n");
    std::fflush(stdout);
    modDB::DBSave(to);
    std::printf("saved\n");
    std::fflush(stdout);
    return 0;
}

int Load(const QString& file, bool asStart) {
    SetProgramFolder(QFileInfo(file).absolutePath());
    SetDialogResponder([](const DialogRequest& r) {
        std::fprintf(stderr, "box: %s\n", qPrintable(r.prompt));
        return DialogAnswer{};
    });
    std::printf("loading\n");
    std::fflush(stdout);
    if (asStart) {
        modDB::RemoveKilledSaves(file);
        if (const QString problem = modDB::DatabaseProblem(file); !problem.isEmpty()) {
            MsgBox(problem);
            return 1;
        }
    }
    modDB::DBLoad(file);
    std::printf("loaded\n");
    std::fflush(stdout);
    return 0;
}

// Fills the disk holding folder with one file; false when it could not be made.
bool FillDisk(const QString& folder) {
    QFile filler(folder + QStringLiteral("/filler"));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
    // Smaller and smaller pieces, down to a byte, so that nothing is left over.
    const QByteArray block(64 * 1024, '\0');
    for (int n = static_cast<int>(block.size()); n >= 1; n /= 2) {
        while (filler.write(block.constData(), n) == n) {
        }
    }
    return true;
}

int FullDisk(const QString& folder, const QString& source, const QString& out) {
    SetProgramFolder(folder);
    SetDialogResponder([](const DialogRequest& r) {
        std::fprintf(stderr, "box: %s\n", qPrintable(QString(r.prompt).replace(QStringLiteral("\r\n"), QStringLiteral("\\n"))));
        return DialogAnswer{};
    });
    const QString file = folder + QStringLiteral("/ORUN.MDB");
    if (!QFile::copy(source, file)) return 3;
    modDB::gDB = dao::OpenDatabase(file);
    modDB::DBInit();
    for (int16_t n = 1; n <= 25; ++n) modDB::ProcessLoad(n);
    for (int16_t n = 1; n <= 250; ++n) modDB::LayerLoad(n);
    for (int16_t n = 1; n <= 25; ++n) modDB::FilmLoad(n);
    gProcess(2).Run_Number = 321;
    gLayer(7).Film_Number = 4;
    gLayer(7).Rate = 3.5;
    const auto save = [&](const char* step, const QString& copy) {
        std::fprintf(stderr, "%s\n", step);
        modDB::DBSave(QStringLiteral("ORUN.MDB"));
        std::fprintf(stderr, "saved\n");
        QFile::remove(copy);
        return QFile::copy(file, copy);
    };
    if (!FillDisk(folder)) return 4;
    if (!save("save on a full disk", out + QStringLiteral("/full.mdb"))) return 5;
    QFile::remove(folder + QStringLiteral("/filler"));
    if (!save("save with room", out + QStringLiteral("/room.mdb"))) return 6;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 5 && std::strcmp(argv[1], "--save-as") == 0) {
        return SaveAs(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), std::atoi(argv[4]));
    }
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0) return Load(QString::fromLocal8Bit(argv[2]), false);
    if (argc == 3 && std::strcmp(argv[1], "--start") == 0) return Load(QString::fromLocal8Bit(argv[2]), true);
    if (argc == 5 && std::strcmp(argv[1], "--full-disk") == 0) {
        return FullDisk(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: recipe_save_loop <database> | --save-as <from> <to> <round> | --load <database> | --start <database> | "
                     "--full-disk <folder> <database> <out>\n");
        return 2;
    }
    modDB::gDB = dao::OpenDatabase(QString::fromLocal8Bit(argv[1]));
    for (int round = 1;; ++round) {
        for (int16_t n = 1; n <= 250; ++n) {
            FillLayer(gLayer(n), round);
            modDB::LayerSave(n);
        }
        std::printf("%d\n", round);
        std::fflush(stdout);
    }
}
