#pragma once
// A program folder holding the upgrade template built with the program, the application
// state object, every box answered and recorded, and the program's end after a critical
// error observed instead of taken.
#include "app/SettingsGlobals.h"
#include "app/cApp.h"
#include "app/modUtil.h"
#include "data/RecipeSchema.h"
#include "data/RecipeTemplate.h"
#include "data/modDB.h"
#include "support/DialogRecorder.h"
#include "support/ProgramState.h"
#include "support/TempProgramFolder.h"

#include <QFile>
#include <gtest/gtest.h>

class DbFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::copy(QStringLiteral(ORUN_BIN_DIR "/") + TemplateFileName(), folder.file(TemplateFileName())));
        app = &FreshApp();
        exitCode() = -1;
        modUtil::SetCriticalExitHook([](int code) { exitCode() = code; });
    }
    void TearDown() override {
        modUtil::SetCriticalExitHook(nullptr);
        ResetProgramState();
    }

    // A recipe database of the present table design in the program folder; version
    // null: without the version property. Closed by the caller before it is used.
    dao::Database MakeDatabase(const QString& name, const QString& version) const {
        dao::Database db = CreateRecipeDatabase(folder.file(name));
        if (!version.isNull()) db.SetUserDefinedProperty(QStringLiteral("ORUN_VER"), version);
        return db;
    }
    // A column of one row of a database file, read through a connection of its own.
    QVariant ColumnOf(const QString& name, const QString& query, const QString& column) const {
        dao::Recordset rs = dao::OpenDatabase(folder.file(name)).OpenRecordset(query);
        return rs.RecordCount() == 0 ? QVariant(QStringLiteral("<no row>")) : rs.Fields(column).Value();
    }
    int RowsOf(const QString& name, const QString& query) const {
        return dao::OpenDatabase(folder.file(name)).OpenRecordset(query).RecordCount();
    }
    bool Exists(const QString& name) const { return QFile::exists(folder.file(name)); }

    static int& exitCode() {
        static int code = -1;
        return code;
    }

    TempProgramFolder folder;
    DialogRecorder dialogs;
    cApp* app = nullptr;
};
