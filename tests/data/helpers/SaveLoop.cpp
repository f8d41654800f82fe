// Saves all layer records again and again, each round with values of its own, and
// prints the number of every finished round, until it is killed.
#include "data/ProcessRec.h"
#include "helpers/FillLayer.h"
#include "data/modDB.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: recipe_save_loop <database>\n");
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
