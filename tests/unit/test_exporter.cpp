// The exporter's command line, the metrics it makes of what it found (against diagnostics
// records written out byte by byte), and how it follows the database file.

#include "ExporterOptions.h"
#include "FleetFile.h"
#include "FleetMetrics.h"
#include "WebConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QThread>

#include <prometheus/text_serializer.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

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
        {{}, false, "", 0, 0},                                  // no database
        {{db}, false, "", 0, 0},                                // no value
        {{db, "nms.ini", "--listen", "9711"}, false, "", 0, 0}, // no address
        {{db, "nms.ini", "--listen", "localhost:9711"}, false, "", 0, 0},
        {{db, "nms.ini", "--listen", "127.0.0.1:70000"}, false, "", 0, 0},
        // The HTTP server has no IPv6; loose forms of a port or an address are refused.
        {{db, "nms.ini", "--listen", "[::1]:9711"}, false, "IPv6", 0, 0},
        {{db, "nms.ini", "--listen", "127.0.0.1:+9711"}, false, "port", 0, 0},
        {{db, "nms.ini", "--listen", ":+9711"}, false, "", 0, 0},
        {{db, "nms.ini", "--listen", "127.0.0.1:09711"}, false, "port", 0, 0},
        {{db, "nms.ini", "--listen", "2130706433:9711"}, false, "dotted", 0, 0},
        {{db, "nms.ini", "--listen", "127.0.0.01:9711"}, false, "dotted", 0, 0},
        {{db, "nms.ini", "--listen", "127.0.0.1: 9711"}, false, "port", 0, 0},
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
            EXPECT_TRUE(error.contains(QLatin1String(c.listen))) << error.toStdString();
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
    decoder.element.serial = QStringLiteral("SN-0042");
    decoder.element.firmware = QStringLiteral("2.10");
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
    s.checks = 7;
    auto families = FleetMetrics::build(s);
    families.push_back(FleetMetrics::buildInfo("4.5.0"));
    const std::string text = prometheus::TextSerializer().Serialize(families);
    auto has = [&](const std::string& line) { return text.find(line + "\n") != std::string::npos; };
    // The series of an element carry its MAC only; what can change is in the info.
    const std::string d = R"({mac="00:11:22:33:44:B2"})";
    const std::string e = R"({mac="00:11:22:33:44:A1"})";
    const std::string c = R"({mac="00:11:22:33:44:C3"})";
    const char* expected[] = {
        R"(tessovar_element_info{firmware="2.10",ip="127.0.0.3",mac="00:11:22:33:44:B2",name="TX A",role="decoder",serial="SN-0042"} 1)",
        R"(tessovar_element_info{firmware="",ip="127.0.0.2",mac="00:11:22:33:44:A1",name="STUDIO \"1\"",role="encoder",serial=""} 1)",
        R"(tessovar_element_info{firmware="",ip="127.0.0.5",mac="00:11:22:33:44:D4",name="NEW",role="encoder",serial=""} 1)",
        "# TYPE tessovar_exporter_checks_total counter",
        "tessovar_exporter_checks_total 7",
        "tessovar_exporter_elements_without_address 0",
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
        // Every kind of error is there from the start.
        "tessovar_exporter_errors_total{kind=\"database\"} 0",
        "tessovar_exporter_errors_total{kind=\"icmp\"} 0",
        "tessovar_exporter_errors_total{kind=\"statistics_send\"} 0",
        R"(tessovar_exporter_build_info{qt_version=")" QT_VERSION_STR R"(",version="4.5.0"} 1)",
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
    EXPECT_EQ(text.find("ptp_sync_good_total" + e), std::string::npos);      // no SFN
    EXPECT_EQ(text.find("audio_frames_good_total" + e), std::string::npos);  // not in 16 bytes
    EXPECT_EQ(text.find("ping_rtt_seconds" + c), std::string::npos);         // no answer
    EXPECT_EQ(text.find("up{mac=\"00:11:22:33:44:D4\""), std::string::npos); // not checked yet
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

TEST(FleetFileTest, ReadsWhatTheElementListShowsWithinBounds) {
    // Only the keys the checks use are kept, so these must read as the element list does.
    const FleetFile::Parsed p = FleetFile::parse("[0011223344a1]\r\nNAME=ONE\r\nIP=127.0.0.2\r\n"
                                                 "IP=127.0.0.9\r\nSN=77\r\nVER=3.01\r\n"
                                                 "[a]\r\nIP=127.0.0.8\r\n"
                                                 "[0011223344A1]\r\nNAME=AGAIN\r\n" // repeated
                                                 "[0011223344A2]\r\nNAME=NO ADDRESS\r\n"
                                                 "[0011223344A3]\r\nIP=0.0.0.0\r\n"
                                                 "[0011223344A4]\r\nip = 127.0.0.4\r\nROLE=2\r\n");
    ASSERT_EQ(p.elements.size(), 2u);
    EXPECT_EQ(p.elements[0].mac, "00:11:22:33:44:A1");
    EXPECT_EQ(p.elements[0].name, "ONE");
    EXPECT_EQ(p.elements[0].ip, "127.0.0.2");
    EXPECT_EQ(p.elements[0].serial, "77");
    EXPECT_EQ(p.elements[0].firmware, "3.01");
    EXPECT_EQ(p.elements[1].ip, "127.0.0.4");
    EXPECT_EQ(p.elements[1].role, "decoder");
    EXPECT_EQ(p.elements[1].firmware, "2.00"); // as the element display reads it
    EXPECT_EQ(p.withoutAddress, 2);
    EXPECT_FALSE(p.truncated);

    // Past the cap on elements the rest is left; sections that are no element cost nothing.
    QByteArray many;
    many.reserve(30 * 1024 * 1024);
    for (int k = 0; k < 1000000; ++k)
        many += "[a]\r\n";
    for (int k = 0; k <= FleetFile::kMaxElements; ++k)
        many += QStringLiteral("[%1]\r\nIP=127.0.0.2\r\n").arg(k, 12, 16, QChar(u'0')).toLatin1();
    const FleetFile::Parsed capped = FleetFile::parse(many);
    EXPECT_EQ(capped.elements.size(), size_t(FleetFile::kMaxElements));
    EXPECT_TRUE(capped.truncated);
}

TEST(FleetFileTest, ANamedPipeIsRefusedWithoutWaiting) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nms.ini"));
    const QByteArray pipe = QFile::encodeName(dir.filePath(QStringLiteral("pipe")));
    ASSERT_EQ(::mkfifo(pipe.constData(), 0600), 0);
    // Should the reader wait for a writer of the pipe, this one comes after 3 s, so the
    // test fails on its time rather than hanging.
    std::atomic<bool> done{false};
    std::thread unblock([&] {
        for (int i = 0; i < 300 && !done; ++i)
            QThread::msleep(10);
        while (!done) {
            const int fd = ::open(pipe.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
            QThread::msleep(10);
        }
    });
    QElapsedTimer t;
    t.start();
    {
        FleetFile file(QString::fromLocal8Bit(pipe));
        EXPECT_FALSE(file.reload());
        EXPECT_TRUE(file.errorString().contains(QLatin1String("named pipe")))
            << file.errorString().toStdString();
    }
    EXPECT_LT(t.elapsed(), 1000);

    // Swapped in while the exporter runs: refused, the last list kept, the checks go on.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[0011223344A1]\r\nIP=127.0.0.2\r\n");
    f.close();
    FleetFile file(path);
    ASSERT_TRUE(file.reload());
    QString failure;
    QObject::connect(&file, &FleetFile::failed, [&](const QString& why) { failure = why; });
    ASSERT_EQ(::rename(pipe.constData(), QFile::encodeName(path).constData()), 0);
    t.restart();
    while (failure.isEmpty() && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    done = true;
    unblock.join();
    EXPECT_TRUE(failure.contains(QLatin1String("named pipe"))) << failure.toStdString();
    EXPECT_LT(t.elapsed(), 2 * FleetFile::kRecheckMs + 500);
    EXPECT_EQ(file.elements().size(), 1u);
}

TEST(WebConfigTest, FilesAndPasswords) {
    QTemporaryDir dir;
    for (const char* name : {"server.crt", "server.key", "ca.crt"}) {
        QFile f(dir.filePath(QLatin1String(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    // bcrypt of "lab-secret" (cost 4).
    const QByteArray users =
        "basic_auth_users:\n  prometheus: $2b$04$dskJSnBVCUq4QsYOAGGrMOzcVOaO4ZjnST65pWa3I2/"
        "H3VHE3OELe\n";
    const QByteArray tls = "tls_server_config:\n  cert_file: server.crt\n  key_file: server.key\n";
    struct Case {
        QByteArray yaml;
        const char* error; // nullptr: accepted
    };
    const Case cases[] = {
        {"", nullptr},
        {tls + users, nullptr},
        {tls + "  client_ca_file: ca.crt\n  client_auth_type: RequireAndVerifyClientCert\n",
         nullptr},
        {"basic_auth_users:\n  prometheus: lab-secret\n", "not a bcrypt hash"},
        {"tls_server_config:\n  cert_file: server.crt\n", "both cert_file and key_file"},
        {"tls_server_config:\n  cert_file: none.crt\n  key_file: server.key\n", "cannot be read"},
        {tls + "  client_auth_type: RequireAndVerifyClientCert\n", "needs client_ca_file"},
        {tls + "  client_ca_file: ca.crt\n  client_auth_type: RequireAnyClientCert\n",
         "not supported"},
        {tls + "  min_version: TLS13\n", "min_version is not supported"},
        {"http_server_config:\n  http2: false\n", "http_server_config is not supported"},
        {"tls_server_config: [", "end of"},
        {"- a\n- b\n", "expected"},
    };
    for (const Case& c : cases) {
        WebConfig config;
        QString error;
        EXPECT_EQ(WebConfig::parse(c.yaml, dir.path(), &config, &error), c.error == nullptr)
            << c.yaml.toStdString() << error.toStdString();
        if (c.error) {
            EXPECT_TRUE(error.contains(QLatin1String(c.error))) << error.toStdString();
        }
    }

    WebConfig config;
    QString error;
    ASSERT_TRUE(WebConfig::parse(tls + users, dir.path(), &config, &error));
    EXPECT_TRUE(config.tls());
    EXPECT_EQ(config.keyFile(), dir.filePath(QStringLiteral("server.key")));
    const struct {
        const char* header;
        bool ok;
    } headers[] = {
        {"Basic cHJvbWV0aGV1czpsYWItc2VjcmV0", true},      // prometheus:lab-secret
        {"Basic cHJvbWV0aGV1czpsYWItc2VjcmV0", true},      // remembered
        {"Basic cHJvbWV0aGV1czpsYWItc2VjcmVU", false},     // prometheus:lab-secreT
        {"Basic cHJvbWV0aGV1czpsYWItc2VjcmV0AHg=", false}, // prometheus:lab-secret\0x
        {"Basic b3RoZXI6bGFiLXNlY3JldA==", false},         // other:lab-secret
        {"Basic !!!", false},
        {"Bearer cHJvbWV0aGV1czpsYWItc2VjcmV0", false},
        {nullptr, false},
    };
    for (const auto& h : headers)
        EXPECT_EQ(config.authorized(h.header), h.ok) << (h.header ? h.header : "(none)");
    EXPECT_TRUE(WebConfig().authorized(nullptr)); // no users: no authentication
}

} // namespace
