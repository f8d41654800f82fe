#pragma once
// A station for the editor tests: the run fixture's application, unit and quartz objects
// with channels 0 and 1 depositing layers 1 and 2 (films 1 and 2) in step 1 of process 1,
// a recipe database holding the records' rows, named films, recorded help requests, and
// helpers that drive the editor windows like a user.
#include "data/RecipeSchema.h"
#include "data/modDB.h"
#include "editors/frmLayerFilm.h"
#include "platform/HtmlHelp.h"
#include "platform/TarselGrid.h"
#include "run/RunFixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <vector>

class EditorFixture : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        modDB::gDB = CreateRecipeDatabase(folder.file("ORUN.MDB"));
        for (int16_t L = 1; L <= 3; ++L) modDB::LayerLoad(L);
        for (int16_t f = 1; f <= 25; ++f) {
            modDB::FilmLoad(f);
            gFilm(f).Film_Name = QString("Film %1").arg(f, 2, 10, QChar('0'));
        }
        Deposit({0, 1});
        gFilm(1).Film_Name = QString("Titania");
        gFilm(2).Film_Name = QString("Silica");
        gFilm(3).Film_Name = QString("Alumina");
        for (int16_t f = 1; f <= 3; ++f) {
            gFilm(f).Units = QString("A/s");
            gFilm(f).Max_Power = 100;
            gFilm(f).FULL_SCALE = 10;
        }
        SetHelpResponder([this](const HelpRequest& r) { helpTopics.push_back(r.context); });
    }

    void TearDown() override {
        delete gLayerEditor.data();
        delete gFilmEditor.data();
        SetHelpResponder({});
        RunFixture::TearDown();
    }

    static void activate(QWidget* w) {
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }

    static void click(TarselGrid* g, int row, int col = 0) {
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->cellRect(row, col).center());
    }

    // Clicks the value cell, types and ends with the key (Enter commits). The editor opens
    // with the shown text selected, so the typing replaces it.
    static void type(TarselGrid* g, int row, const QString& text, Qt::Key end = Qt::Key_Return) {
        click(g, row);
        auto* editor = qobject_cast<QLineEdit*>(g->editor());
        ASSERT_NE(editor, nullptr) << "no text editor on row " << row;
        if (text.isEmpty()) QTest::keyClick(editor, Qt::Key_Delete);
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, end);
    }

    // Clicks a choice cell and picks an item of the list that drops down.
    static void pick(TarselGrid* g, int row, const QString& item) {
        click(g, row);
        auto* list = qobject_cast<QComboBox*>(g->editor());
        ASSERT_NE(list, nullptr) << "no list on row " << row;
        QAbstractItemView* view = list->view();
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->isVisible(); }));
        const int index = list->findText(item);
        ASSERT_GE(index, 0) << item.toStdString();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(index, 0)).center());
    }

    // What the database holds for one column of a record's row.
    static QVariant Stored(const QString& table, const QString& key, int number, const QString& column) {
        return modDB::gDB.OpenRecordset(QString("SELECT * FROM %1 WHERE %2 =%3").arg(table, key).arg(number))
            .Fields(column)
            .Value();
    }

    std::vector<int> helpTopics;
};
