// tessovar-exporter --audio end to end on loopback, in a network namespace of its own:
// two encoders answer "VOL" on their port 2977 (one with a tone at half scale, one with
// silence) and the exporter's metrics follow; a second watch cannot take port 2976.

#include "AudioExport.h"

#include <prometheus/metric_family.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// An encoder's level reports: 401 samples of 24 bits, most significant byte first.
struct Encoder {
    QUdpSocket socket;
    QByteArray report;
    Encoder(const char* ip, char top) {
        for (int i = 0; i < 401; ++i)
            report.append(top).append(2, char(0));
        socket.bind(QHostAddress(QString::fromLatin1(ip)), 2977);
        QObject::connect(&socket, &QUdpSocket::readyRead, &socket, [this] {
            while (socket.hasPendingDatagrams()) {
                const QNetworkDatagram d = socket.receiveDatagram();
                if (d.data() == "VOL")
                    socket.writeDatagram(report, d.senderAddress(), quint16(d.senderPort()));
            }
        });
    }
};

ExportedElement encoder(const char* mac, const char* ip) {
    ExportedElement e;
    e.mac = QString::fromLatin1(mac);
    e.ip = QString::fromLatin1(ip);
    e.role = QStringLiteral("encoder");
    return e;
}

TEST(ExporterAudioTest, LevelsAndSilencesOfTheEncoders) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    Encoder tone("127.0.0.2", 0x40), quiet("127.0.0.3", 0);
    ASSERT_EQ(tone.socket.state(), QAbstractSocket::BoundState) << tone.socket.errorString().toStdString();

    auto store = std::make_shared<AudioStore>();
    AudioLimits limits;
    limits.holdMs = 1000;
    limits.intervalMs = 200;
    AudioExport audio(store, limits);
    QString error;
    ASSERT_TRUE(audio.start(&error)) << error.toStdString();
    ExportedElement decoder = encoder("00:11:22:33:44:03", "127.0.0.4");
    decoder.role = QStringLiteral("decoder"); // never asked
    audio.setElements({encoder("00:11:22:33:44:01", "127.0.0.2"),
                       encoder("00:11:22:33:44:02", "127.0.0.3"), decoder});

    AudioExport second(std::make_shared<AudioStore>(), limits);
    EXPECT_FALSE(second.start(&error));
    EXPECT_TRUE(error.contains(QLatin1String("2976"))) << error.toStdString();

    const AudioCollectable metrics(store);
    const auto value = [&](size_t family, const std::string& mac) {
        const std::vector<prometheus::MetricFamily> families = metrics.Collect();
        for (const auto& m : families[family].metric)
            if (m.label.at(0).value == mac)
                return m.gauge.value;
        return std::nan("");
    };
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000 && value(1, "00:11:22:33:44:02") != 1)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(value(1, "00:11:22:33:44:02"), 1);
    EXPECT_TRUE(std::isinf(value(0, "00:11:22:33:44:02")) && value(0, "00:11:22:33:44:02") < 0);
    EXPECT_EQ(value(1, "00:11:22:33:44:01"), 0);
    EXPECT_NEAR(value(0, "00:11:22:33:44:01"), -6.02, 0.01);
    EXPECT_EQ(metrics.Collect().front().metric.size(), 2u); // the decoder is never asked
    EXPECT_EQ(audio.watch().reportsUnmatched(), 0u);
}

} // namespace
