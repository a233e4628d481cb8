#pragma once
// The ping button of the main window (cmdPing): one ICMP echo request to the address typed
// in txtElementIP, the round-trip time on green or "Failed!" on light red in the button
// itself.  The echo is synchronous, as the operator expects of a ping: the window waits
// for the answer or the 3000 ms time-out.

#include <QObject>
#include <QString>

class IcmpEcho;
class MessageBoxes;
class QLineEdit;
class QPushButton;

class ElementPing : public QObject {
    Q_OBJECT
public:
    ElementPing(QPushButton* cmdPing, QLineEdit* txtElementIP, IcmpEcho* icmp, MessageBoxes* messages,
                QObject* parent = nullptr);

    // cmdPing click: "Trying..." on light yellow, then PingElement with the typed address.
    void click();
    void PingElement(const QString& address);

private:
    QPushButton* cmdPing_;
    QLineEdit* txtElementIP_;
    IcmpEcho* icmp_;
    MessageBoxes* messages_;
};
