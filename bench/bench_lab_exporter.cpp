// tessovar-exporter with 200 simulated elements in the lab: how long one check of every
// element takes (pings, then a statistics request to each answering element, at most 20
// requests a second), and how long a scrape of /metrics takes once they are all known,
// over HTTP inside the lab's NMS namespace.  Needs root; run it through the lab wrapper:
//     sudo tests/lab/run-lab-test.sh build/dev/bench/bench_lab_exporter [elements, default 200]

#include "Lab.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QByteArray scrape() {
    QTcpSocket s;
    s.connectToHost(QStringLiteral("127.0.0.1"), 9711);
    if (!s.waitForConnected(2000))
        return {};
    s.write("GET /metrics HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray all;
    while (s.waitForReadyRead(5000))
        all += s.readAll();
    const qsizetype body = all.indexOf("\r\n\r\n");
    return body < 0 ? QByteArray() : all.mid(body + 4);
}

double gauge(const QByteArray& metrics, const QByteArray& name) {
    for (const QByteArray& line : metrics.split('\n')) {
        if (line.startsWith(name + ' '))
            return line.mid(name.size() + 1).toDouble();
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? std::clamp(atoi(argv[1]), 1, 240) : 200;
    QStringList lines;
    for (int k = 1; k <= n; ++k)
        lines.append(k % 2 ? QStringLiteral("--role encoder --tx 1 --remote 239.77.0.1")
                           : QStringLiteral("--role decoder --sfn 1 --tx 1 --remote 239.77.0.1"));
    QString error;
    auto lab = Lab::up(lines, &error);
    if (!lab) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    if (!lab->enterNms(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QTemporaryDir dir;
    QByteArray ini;
    for (int k = 1; k <= n; ++k)
        ini += "[" + Lab::elementMac(k).remove(u':').toLatin1() + "]\r\nNAME=E" +
               QByteArray::number(k) + "\r\nIP=" + Lab::elementIp(k).toLatin1() +
               "\r\nROLE=" + (k % 2 ? "1" : "2\r\nSFN=1") + "\r\n";
    QFile db(dir.filePath(QStringLiteral("nms.ini")));
    if (!db.open(QIODevice::WriteOnly) || db.write(ini) != ini.size())
        return 1;
    db.close();

    QProcess exporter;
    exporter.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    exporter.start(QStringLiteral("ip"),
                   {QStringLiteral("netns"), QStringLiteral("exec"), lab->nmsNamespace(),
                    Lab::buildDir() + QStringLiteral("/tessovar-exporter"),
                    QStringLiteral("--database"), db.fileName()});
    if (!exporter.waitForStarted(5000))
        return 1;

    // The first complete check (the exporter's own figure), and every element up.
    QElapsedTimer t;
    t.start();
    QByteArray metrics;
    double check = 0;
    while (t.elapsed() < 120000) {
        metrics = scrape();
        check = gauge(metrics, "tessovar_exporter_check_duration_seconds");
        if (check > 0)
            break;
        QThread::msleep(200);
    }
    int up = 0;
    for (const QByteArray& line : metrics.split('\n'))
        up += line.startsWith("tessovar_element_up{") && line.endsWith(" 1") ? 1 : 0;
    std::printf("tessovar-exporter, %d lab elements\n", n);
    std::printf("  one check of every element: %.1f s (%d answering ping)\n", check, up);

    std::vector<double> ms;
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer s;
        s.start();
        metrics = scrape();
        ms.push_back(double(s.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "  scrape of /metrics (%lld bytes, %lld samples): median %.2f ms, slowest %.2f ms of 50\n",
        (long long)metrics.size(), (long long)(metrics.count('\n') - metrics.count("\n#")),
        ms[ms.size() / 2], ms.back());
    std::printf("  the exporter's own collect time: %.3f ms\n",
                gauge(metrics, "tessovar_exporter_scrape_duration_seconds") * 1000);
    exporter.terminate();
    exporter.waitForFinished(5000);
    lab->leaveNms();
    return 0;
}
