#include "platform/TreeView.h"

#include "platform/RuntimeError.h"

#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

RuntimeError outOfBounds() { return {35600, QStringLiteral("Index out of bounds")}; }
RuntimeError notFound() { return {35601, QStringLiteral("Element not found")}; }
RuntimeError notUnique() { return {35602, QStringLiteral("Key is not unique in collection")}; }

// Holds a flag for the length of a scope and restores its old value after.
struct FlagScope {
    bool& flag;
    bool old;
    explicit FlagScope(bool& f) : flag(f), old(f) { flag = true; }
    ~FlagScope() { flag = old; }
};

// The tree widget, telling whether a change of the current node comes from the user's keys
// (a NodeClick) rather than from the program or from the focus arriving.
class KeyedTree : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;
    bool byKeys = false;

protected:
    void keyPressEvent(QKeyEvent* ev) override {
        byKeys = true;
        QTreeWidget::keyPressEvent(ev);
        byKeys = false;
    }
};

}  // namespace

// ---------------------------------------------------------------- TreeNode

QString TreeNode::Text() const { return item_->text(0); }
void TreeNode::setText(const QString& text) { item_->setText(0, text); }
bool TreeNode::Expanded() const { return expanded_; }

void TreeNode::setExpanded(bool on) {
    expanded_ = on;
    FlagScope guard(view_->programmatic_);
    item_->setExpanded(on);
}

bool TreeNode::Selected() const { return view_->tree_->currentItem() == item_ && item_->isSelected(); }

void TreeNode::setSelected(bool on) {
    FlagScope guard(view_->programmatic_);
    if (on) {
        view_->tree_->setCurrentItem(item_);
        item_->setSelected(true);
    } else if (Selected()) {
        view_->tree_->clearSelection();
        view_->tree_->setCurrentItem(nullptr);
    }
}

int TreeNode::Index() const { return view_->nodes_.positionOf(this) + 1; }
TreeNode* TreeNode::Parent() const { return view_->nodes_.nodeOf(item_->parent()); }
int TreeNode::Children() const { return item_->childCount(); }

// ---------------------------------------------------------------- TreeNodes

TreeNode* TreeNodes::add(QTreeWidgetItem* parent, const QString& key, const QString& text) {
    if (!key.isEmpty())
        for (const auto& n : nodes_)
            if (n->key_ == key) throw notUnique();
    FlagScope guard(view_->programmatic_);
    auto* item = new QTreeWidgetItem(QStringList{text});
    auto node = std::unique_ptr<TreeNode>(new TreeNode(view_, item, key));
    item->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<void*>(node.get())));
    if (parent) {
        parent->addChild(item);
        // The view forgets an expansion asked for before the node had children.
        if (TreeNode* p = nodeOf(parent); p && p->expanded_) parent->setExpanded(true);
    } else {
        view_->tree_->addTopLevelItem(item);
    }
    nodes_.push_back(std::move(node));
    return nodes_.back().get();
}

TreeNode* TreeNodes::Add(const QString& key, const QString& text) { return add(nullptr, key, text); }

TreeNode* TreeNodes::Add(const QString& relative, TreeRelationship relationship, const QString& key,
                         const QString& text) {
    if (relationship != tvwChild) throw RuntimeError::InvalidCall();
    return add(Item(relative)->item_, key, text);
}

TreeNode* TreeNodes::Item(int index) const {
    if (index < 1 || index > Count()) throw outOfBounds();
    return nodes_[size_t(index - 1)].get();
}

TreeNode* TreeNodes::Item(const QString& key) const {
    if (!key.isEmpty())
        for (const auto& n : nodes_)
            if (n->key_ == key) return n.get();
    throw notFound();
}

int TreeNodes::positionOf(const TreeNode* node) const {
    for (size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].get() == node) return int(i);
    return -1;
}

TreeNode* TreeNodes::nodeOf(const QTreeWidgetItem* item) const {
    return item ? static_cast<TreeNode*>(item->data(0, Qt::UserRole).value<void*>()) : nullptr;
}

// Removes the node at pos, its children first, then the node and its tree item.
void TreeNodes::removeAt(size_t pos) {
    QTreeWidgetItem* item = nodes_[pos]->item_;
    while (item->childCount() > 0) {
        const int child = positionOf(nodeOf(item->child(item->childCount() - 1)));
        removeAt(size_t(child));
    }
    pos = size_t(positionOf(nodeOf(item)));
    FlagScope guard(view_->programmatic_);
    if (view_->tree_->currentItem() == item) {
        // No other node takes the selection of a removed one.
        view_->tree_->clearSelection();
        view_->tree_->setCurrentItem(nullptr);
    }
    nodes_.erase(nodes_.begin() + std::ptrdiff_t(pos));
    delete item;
}

void TreeNodes::Remove(int index) {
    if (index < 1 || index > Count()) throw outOfBounds();
    removeAt(size_t(index - 1));
}

void TreeNodes::Remove(const QString& key) { Remove(Item(key)->Index()); }

void TreeNodes::Clear() {
    while (!nodes_.empty()) removeAt(nodes_.size() - 1);
}

// ---------------------------------------------------------------- TreeView

TreeView::TreeView(QWidget* parent) : QWidget(parent), nodes_(this) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* tree = new KeyedTree(this);
    tree_ = tree;
    layout->addWidget(tree_);
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setRootIsDecorated(true);
    setFocusProxy(tree_);

    connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (TreeNode* n = nodes_.nodeOf(item)) emit NodeClick(n);
    });
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this, tree](QTreeWidgetItem* now) {
        // A move by the keys selects the node like a click; a click is reported by itemClicked.
        if (programmatic_ || !now || !tree->byKeys) return;
        if (TreeNode* n = nodes_.nodeOf(now)) emit NodeClick(n);
    });
    connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (TreeNode* n = nodes_.nodeOf(item)) n->expanded_ = true;
    });
    connect(tree_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        TreeNode* n = nodes_.nodeOf(item);
        if (!n) return;
        n->expanded_ = false;
        // A selected node that the collapse hides hands the selection to the collapsed
        // node, so no command acts on a node the user cannot see. This is no NodeClick.
        QTreeWidgetItem* cur = tree_->currentItem();
        bool hidden = false;
        for (QTreeWidgetItem* p = cur ? cur->parent() : nullptr; p && !hidden; p = p->parent()) hidden = p == item;
        if (hidden && cur->isSelected()) n->setSelected(true);
    });
}

TreeView::~TreeView() {
    programmatic_ = true;
    disconnect(tree_, nullptr, this, nullptr);
    delete tree_;
    nodes_.nodes_.clear();
}

TreeNode* TreeView::SelectedItem() const {
    QTreeWidgetItem* cur = tree_->currentItem();
    if (!cur || !cur->isSelected()) return nullptr;
    return nodes_.nodeOf(cur);
}

void TreeView::SetFocus() { tree_->setFocus(Qt::OtherFocusReason); }

QWidget* TreeView::viewport() const { return tree_->viewport(); }

QRect TreeView::nodeRect(const TreeNode* node) const { return tree_->visualItemRect(node->item_); }
