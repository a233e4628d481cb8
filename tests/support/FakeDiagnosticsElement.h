#pragma once
// A stand-in element for the diagnostics windows: a socket on <address>:2978 that
// collects what the NMS sends and answers with whatever a test gives it.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <gtest/gtest.h>

struct FakeDiagnosticsElement {
    QUdpSocket socket;
    QList<QNetworkDatagram> got;

    explicit FakeDiagnosticsElement(const char* address = "127.0.0.2") {
        EXPECT_TRUE(socket.bind(QHostAddress(QString::fromLatin1(address)), 2978))
            << socket.errorString().toStdString();
        QObject::connect(&socket, &QUdpSocket::readyRead, [this] {
            while (socket.hasPendingDatagrams())
                got.append(socket.receiveDatagram());
        });
    }

    QList<QByteArray> payloads() const {
        QList<QByteArray> out;
        for (const QNetworkDatagram& d : got)
            out.append(d.data());
        return out;
    }

    // Sends a reply to the NMS's diagnostics port.
    void reply(const QByteArray& datagram, const char* nms = "127.0.0.1") {
        EXPECT_EQ(socket.writeDatagram(datagram, QHostAddress(QString::fromLatin1(nms)), 2978), datagram.size());
    }
};

// A 61-byte diagnostics record: zero bytes with hex fields at their offsets.
inline QByteArray diagnosticsRecord(std::initializer_list<std::pair<int, const char*>> fields, int length = 61) {
    QByteArray r(length, '\0');
    for (const auto& [offset, hex] : fields) {
        const QByteArray bytes = QByteArray::fromHex(hex);
        r.replace(offset, bytes.size(), bytes);
    }
    return r;
}
