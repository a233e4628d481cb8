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
// The audio watch's mark after it: nothing while the audio is fine or not watched.
enum class AudioMark { None, Silent, Overload };

class ElementTree : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int KeyRole = Qt::UserRole;
    static constexpr int ImageRole = Qt::UserRole + 1;
    static constexpr int StateRole = Qt::UserRole + 2; // int(NodeMark)
    static constexpr int AudioRole = Qt::UserRole + 3; // int(AudioMark)
    // What a screen reader says after the node's text: the fleet check's part and the
    // audio watch's part, each set by its own behaviour through speak().
    static constexpr int FleetSpokenRole = Qt::UserRole + 4;
    static constexpr int AudioSpokenRole = Qt::UserRole + 5;
    static constexpr int AddressRole = Qt::UserRole + 6; // the stored "ip", for the filter

    explicit ElementTree(QWidget* parent = nullptr);

    static QString nodeKey(const QTreeWidgetItem* node);
    static int nodeImage(const QTreeWidgetItem* node);
    // Sets one part of what is spoken for node (role FleetSpokenRole or AudioSpokenRole;
    // empty: nothing) and its accessible text: the node's text, then the parts.
    static void speak(QAbstractItemModel* model, const QModelIndex& node, int role,
                      const QString& part);

Q_SIGNALS:
    void NodeClick(QTreeWidgetItem* node);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
