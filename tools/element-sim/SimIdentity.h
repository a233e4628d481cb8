#pragma once
// What a simulated element is: its configuration, the feedback record it sends, and how
// a configuration command changes it.

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QtGlobal>

struct SimIdentity {
    QString ip = QStringLiteral("10.77.0.11");
    QString mask = QStringLiteral("255.255.255.0");
    QString gw = QStringLiteral("10.77.0.1");
    QString remote = QStringLiteral("239.255.255.239");
    quint8 input = 0;
    quint8 type = 1;
    quint8 tx = 1;
    QString name = QStringLiteral("SIM ELEMENT");
    quint8 role = 1;        // 1 encoder, 2 decoder, anything else as sent
    quint32 serial = 1000;  // sent big-endian, as the raw 32 bits
    quint8 verMajor = 3;
    quint8 verMinor = 49;
    quint8 sfn = 0;
    quint8 buffer = 4;
    quint8 lowLatency = 0;
    quint8 att = 255;       // decoder
    quint8 silMode = 0;     // decoder
    quint8 silLevel = 37;   // decoder
    quint8 silTime = 43;    // decoder

    bool isDecoder() const { return role == 2; }

    // The feedback record: 54 bytes for a decoder, 45 for any other role.
    QByteArray feedbackRecord() const;

    // Takes a configuration command (37 or 38 bytes: encoder layout, 41: decoder layout).
    // Fields named in keep are left as they were (an element that does not take them).
    // Returns false for a datagram of another length (nothing changes).
    bool applyCommand(const QByteArray& command, const QSet<QString>& keep = {});
};
