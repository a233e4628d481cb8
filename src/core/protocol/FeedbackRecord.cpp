#include "FeedbackRecord.h"

#include "core/editor/FieldRules.h"

namespace {

// Four bytes in network order as dotted text; empty when the datagram ends earlier.
QString addressAt(QByteArrayView d, qsizetype offset) {
    if (d.size() < offset + 4)
        return QString();
    return QStringLiteral("%1.%2.%3.%4")
        .arg(uchar(d[offset]))
        .arg(uchar(d[offset + 1]))
        .arg(uchar(d[offset + 2]))
        .arg(uchar(d[offset + 3]));
}

// Assigns byte offset to field when the datagram holds it (a field it does not hold
// keeps its zero: a short record is decoded from zero and fails the serial number check).
void byteAt(QByteArrayView d, qsizetype offset, quint8& field) {
    if (offset < d.size())
        field = quint8(d[offset]);
}

QString corrupted(const char* subject) {
    return QStringLiteral("An error occured while retrieving '%1':\rFeedback is corrupted.")
        .arg(QLatin1String(subject));
}

} // namespace

FeedbackRecord FeedbackRecord::decode(QByteArrayView d) {
    FeedbackRecord r;
    const qsizetype n = d.size();

    r.UDP_Response_IP = addressAt(d, 0);
    r.UDP_Response_Mask = addressAt(d, 4);
    r.UDP_Response_GW = addressAt(d, 8);
    r.UDP_Response_Remote_IP = addressAt(d, 12);
    byteAt(d, 16, r.UDP_Response_Audio_Input);
    byteAt(d, 17, r.UDP_Response_Audio_Type);
    byteAt(d, 18, r.UDP_Response_TX_Type);
    if (n > 19)
        r.UDP_Response_Name = QString::fromLatin1(d.sliced(19, std::min<qsizetype>(16, n - 19)));
    byteAt(d, 35, r.UDP_Response_Role);
    if (n >= 40) {
        // Big-endian, taken as a signed 32-bit value: a first byte of 128 or more is negative.
        const quint32 raw = (quint32(uchar(d[36])) << 24) | (quint32(uchar(d[37])) << 16) |
                            (quint32(uchar(d[38])) << 8) | quint32(uchar(d[39]));
        r.UDP_Response_SN = qint32(raw);
    }

    r.UDP_Response_Ver_Major = 2;
    r.UDP_Response_Ver_Minor = 0;
    r.UDP_Response_SFN = 0;
    r.UDP_Response_Buffer = 0;

    if (r.UDP_Response_Role != 2) {
        // The tail every role carries.
        if (n >= 42) {
            byteAt(d, 40, r.UDP_Response_Ver_Major);
            byteAt(d, 41, r.UDP_Response_Ver_Minor);
            byteAt(d, 42, r.UDP_Response_SFN);
            byteAt(d, 43, r.UDP_Response_Buffer);
            byteAt(d, 44, r.UDP_Response_Low_Latency);
        }
        return r;
    }

    // A decoder lays its tail out differently: every byte is read by the decoder's own
    // table only, so a short record never puts one field's byte into another (its
    // buffer byte is not its low latency option, its version major is not the minor).
    r.UDP_Response_Att = 255;
    r.UDP_Response_Buffer = 1;
    if (n >= 41) {
        byteAt(d, 40, r.UDP_Response_Att);
        byteAt(d, 41, r.UDP_Response_Ver_Major);
        byteAt(d, 42, r.UDP_Response_Ver_Minor);
        byteAt(d, 43, r.UDP_Response_SFN);
        byteAt(d, 44, r.UDP_Response_Buffer);
    }
    if (n >= 46) {
        byteAt(d, 45, r.UDP_Response_SilDet_Mode);
        byteAt(d, 46, r.UDP_Response_SilDet_Level);
        byteAt(d, 47, r.UDP_Response_SilDet_Time);
        byteAt(d, 53, r.UDP_Response_Low_Latency);
    }
    return r;
}

QString FeedbackRecord::remoteKey() const {
    return (UDP_Response_TX_Type != 0 || UDP_Response_Role == 2) ? QStringLiteral("multi")
                                                                 : QStringLiteral("remote");
}

QString FeedbackRecord::versionText() const {
    return QStringLiteral("%1.%2").arg(UDP_Response_Ver_Major).arg(UDP_Response_Ver_Minor);
}

std::optional<QString> firstFeedbackFailure(const FeedbackRecord& r) {
    if (!FieldRules::IsValidIP(r.UDP_Response_IP))
        return corrupted("Element IP");
    if (!FieldRules::IsValidIP(r.UDP_Response_Mask))
        return corrupted("Element Mask");
    if (!FieldRules::IsValidIP(r.UDP_Response_GW))
        return corrupted("Element GW");
    if (!FieldRules::IsValidIP(r.UDP_Response_Remote_IP))
        return corrupted("Remote / Multicast IP");
    if (r.UDP_Response_Audio_Input > 1)
        return corrupted("Audio Input");
    if (r.UDP_Response_Audio_Type > 1)
        return corrupted("Audio Type");
    if (r.UDP_Response_TX_Type > 1)
        return corrupted("TX Type");
    if (r.UDP_Response_Role > 2)
        return corrupted("Element Type");
    if (r.UDP_Response_SN < 1)
        return corrupted("Serial Number");
    return std::nullopt;
}

QString elementMacFailureText() { return corrupted("Element MAC"); }

QList<QPair<QString, QString>> discoveryEntries(const FeedbackRecord& r) {
    auto num = [](int v) { return QString::number(v); };
    QList<QPair<QString, QString>> e;
    e.append({QStringLiteral("name"), FieldRules::PadName16(r.UDP_Response_Name)});
    e.append({QStringLiteral("ip"), r.UDP_Response_IP});
    e.append({QStringLiteral("mask"), r.UDP_Response_Mask});
    e.append({QStringLiteral("gw"), r.UDP_Response_GW});
    e.append({QStringLiteral("input"), num(r.UDP_Response_Audio_Input)});
    e.append({QStringLiteral("type"), num(r.UDP_Response_Audio_Type)});
    e.append({QStringLiteral("tx"), num(r.UDP_Response_TX_Type)});
    e.append({r.remoteKey(), r.UDP_Response_Remote_IP});
    e.append({QStringLiteral("role"), num(r.UDP_Response_Role)});
    e.append({QStringLiteral("sn"), num(r.UDP_Response_SN)});
    e.append({QStringLiteral("ver"), r.versionText()});
    e.append({QStringLiteral("sfn"), num(r.UDP_Response_SFN)});
    e.append({QStringLiteral("buf"), num(r.UDP_Response_Buffer)});
    if (r.isDecoder()) {
        e.append({QStringLiteral("att"), num(r.UDP_Response_Att)});
        e.append({QStringLiteral("sdm"), num(r.UDP_Response_SilDet_Mode)});
        e.append({QStringLiteral("sdl"), num(r.UDP_Response_SilDet_Level)});
        e.append({QStringLiteral("sdt"), num(r.UDP_Response_SilDet_Time)});
    }
    e.append({QStringLiteral("llo"), num(r.UDP_Response_Low_Latency)});
    return e;
}
