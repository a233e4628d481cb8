#include "LinuxArpLookup.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QList>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr unsigned kCompleteFlag = 0x2; // ATF_COM: the kernel holds a hardware address
constexpr quint16 kDiscardPort = 9;
constexpr int kPollMs = 5;
} // namespace

LinuxArpLookup::LinuxArpLookup(int waitMs, QString tablePath)
    : waitMs_(waitMs), tablePath_(std::move(tablePath)) {}

bool LinuxArpLookup::resolvable(quint32 ipv4) {
    const quint32 first = ipv4 >> 24;
    if (first == 0 || first == 127 || first >= 224)
        return false;
    return true;
}

QByteArray LinuxArpLookup::findInTable(const QByteArray& table, quint32 ipv4) {
    // The table writes addresses in plain dotted form; compare the text, which keeps a
    // lookup cheap even with hundreds of neighbours (one per answer of a discovery).
    const QByteArray wanted = QHostAddress(ipv4).toString().toLatin1();
    const QList<QByteArray> lines = table.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) { // the first line names the columns
        if (!lines[i].startsWith(wanted))
            continue;
        const QList<QByteArray> cols = lines[i].simplified().split(' ');
        if (cols.size() < 4 || cols[0] != wanted)
            continue;
        bool ok = false;
        const unsigned flags = cols[2].toUInt(&ok, 16);
        if (!ok || (flags & kCompleteFlag) == 0)
            continue;
        QByteArray hw;
        bool valid = true;
        for (const QByteArray& part : cols[3].split(':')) {
            const unsigned b = part.toUInt(&ok, 16);
            if (!ok || part.size() != 2 || b > 255) {
                valid = false;
                break;
            }
            hw.append(char(b));
        }
        if (valid && !hw.isEmpty())
            return hw;
    }
    return QByteArray();
}

QByteArray LinuxArpLookup::readTable(quint32 ipv4) const {
    QFile f(tablePath_);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return findInTable(f.readAll(), ipv4);
}

void LinuxArpLookup::provoke(quint32 ipv4) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kDiscardPort);
    to.sin_addr.s_addr = htonl(ipv4);
    const char probe = 0;
    // The kernel resolves the address before the datagram can leave; the datagram itself
    // is discarded by the element.
    (void)::sendto(fd, &probe, 1, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    ::close(fd);
}

QByteArray LinuxArpLookup::hardwareAddress(quint32 ipv4, Wait wait) {
    if (!resolvable(ipv4))
        return QByteArray();
    QByteArray hw = readTable(ipv4);
    if (!hw.isEmpty() || wait == Wait::Immediate)
        return hw;
    provoke(ipv4);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < waitMs_) {
        QThread::msleep(kPollMs);
        hw = readTable(ipv4);
        if (!hw.isEmpty())
            return hw;
    }
    return QByteArray();
}
