#include "SimIdentity.h"

#include <QHostAddress>

namespace {

void putAddress(QByteArray& out, int offset, const QString& text) {
    const quint32 v = QHostAddress(text).toIPv4Address();
    out[offset] = char(v >> 24);
    out[offset + 1] = char(v >> 16);
    out[offset + 2] = char(v >> 8);
    out[offset + 3] = char(v);
}

QString addressAt(const QByteArray& d, int offset) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(uchar(d[offset]))
        .arg(uchar(d[offset + 1]))
        .arg(uchar(d[offset + 2]))
        .arg(uchar(d[offset + 3]));
}

} // namespace

QByteArray SimIdentity::feedbackRecord() const {
    QByteArray out(isDecoder() ? 54 : 45, '\0');
    putAddress(out, 0, ip);
    putAddress(out, 4, mask);
    putAddress(out, 8, gw);
    putAddress(out, 12, remote);
    out[16] = char(input);
    out[17] = char(type);
    out[18] = char(tx);
    const QByteArray n = name.toLatin1().leftJustified(16, ' ', true);
    out.replace(19, 16, n);
    out[35] = char(role);
    out[36] = char(serial >> 24);
    out[37] = char(serial >> 16);
    out[38] = char(serial >> 8);
    out[39] = char(serial);
    if (isDecoder()) {
        out[40] = char(att);
        out[41] = char(verMajor);
        out[42] = char(verMinor);
        out[43] = char(sfn);
        out[44] = char(buffer);
        out[45] = char(silMode);
        out[46] = char(silLevel);
        out[47] = char(silTime);
        out[53] = char(lowLatency);
    } else {
        out[40] = char(verMajor);
        out[41] = char(verMinor);
        out[42] = char(sfn);
        out[43] = char(buffer);
        out[44] = char(lowLatency);
    }
    return out;
}

bool SimIdentity::applyCommand(const QByteArray& c, const QSet<QString>& keep) {
    if (c.size() != 37 && c.size() != 38 && c.size() != 41)
        return false;
    auto take = [&](const char* field) { return !keep.contains(QLatin1String(field)); };
    if (take("ip"))
        ip = addressAt(c, 0);
    if (take("mask"))
        mask = addressAt(c, 4);
    if (take("gw"))
        gw = addressAt(c, 8);
    if (take("remote"))
        remote = addressAt(c, 12);
    if (take("input"))
        input = quint8(c[16]);
    if (take("type"))
        type = quint8(c[17]);
    if (take("tx"))
        tx = quint8(c[18]);
    if (take("sfn"))
        sfn = quint8(c[19]);
    if (take("name"))
        name = QString::fromLatin1(c.mid(20, 16));
    if (c.size() == 41) {
        if (take("buffer"))
            buffer = quint8(c[36]);
        if (take("sdm"))
            silMode = quint8(c[37]);
        if (take("sdl"))
            silLevel = quint8(c[38]);
        if (take("sdt"))
            silTime = quint8(c[39]);
        if (take("llo"))
            lowLatency = quint8(c[40]);
    } else if (take("llo")) {
        lowLatency = quint8(c[36]);
    }
    return true;
}
