#include "ElementSender.h"

#include "DatagramSend.h"
#include "ManagementEndpoint.h"
#include "core/common/MessageBoxes.h"
#include "core/common/ProgramEnd.h"
#include "core/database/IniStore.h"
#include "core/database/MacSection.h"

ElementSender::ElementSender(Context context) : ctx_(std::move(context)) {}

QString ElementSender::failureText(int errorCode, const QString& description) {
    return QStringLiteral("%1 - Unable to use UDP port 2976: ").arg(errorCode) + description;
}

QString ElementSender::selectedElementIp() const {
    const QString section = MacSection::Encode_MAC(ctx_.selectedMac ? ctx_.selectedMac() : QString());
    return IniStore::ReadFromINI(section, QStringLiteral("ip"), ctx_.iniPath, QString());
}

bool ElementSender::send(const QByteArray& payload, quint16 remotePort, int errorCode,
                         const std::function<void()>& beforeSend) {
    ManagementEndpoint& ep = *ctx_.endpoint;
    // Bound again only when it is closed or the local address changed: a close would drop
    // the replies waiting on it (a level report in the instant of each request).  What
    // leaves is the same either way: port 2976 of the chosen local address.
    const QString local = ctx_.localAddress ? ctx_.localAddress() : QStringLiteral("0.0.0.0");
    if (!ep.isBoundTo(local) && !ep.bindLocal(local)) {
        ctx_.messages->error(failureText(errorCode, ep.errorString()));
        ctx_.programEnd->end(1);
        return false;
    }
    const QString ip = selectedElementIp();
    ep.setRemote(ep.remoteHost(), remotePort); // the remote port first,
    ep.setRemote(ip, remotePort);              // then the element's stored address
    // An element that cannot be reached (no usable stored address, no route to it) is no
    // failure of our port: the operator is told why, and the program goes on.
    QString unreachable = DatagramSend::unusableAddressReason(ip);
    if (unreachable.isEmpty()) {
        if (beforeSend)
            beforeSend();
        if (ep.send(payload))
            return true;
        unreachable = ep.errorString();
    }
    ctx_.messages->error(DatagramSend::unreachableText(remotePort, unreachable));
    return false;
}
