#include "LinuxArpLookup.h"

#include <QFile>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr unsigned kCompleteFlag = 0x2; // ATF_COM: the kernel holds a hardware address
constexpr quint16 kDiscardPort = 9;

// The next blank-separated word of a line, from pos on.
QByteArrayView word(QByteArrayView line, qsizetype& pos) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
        ++pos;
    const qsizetype begin = pos;
    while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t')
        ++pos;
    return line.sliced(begin, pos - begin);
}

bool number(QByteArrayView text, int base, unsigned limit, unsigned& out) {
    if (text.isEmpty() || text.size() > 10)
        return false;
    bool ok = false;
    out = QByteArray(text.data(), text.size()).toUInt(&ok, base);
    return ok && out <= limit;
}

// A dotted address in host byte order; 0 when the text is not one.
quint32 dotted(QByteArrayView text) {
    quint32 address = 0;
    int parts = 0;
    qsizetype begin = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '.')
            continue;
        unsigned part = 0;
        if (!number(text.sliced(begin, i - begin), 10, 255, part))
            return 0;
        address = (address << 8) | part;
        ++parts;
        begin = i + 1;
    }
    return parts == 4 ? address : 0;
}

QByteArray hardware(QByteArrayView text) {
    QByteArray hw;
    for (QByteArrayView part : QByteArray(text.data(), text.size()).split(':')) {
        unsigned b = 0;
        if (part.size() != 2 || !number(part, 16, 255, b))
            return QByteArray();
        hw.append(char(b));
    }
    return hw;
}
} // namespace

LinuxArpLookup::LinuxArpLookup(QString tablePath) : tablePath_(std::move(tablePath)) {}

bool LinuxArpLookup::resolvable(quint32 ipv4) {
    const quint32 first = ipv4 >> 24;
    return first != 0 && first != 127 && first < 224;
}

QHash<quint32, QByteArray> LinuxArpLookup::completeEntries(QByteArrayView table) {
    // Read by hand: with a thousand neighbours (one per answer of a large discovery) the
    // table is read every few milliseconds while answers wait for their addresses.
    QHash<quint32, QByteArray> entries;
    qsizetype lineBegin = table.indexOf('\n') + 1; // the first line names the columns
    while (lineBegin > 0 && lineBegin < table.size()) {
        qsizetype lineEnd = table.indexOf('\n', lineBegin);
        if (lineEnd < 0)
            lineEnd = table.size();
        const QByteArrayView line = table.sliced(lineBegin, lineEnd - lineBegin);
        lineBegin = lineEnd + 1;
        qsizetype pos = 0;
        const quint32 address = dotted(word(line, pos));
        word(line, pos); // hardware type
        const QByteArrayView flagText = word(line, pos);
        unsigned flags = 0;
        const bool complete = flagText.startsWith("0x") && number(flagText.sliced(2), 16, ~0u, flags) &&
                              (flags & kCompleteFlag) != 0;
        if (address == 0 || !complete || entries.contains(address))
            continue;
        const QByteArray hw = hardware(word(line, pos));
        if (!hw.isEmpty())
            entries.insert(address, hw);
    }
    return entries;
}

QList<QByteArray> LinuxArpLookup::hardwareAddresses(const QList<quint32>& ipv4s) {
    QList<QByteArray> out(ipv4s.size());
    QFile f(tablePath_);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    const QHash<quint32, QByteArray> entries = completeEntries(f.readAll());
    for (qsizetype i = 0; i < ipv4s.size(); ++i) {
        if (resolvable(ipv4s[i]))
            out[i] = entries.value(ipv4s[i]);
    }
    return out;
}

void LinuxArpLookup::provoke(quint32 ipv4) {
    if (!resolvable(ipv4))
        return;
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
