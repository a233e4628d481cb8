#pragma once
// The element tree (TreeView1).  NodeClick is the operator choosing a node: a click, or
// from the keyboard a move to another node or Enter/Space on the current one.  Focus
// alone never chooses a node, so tabbing through the window keeps the panel's edits.
//
// A node carries its key (the element's MAC text) and its image number, and may carry a
// state mark (StateRole, a NodeMark), drawn beside its image: the item's own icon stays
// the image list's.

#include <QTreeWidget>

// What the mark beside a node's image shows.
enum class NodeMark { None, NotChecked, Answering, NotAnswering };

class ElementTree : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int KeyRole = Qt::UserRole;
    static constexpr int ImageRole = Qt::UserRole + 1;
    static constexpr int StateRole = Qt::UserRole + 2;   // int(NodeMark)
    static constexpr int AddressRole = Qt::UserRole + 3; // the stored "ip", for the filter

    explicit ElementTree(QWidget* parent = nullptr);

    static QString nodeKey(const QTreeWidgetItem* node);
    static int nodeImage(const QTreeWidgetItem* node);

Q_SIGNALS:
    void NodeClick(QTreeWidgetItem* node);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
