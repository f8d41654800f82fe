// The tab strip of the editor and setup windows: captions, the current tab, hidden tabs,
// Click with the previous tab, and the pointer position for the tab hints.
#include "platform/RuntimeError.h"
#include "platform/SSTab.h"
#include "platform/Twips.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// The four tabs of the layer and film editor, each frame holding one control.
void buildEditorTabs(SSTab& tab) {
    tab.setTabs(4);
    const char* captions[] = {"Layer", "X Chan.", "Film", "Film Cal."};
    for (int k = 0; k < 4; ++k) {
        tab.setTabCaption(k, captions[k]);
        auto* box = new QLineEdit(tab.TabFrame(k));
        box->setObjectName(QString("txtOnTab%1").arg(k));
    }
}

QPoint tabCentre(const SSTab& tab, int k) { return tab.tabBar()->tabRect(k).center(); }

}  // namespace

TEST(SSTab, UserAndProgramChangesRaiseClickWithThePreviousTab) {
    SSTab tab;
    buildEditorTabs(tab);
    tab.resize(400, 300);
    tab.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tab));
    EXPECT_EQ(tab.Tabs(), 4);
    EXPECT_EQ(tab.TabCaption(3), "Film Cal.");
    EXPECT_EQ(tab.Tab(), 0);
    QSignalSpy clicks(&tab, &SSTab::Click);

    QTest::mouseClick(tab.tabBar(), Qt::LeftButton, {}, tabCentre(tab, 2));
    EXPECT_EQ(tab.Tab(), 2);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).toInt(), 0);
    EXPECT_TRUE(tab.TabFrame(2)->isVisible());
    EXPECT_FALSE(tab.TabFrame(0)->isVisible());

    tab.setTab(3);
    ASSERT_EQ(clicks.count(), 2);
    EXPECT_EQ(clicks.at(1).at(0).toInt(), 2);
    tab.setTab(3);  // no change, no Click
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_THROW(tab.setTab(4), RuntimeError);

    // The tabs share the width equally, so the hint quarters match the tabs.
    EXPECT_NEAR(tab.tabBar()->tabRect(1).left(), 100, 2);
}

TEST(SSTab, AHiddenTabCannotBeSelected) {
    SSTab tab;
    buildEditorTabs(tab);
    tab.resize(400, 300);
    tab.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tab));
    QSignalSpy clicks(&tab, &SSTab::Click);

    // The film editor hides "Layer" and "X Chan." while "Layer" is shown.
    tab.setTabVisible(0, false);
    tab.setTabVisible(1, false);
    EXPECT_FALSE(tab.TabVisible(0));
    EXPECT_EQ(tab.Tab(), 2);
    ASSERT_GE(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).toInt(), 0);

    tab.setTab(1);  // a stale stored tab: the strip stays on a visible one
    EXPECT_EQ(tab.Tab(), 2);
    QTest::keyClick(tab.tabBar(), Qt::Key_Left);  // the keys skip hidden tabs as well
    EXPECT_EQ(tab.Tab(), 2);
    QTest::mouseClick(tab.tabBar(), Qt::LeftButton, {}, tabCentre(tab, 3));
    EXPECT_EQ(tab.Tab(), 3);
    EXPECT_FALSE(tab.TabFrame(0)->isVisible());
    EXPECT_FALSE(tab.TabFrame(1)->isVisible());

    tab.setTabVisible(0, true);
    tab.setTab(0);
    EXPECT_EQ(tab.Tab(), 0);
}

TEST(SSTab, MouseMoveGivesThePointerInTwipsAndGeometryIsInTwips) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(30, 10, 10, 10);
    auto* tab = new SSTab(&window);
    buildEditorTabs(*tab);
    layout->addWidget(tab);
    window.resize(440, 320);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QSignalSpy moves(tab, &SSTab::MouseMove);

    QTest::mouseMove(tab->tabBar(), QPoint(50, 5));
    EXPECT_TRUE(QTest::qWaitFor([&] { return moves.count() >= 1; }));
    const QList<QVariant> last = moves.last();
    EXPECT_EQ(last.at(0).toInt(), 0);  // no button
    EXPECT_NEAR(last.at(2).toFloat(), (tab->tabBar()->x() + 50) * TwipsPerPixelX(), 0.01);
    EXPECT_NEAR(tab->Left(), 30 * TwipsPerPixelX(), 0.01);
    EXPECT_NEAR(tab->Width(), tab->width() * TwipsPerPixelX(), 0.01);

    tab->setHeight(3000);
    EXPECT_EQ(tab->height(), TwipsToPixelsY(3000));
    tab->setToolTipText("Setpoint parameters for the layer.");
    EXPECT_EQ(tab->ToolTipText(), "Setpoint parameters for the layer.");
}
