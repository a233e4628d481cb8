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

#include "TestServices.h"

#include "core/database/IniStore.h"
#include "core/diagnostics/DiagnosticsContext.h"

#include <memory>

// A diagnostics window of type W opened on the selected element 00:11:22:33:44:AA, whose
// record points at a FakeDiagnosticsElement on 127.0.0.2.
template <typename W> class DiagnosticsWindowTest : public ::testing::Test {
public:
    static QString section() { return QStringLiteral("0011223344AA"); }

    TestBed bed;
    QString elementType = QStringLiteral("DECODER");
    std::unique_ptr<FakeDiagnosticsElement> element;

    void SetUp() override {
        write("ip", "127.0.0.2");
        write("sfn", "1");
        element = std::make_unique<FakeDiagnosticsElement>();
    }
    void write(const char* key, const char* value) {
        ASSERT_TRUE(IniStore::WriteToINI(section(), QString::fromLatin1(key), QString::fromLatin1(value), bed.iniPath()));
    }
    QString read(const char* key) {
        return IniStore::ReadFromINI(section(), QString::fromLatin1(key), bed.iniPath(), QStringLiteral("<none>"));
    }
    DiagnosticsContext context() {
        DiagnosticsContext c;
        c.selectedMac = [] { return QStringLiteral("00:11:22:33:44:AA"); };
        c.elementType = [this] { return elementType; };
        c.localAddress = [] { return QStringLiteral("127.0.0.1"); };
        c.iniPath = bed.iniPath();
        c.messages = &bed.messages;
        c.programEnd = &bed.programEnd;
        c.settings = &bed.settings;
        return c;
    }
    std::unique_ptr<W> open() {
        auto w = std::make_unique<W>(context());
        EXPECT_TRUE(w->openWindow());
        w->show();
        return w;
    }
    bool received(int n, int ms = 3000) {
        return waitFor([&] { return element->got.size() >= n; }, ms);
    }
};
