// The audio level meter under load: the request rate achieved against the rate asked (at
// the 50 ms default and at the fastest interval of Slider1, 20 ms), how many reports are
// lost on the way (the endpoint stays bound between requests, so none should be), how
// responsive the window stays, whether a report backlog builds up, and the NMS side's
// CPU share per 100 level reports a second.
//
// This process is the NMS side (management endpoint, common sender, meter, a shown bar and
// label, as the main window composes them); a stand-in element, a second process, answers
// every "VOL" on 127.0.0.2 with a 1203-byte report, or floods reports at a fixed rate.
// CPU share is this process's CPU time (user and system) over wall time.  Run it in a
// private network namespace (fixed ports 2976 and 2977):
//     tests/run-in-netns.sh build/dev/bench/bench_level_meter

#include "behaviours/diagnostics/AudioLevelMeter.h"
#include "core/common/MessageBoxes.h"
#include "core/common/ProgramEnd.h"
#include "core/database/IniStore.h"
#include "core/protocol/ElementSender.h"
#include "core/protocol/ManagementEndpoint.h"
#include "views/LevelBar.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QProcess>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <cstdlib>

namespace {

class PrintingMessages final : public MessageBoxes {
public:
    MsgAnswer show(const MessageRequest& r) override {
        std::fprintf(stderr, "message: %s\n", r.text.toLocal8Bit().constData());
        return MsgAnswer::Ok;
    }
};

class CountingEnd final : public ProgramEnd {
public:
    void end(int) override { ended = true; }
    bool ended = false;
};

sockaddr_in address(const char* ip, quint16 port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, ip, &a.sin_addr);
    return a;
}

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The send time rides in four negative samples (first byte 0x80, which the meter skips),
// so the NMS side can tell how old each report is when it is handled.
void stamp(QByteArray& report) {
    const quint64 t = quint64(nowNs());
    for (int i = 0; i < 4; ++i) {
        report[3 + 3 * i] = char(0x80);
        report[4 + 3 * i] = char((t >> (16 * i + 8)) & 0xff);
        report[5 + 3 * i] = char((t >> (16 * i)) & 0xff);
    }
}

qint64 stampOf(const QByteArray& report) {
    quint64 t = 0;
    for (int i = 0; i < 4; ++i)
        t |= (quint64(quint8(report[4 + 3 * i])) << (16 * i + 8)) | (quint64(quint8(report[5 + 3 * i])) << (16 * i));
    return qint64(t);
}

// The stand-in element, a process of its own (this program run with --element): answers
// "VOL" on 127.0.0.2:2977, or sends reports at a fixed rate.  It says "ready" once bound,
// runs until its standard input closes, then prints what it counted.
int runElement(int floodRate) {
    QByteArray report(1203, '\0');
    const QByteArray sample = QByteArray::fromHex("400000"); // -6 dBFS
    for (int at = 0; at + 3 <= report.size(); at += 48 * 3)
        report.replace(at, 3, sample);
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in self = address("127.0.0.2", 2977);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&self), sizeof self) != 0) {
        std::perror("element: bind 127.0.0.2:2977");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    const sockaddr_in nms = address("127.0.0.1", 2976);
    auto send = [&] {
        stamp(report);
        ::sendto(fd, report.constData(), size_t(report.size()), 0, reinterpret_cast<const sockaddr*>(&nms),
                 sizeof nms);
    };
    int requests = 0, sent = 0;
    QElapsedTimer clock;
    clock.start();
    qint64 nextFlood = 0;
    for (;;) {
        int waitMs = 5;
        if (floodRate > 0) {
            const qint64 now = clock.nsecsElapsed();
            while (nextFlood <= now) {
                send();
                ++sent;
                nextFlood += 1000000000LL / floodRate;
            }
            waitMs = int(std::max<qint64>(0, (nextFlood - now) / 1000000));
        }
        pollfd p[2] = {{fd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (::poll(p, 2, waitMs) <= 0)
            continue;
        if (p[1].revents) {
            char c;
            if (::read(STDIN_FILENO, &c, 1) <= 0)
                break; // the bench is done with this run
        }
        if (!(p[0].revents & POLLIN))
            continue;
        char buf[64];
        const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n == 3 && std::memcmp(buf, "VOL", 3) == 0) {
            ++requests;
            if (floodRate == 0) { // < 0: silent
                send();
                ++sent;
            }
        }
    }
    ::close(fd);
    std::printf("requests %d sent %d\n", requests, sent);
    return 0;
}

struct Element {
    QProcess process;
    int requests = 0;
    int reportsSent = 0;
    bool start(int floodRate) {
        process.start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--element"), QString::number(floodRate)});
        return process.waitForReadyRead(5000) && process.readLine().trimmed() == "ready";
    }
    void finish() {
        process.closeWriteChannel();
        process.waitForFinished(5000);
        const QList<QByteArray> words = process.readAllStandardOutput().simplified().split(' ');
        if (words.size() == 4) {
            requests = words[1].toInt();
            reportsSent = words[3].toInt();
        }
    }
};

double processCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A 5 ms probe timer on the main thread: the worst lateness of its ticks is how long the
// window could not react.
struct Responsiveness {
    QTimer probe;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 worstMs = 0;
    Responsiveness() {
        probe.setInterval(5);
        probe.setTimerType(Qt::PreciseTimer);
        QObject::connect(&probe, &QTimer::timeout, [this] {
            const qint64 now = clock.elapsed();
            worstMs = std::max(worstMs, now - last - 5);
            last = now;
        });
    }
    void start() {
        clock.start();
        last = 0;
        worstMs = 0;
        probe.start();
    }
};

// The program's own event loop, idle between events.
void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--element") == 0)
        return runElement(std::atoi(argv[2]));
    // The offscreen platform's remark on size hints is noise here.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
        if (!text.contains(QLatin1String("propagateSizeHints")))
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    });
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("nms.ini"));
    if (!IniStore::WriteToINI(QStringLiteral("0011223344AA"), QStringLiteral("ip"),
                              QStringLiteral("127.0.0.2"), ini)) {
        std::printf("cannot write %s\n", qPrintable(ini));
        return 1;
    }

    PrintingMessages messages;
    CountingEnd programEnd;
    ManagementEndpoint endpoint;
    if (!endpoint.bindLocal(QStringLiteral("127.0.0.1"))) {
        std::fprintf(stderr, "cannot bind 127.0.0.1:2976 (%s); run it in a private namespace:\n"
                             "  tests/run-in-netns.sh %s\n", endpoint.errorString().toLocal8Bit().constData(), argv[0]);
        return 77;
    }
    ElementSender::Context sc;
    sc.endpoint = &endpoint;
    sc.messages = &messages;
    sc.programEnd = &programEnd;
    sc.selectedMac = [] { return QStringLiteral("00:11:22:33:44:AA"); };
    sc.localAddress = [] { return QStringLiteral("127.0.0.1"); };
    sc.iniPath = ini;
    ElementSender sender(sc);

    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* bar = new LevelBar(&window);
    auto* label = new QLabel(QStringLiteral("-oodBFS"), &window);
    auto* check = new QCheckBox(QStringLiteral("?"), &window);
    layout->addWidget(bar);
    layout->addWidget(label);
    layout->addWidget(check);
    window.show();
    QTimer tmrVolume;
    tmrVolume.setTimerType(Qt::PreciseTimer);
    AudioLevelMeter meter({bar, label, check, &tmrVolume}, &sender, &endpoint);

    Responsiveness probe;
    // How old each report is when the meter takes it.
    struct Age {
        double sumMs = 0, maxMs = 0;
        int n = 0;
        void reset() { *this = {}; }
        double meanMs() const { return n ? sumMs / n : 0; }
    } age;
    QObject::connect(&endpoint, &ManagementEndpoint::levelReportArrived, [&age](const QByteArray& r) {
        const double ms = double(nowNs() - stampOf(r)) / 1e6;
        age.sumMs += ms;
        age.maxMs = std::max(age.maxMs, ms);
        ++age.n;
    });
    constexpr int kRunMs = 5000;

    std::printf("Audio level meter, %d s per run, NMS and element as two processes (loopback, private namespace)\n\n",
                kRunMs / 1000);
    std::printf("Requests (element answers each with a 1203-byte report):\n");
    std::printf("%-9s %8s %11s %8s %10s %6s %17s %12s\n", "interval", "asked/s", "achieved/s", "ratio",
                "reports/s", "lost", "report age (ms)", "worst stall");
    int lostAtFastest = -1;
    int replacedAtFastest = -1;
    for (int interval : {50, 20}) {
        Element element;
        if (!element.start(0))
            return 1;
        tmrVolume.setInterval(interval);
        const int shownBefore = meter.reportsShown();
        const int replacedBefore = endpoint.levelReportsReplaced();
        probe.start();
        age.reset();
        QElapsedTimer wall;
        wall.start();
        check->setChecked(true);
        runFor(kRunMs);
        check->setChecked(false);
        const double seconds = double(wall.elapsed()) / 1000.0;
        probe.probe.stop();
        runFor(200); // let the last answers in
        element.finish();
        const double asked = 1000.0 / interval;
        const double achieved = element.requests / seconds;
        const int shown = meter.reportsShown() - shownBefore;
        if (interval == 20) {
            lostAtFastest = element.reportsSent - shown;
            replacedAtFastest = endpoint.levelReportsReplaced() - replacedBefore;
        }
        std::printf("%-9s %8.1f %11.1f %7.1f%% %10.1f %6d %8.2f / %6.2f %9lld ms\n",
                    (QByteArray::number(interval) + " ms").constData(), asked, achieved, 100.0 * achieved / asked,
                    shown / seconds, element.reportsSent - shown, age.meanMs(), age.maxMs,
                    static_cast<long long>(probe.worstMs));
    }

    std::printf("\nLevel reports lost at the fastest meter rate (20 ms) in %d s: %d (of which passed over\n"
                "for a newer one that arrived before the older was shown: %d)\n",
                kRunMs / 1000, lostAtFastest, replacedAtFastest);

    std::printf("\nCPU share of the NMS process, reports sent at a fixed rate (meter running, 50 ms requests;\n"
                "the first row: an element that sends nothing, the cost of the requests and the probe):\n");
    std::printf("%-9s %8s %10s %18s %6s %9s %17s %12s\n", "reports/s", "shown/s", "CPU share", "per 100 reports/s",
                "lost", "passed", "report age (ms)", "worst stall");
    tmrVolume.setInterval(50);
    double idleShare = 0;
    for (int rate : {-1, 100, 200, 500, 1000}) {
        Element element;
        if (!element.start(rate))
            return 1;
        const int shownBefore = meter.reportsShown();
        const int replacedBefore = endpoint.levelReportsReplaced();
        check->setChecked(true);
        runFor(300); // settle
        const int shownAtStart = meter.reportsShown();
        probe.start();
        age.reset();
        QElapsedTimer wall;
        wall.start();
        const double cpuStart = processCpuSeconds();
        runFor(kRunMs);
        const double cpu = processCpuSeconds() - cpuStart;
        const double seconds = double(wall.elapsed()) / 1000.0;
        const int shownInRun = meter.reportsShown() - shownAtStart;
        probe.probe.stop();
        element.finish();
        runFor(200);
        check->setChecked(false);
        const int shown = meter.reportsShown() - shownBefore;
        const double share = cpu / seconds;
        if (rate < 0) {
            idleShare = share;
            std::printf("%-9s %8.1f %9.2f%% %18s %6s %9s %17s %9lld ms\n", "none", shownInRun / seconds, 100.0 * share,
                        "-", "-", "-", "-", static_cast<long long>(probe.worstMs));
            continue;
        }
        std::printf("%-9d %8.1f %9.2f%% %17.2f%% %6d %9d %8.2f / %6.2f %9lld ms\n", rate, shownInRun / seconds,
                    100.0 * share, 100.0 * (share - idleShare) / (rate / 100.0), element.reportsSent - shown,
                    endpoint.levelReportsReplaced() - replacedBefore, age.meanMs(), age.maxMs,
                    static_cast<long long>(probe.worstMs));
    }
    std::printf("\nlost: reports the element sent that the meter never showed; passed: of those, the ones a\n"
                "newer report replaced before they were shown (only the newest level is shown); report age:\n"
                "mean / max time from the element's send to the meter; worst stall: the longest the main\n"
                "thread could not react (5 ms probe); per 100 reports/s: the CPU share above the first row,\n"
                "per 100 reports a second.\n");
    if (programEnd.ended)
        std::printf("\nA send failed (see the message above).\n");
    return programEnd.ended ? 1 : 0;
}
