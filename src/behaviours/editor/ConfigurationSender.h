#pragma once
// Save changes: SaveChanges checks the properties panel in a fixed order, asks the
// operator, and SendConfiguration sends the configuration command to the selected
// element's stored address with the reply timer timerRemoteSent running; when no valid
// answer stops the timer within 3000 ms, the operator is told and nothing is stored.

#include <QObject>
#include <QString>

class ElementSender;
class MessageBoxes;
class QTimer;
struct ConfigCommandInput;
struct MainWindowUi;

class ConfigurationSender : public QObject {
    Q_OBJECT
public:
    struct Context {
        MainWindowUi* ui = nullptr;
        MessageBoxes* messages = nullptr;
        ElementSender* sender = nullptr;
        QTimer* timerRemoteSent = nullptr;
        QString iniPath;
    };

    explicit ConfigurationSender(Context context, QObject* parent = nullptr);

    void SaveChanges();
    void SendConfiguration();

    // The panel's values as the command takes them.
    ConfigCommandInput panelValues() const;

    static QString sendQuestion();

private:
    void timedOut();

    Context ctx_;
};
