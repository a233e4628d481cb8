// The fleet check's cost with 1,000 elements in the database: the main window (offscreen)
// checks them at its fastest interval (5 s; the request limit of 20 a second then sets the
// pace, 50 s a round), and the benchmark prints the window process's CPU share with the
// check on against the same window with it off, and the echo requests on the wire (the
// namespace's own ICMP counter, /proc/net/snmp OutEchos): the average rate and the most
// in any one second.  900 elements answer on loopback addresses, 100 are refused by a
// "prohibit" route.  Run it in a private network namespace:
//     tests/run-in-netns.sh build/dev/bench/bench_fleet_check [seconds, default 30]

#include "TestServices.h"

#include "app/frmMain.h"
#include "behaviours/fleet/FleetMonitor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSpinBox>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <deque>

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The namespace's count of echo requests sent.
qint64 outEchos() {
    QFile f(QStringLiteral("/proc/net/snmp"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    QList<QByteArray> names;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (!line.startsWith("Icmp: "))
            continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (names.isEmpty()) {
            names = fields;
            continue;
        }
        const qsizetype at = names.indexOf("OutEchos");
        return at > 0 && at < fields.size() ? fields[at].toLongLong() : -1;
    }
    return -1;
}

struct Window {
    double cpuShare = 0;
    double perSecond = 0;
    qint64 mostInOneSecond = 0;
};

Window measure(int seconds) {
    QElapsedTimer wall;
    std::deque<std::pair<qint64, qint64>> samples; // (ms, OutEchos)
    Window w;
    const qint64 echos0 = outEchos();
    const double cpu0 = cpuSeconds();
    wall.start();
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, [&] {
        const qint64 t = wall.elapsed(), n = outEchos();
        samples.emplace_back(t, n);
        while (samples.front().first < t - 1000)
            samples.pop_front();
        w.mostInOneSecond = std::max(w.mostInOneSecond, n - samples.front().second);
    });
    sample.start(20);
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double elapsed = double(wall.elapsed()) / 1000.0;
    w.cpuShare = (cpuSeconds() - cpu0) / elapsed * 100.0;
    w.perSecond = double(outEchos() - echos0) / elapsed;
    return w;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, atoi(argv[1])) : 30;
    QFile dev(QStringLiteral("/proc/self/net/dev"));
    if (!dev.open(QIODevice::ReadOnly) || dev.readAll().count(':') != 1 || outEchos() < 0) {
        std::fprintf(stderr, "run it in a private network namespace: tests/run-in-netns.sh %s\n",
                     argv[0]);
        return 77;
    }
    QProcess::execute(QStringLiteral("ip"),
                      {QStringLiteral("route"), QStringLiteral("add"), QStringLiteral("prohibit"),
                       QStringLiteral("127.2.0.0/16"), QStringLiteral("table"),
                       QStringLiteral("local")});

    TestBed bed;
    QByteArray ini;
    for (int i = 0; i < 1000; ++i) {
        const QByteArray mac =
            QByteArray::number(0x001122000000LL + i, 16).rightJustified(12, '0').toUpper();
        const QByteArray ip =
            i < 900 ? "127.1." + QByteArray::number(i / 250) + "." + QByteArray::number(i % 250 + 1)
                    : "127.2.0." + QByteArray::number(i - 899);
        ini += "[" + mac + "]\r\nNAME=ELEMENT " + QByteArray::number(i) + "\r\nIP=" + ip +
               "\r\nROLE=" + QByteArray(i % 2 ? "2" : "1") + "\r\n";
    }
    bed.writeIni(ini);
    bed.settings.values.insert(QStringLiteral("FleetCheckInterval"), QStringLiteral("0"));
    frmMain w(bed.services());
    if (!w.startUp())
        return 1;
    std::printf("fleet check, 1000 elements, %d s each measurement\n", seconds);
    const Window off = measure(std::max(5, seconds / 3));
    std::printf("  check off:        CPU %.2f%%, %.1f echo requests/s\n", off.cpuShare,
                off.perSecond);
    w.ui().spnFleetInterval->setValue(5);
    const Window on = measure(seconds);
    std::printf("  check on (5 s):   CPU %.2f%%, %.1f echo requests/s on average, at most %lld in "
                "one second\n",
                on.cpuShare, on.perSecond, (long long)on.mostInOneSecond);
    std::printf("  cost of the check: %.2f%% CPU\n", on.cpuShare - off.cpuShare);
    std::printf("  status line: %s\n", qPrintable(w.ui().lblFleetStatus->text()));
    return 0;
}
