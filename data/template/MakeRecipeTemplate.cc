// Build step: writes the upgrade template (411_ORUN.MDB) from the table design.
//   make_recipe_template <output file>
#include "data/RecipeTemplate.h"
#include "platform/RuntimeError.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_recipe_template <output file>\n");
        return 2;
    }
    try {
        CreateUpgradeTemplate(QString::fromLocal8Bit(argv[1]));
    } catch (const RuntimeError& e) {
        std::fprintf(stderr, "make_recipe_template: error %d: %s\n", e.number, qPrintable(e.description));
        return 1;
    }
    return 0;
}
