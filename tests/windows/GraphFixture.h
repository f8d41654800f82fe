#pragma once
// A station for the graph and data-log window tests: the run fixture's application, unit
// and quartz objects with channels 0..2 depositing films "Titania", "Silica" and "Alumina"
// in step 1 of process 1 (channel 3 has no layer), a recipe database with the process's
// graph row, four graph records of 100 points over 100 seconds, and recorded help
// requests and printers.
#include "data/GraphRec.h"
#include "data/RecipeSchema.h"
#include "data/modDB.h"
#include "platform/HtmlHelp.h"
#include "platform/Printing.h"
#include "run/RunFixture.h"
#include "windows/StripChart.h"
#include "windows/frmGraph.h"
#include "windows/frmGraphsSetup.h"

#include <QDir>
#include <QLineEdit>
#include <QPrinter>
#include <QTest>
#include <vector>

class GraphFixture : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        modDB::gDB = CreateRecipeDatabase(folder.file("ORUN.MDB"));
        Deposit({0, 1, 2});
        gFilm(1).Film_Name = QString("Titania");
        gFilm(2).Film_Name = QString("Silica");
        gFilm(3).Film_Name = QString("Alumina");
        App().setProcNum(1);  // loads the process's graph row, with the table's defaults
        for (int16_t g = 0; g <= 3; ++g) {
            GraphRec& r = gGraph(g);
            r.Caption = QString("Graph %1").arg(g + 1);
            r.Data = GraphDataKind::Rate;
            r.Channels = 0b1111;
            r.ChanAxis = 0;
            r.XPoints = 100;
            r.XWidth = 100;
            r.XUnits = 0;
            r.Y1Min = "0";
            r.Y1Max = "10";
            r.Y2Min = "0";
            r.Y2Max = "50";
        }
        SetHelpResponder([this](const HelpRequest& r) { helpTopics.push_back(r.context); });
    }

    void TearDown() override {
        SetHelpResponder({});
        SetPrinterResponder({});
        modDB::gDB = dao::Database();
        RunFixture::TearDown();
    }

    frmGraph* Open(int16_t g) {
        App().setShowGraph(g, true);
        return gGraphForm(g);
    }

    static void activate(QWidget* w) {
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }

    // Types into a box of an active window and moves the focus on, as a user leaving it.
    static void typeAndLeave(QLineEdit* box, const QString& text, QWidget* next) {
        box->setFocus(Qt::TabFocusReason);
        box->setText(text);
        next->setFocus(Qt::TabFocusReason);
    }

    static QString ScreenshotDir() {
        const QString dir = QStringLiteral(ORUN_BIN_DIR "/../screenshots");
        QDir().mkpath(dir);
        return dir;
    }

    std::vector<int> helpTopics;
};
