#pragma once
// How the operator reaches the History window: "History..." in the element tree's
// context menu (for the element under the pointer) and the action "History..." (Ctrl+H,
// for the selected element).  One window, opened again where it was; "Load into panel"
// marks are cleared when another element is chosen or the element's configuration is
// confirmed.

#include <QObject>
#include <QPointer>

class ConfigurationHistory;
class ElementTree;
class HistoryPanelLoad;
class QAction;
class QWidget;
class frmHistory;

class HistoryCommands : public QObject {
    Q_OBJECT
public:
    struct Context {
        QWidget* window = nullptr; // the main window: the action's place, the window's parent
        ElementTree* TreeView1 = nullptr;
        ConfigurationHistory* history = nullptr;
        HistoryPanelLoad* loader = nullptr;
    };

    explicit HistoryCommands(Context context, QObject* parent = nullptr);

    QAction* action() const { return action_; }
    // Opens the window for that element (MAC text; the selected one when empty).
    void open(const QString& mac = {});
    frmHistory* window() const;

private:
    Context ctx_;
    QAction* action_ = nullptr;
    QPointer<frmHistory> window_;
};
