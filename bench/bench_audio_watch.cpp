// The audio watch's cost with 200 watched encoders at the default interval: the main
// window (offscreen, fleet check off) over a database of 200 encoders at 127.0.1.1 to
// 127.0.1.200, every one ticked in the "Audio watch" dock.  A stand-in, a process of its
// own, answers every "VOL" from the address it was sent to (one socket on port 2977 of
// every address) with a 1203-byte report that carries its send time in samples the
// meter skips.  Printed:
// - the level requests a second on the wire, as the stand-in receives them (on average
//   and at most in any one second);
// - the window's CPU share (this process's user and system time over wall time), with
//   the watch off and on;
// - the time from a report's sending (its arrival, on loopback) to its row's update;
// - the reports matched to no encoder (must be 0).
// Run it in a private network namespace (fixed ports 2976 and 2977):
//     tests/run-in-netns.sh build/dev/bench/bench_audio_watch [seconds]

#include "TestServices.h"

#include "app/frmMain.h"
#include "behaviours/audio/AudioWatchMonitor.h"
#include "core/audio/AudioWatchSettings.h"
#include "core/protocol/ManagementEndpoint.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

namespace {

constexpr int kEncoders = 200;

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The send time in four negative samples (first byte 0x80, skipped by the peak).
void stamp(char* report) {
    const quint64 t = quint64(nowNs());
    for (int i = 0; i < 4; ++i) {
        report[3 + 3 * i] = char(0x80);
        report[4 + 3 * i] = char((t >> (16 * i + 8)) & 0xff);
        report[5 + 3 * i] = char((t >> (16 * i)) & 0xff);
    }
}

qint64 stampOf(const QByteArray& r) {
    quint64 t = 0;
    for (int i = 0; i < 4; ++i)
        t |= (quint64(quint8(r[4 + 3 * i])) << (16 * i + 8)) |
             (quint64(quint8(r[5 + 3 * i])) << (16 * i));
    return qint64(t);
}

// The stand-in: answers until `stop` becomes readable, then writes its figures to `out`.
int runEncoders(int stop, int out) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(2977);
    const int on = 1;
    if (fd < 0 || ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
        std::perror("encoders: port 2977");
        return 1;
    }
    char report[1203] = {};
    for (int at = 0; at + 3 <= int(sizeof report); at += 48 * 3)
        report[at] = 0x40; // -6 dBFS
    std::deque<qint64> lastSecond;
    long long requests = 0, most = 0;
    for (;;) {
        pollfd p[2] = {{fd, POLLIN, 0}, {stop, POLLIN, 0}};
        if (::poll(p, 2, 100) < 0 || p[1].revents)
            break;
        if (!(p[0].revents & POLLIN))
            continue;
        char buf[16];
        char control[64];
        sockaddr_in from{};
        iovec io{buf, sizeof buf};
        msghdr m{};
        m.msg_name = &from;
        m.msg_namelen = sizeof from;
        m.msg_iov = &io;
        m.msg_iovlen = 1;
        m.msg_control = control;
        m.msg_controllen = sizeof control;
        if (::recvmsg(fd, &m, 0) != 3)
            continue;
        const qint64 t = nowNs();
        ++requests;
        lastSecond.push_back(t);
        while (lastSecond.front() < t - 1000000000LL)
            lastSecond.pop_front();
        most = std::max<long long>(most, (long long)lastSecond.size());
        // From the address it was sent to, so each answer is that encoder's.
        in_addr to{};
        for (cmsghdr* c = CMSG_FIRSTHDR(&m); c != nullptr; c = CMSG_NXTHDR(&m, c))
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO)
                to = reinterpret_cast<in_pktinfo*>(CMSG_DATA(c))->ipi_addr;
        char answerControl[CMSG_SPACE(sizeof(in_pktinfo))] = {};
        iovec answer{report, sizeof report};
        msghdr a{};
        a.msg_name = &from;
        a.msg_namelen = sizeof from;
        a.msg_iov = &answer;
        a.msg_iovlen = 1;
        a.msg_control = answerControl;
        a.msg_controllen = sizeof answerControl;
        cmsghdr* c = CMSG_FIRSTHDR(&a);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_spec_dst = to;
        std::memcpy(CMSG_DATA(c), &info, sizeof info);
        stamp(report);
        (void)::sendmsg(fd, &a, 0);
    }
    const long long figures[2] = {requests, most};
    return ::write(out, figures, sizeof figures) == sizeof figures ? 0 : 1;
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double cpuShareOver(int seconds) {
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    return 100.0 * (cpuSeconds() - cpu0) / (double(wall.elapsed()) / 1000.0);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    const int seconds = argc > 1 ? std::max(8, atoi(argv[1])) : 30;
    QFile dev(QStringLiteral("/proc/self/net/dev"));
    if (!dev.open(QIODevice::ReadOnly) || dev.readAll().count(':') != 1) {
        std::fprintf(stderr, "run it in a private network namespace: tests/run-in-netns.sh %s\n",
                     argv[0]);
        return 77;
    }
    int stop[2], figures[2];
    if (::pipe(stop) != 0 || ::pipe(figures) != 0)
        return 1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(stop[1]);
        ::close(figures[0]);
        _exit(runEncoders(stop[0], figures[1]));
    }
    ::close(stop[0]);
    ::close(figures[1]);

    QApplication app(argc, argv);
    TestBed bed;
    QByteArray ini;
    QStringList sections;
    for (int i = 0; i < kEncoders; ++i) {
        const QByteArray mac =
            QByteArray::number(0x001122000000LL + i, 16).rightJustified(12, '0').toUpper();
        ini += "[" + mac + "]\r\nNAME=ENCODER " + QByteArray::number(i) + "\r\nIP=127.0.1." +
               QByteArray::number(i + 1) + "\r\nROLE=1\r\n";
        sections.append(QString::fromLatin1(mac));
    }
    bed.writeIni(ini);
    bed.settings.values.insert(QStringLiteral("FleetCheckInterval"), QStringLiteral("0"));
    frmMain w(bed.services());
    if (!w.startUp())
        return 1;
    AudioWatchMonitor& monitor = w.audioWatch();
    QEventLoop settle;
    QTimer::singleShot(200, &settle, &QEventLoop::quit);
    settle.exec();

    std::printf("audio watch, %d encoders, interval %d ms, %d s each measurement\n", kEncoders,
                monitor.watch().limits().intervalMs, seconds);
    const double off = cpuShareOver(std::max(5, seconds / 3));
    std::printf("  watch off:  CPU %.2f%%\n", off);

    // The row is updated inside the endpoint's hand-over, before this later connection runs.
    std::vector<qint64> ages;
    QObject::connect(&w.endpoint(), &ManagementEndpoint::levelReportArrived,
                     [&ages](const QByteArray& r) { ages.push_back(nowNs() - stampOf(r)); });
    w.ui().chkWatchAll->click();
    const quint64 sent0 = monitor.watch().requestsSent();
    QElapsedTimer wall;
    wall.start();
    const double on = cpuShareOver(seconds);
    const double elapsed = double(wall.elapsed()) / 1000.0;
    const quint64 sent = monitor.watch().requestsSent() - sent0;
    ::close(stop[1]);
    long long wire[2] = {0, 0};
    const bool counted = ::read(figures[0], wire, sizeof wire) == sizeof wire;
    ::waitpid(child, nullptr, 0);

    std::sort(ages.begin(), ages.end());
    auto pct = [&ages](double p) {
        return ages.empty() ? 0.0 : double(ages[size_t(p * double(ages.size() - 1))]) / 1e6;
    };
    std::printf("  watch on:   CPU %.2f%% (the watch's cost %.2f%%)\n", on, on - off);
    std::printf("  requests sent by the window: %.1f/s\n", double(sent) / elapsed);
    if (counted)
        std::printf("  requests on the wire: %lld in all (%.1f/s over the whole run), at most %lld "
                    "in one second\n",
                    wire[0], double(wire[0]) / elapsed, wire[1]);
    std::printf("  reports shown: %zu; report to row: median %.3f ms, 99th percentile %.3f ms, "
                "worst %.3f ms\n",
                ages.size(), pct(0.5), pct(0.99), pct(1.0));
    std::printf(
        "  each encoder asked every %lld ms; reports matched: %llu, matched to no encoder: %llu\n",
        (long long)monitor.watch().periodMs(), (unsigned long long)monitor.watch().reportsMatched(),
        (unsigned long long)monitor.watch().reportsUnmatched());
    std::printf("  status: %s\n", qPrintable(w.ui().lblAudioWatch->text()));
    return monitor.watch().reportsUnmatched() == 0 ? 0 : 1;
}
