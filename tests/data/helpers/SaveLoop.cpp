// Child programs for the tests of a database left by a program that is killed or ends:
//   recipe_save_loop <database>
//       saves all layer records again and again, each round with values of its own, and
//       prints the number of every finished round, until it is killed;
//   recipe_save_loop --save-as <from> <to> <round>
//       opens <from>, gives every layer record and process 1 the values of the round,
//       prints "saving", saves as <to>, prints "saved" and ends with the database still
//       open. Every box is printed on stderr;
//   recipe_save_loop --load <database>
//       prints "loading", loads the database as a start-up does (adding the rows it
//       lacks), prints "loaded" and ends.
#include "data/ProcessRec.h"
#include "helpers/FillLayer.h"
#include "data/modDB.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"

#include <QCoreApplication>
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

int Load(const QString& file) {
    SetProgramFolder(QFileInfo(file).absolutePath());
    SetDialogResponder([](const DialogRequest& r) {
        std::fprintf(stderr, "box: %s\n", qPrintable(r.prompt));
        return DialogAnswer{};
    });
    std::printf("loading\n");
    std::fflush(stdout);
    modDB::DBLoad(file);
    std::printf("loaded\n");
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 5 && std::strcmp(argv[1], "--save-as") == 0) {
        return SaveAs(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), std::atoi(argv[4]));
    }
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0) return Load(QString::fromLocal8Bit(argv[2]));
    if (argc != 2) {
        std::fprintf(stderr, "usage: recipe_save_loop <database> | --save-as <from> <to> <round> | --load <database>\n");
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
