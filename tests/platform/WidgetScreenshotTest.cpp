// A sample of the grid and the tree as the windows set them up, grabbed and saved under
// the build folder (screenshots/) for a person to look at, and checked for what must show:
// the shaded headings and caption column, cell colours, text in the heading cells.
#include "platform/TarselGrid.h"
#include "platform/TreeView.h"
#include "platform/Twips.h"
#include "platform/VbColor.h"

#include <QDir>
#include <QHBoxLayout>
#include <QImage>
#include <QPixmap>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

void sensorGrid(TarselGrid& g) {
    g.setCols(6);
    g.setRows(4);
    const char* heads[] = {"Emission", "Leakage", "Power", "Fil. Cur.", "Bias V", "Status"};
    g.setColWidth(-1, 13);
    for (int c = 0; c < 6; ++c) {
        g.setCellText(-1, c, heads[c]);
        g.setColWidth(c, c == 0 ? 17 : 14);
        g.setColAlignment(c, tgAlignRight);
    }
    const char* rows[] = {"Sensor 1", "Gas 1", "Sensor 2", "Gas 2"};
    for (int r = 0; r < 4; ++r) {
        g.setCellText(r, -1, rows[r]);
        for (int c = 0; c < 5; ++c) g.setCellText(r, c, QString::number(1.25 * (r + 1) + c, 'f', 2));
        g.setCellText(r, 5, "OK");
    }
    for (int r : {1, 3}) {  // gas calibration off: grey rows
        g.setRowForeColor(r, vbGrayText);
        g.setCellForeColor(r, -1, vbGrayText);
    }
}

void layerGrid(TarselGrid& g) {
    g.setCols(2);
    g.setColWidth(-1, 45);
    g.setColWidth(0, 30);
    g.setColWidth(1, 25);
    g.setColAlignment(0, tgAlignRight);
    g.setColAlignment(1, tgAlignRight);
    g.setColBackColor(1, vbButtonFace);
    g.setColStyle(1, tgColReadOnly);
    g.setCellAlignment(-1, 0, tgAlignCenter);
    g.setCellAlignment(-1, 1, tgAlignCenter);
    for (int c : {-1, 0, 1}) g.setCellFontBold(-1, c, true);
    g.setCellText(-1, -1, "QCM");
    g.setCellText(-1, 0, "Value");
    g.setCellText(-1, 1, "Units");
    g.setRows(4);
    g.setHeight(g.RowHeight(0) * (g.Rows() + 1) * TwipsPerPixelY());
    const char* rows[] = {"Cal. QCM#", "Density", "Z-Factor", "Calibrate"};
    const char* values[] = {"1", "19.3", "0.381", "Start"};
    const char* units[] = {"", "g/cc", "", ""};
    for (int r = 0; r < 4; ++r) {
        g.setCellText(r, -1, rows[r]);
        g.setCellText(r, 0, values[r]);
        g.setCellText(r, 1, units[r]);
    }
    g.setCellEditor(3, 0, tgEditButton);
    g.setCellStyle(3, 0, tgCellButton);
    g.setCellAlignment(3, 0, tgAlignCenter);
    g.setCellBackColor(3, 0, 255);  // a calibration running: red
    g.setCellStrikeThrough(2, 0, true);
}

}  // namespace

TEST(WidgetScreenshot, SampleGridAndTreeAreReadable) {
    QWidget window;
    auto* columns = new QHBoxLayout(&window);
    auto* grids = new QVBoxLayout;
    auto* sensors = new TarselGrid(&window);
    auto* layer = new TarselGrid(&window);
    sensorGrid(*sensors);
    layerGrid(*layer);
    sensors->setFixedHeight(5 * TarselGrid::DefaultRowHeight);
    grids->addWidget(sensors);
    grids->addWidget(layer);
    grids->addStretch(1);
    auto* tree = new TreeView(&window);
    for (int p = 1; p <= 3; ++p) tree->Nodes().Add(QString("P%1").arg(p), QString("Process %1").arg(p));
    tree->Nodes().Add("P1", tvwChild, "L5,P1", "Layer  1 Ch:1 Out:1 Aluminium");
    tree->Nodes().Add("P1", tvwChild, "L9,P1", "Layer  2 Ch:3 Out:-- Silver");
    tree->Nodes().Add("P1", tvwChild, "L2,P1", " Codep: Ch:4 Out:2 Gold");
    tree->Nodes()("P1")->setExpanded(true);
    tree->Nodes()("L9,P1")->setSelected(true);
    tree->setFixedWidth(260);
    columns->addLayout(grids, 1);
    columns->addWidget(tree);
    window.resize(820, 300);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const QImage shot = window.grab().toImage();
    const QString dir = QStringLiteral(ORUN_BIN_DIR "/../screenshots");
    QDir().mkpath(dir);
    ASSERT_TRUE(shot.save(dir + "/grid_and_tree.png"));

    auto pixelAt = [&](TarselGrid* g, int r, int c, QPoint offset = {3, 3}) {
        const QPoint p = g->viewport()->mapTo(&window, g->cellRect(r, c).topLeft() + offset);
        return shot.pixelColor(p);
    };
    const QColor face = VbColor(vbButtonFace);
    EXPECT_EQ(pixelAt(sensors, -1, 2), face);   // heading row
    EXPECT_EQ(pixelAt(sensors, 2, -1), face);   // caption column
    EXPECT_EQ(pixelAt(sensors, 0, 0), VbColor(vbWindowBackground));
    EXPECT_EQ(pixelAt(layer, 1, 1), face);      // the shaded units column
    EXPECT_EQ(pixelAt(layer, 3, 0, {4, 4}), QColor(255, 0, 0));

    // Text is drawn: the heading cell holds pixels darker than its face.
    const QRect head = sensors->cellRect(-1, 0);
    int dark = 0;
    for (int y = head.top(); y <= head.bottom(); ++y)
        for (int x = head.left(); x <= head.right(); ++x) {
            const QPoint p = sensors->viewport()->mapTo(&window, QPoint(x, y));
            if (shot.pixelColor(p).lightness() < 100) ++dark;
        }
    EXPECT_GT(dark, 10);
}
