#include "DatagramSend.h"

#include "core/editor/FieldRules.h"

#include <QUdpSocket>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>

namespace DatagramSend {

bool sendTo(const QUdpSocket& socket, const QByteArray& payload, quint32 ipv4, quint16 port,
            QString* reason) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(ipv4);
    ssize_t sent;
    do {
        sent = ::sendto(int(socket.socketDescriptor()), payload.constData(), size_t(payload.size()),
                        0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    } while (sent < 0 && errno == EINTR);
    if (sent == payload.size())
        return true;
    *reason = sent < 0 ? qt_error_string(errno) : QStringLiteral("the datagram was cut short");
    return false;
}

QString unusableAddressReason(const QString& storedIp) {
    if (storedIp.isEmpty())
        return QStringLiteral("no address is stored for this element");
    if (!FieldRules::ipv4Address(storedIp))
        return QStringLiteral("the stored address \"%1\" is not an IPv4 address").arg(storedIp);
    return QString();
}

QString unreachableText(quint16 port, const QString& reason) {
    return QStringLiteral("Unable to reach the element on UDP port %1: %2.").arg(port).arg(reason);
}

} // namespace DatagramSend
