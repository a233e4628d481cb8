// The fleet check's cost in the main window (offscreen), with 1,000 and then 200 elements
// in the database, checked at the default interval of 10 s: the pace adapts so that every
// element is checked once per interval (100 echo requests a second for 1,000, 20 for
// 200).  For each size the benchmark prints the echo requests on the wire (the
// namespace's own ICMP counter, /proc/net/snmp OutEchos: the average rate and the most in
// any one second), the window process's CPU share with the check on and off, the cost of
// one request in microseconds of the window's time after the first round, and the longest time any element
// waited between two checks.  80 % of the elements answer on loopback addresses, 10 % are
// refused by a "prohibit" route and 10 % are silent (a "blackhole" route: their requests
// time out).  Run it in a private network namespace:
//     tests/run-in-netns.sh build/dev/bench/bench_fleet_check [seconds, default 30 [elements]]

#include "TestServices.h"

#include "app/frmMain.h"
#include "behaviours/fleet/FleetMonitor.h"
#include "views/MainWindowUi.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSpinBox>
#include <QTimer>

#include <pthread.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

namespace {

struct Cpu {
    double user = 0, system = 0;
};

// The window's own time: the main thread, where the check, the tree and the status line
// live (the benchmark's sampling runs in a thread of its own).
Cpu windowCpu() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return {double(u.ru_utime.tv_sec) + double(u.ru_utime.tv_usec) / 1e6,
            double(u.ru_stime.tv_sec) + double(u.ru_stime.tv_usec) / 1e6};
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
    double userShare = 0, systemShare = 0; // % of one core
    double perSecond = 0;
    qint64 mostInOneSecond = 0;
    double share() const { return userShare + systemShare; }
};

Window measure(int seconds) {
    Window w;
    std::atomic<bool> done{false};
    std::vector<std::pair<qint64, qint64>> samples; // (ms, OutEchos), read when done
    QElapsedTimer wall;
    wall.start();
    std::thread sampler([&] {
        pthread_setname_np(pthread_self(), "sampler"); // apart from the window in a profile
        while (!done) {
            samples.emplace_back(wall.elapsed(), outEchos());
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        samples.emplace_back(wall.elapsed(), outEchos());
    });
    const Cpu cpu0 = windowCpu();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const Cpu cpu1 = windowCpu();
    const double elapsed = double(wall.elapsed()) / 1000.0;
    done = true;
    sampler.join();
    w.userShare = (cpu1.user - cpu0.user) / elapsed * 100.0;
    w.systemShare = (cpu1.system - cpu0.system) / elapsed * 100.0;
    w.perSecond = double(samples.back().second - samples.front().second) / elapsed;
    size_t from = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        while (samples[i].first - samples[from].first > 1000)
            ++from;
        w.mostInOneSecond = std::max(w.mostInOneSecond, samples[i].second - samples[from].second);
    }
    return w;
}

QByteArray database(int elements) {
    QByteArray ini;
    for (int i = 0; i < elements; ++i) {
        const QByteArray mac =
            QByteArray::number(0x001122000000LL + i, 16).rightJustified(12, '0').toUpper();
        const int tenth = i % 10; // 8 of 10 answer, one is refused, one is silent
        const QByteArray net = tenth < 8 ? "127.1." : tenth == 8 ? "127.2." : "127.3.";
        const QByteArray ip =
            net + QByteArray::number(i / 250) + "." + QByteArray::number(i % 250 + 1);
        ini += "[" + mac + "]\r\nNAME=ELEMENT " + QByteArray::number(i) + "\r\nIP=" + ip +
               "\r\nROLE=" + QByteArray(i % 2 ? "2" : "1") + "\r\n";
    }
    return ini;
}

bool route(const char* type, const char* prefix) {
    return QProcess::execute(QStringLiteral("ip"),
                             {QStringLiteral("route"), QStringLiteral("add"), QLatin1String(type),
                              QLatin1String(prefix), QStringLiteral("table"),
                              QStringLiteral("local")}) == 0;
}

void fleetOf(int elements, int seconds) {
    TestBed bed;
    bed.writeIni(database(elements));
    bed.settings.values.insert(QStringLiteral("FleetCheckInterval"), QStringLiteral("0"));
    frmMain w(bed.services());
    if (!w.startUp())
        return;
    std::printf("%d elements, every 10 s, %d s with the check on\n", elements, seconds);
    const Window off = measure(seconds);

    // The longest time between two answers for the same element (an answer comes a
    // round trip, or the time-out, after its request).
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> last(size_t(elements), -1);
    qint64 longest = 0;
    QObject::connect(&w.fleetMonitor().check(), &FleetCheck::checked, [&](int index) {
        if (index < 0 || index >= elements)
            return;
        const qint64 now = clock.elapsed();
        if (last[size_t(index)] >= 0)
            longest = std::max(longest, now - last[size_t(index)]);
        last[size_t(index)] = now;
    });
    // Until every element has its state (a first answer, or the missed checks that make
    // "not answering"), each check is news to the tree and the status line; what the check
    // costs from then on is measured.
    w.ui().spnFleetInterval->setValue(10);
    QElapsedTimer warmUp;
    warmUp.start();
    while (w.fleetMonitor().check().schedule().counts().notChecked > 0 && warmUp.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    std::printf("  every element has its state after %.1f s\n", double(warmUp.elapsed()) / 1000.0);
    const quint64 sent0 = w.fleetMonitor().check().requestsSent();
    int changes = 0;
    const auto counting = QObject::connect(&w.fleetMonitor().check(), &FleetCheck::stateChanged,
                                           [&] { ++changes; });
    const Window on = measure(seconds);
    QObject::disconnect(counting);
    std::printf("  changes of state while measured: %d\n", changes);
    const double requests = double(w.fleetMonitor().check().requestsSent() - sent0);
    const auto perRequest = [&](double onShare, double offShare) {
        return requests > 0 ? (onShare - offShare) / 100.0 * seconds / requests * 1e6 : 0;
    };
    std::printf("  requests sent: %.1f a second; echo requests on the wire: %.1f a second on "
                "average, at most %lld in one second\n",
                requests / seconds, on.perSecond, (long long)on.mostInOneSecond);
    std::printf("  window CPU: %.2f%% with the check on (user %.2f%%, kernel %.2f%%), %.2f%% off\n",
                on.share(), on.userShare, on.systemShare, off.share());
    std::printf("  cost per request: %.0f us of the window's time (user %.0f us, kernel %.0f us)\n",
                perRequest(on.share(), off.share()), perRequest(on.userShare, off.userShare),
                perRequest(on.systemShare, off.systemShare));
    std::printf("  longest wait of an element between two checks: %.1f s\n",
                double(longest) / 1000.0);
    std::printf("  status line: %s\n", qPrintable(w.ui().lblFleetStatus->text()));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(12, atoi(argv[1])) : 30;
    QFile dev(QStringLiteral("/proc/self/net/dev"));
    if (!dev.open(QIODevice::ReadOnly) || dev.readAll().count(':') != 1 || outEchos() < 0) {
        std::fprintf(stderr, "run it in a private network namespace: tests/run-in-netns.sh %s\n",
                     argv[0]);
        return 77;
    }
    if (!route("prohibit", "127.2.0.0/16") || !route("blackhole", "127.3.0.0/16")) {
        std::fprintf(stderr, "the routes for the refused and the silent elements failed\n");
        return 1;
    }
    if (argc > 2) {
        fleetOf(std::max(1, atoi(argv[2])), seconds);
        return 0;
    }
    fleetOf(1000, seconds);
    fleetOf(200, seconds);
    return 0;
}
