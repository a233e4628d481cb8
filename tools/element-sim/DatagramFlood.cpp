#include "DatagramFlood.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <random>
#include <vector>

bool DatagramFlood::parse(const QString& text, DatagramFlood* f) {
    const QString kind = text.section(u':', 0, 0);
    bool ok = false;
    f->count = text.section(u':', 1).toLongLong(&ok);
    if (!ok || f->count < 0)
        return false;
    if (kind == QLatin1String("short"))
        f->kind = Kind::Short;
    else if (kind == QLatin1String("records"))
        f->kind = Kind::Records;
    else if (kind == QLatin1String("random"))
        f->kind = Kind::Random;
    else
        return false;
    return true;
}

QByteArray DatagramFlood::next(std::mt19937& random) const {
    if (kind == Kind::Records)
        return record;
    const int length = int(random() % (kind == Kind::Short ? 55 : 1501));
    QByteArray d(length, Qt::Uninitialized);
    for (int i = 0; i < length; i += 4) {
        const quint32 word = quint32(random());
        for (int b = 0; b < 4 && i + b < length; ++b)
            d[i + b] = char(word >> (8 * b));
    }
    return d;
}

qint64 DatagramFlood::send(QString* error) const {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = QStringLiteral("socket: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return -1;
    }
    sockaddr_in dest{};
    dest.sin_family = AF_INET;
    dest.sin_port = htons(port);
    dest.sin_addr.s_addr = htonl(to.toIPv4Address());
    // In batches, so the flood is as dense as the kernel can take it.
    constexpr int kBatch = 64;
    std::vector<QByteArray> payloads(kBatch);
    std::vector<iovec> iov(kBatch);
    std::vector<mmsghdr> msgs(kBatch);
    std::mt19937 random(seed);
    qint64 sent = 0;
    while (sent < count) {
        const int n = int(std::min<qint64>(kBatch, count - sent));
        for (int i = 0; i < n; ++i) {
            payloads[i] = next(random);
            iov[i] = {payloads[i].data(), size_t(payloads[i].size())};
            msgs[i] = {};
            msgs[i].msg_hdr.msg_name = &dest;
            msgs[i].msg_hdr.msg_namelen = sizeof dest;
            msgs[i].msg_hdr.msg_iov = &iov[i];
            msgs[i].msg_hdr.msg_iovlen = 1;
        }
        const int done = ::sendmmsg(fd, msgs.data(), unsigned(n), 0);
        if (done <= 0) {
            if (done < 0 && (errno == EINTR || errno == ENOBUFS || errno == EAGAIN))
                continue;
            *error = QStringLiteral("sendmmsg: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
            ::close(fd);
            return -1;
        }
        sent += done;
    }
    ::close(fd);
    return sent;
}
