#pragma once
// The main window's toolbar (Toolbar1): button 1 discovers the elements, 2 refreshes the
// list, 4 saves the panel's changes, 6 and 7 switch the audio monitoring on and off; the
// separators 3 and 5 do nothing.

#include <QObject>

#include <functional>

class MessageBoxes;
struct MainWindowUi;

class MainToolbar : public QObject {
    Q_OBJECT
public:
    struct Context {
        MainWindowUi* ui = nullptr;
        MessageBoxes* messages = nullptr;
        std::function<void()> ClearElementPanel;
        std::function<void()> Load_Config;
        std::function<void()> SaveChanges;
        std::function<void()> showPaging; // frmPaging, modally
    };

    explicit MainToolbar(Context context, QObject* parent = nullptr);

    void ButtonClick(int index);
    void Auto_Discover();
    void Refresh_List();

    static QString discoveryQuestion();

private:
    Context ctx_;
};
