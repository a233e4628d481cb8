#pragma once
// The wait window shown while the MAC address of an element that answered a sent
// configuration is looked up: one lookup per one-second tick of timerGetMAC, the first
// one second after it opens, until one succeeds or the ticks have passed getMACTimeout.
// A lookup reads the neighbour table; when the address is not there it provokes an ARP
// exchange and reads the table again every few milliseconds until the next tick, so the
// window never stops reacting while it waits (the exchange of the last tick too: the
// window closes a tick after it).  Escape and the close button do nothing: the window
// closes only by itself.
//
// The window looks up the address it was opened for and keeps its own tick count and
// result, so a further answer processed while it is open (with a wait window of its own)
// cannot change what this one finds; the main window's public fields follow the latest.

#include "core/protocol/ArpLookup.h"

#include <QDialog>
#include <QString>
#include <QTimer>

class QLabel;

class frmWaiting : public QDialog {
    Q_OBJECT
public:
    struct Fields {
        QString* sRemoteMacAddress2 = nullptr;
        const quint8* getMACTimeout = nullptr;
        quint8* getMACTimeoutCount = nullptr;
    };

    frmWaiting(ArpLookup& arp, QString ip, Fields fields, QWidget* parent = nullptr);

    // The MAC text this window found ("" when none).
    QString result() const { return result_; }
    int lookups() const { return lookups_; }

    QLabel* lblWaitTimeout = nullptr;
    QTimer timerGetMAC;

    static constexpr int kPollMs = 10;

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;
    void done(int r) override;

private:
    void tick();
    void poll();
    bool lookUp();

    ArpLookup& arp_;
    QString ip_;
    Fields fields_;
    quint8 count_ = 0;
    bool finalWait_ = false; // the last tick's exchange is under way
    QString result_;
    int lookups_ = 0;
    QTimer poll_; // between ticks, while an exchange is under way
};
