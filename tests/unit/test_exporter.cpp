// The exporter's command line, the metrics it makes of what it found (against diagnostics
// records written out byte by byte), and how it follows the database file.

#include "ExporterOptions.h"
#include "FleetFile.h"
#include "FleetMetrics.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QThread>

#include <prometheus/text_serializer.h>

#include <gtest/gtest.h>

namespace {

TEST(ExporterOptionsTest, CommandLine) {
    struct Case {
        QStringList args;
        bool ok;
        const char* listen;
        int interval, rate;
    };
    const QString db = QStringLiteral("--database");
    const Case cases[] = {
        {{db, "nms.ini"}, true, "127.0.0.1:9711", 15, 20},
        {{db, "nms.ini", "--listen", "0.0.0.0:9100", "--interval", "60", "--rate", "5"},
         true,
         "0.0.0.0:9100",
         60,
         5},
        {{db, "nms.ini", "--listen", "[::1]:9711"}, true, "[::1]:9711", 15, 20},
        {{}, false, "", 0, 0},                                  // no database
        {{db}, false, "", 0, 0},                                // no value
        {{db, "nms.ini", "--listen", "9711"}, false, "", 0, 0}, // no address
        {{db, "nms.ini", "--listen", "localhost:9711"}, false, "", 0, 0},
        {{db, "nms.ini", "--listen", "127.0.0.1:70000"}, false, "", 0, 0},
        {{db, "nms.ini", "--interval", "0"}, false, "", 0, 0},
        {{db, "nms.ini", "--rate", "101"}, false, "", 0, 0},
        {{db, "nms.ini", "--bogus"}, false, "", 0, 0},
    };
    for (const Case& c : cases) {
        ExporterOptions o;
        QString error;
        ASSERT_EQ(ExporterOptions::parse(c.args, &o, &error), c.ok)
            << c.args.join(u' ').toStdString();
        if (!c.ok) {
            EXPECT_FALSE(error.isEmpty());
            continue;
        }
        EXPECT_EQ(o.database, "nms.ini");
        EXPECT_EQ(o.listen, QLatin1String(c.listen));
        EXPECT_EQ(o.intervalS, c.interval);
        EXPECT_EQ(o.rate, c.rate);
    }
}

ElementSample sample(const char* mac, const char* name, const char* ip, const char* role,
                     bool sfn) {
    ElementSample s;
    s.element.mac = QString::fromLatin1(mac);
    s.element.name = QString::fromLatin1(name);
    s.element.ip = QString::fromLatin1(ip);
    s.element.role = QString::fromLatin1(role);
    s.element.sfn = sfn;
    s.checked = true;
    s.up = true;
    s.roundTripSeconds = 0.0005;
    return s;
}

TEST(FleetMetricsTest, WhatEachElementShows) {
    // A decoder in an SFN: every field of a 61-byte record.
    ElementSample decoder = sample("00:11:22:33:44:B2", "TX A", "127.0.0.3", "decoder", true);
    decoder.record = QByteArray::fromHex("00000100"                 // good TX frames 256
                                         "00000101"                 // good RX frames 257
                                         "00000000"                 // bad TX
                                         "fffffffe"                 // bad RX: 2^32 - 2 as a count
                                         "00000020"                 // good PTP sync 32
                                         "00000001"                 // bad PTP sync 1
                                         "ffffffd8"                 // clock difference -40 ns
                                         "000003e8"                 // measured delay 1000 ns
                                         "00001000"                 // audio good 4096
                                         "00000003"                 // audio bad 3
                                         "000004b00000044c00000546" // propagation
                                         "000001f4"                 // additional latency 500 ns
                                         "00000000"
                                         "00");
    // An encoder outside an SFN, with a record of 16 bytes: only the frame counters.
    ElementSample encoder =
        sample("00:11:22:33:44:A1", "STUDIO \"1\"", "127.0.0.2", "encoder", false);
    encoder.record = QByteArray::fromHex("0000000a0000000b0000000c0000000d");
    ElementSample down = sample("00:11:22:33:44:C3", "", "127.0.0.4", "unknown", false);
    down.up = false;
    ElementSample unchecked = sample("00:11:22:33:44:D4", "NEW", "127.0.0.5", "encoder", false);
    unchecked.checked = false;

    ExporterSnapshot s;
    s.elements = {decoder, encoder, down, unchecked};
    s.checkSeconds = 1.5;
    s.errors["statistics_port"] = 2;
    const std::string text = prometheus::TextSerializer().Serialize(FleetMetrics::build(s));
    auto has = [&](const std::string& line) { return text.find(line + "\n") != std::string::npos; };
    const std::string d = R"({ip="127.0.0.3",mac="00:11:22:33:44:B2",name="TX A",role="decoder"})";
    const std::string e =
        R"({ip="127.0.0.2",mac="00:11:22:33:44:A1",name="STUDIO \"1\"",role="encoder"})";
    const std::string c = R"({ip="127.0.0.4",mac="00:11:22:33:44:C3",name="",role="unknown"})";
    const char* expected[] = {
        "tessovar_element_up{D} 1",
        "tessovar_element_ping_rtt_seconds{D} 0.0005",
        "tessovar_element_tx_frames_good_total{D} 256",
        "tessovar_element_rx_frames_good_total{D} 257",
        "tessovar_element_tx_frames_bad_total{D} 0",
        "tessovar_element_rx_frames_bad_total{D} 4294967294",
        "tessovar_element_audio_frames_good_total{D} 4096",
        "tessovar_element_audio_frames_bad_total{D} 3",
        "tessovar_element_ptp_sync_good_total{D} 32",
        "tessovar_element_ptp_sync_bad_total{D} 1",
        "tessovar_element_clock_difference_seconds{D} -4e-08",
        "tessovar_element_measured_delay_seconds{D} 1.5e-06",
        "tessovar_element_up{E} 1",
        "tessovar_element_tx_frames_good_total{E} 10",
        "tessovar_element_rx_frames_bad_total{E} 13",
        "tessovar_element_up{C} 0",
        "tessovar_exporter_elements 4",
        "tessovar_exporter_check_duration_seconds 1.5",
        "tessovar_exporter_errors_total{kind=\"statistics_port\"} 2",
    };
    for (std::string line : expected) {
        for (const auto& [tag, labels] :
             {std::pair{"{D}", d}, std::pair{"{E}", e}, std::pair{"{C}", c}}) {
            const size_t at = line.find(tag);
            if (at != std::string::npos)
                line.replace(at, 3, labels);
        }
        EXPECT_TRUE(has(line)) << line << "\n" << text;
    }
    EXPECT_EQ(text.find("ptp_sync_good_total" + e), std::string::npos);     // no SFN
    EXPECT_EQ(text.find("audio_frames_good_total" + e), std::string::npos); // not in 16 bytes
    EXPECT_EQ(text.find("ping_rtt_seconds" + c), std::string::npos);        // no answer
    EXPECT_EQ(text.find("mac=\"00:11:22:33:44:D4\""), std::string::npos);   // not checked yet
}

TEST(FleetFileTest, FollowsAFileReplacedByRename) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nms.ini"));
    auto write = [&](const QByteArray& content) {
        QSaveFile f(path); // a new file renamed over the old one, as the NMS writes it
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        ASSERT_TRUE(f.commit());
    };
    write("[0011223344A1]\r\nIP=127.0.0.2\r\n");
    FleetFile file(path);
    int changes = 0, failures = 0;
    QObject::connect(&file, &FleetFile::changed, [&] { ++changes; });
    QObject::connect(&file, &FleetFile::failed, [&] { ++failures; });
    ASSERT_TRUE(file.reload());
    ASSERT_EQ(file.elements().size(), 1u);

    auto waitFor = [](const std::function<bool()>& done) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
        return done();
    };
    for (int round = 2; round <= 3; ++round) {
        QByteArray content;
        for (int k = 1; k <= round; ++k)
            content += "[0011223344A" + QByteArray::number(k) + "]\r\nIP=127.0.0." +
                       QByteArray::number(k + 1) + "\r\n";
        write(content);
        ASSERT_TRUE(waitFor([&] { return file.elements().size() == size_t(round); })) << round;
    }
    EXPECT_EQ(changes, 3);

    // Gone: the last list stays, and the failure is told.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(waitFor([&] { return failures > 0; }));
    EXPECT_EQ(file.elements().size(), 3u);
    write("[0011223344A1]\r\nIP=127.0.0.2\r\n");
    ASSERT_TRUE(waitFor([&] { return file.elements().size() == 1u; }));
}

} // namespace
