#include "frmWaiting.h"

#include "core/protocol/Arp.h"

#include <QLabel>
#include <QVBoxLayout>

frmWaiting::frmWaiting(ArpLookup& arp, QString ip, Fields fields, QWidget* parent)
    : QDialog(parent), arp_(arp), ip_(std::move(ip)), fields_(fields) {
    setObjectName(QStringLiteral("frmWaiting"));
    setWindowTitle(QStringLiteral("Waiting remote response..."));
    setModal(true);
    lblWaitTimeout = new QLabel(
        QStringLiteral("Please wait while retrieving response from remote element...."), this);
    lblWaitTimeout->setObjectName(QStringLiteral("lblWaitTimeout"));
    // Said with the window's title when it opens: the window has nothing to focus.
    setAccessibleDescription(lblWaitTimeout->text());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblWaitTimeout);
    timerGetMAC.setObjectName(QStringLiteral("timerGetMAC"));
    timerGetMAC.setInterval(1000);
    timerGetMAC.setTimerType(Qt::PreciseTimer); // never a tick early: each is a full second
    connect(&timerGetMAC, &QTimer::timeout, this, &frmWaiting::tick);
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &frmWaiting::poll);
}

void frmWaiting::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!timerGetMAC.isActive() && result_.isEmpty() && count_ == 0)
        timerGetMAC.start();
}

void frmWaiting::reject() {
    // Escape or the window's close button: it returns only when it closes by itself.
}

void frmWaiting::done(int r) {
    // However the window closes (also by the operator), it stops looking.
    timerGetMAC.stop();
    poll_.stop();
    count_ = 0;
    finalWait_ = false;
    if (fields_.getMACTimeoutCount != nullptr)
        *fields_.getMACTimeoutCount = 0;
    QDialog::done(r);
}

void frmWaiting::tick() {
    poll_.stop();
    if (finalWait_) { // the last exchange has had its tick: nothing came
        done(QDialog::Rejected);
        return;
    }
    ++count_;
    if (fields_.getMACTimeoutCount != nullptr)
        *fields_.getMACTimeoutCount = count_;
    const quint8 limit = fields_.getMACTimeout != nullptr ? *fields_.getMACTimeout : 0;
    ++lookups_;
    if (lookUp()) {
        done(QDialog::Accepted);
        return;
    }
    // An exchange is answered a moment after it is provoked: each one, the last one too,
    // is given until the next tick to appear in the table.
    arp_.provoke(Arp::ipv4Of(ip_));
    finalWait_ = count_ > limit;
    poll_.start();
}

void frmWaiting::poll() {
    if (lookUp())
        done(QDialog::Accepted);
}

bool frmWaiting::lookUp() {
    QString mac;
    if (!Arp::Resolve_MAC(arp_, ip_, QStringLiteral(":"), mac, fields_.sRemoteMacAddress2))
        return false;
    result_ = mac;
    return true;
}
