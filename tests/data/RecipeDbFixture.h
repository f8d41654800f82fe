#pragma once
// A fresh recipe database made from the table design, open in modDB::gDB, in a
// temporary program folder, with every box answered and recorded; every other global of
// the program as at its start.
#include "data/RecipeSchema.h"
#include "data/modDB.h"
#include "support/DialogRecorder.h"
#include "support/ProgramState.h"
#include "support/TempProgramFolder.h"

#include <QVariant>
#include <gtest/gtest.h>

class RecipeDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        modDB::gDB = CreateRecipeDatabase(folder.file("ORUN.MDB"));
    }
    void TearDown() override { ResetProgramState(); }

    // What a column of a row holds in the file.
    static QVariant Column(const QString& table, const QString& key, int number, const QString& column) {
        dao::Recordset rs = modDB::gDB.OpenRecordset(QString("SELECT * FROM %1 WHERE %2 =%3").arg(table, key).arg(number));
        return rs.RecordCount() == 0 ? QVariant(QStringLiteral("<no row>")) : rs.Fields(column).Value();
    }
    static int Rows(const QString& query) { return modDB::gDB.OpenRecordset(query).RecordCount(); }

    TempProgramFolder folder;
    DialogRecorder dialogs;
};
