#include "ElementPing.h"

#include "core/common/MessageBoxes.h"
#include "core/diagnostics/IcmpEcho.h"
#include "core/editor/FieldRules.h"
#include "views/MainWindowUi.h"

#include <QColor>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QColor kGreen(0, 255, 0);
const QColor kLightRed(255, 128, 128);
} // namespace

ElementPing::ElementPing(QPushButton* cmdPing, QLineEdit* txtElementIP, IcmpEcho* icmp, MessageBoxes* messages,
                         QObject* parent)
    : QObject(parent), cmdPing_(cmdPing), txtElementIP_(txtElementIP), icmp_(icmp), messages_(messages) {
    connect(cmdPing_, &QPushButton::clicked, this, &ElementPing::click);
    // Every caption the button shows (the slowest answer comes just within the 3000 ms
    // time-out), so the diagnostics frame keeps its columns.
    keepWidthForCaptions(cmdPing_, {QStringLiteral("<Click to test>"), QStringLiteral("<Unknown>"),
                                    QStringLiteral("Trying..."), QStringLiteral("3000 ms"),
                                    QStringLiteral("Failed!"), QStringLiteral("No sockets!")});
}

void ElementPing::click() {
    setButtonBackground(cmdPing_, pingResetColour());
    cmdPing_->setText(QStringLiteral("Trying..."));
    cmdPing_->repaint(); // seen while the echo waits
    PingElement(txtElementIP_->text());
}

void ElementPing::PingElement(const QString& address) {
    // 1. Not a dotted address: nothing is sent and the button keeps "Trying...".
    if (!FieldRules::IsValidIP(address))
        return;
    // 2.
    if (!icmp_->startSockets()) {
        messages_->error(QStringLiteral("Windows Sockets not responding correctly."), QStringLiteral("Ping failed"));
        setButtonBackground(cmdPing_, kLightRed);
        cmdPing_->setText(QStringLiteral("No sockets!"));
        return;
    }
    // 3, 4.
    Icmp::EchoReply reply;
    const qint32 status = icmp_->pingHost(address, reply);
    if (Icmp::GetIcmpStatusText(status) == QLatin1String("Success!")) {
        setButtonBackground(cmdPing_, kGreen);
        cmdPing_->setText(QString::number(reply.RoundTripTime) + QStringLiteral(" ms"));
    } else {
        setButtonBackground(cmdPing_, kLightRed);
        cmdPing_->setText(QStringLiteral("Failed!"));
    }
    // 5.
    icmp_->stopSockets();
}
