#pragma once
// The tree view of the process editor: nodes with a key and a text, added as roots or as
// children of a node given by key. The node collection (Nodes) counts the nodes, finds
// them by 1-based position or by key and removes them; positions follow the order in which
// the nodes were added, whatever their place in the tree. Removing a node removes its
// children too and moves the later nodes up. A node pointer stays valid until its node is
// removed. Collapsing a node whose descendant is selected selects the collapsed node (no
// NodeClick), so the selection is never a node the user cannot see. Errors are the
// original's: 35600 for a position outside 1..Count, 35601 for a key that names no node,
// 35602 for a key already in use.
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;
class TreeView;

enum TreeRelationship : int { tvwChild = 4 };

class TreeNode {
public:
    QString Key() const { return key_; }
    QString Text() const;
    void setText(const QString& text);
    bool Expanded() const;
    void setExpanded(bool on);
    bool Selected() const;
    void setSelected(bool on);
    int Index() const;             // 1-based position in the collection
    TreeNode* Parent() const;      // nullptr for a root node
    int Children() const;

private:
    friend class TreeNodes;
    friend class TreeView;
    TreeNode(TreeView* view, QTreeWidgetItem* item, QString key) : view_(view), item_(item), key_(std::move(key)) {}
    TreeView* view_;
    QTreeWidgetItem* item_;
    QString key_;
    bool expanded_ = false;  // kept here as well: a node without children keeps the flag too
};

class TreeNodes {
public:
    TreeNode* Add(const QString& key, const QString& text);  // a root node
    TreeNode* Add(const QString& relative, TreeRelationship relationship, const QString& key, const QString& text);
    int Count() const { return int(nodes_.size()); }
    TreeNode* Item(int index) const;          // 1..Count
    TreeNode* Item(const QString& key) const;
    TreeNode* operator()(int index) const { return Item(index); }
    TreeNode* operator()(const QString& key) const { return Item(key); }
    void Remove(int index);
    void Remove(const QString& key);
    void Clear();

private:
    friend class TreeView;
    friend class TreeNode;
    explicit TreeNodes(TreeView* view) : view_(view) {}
    TreeNode* add(QTreeWidgetItem* parent, const QString& key, const QString& text);
    void removeAt(size_t pos);
    int positionOf(const TreeNode* node) const;
    TreeNode* nodeOf(const QTreeWidgetItem* item) const;
    TreeView* view_;
    std::vector<std::unique_ptr<TreeNode>> nodes_;
};

class TreeView : public QWidget {
    Q_OBJECT
public:
    explicit TreeView(QWidget* parent = nullptr);
    ~TreeView() override;

    TreeNodes& Nodes() { return nodes_; }
    const TreeNodes& Nodes() const { return nodes_; }
    TreeNode* SelectedItem() const;  // nullptr when no node is selected
    void SetFocus();

    // For tests and layout: the widget that takes the mouse and a node's rectangle in it.
    QWidget* viewport() const;
    QRect nodeRect(const TreeNode* node) const;

signals:
    void NodeClick(TreeNode* Node);  // the user clicked a node or moved to it with the keys

private:
    friend class TreeNode;
    friend class TreeNodes;
    QTreeWidget* tree_ = nullptr;
    TreeNodes nodes_;
    bool programmatic_ = false;  // a selection the program makes is no NodeClick
};
