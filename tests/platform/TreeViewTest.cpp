// The tree view as the process editor uses it: roots and children by key, positions in the
// order of adding, removal one node at a time from the last, expanded flags, the selection,
// and NodeClick for the user's click only.
#include "platform/TreeView.h"
#include "support/ErrorNumber.h"

#include <QSignalSpy>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// Processes P1..P3; P1 holds two layers and a co-deposition layer, P3 one layer.
void buildExample(TreeView& tv) {
    for (int p = 1; p <= 3; ++p) tv.Nodes().Add(QString("P%1").arg(p), QString("Process %1").arg(p));
    tv.Nodes().Add("P1", tvwChild, "L5,P1", "Layer  1 Ch:1 Out:1 Film A");
    tv.Nodes().Add("P3", tvwChild, "L7,P3", "Layer  1 Ch:2 Out:-- Film B");
    tv.Nodes().Add("P1", tvwChild, "L9,P1", "Layer  2 Ch:3 Out:1 Film C");
    tv.Nodes().Add("P1", tvwChild, "L2,P1", " Codep: Ch:4 Out:2 Film D");
}

}  // namespace

TEST(TreeView, PositionsFollowTheOrderOfAddingAndSurviveRemovals) {
    TreeView tv;
    buildExample(tv);
    TreeNodes& n = tv.Nodes();
    ASSERT_EQ(n.Count(), 7);
    EXPECT_EQ(n(4)->Key(), "L5,P1");
    EXPECT_EQ(n(5)->Key(), "L7,P3");  // the order of adding, not the place in the tree
    EXPECT_EQ(n("L9,P1")->Index(), 6);
    EXPECT_EQ(n("L9,P1")->Parent()->Key(), "P1");
    EXPECT_EQ(n("P1")->Children(), 3);
    EXPECT_EQ(n("P2")->Parent(), nullptr);

    n.Remove(5);  // L7,P3
    EXPECT_EQ(n.Count(), 6);
    EXPECT_EQ(n(5)->Key(), "L9,P1");
    EXPECT_EQ(n("L2,P1")->Index(), 6);
    EXPECT_EQ(n("P3")->Children(), 0);

    // Removing a node takes its children along; later nodes move up.
    n.Remove("P1");
    ASSERT_EQ(n.Count(), 2);
    EXPECT_EQ(n(1)->Key(), "P2");
    EXPECT_EQ(n(2)->Key(), "P3");
    EXPECT_EQ(ErrorNumber([&] { n.Item("L9,P1"); }), 35601);

    // A removed key can be used again.
    n.Add("P1", "Process 1 again");
    EXPECT_EQ(n("P1")->Index(), 3);

    // Emptying one node at a time from the last, as the rebuild does.
    while (n.Count() > 0) n.Remove(n.Count());
    EXPECT_EQ(tv.SelectedItem(), nullptr);
}

TEST(TreeView, KeysAreUniqueAndBadPositionsAndKeysAreErrors) {
    TreeView tv;
    buildExample(tv);
    EXPECT_EQ(ErrorNumber([&] { tv.Nodes().Add("P2", "again"); }), 35602);
    EXPECT_EQ(ErrorNumber([&] { tv.Nodes().Add("P9", tvwChild, "L1,P9", "orphan"); }), 35601);
    EXPECT_EQ(ErrorNumber([&] { tv.Nodes().Item(0); }), 35600);
    EXPECT_EQ(ErrorNumber([&] { tv.Nodes().Item(8); }), 35600);
    EXPECT_EQ(ErrorNumber([&] { tv.Nodes().Remove(8); }), 35600);
    EXPECT_EQ(tv.Nodes().Count(), 7);
}

TEST(TreeView, ExpandedAndSelectedAndTheUsersClick) {
    TreeView tv;
    buildExample(tv);
    tv.resize(300, 300);
    tv.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tv));
    TreeNodes& n = tv.Nodes();
    QSignalSpy clicks(&tv, &TreeView::NodeClick);

    EXPECT_EQ(tv.SelectedItem(), nullptr);
    n("P1")->setExpanded(true);
    n("P1")->setSelected(true);
    EXPECT_TRUE(n("P1")->Expanded());
    EXPECT_FALSE(n("P3")->Expanded());
    EXPECT_EQ(tv.SelectedItem(), n("P1"));
    EXPECT_TRUE(n("P1")->Selected());
    EXPECT_EQ(clicks.count(), 0);  // the program's selection is no click

    // Expanded is kept for a node without children as well (the rebuild restores it by position).
    n("P2")->setExpanded(true);
    EXPECT_TRUE(n("P2")->Expanded());
    n.Add("P2", tvwChild, "L1,P2", "Layer  1");
    EXPECT_TRUE(n("P2")->Expanded());

    // The user clicks a layer node.
    TreeNode* layer = n("L9,P1");
    QTest::mouseClick(tv.viewport(), Qt::LeftButton, {}, tv.nodeRect(layer).center());
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).value<TreeNode*>(), layer);
    EXPECT_EQ(tv.SelectedItem(), layer);
    EXPECT_FALSE(n("P1")->Selected());

    // The down key moves to the next node: a NodeClick too. Focus arriving is none.
    QTest::keyClick(tv.viewport()->parentWidget(), Qt::Key_Down);
    ASSERT_EQ(clicks.count(), 2);
    EXPECT_EQ(tv.SelectedItem(), n("L2,P1"));
    EXPECT_EQ(clicks.at(1).at(0).value<TreeNode*>(), n("L2,P1"));
    TreeView fresh;
    buildExample(fresh);
    QSignalSpy freshClicks(&fresh, &TreeView::NodeClick);
    fresh.show();
    fresh.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&fresh));
    fresh.SetFocus();
    ASSERT_TRUE(fresh.viewport()->parentWidget()->hasFocus());
    EXPECT_EQ(freshClicks.count(), 0);
    EXPECT_EQ(fresh.SelectedItem(), nullptr);

    // Removing the selected node leaves none selected.
    layer = n("L2,P1");
    n.Remove(layer->Index());
    EXPECT_EQ(tv.SelectedItem(), nullptr);
}

TEST(TreeView, CollapsingTheParentOfTheSelectedNodeSelectsTheParentWithoutANodeClick) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* before = new QLineEdit(&window);  // a control before the tree in the focus order
    layout->addWidget(before);
    auto* tv = new TreeView(&window);
    layout->addWidget(tv);
    buildExample(*tv);
    window.resize(300, 300);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    TreeNodes& n = tv->Nodes();
    n("P1")->setExpanded(true);
    QSignalSpy clicks(tv, &TreeView::NodeClick);

    QTest::mouseClick(tv->viewport(), Qt::LeftButton, {}, tv->nodeRect(n("L9,P1")).center());
    ASSERT_EQ(clicks.count(), 1);
    ASSERT_EQ(tv->SelectedItem(), n("L9,P1"));

    // The user clicks the collapse sign of process 1.
    auto* tree = qobject_cast<QTreeView*>(tv->viewport()->parentWidget());
    ASSERT_NE(tree, nullptr);
    const QRect parent = tv->nodeRect(n("P1"));
    QTest::mouseClick(tv->viewport(), Qt::LeftButton, {}, QPoint(parent.left() - tree->indentation() / 2, parent.center().y()));
    EXPECT_FALSE(n("P1")->Expanded());
    EXPECT_EQ(tv->SelectedItem(), n("P1"));
    EXPECT_TRUE(n("P1")->Selected());
    EXPECT_FALSE(n("L9,P1")->Selected());
    EXPECT_EQ(clicks.count(), 1);

    // Collapsing another process leaves the selection alone; so does the program's own
    // collapse of a process whose child is not selected.
    n("P3")->setExpanded(true);
    n("P3")->setExpanded(false);
    EXPECT_EQ(tv->SelectedItem(), n("P1"));
    // The program's collapse over a selected child moves the selection too.
    n("P1")->setExpanded(true);
    n("L2,P1")->setSelected(true);
    n("P1")->setExpanded(false);
    EXPECT_EQ(tv->SelectedItem(), n("P1"));
    EXPECT_EQ(clicks.count(), 1);
}
