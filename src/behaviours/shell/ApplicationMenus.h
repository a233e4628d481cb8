#pragma once
// The main window's menu bar, as Qt and KDE programs have it:
// - File: Quit (the standard key, Ctrl+Q), which closes the main window as its frame does;
// - View: the toolbar, the docks (each shown and hidden by its own entry) and the fleet
//   check's interval;
// - Element: the toolbar's actions with their keys, then Ping, Statistics... and
//   Adjust..., each enabled exactly when the panel's own button is;
// - Help: the important notice, About Tessovar NMS and About Qt.
// Other behaviours add their entries from where the main window composes them:
// addViewToggle for a dock, addElementAction for an action on the chosen element.

#include <QObject>
#include <QString>

class QAction;
class QDockWidget;
class QMainWindow;
class QMenu;
class SettingsStore;
struct MainWindowUi;

class ApplicationMenus : public QObject {
    Q_OBJECT
public:
    struct Context {
        QMainWindow* window = nullptr;
        MainWindowUi* ui = nullptr;
        SettingsStore* settings = nullptr; // the notice window's check box writes EULA1
    };

    explicit ApplicationMenus(Context context, QObject* parent = nullptr);

    // The dock's show/hide entry, in the View menu after the docks added before it.
    void addViewToggle(QDockWidget* dock);
    // An entry at the end of the Element menu.
    void addElementAction(QAction* action);
    QMenu* elementMenu() const { return element_; }
    QMenu* viewMenu() const { return view_; }

    // About Tessovar NMS: the version, the copyright and where the manual is.  Opened
    // without waiting for it to close.
    void showAbout();
    static QString aboutText();

private:
    void buildFile();
    void buildView();
    void buildElement();
    void buildHelp();

    Context ctx_;
    QMenu* view_ = nullptr;
    QMenu* element_ = nullptr;
    QAction* afterDocks_ = nullptr; // the separator before the fleet check's interval
};
