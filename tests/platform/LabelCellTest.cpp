// A label in a LabelCell sits and shows exactly as the same label placed straight in the
// layout, whatever texts and fonts it is given, while a new text of the same size does
// not have the window laid out again.
#include "platform/LabelCell.h"

#include <QApplication>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>
#include <random>

namespace {

// A panel of three rows: a fixed caption, the label under test and a stretching caption.
struct Panel {
    QWidget window;
    QLabel* label = nullptr;
    int layoutRuns = 0;

    explicit Panel(bool inCell) {
        auto* grid = new QGridLayout(&window);
        grid->addWidget(new QLabel(QStringLiteral("Process: Mirror"), &window), 0, 0);
        if (inCell) {
            auto* cell = new LabelCell(&window);
            label = cell->label();
            grid->addWidget(cell, 0, 1);
        } else {
            label = new QLabel(&window);
            grid->addWidget(label, 0, 1);
        }
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(new QLabel(QStringLiteral("Run: 1"), &window), 1, 0, 1, 2);
        grid->setColumnStretch(0, 3);
        grid->setColumnStretch(1, 2);
        window.installEventFilter(new Counter(this));
        window.resize(320, 60);
        window.show();
    }

    struct Counter : QObject {
        Panel* panel;
        explicit Counter(Panel* p) : QObject(&p->window), panel(p) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::LayoutRequest) ++panel->layoutRuns;
            return false;
        }
    };

    QRect where() const { return QRect(label->mapTo(&window, QPoint(0, 0)), label->size()); }
};

}  // namespace

TEST(LabelCell, TheLabelSitsAndShowsAsInItsPlaceAndASameSizeTextLaysNothingOut) {
    Panel plain(false), celled(true);
    std::mt19937 rng(4120);
    const QStringList texts = {"2:00:07 PM", "2:00:08 PM", "12:59:59 AM", "", "Time: 00:00:05 / 00:10:00",
                               "a much longer text than the column has room for at first", "x"};
    int sameSize = 0;
    for (int step = 0; step < 40; ++step) {
        // Half the steps are the clock's: the next second, in the same font.
        const bool tick = rng() % 2 == 0;
        const QString text = tick ? QStringLiteral("2:00:0%1 PM").arg(step % 10) : texts[rng() % texts.size()];
        const bool bold = tick ? celled.label->font().bold() : rng() % 4 == 0;
        const QSize before = celled.label->sizeHint();
        for (Panel* p : {&plain, &celled}) {
            QFont f = p->label->font();
            f.setBold(bold);
            p->label->setFont(f);
            p->label->setText(text);
        }
        // The clock's case: a new time of the same width.
        const int runs = celled.layoutRuns;
        QTest::qWait(5);
        QCoreApplication::sendPostedEvents();
        if (celled.label->sizeHint() == before) {
            ++sameSize;
            EXPECT_EQ(celled.layoutRuns, runs) << text.toStdString();
        }
        ASSERT_EQ(celled.where(), plain.where()) << step << " " << text.toStdString();
        ASSERT_EQ(celled.window.size(), plain.window.size()) << step;
        EXPECT_TRUE(celled.window.grab().toImage() == plain.window.grab().toImage()) << step;
    }
    EXPECT_GT(sameSize, 5);
    // Hidden while its text changes, it takes the room it needs when shown again.
    for (Panel* p : {&plain, &celled}) p->window.hide();
    for (Panel* p : {&plain, &celled}) p->label->setText(QStringLiteral("a text set while nothing is shown, long"));
    for (Panel* p : {&plain, &celled}) p->window.show();
    QTest::qWait(5);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(celled.where(), plain.where());
    EXPECT_TRUE(celled.window.grab().toImage() == plain.window.grab().toImage());
}
