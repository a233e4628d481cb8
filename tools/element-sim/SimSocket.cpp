#include "SimSocket.h"

#include <QFile>
#include <QUdpSocket>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QString lastError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

// Enters a named namespace for the lifetime of the object (this thread only).
class NamespaceVisit {
public:
    explicit NamespaceVisit(const QString& name) {
        if (name.isEmpty()) {
            ok = true;
            return;
        }
        home_ = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        const QByteArray path = QFile::encodeName(QStringLiteral("/run/netns/") + name);
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (home_ < 0 || fd < 0) {
            error = lastError("cannot open the network namespace");
        } else if (::setns(fd, CLONE_NEWNET) != 0) {
            error = lastError("cannot enter the network namespace");
        } else {
            ok = true;
        }
        if (fd >= 0)
            ::close(fd);
    }
    ~NamespaceVisit() {
        if (home_ >= 0) {
            (void)::setns(home_, CLONE_NEWNET);
            ::close(home_);
        }
    }
    NamespaceVisit(const NamespaceVisit&) = delete;
    NamespaceVisit& operator=(const NamespaceVisit&) = delete;
    bool ok = false;
    QString error;

private:
    int home_ = -1;
};

} // namespace

namespace SimSocket {

QUdpSocket* bind(const Options& o, QObject* parent, QString* error) {
    int fd = -1;
    {
        NamespaceVisit visit(o.netns);
        if (!visit.ok) {
            *error = visit.error;
            return nullptr;
        }
        fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    }
    if (fd < 0) {
        *error = lastError("socket");
        return nullptr;
    }
    const int one = 1;
    if (o.shared)
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (o.broadcast)
        ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    // The address each datagram was sent to (a command must reach the stored address).
    ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &one, sizeof one);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(o.port);
    local.sin_addr.s_addr = htonl(o.address.toIPv4Address());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        *error = lastError("bind") + QStringLiteral(" (%1:%2)").arg(o.address.toString()).arg(o.port);
        ::close(fd);
        return nullptr;
    }
    auto* socket = new QUdpSocket(parent);
    if (!socket->setSocketDescriptor(fd, QAbstractSocket::BoundState, QIODevice::ReadWrite)) {
        *error = socket->errorString();
        delete socket;
        ::close(fd);
        return nullptr;
    }
    return socket;
}

} // namespace SimSocket
