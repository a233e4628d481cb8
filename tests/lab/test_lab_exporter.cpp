// tessovar-exporter in the lab: simulated elements in their namespaces, the exporter on
// the NMS side reading an element database of them, and a real Prometheus server beside it
// scraping it every second over TLS with basic authentication (a web configuration file,
// a certificate made for the test; the example alert rules loaded), and once more without
// credentials.  The test reads what Prometheus stored through its query API over HTTP
// inside the lab's NMS namespace.

#include "Lab.h"

#include "core/diagnostics/DiagnosticsRecord.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QUdpSocket>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

constexpr int kElements = 3;

// One HTTP GET to a server in the namespace this thread is in; the body, empty on failure.
QByteArray httpGet(quint16 port, const QByteArray& target) {
    QTcpSocket s;
    s.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!s.waitForConnected(2000))
        return {};
    s.write("GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray all;
    while (s.waitForReadyRead(3000))
        all += s.readAll();
    const qsizetype body = all.indexOf("\r\n\r\n");
    return body < 0 || !all.startsWith("HTTP/1.") || all.mid(9, 3) != "200" ? QByteArray()
                                                                            : all.mid(body + 4);
}

QJsonArray results(const QString& expression) {
    const QByteArray body =
        httpGet(9090, "/api/v1/query?query=" + QUrl::toPercentEncoding(expression));
    const QJsonObject doc = QJsonDocument::fromJson(body).object();
    return doc.value(QStringLiteral("data")).toObject().value(QStringLiteral("result")).toArray();
}

// The samples of an instant query: MAC label -> value.
QMap<QString, double> query(const QString& expression) {
    QMap<QString, double> out;
    for (const QJsonValue& v : results(expression)) {
        const QJsonObject sample = v.toObject();
        out.insert(sample.value(QStringLiteral("metric"))
                       .toObject()
                       .value(QStringLiteral("mac"))
                       .toString(),
                   sample.value(QStringLiteral("value")).toArray().at(1).toString().toDouble());
    }
    return out;
}

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return done();
        QThread::msleep(20); // between two scrapes of the query API
    }
    return true;
}

class LabExporterTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("prometheus")).isEmpty())
            GTEST_SKIP() << "needs the prometheus server (Debian package prometheus; "
                            "scripts/setup-debian.sh)";
        QString error;
        lab = Lab::up(
            {QStringLiteral("--role decoder --name \"TX SFN\" --sfn 1 --tx 1 --remote 239.77.0.1"),
             QStringLiteral("--role encoder --name \"STUDIO\" --tx 1 --remote 239.77.0.1"),
             QStringLiteral("--role decoder --name \"TX TWO\" --tx 1 --remote 239.77.0.1")},
            &error);
        ASSERT_TRUE(lab) << error.toStdString();
        ASSERT_TRUE(lab->enterNms(&error)) << error.toStdString();

        QByteArray ini;
        const char* roles[] = {"2", "1", "2"};
        for (int k = 1; k <= kElements; ++k) {
            ini += "[" + Lab::elementMac(k).remove(u':').toLatin1() + "]\r\nNAME=E" +
                   QByteArray::number(k) + "\r\nIP=" + Lab::elementIp(k).toLatin1() +
                   "\r\nROLE=" + roles[k - 1] + "\r\nSFN=" + (k == 1 ? "1" : "0") + "\r\n";
        }
        QFile db(dir.filePath(QStringLiteral("nms.ini")));
        ASSERT_TRUE(db.open(QIODevice::WriteOnly) && db.write(ini) == ini.size());
        db.close();
        // A certificate for 127.0.0.1, and the password "lab-secret" as a bcrypt hash.
        const QString crt = dir.filePath(QStringLiteral("server.crt"));
        ASSERT_EQ(
            QProcess::execute(QStringLiteral("openssl"),
                              {"req", "-x509", "-newkey", "ec", "-pkeyopt",
                               "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj",
                               "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                               dir.filePath(QStringLiteral("server.key")), "-out", crt}),
            0);
        const QByteArray web = "tls_server_config:\n  cert_file: server.crt\n"
                               "  key_file: server.key\nbasic_auth_users:\n  prometheus: "
                               "$2b$04$dskJSnBVCUq4QsYOAGGrMOzcVOaO4ZjnST65pWa3I2/H3VHE3OELe\n";
        QFile webConfig(dir.filePath(QStringLiteral("web.yml")));
        ASSERT_TRUE(webConfig.open(QIODevice::WriteOnly) && webConfig.write(web) == web.size());
        webConfig.close();
        QFile config(dir.filePath(QStringLiteral("prometheus.yml")));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        const QByteArray tls =
            "    scheme: https\n    tls_config:\n      ca_file: '" + QFile::encodeName(crt) + "'\n";
        config.write("global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\n"
                     "rule_files: ['" +
                     QFile::encodeName(rulesFile()) +
                     "']\n"
                     "scrape_configs:\n  - job_name: tessovar\n" +
                     tls +
                     "    basic_auth:\n      username: prometheus\n      password: lab-secret\n"
                     "    static_configs:\n      - targets: ['127.0.0.1:9711']\n"
                     "  - job_name: nocredentials\n" +
                     tls + "    static_configs:\n      - targets: ['127.0.0.1:9711']\n");
        config.close();

        start(exporter, Lab::buildDir() + QStringLiteral("/tessovar-exporter"),
              {QStringLiteral("--database"), db.fileName(), QStringLiteral("--interval"),
               QStringLiteral("1"), QStringLiteral("--web.config.file"), webConfig.fileName(),
               QStringLiteral("--audio")});
        start(prometheus, QStringLiteral("prometheus"),
              {QStringLiteral("--config.file=") + config.fileName(),
               QStringLiteral("--storage.tsdb.path=") + dir.filePath(QStringLiteral("data")),
               QStringLiteral("--web.listen-address=127.0.0.1:9090"),
               QStringLiteral("--log.level=warn")});
    }
    void TearDown() override {
        for (QProcess* p : {&prometheus, &exporter}) {
            p->terminate();
            if (!p->waitForFinished(5000))
                p->kill();
            p->waitForFinished(2000);
        }
        if (lab)
            lab->leaveNms();
        lab.reset();
    }
    static QString rulesFile() {
        return QDir(Lab::scriptsDir())
            .filePath(QStringLiteral("../contrib/prometheus/tessovar-alerts.yml"));
    }
    static QString dashboardFile() {
        return QDir(Lab::scriptsDir())
            .filePath(QStringLiteral("../contrib/grafana/tessovar-elements.json"));
    }
    // Inside the lab's NMS namespace, as a service would run there.
    void start(QProcess& p, const QString& program, const QStringList& args) {
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(QStringLiteral("ip"), QStringList{QStringLiteral("netns"), QStringLiteral("exec"),
                                                  lab->nmsNamespace(), program} +
                                          args);
        ASSERT_TRUE(p.waitForStarted(5000)) << program.toStdString();
    }
    // The last audio counter element k sent in a diagnostics record, from the simulator's
    // log ("eK SEND 10.77.0.1:2978 <record in hex>").
    QList<qint64> sentAudioCounts(int k) const {
        QList<qint64> out;
        const QString prefix = QStringLiteral("e%1 SEND ").arg(k);
        for (const QString& line : lab->simLog()) {
            if (!line.startsWith(prefix) || !line.contains(QStringLiteral(":2978 ")))
                continue;
            const QByteArray record = QByteArray::fromHex(line.section(u' ', -1).toLatin1());
            out.append(quint32(
                DiagnosticsRecord::rawField(record, DiagnosticsRecord::Offset::AudioFramesOk)));
        }
        return out;
    }

    std::unique_ptr<Lab> lab;
    QTemporaryDir dir;
    QProcess exporter;
    QProcess prometheus;
};

TEST_F(LabExporterTest, PrometheusSeesElementsAnswerStopAndCount) {
    const QString e1 = Lab::elementMac(1), e2 = Lab::elementMac(2), e3 = Lab::elementMac(3);
    QMap<QString, double> up;
    ASSERT_TRUE(waitFor(
        [&] {
            up = query(QStringLiteral("tessovar_element_up"));
            return up.size() == kElements && up.value(e1) == 1 && up.value(e2) == 1 &&
                   up.value(e3) == 1;
        },
        30000))
        << up.size();
    ASSERT_EQ(exporter.state(), QProcess::Running);

    // The counters are the simulator's own, and grow with them.
    const QString audio =
        QStringLiteral("tessovar_element_audio_frames_good_total{mac=\"%1\"}").arg(e1);
    double first = 0;
    ASSERT_TRUE(waitFor([&] { return (first = query(audio).value(e1)) > 0; }, 10000));
    EXPECT_TRUE(sentAudioCounts(1).contains(qint64(first))) << first;
    double later = 0;
    ASSERT_TRUE(waitFor([&] { return (later = query(audio).value(e1)) > first + 400; }, 10000))
        << later;
    EXPECT_TRUE(sentAudioCounts(1).contains(qint64(later))) << later;
    // Only an SFN decoder shows its PTP counters and clock figures.
    const QMap<QString, double> delay =
        query(QStringLiteral("tessovar_element_measured_delay_seconds"));
    EXPECT_EQ(delay.keys(), QStringList{e1});
    EXPECT_DOUBLE_EQ(delay.value(e1), 1200e-9);
    EXPECT_EQ(query(QStringLiteral("tessovar_element_ptp_sync_good_total")).keys(),
              QStringList{e1});

    // With --audio, the encoder's level (the simulator's tone) and its silence flag.
    ASSERT_TRUE(waitFor(
        [&] { return query(QStringLiteral("tessovar_element_audio_silent")).value(e2, -1) == 0; },
        15000));
    EXPECT_EQ(query(QStringLiteral("tessovar_element_audio_level_dbfs")).keys(), QList<QString>{e2});

    // Every query of the dashboard returns data while all answer.
    QFile dashboard(dashboardFile());
    ASSERT_TRUE(dashboard.open(QIODevice::ReadOnly));
    int checked = 0;
    for (const QJsonValue& panel : QJsonDocument::fromJson(dashboard.readAll())
                                       .object()
                                       .value(QStringLiteral("panels"))
                                       .toArray()) {
        for (const QJsonValue& target :
             panel.toObject().value(QStringLiteral("targets")).toArray()) {
            QString expr = target.toObject().value(QStringLiteral("expr")).toString();
            expr.replace(QStringLiteral("$__rate_interval"), QStringLiteral("10s"));
            EXPECT_FALSE(results(expr).isEmpty())
                << panel.toObject().value(QStringLiteral("title")).toString().toStdString() << ": "
                << expr.toStdString();
            ++checked;
        }
    }
    EXPECT_GE(checked, 15);

    // Element 2's link goes down: it stops answering, the others go on.
    lab->ipIn(lab->elementNamespace(2), {QStringLiteral("link"), QStringLiteral("set"),
                                         QStringLiteral("eth0"), QStringLiteral("down")});
    ASSERT_TRUE(waitFor(
        [&] {
            up = query(QStringLiteral("tessovar_element_up"));
            return up.value(e2, -1) == 0;
        },
        20000))
        << up.value(e2, -1);
    EXPECT_EQ(up.value(e1), 1);
    EXPECT_EQ(up.value(e3), 1);
    EXPECT_TRUE(query(QStringLiteral("tessovar_element_ping_rtt_seconds")).contains(e1));
    EXPECT_FALSE(query(QStringLiteral("tessovar_element_audio_frames_good_total")).contains(e2));
    EXPECT_TRUE(query(QStringLiteral("tessovar_exporter_errors_total > 0")).isEmpty());
    EXPECT_EQ(query(QStringLiteral("tessovar_exporter_errors_total")).size(), 1);
    EXPECT_EQ(results(QStringLiteral("tessovar_exporter_errors_total")).size(), 4);
    // Prometheus scraped it throughout, over TLS with its credentials; without them: 401.
    EXPECT_EQ(query(QStringLiteral("up{job=\"tessovar\"}")).value(QString(), -1), 1);
    EXPECT_EQ(query(QStringLiteral("up{job=\"nocredentials\"}")).value(QString(), -1), 0);
    const QJsonArray targets = QJsonDocument::fromJson(httpGet(9090, "/api/v1/targets"))
                                   .object()
                                   .value(QStringLiteral("data"))
                                   .toObject()
                                   .value(QStringLiteral("activeTargets"))
                                   .toArray();
    QString refused;
    for (const QJsonValue& t : targets) {
        if (t.toObject().value(QStringLiteral("labels")).toObject().value(QStringLiteral("job")) ==
            QLatin1String("nocredentials"))
            refused = t.toObject().value(QStringLiteral("lastError")).toString();
    }
    EXPECT_TRUE(refused.contains(QLatin1String("401"))) << refused.toStdString();

    // The encoder's link is down: it sends no level reports, and its audio series are left
    // out rather than kept at their last value.
    ASSERT_TRUE(waitFor(
        [&] { return results(QStringLiteral("tessovar_element_audio_silent")).isEmpty(); },
        15000));
    EXPECT_TRUE(results(QStringLiteral("tessovar_element_audio_level_dbfs")).isEmpty());

    // Renamed: the same series goes on; only its info changes.
    const QString counter =
        QStringLiteral("tessovar_element_audio_frames_good_total{job=\"tessovar\",mac=\"%1\"}")
            .arg(e1);
    const double before = query(counter).value(e1);
    QByteArray ini;
    QFile db(dir.filePath(QStringLiteral("nms.ini")));
    ASSERT_TRUE(db.open(QIODevice::ReadOnly));
    ini = db.readAll().replace("NAME=E1\r\n", "NAME=RENAMED\r\n");
    db.close();
    QSaveFile save(db.fileName());
    ASSERT_TRUE(save.open(QIODevice::WriteOnly));
    save.write(ini);
    ASSERT_TRUE(save.commit());
    ASSERT_TRUE(waitFor(
        [&] {
            return query(QStringLiteral("tessovar_element_info{name=\"RENAMED\"}")).contains(e1);
        },
        15000));
    ASSERT_TRUE(waitFor([&] { return query(counter).value(e1) > before + 200; }, 10000));
    EXPECT_EQ(results(QStringLiteral("count_over_time(%1[1h])").arg(counter)).size(), 1);
    EXPECT_EQ(query(QStringLiteral("resets(%1[1h])").arg(counter)).value(e1), 0);
    EXPECT_EQ(results(QStringLiteral("tessovar_element_info{mac=\"%1\"}").arg(e1)).size(), 1);
}

} // namespace
