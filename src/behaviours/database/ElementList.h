#pragma once
// Load_Config: rebuilds from nms.ini everything in the main window that lists elements
// (the tree, the encoder list, the hidden list of section names), resets the level bar
// and sets the tree frame's caption "Select element: (N items)".  A database that is there
// but cannot be read (unreadable, not a file, too large) is named with its problem
// instead of being reported as empty.
//
// Speed and responsiveness: the file is read and parsed once per load (IniSnapshot)
// instead of twice per element, and the nodes are attached to the tree in one step at
// the end, since every relayout of the tree costs time in proportion to its size.
// Before each element the load pauses to let pending events run, so timers and
// datagrams are handled while a long list loads.  Each run of pending events polls the
// event sources (a system call, 2 to 3 us here, about what reading one element costs),
// so the program's pause runs them at most once a millisecond: an element takes a few
// microseconds, and a pending event then waits no longer than it did when each element
// took two file reads.  (Decode_MAC's six more pauses per element are left out for the
// same reason: the load makes the MAC text without them.)
//
// A handler that runs in a pause may itself load the list (a discovery ending, a
// confirmation stored).  That newer load leaves complete lists, and the older one then
// stops without adding its elements, so nodes are never doubled.

#include <QObject>
#include <QString>

#include <array>
#include <functional>

class ElementTree;
class LevelBar;
class MessageBoxes;
class QComboBox;
class QGroupBox;
class QIcon;
class QListWidget;

class ElementList : public QObject {
    Q_OBJECT
public:
    struct Context {
        ElementTree* TreeView1 = nullptr;
        QComboBox* cmbEncoders = nullptr;
        QListWidget* lstHidden = nullptr;
        LevelBar* VUMeter = nullptr;
        QGroupBox* frmTreeView = nullptr;
        const std::array<QIcon, 8>* ImageList1 = nullptr;
        MessageBoxes* messages = nullptr;
        QString iniPath;
        // Called before each element to let pending events run; empty: the program's
        // pause (QCoreApplication::processEvents, at most once a millisecond).
        std::function<void()> pause;
    };

    explicit ElementList(Context context, QObject* parent = nullptr);

    void Load_Config();

    static QString treeCaption(int items);

private:
    void showCaption();

    Context ctx_;
    quint64 generation_ = 0;
};
