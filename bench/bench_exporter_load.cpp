// tessovar-exporter under hostile input, on loopback only (run it in a private network
// namespace: tests/run-in-netns.sh build/dev/bench/bench_exporter_load):
//  1. element databases of 60 MB that are all section headers ("[XXXXXXXXXXXX]" lines,
//     4,000,000 distinct elements; "[a]" lines, no element): time until /metrics answers,
//     the size of a scrape, and the exporter's peak memory;
//  2. scrape latency (median, slowest) while 2,000 idle connections are held open, and
//     while 50 slow clients, and then more than the server has threads, send their
//     requests a byte every 200 ms; the exporter's peak memory and open files.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr quint16 kPort = 19711;

int connectTo(bool blocking) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | (blocking ? 0 : SOCK_NONBLOCK), 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(kPort);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && errno != EINPROGRESS) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One scrape of /metrics; its time in ms and size, or -1 when it failed (5 s at most).
double scrape(size_t* bytes = nullptr) {
    QElapsedTimer t;
    t.start();
    const int fd = connectTo(true);
    if (fd < 0)
        return -1;
    timeval tv{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    const char req[] = "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    if (::send(fd, req, sizeof req - 1, MSG_NOSIGNAL) < 0) {
        ::close(fd);
        return -1;
    }
    std::string all;
    char buf[65536];
    ssize_t n;
    while ((n = ::recv(fd, buf, sizeof buf, 0)) > 0)
        all.append(buf, size_t(n));
    ::close(fd);
    if (all.compare(0, 12, "HTTP/1.1 200") != 0)
        return -1;
    if (bytes)
        *bytes = all.size();
    return double(t.nsecsElapsed()) / 1e6;
}

QByteArray status(qint64 pid, const char* key) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return "?";
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qsizetype(strlen(key))).trimmed();
    }
    return "?";
}

int openFiles(qint64 pid) {
    return int(QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryList(QDir::Files).size());
}

bool startExporter(QProcess& p, const QString& db) {
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../tessovar-exporter"),
            {QStringLiteral("--database"), db, QStringLiteral("--listen"),
             QStringLiteral("127.0.0.1:%1").arg(kPort)});
    if (!p.waitForStarted(5000))
        return false;
    QElapsedTimer t;
    t.start();
    while (scrape() < 0) {
        if (p.state() != QProcess::Running || t.elapsed() > 120000)
            return false;
        QThread::msleep(20);
    }
    return true;
}

void stopExporter(QProcess& p) {
    p.terminate();
    if (!p.waitForFinished(5000))
        p.kill();
    p.waitForFinished(2000);
}

void latency(const char* during, const std::function<void()>& load, qint64 pid) {
    std::vector<double> times;
    int failed = 0;
    QElapsedTimer t;
    t.start();
    std::atomic<bool> stop{false};
    std::thread loader([&] {
        while (!stop)
            load();
    });
    QThread::msleep(500);
    while (t.elapsed() < 10000) {
        const double ms = scrape();
        if (ms < 0)
            ++failed;
        else
            times.push_back(ms);
        QThread::msleep(100);
    }
    const int files = openFiles(pid);
    stop = true;
    loader.join();
    std::sort(times.begin(), times.end());
    std::printf("%-32s scrapes %3zu  failed %d  median %7.2f ms  slowest %7.2f ms  "
                "exporter: peak memory %s, open files %d\n",
                during, times.size(), failed, times.empty() ? -1 : times[times.size() / 2],
                times.empty() ? -1 : times.back(), status(pid, "VmHWM:").constData(), files);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    rlimit r{};
    ::getrlimit(RLIMIT_NOFILE, &r);
    r.rlim_cur = r.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &r);
    QTemporaryDir dir;

    // 1. Hostile databases, just under the 64 MB cap.
    struct File {
        const char* name;
        QByteArray (*line)(int);
    };
    const File files[] = {
        {"60 MB of [XXXXXXXXXXXX] lines",
         [](int k) { return QStringLiteral("[%1]\r\n").arg(k, 12, 16, QChar(u'0')).toLatin1(); }},
        {"60 MB of [a] lines", [](int) { return QByteArray("[a]\r\n"); }},
    };
    for (const File& f : files) {
        const QString path = dir.filePath(QStringLiteral("hostile.ini"));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly))
            return 1;
        QByteArray chunk;
        for (int k = 0; out.size() + chunk.size() < 60 * 1000 * 1000; ++k) {
            chunk += f.line(k);
            if (chunk.size() > (1 << 20)) {
                out.write(chunk);
                chunk.clear();
            }
        }
        out.write(chunk);
        out.close();
        QProcess exporter;
        QElapsedTimer t;
        t.start();
        if (!startExporter(exporter, path)) {
            std::printf("%-32s the exporter did not answer\n", f.name);
            return 1;
        }
        const qint64 ready = t.elapsed();
        size_t bytes = 0;
        const double ms = scrape(&bytes);
        std::printf("%-32s answering after %5lld ms; scrape %7.2f ms, %zu bytes; peak memory %s\n",
                    f.name, static_cast<long long>(ready), ms, bytes,
                    status(exporter.processId(), "VmHWM:").constData());
        stopExporter(exporter);
    }

    // 2. Connections.
    const QString db = dir.filePath(QStringLiteral("nms.ini"));
    QFile small(db);
    if (!small.open(QIODevice::WriteOnly))
        return 1;
    small.write("[0011223344A1]\r\nNAME=LOOPBACK\r\nIP=127.0.0.1\r\n");
    small.close();
    QProcess exporter;
    if (!startExporter(exporter, db))
        return 1;
    const qint64 pid = exporter.processId();
    latency(
        "no load", [] { QThread::msleep(50); }, pid);

    std::vector<int> idle;
    latency(
        "2,000 idle connections",
        [&] {
            // Keeps 2,000 connections open that never send anything; any the server closes
            // is opened again.
            for (auto it = idle.begin(); it != idle.end();) {
                char c;
                if (::recv(*it, &c, 1, MSG_DONTWAIT) == 0) {
                    ::close(*it);
                    it = idle.erase(it);
                } else {
                    ++it;
                }
            }
            while (idle.size() < 2000) {
                const int fd = connectTo(false);
                if (fd < 0)
                    break;
                idle.push_back(fd);
            }
            QThread::msleep(50);
        },
        pid);
    for (int fd : idle)
        ::close(fd);

    struct Slow {
        int fd;
        size_t sent;
    };
    const std::string request =
        "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: " + std::string(200, 'x') + "\r\n\r\n";
    // 50, and more than the 256 threads of the server.
    for (const size_t clients : {size_t(50), size_t(300)}) {
        std::vector<Slow> slow;
        const std::string during = std::to_string(clients) + " slow clients";
        latency(
            during.c_str(),
            [&] {
                while (slow.size() < clients) {
                    const int fd = connectTo(false);
                    if (fd < 0)
                        break;
                    slow.push_back({fd, 0});
                }
                for (Slow& s : slow) {
                    if (s.fd < 0)
                        continue;
                    char c = request[s.sent % request.size()];
                    if (::send(s.fd, &c, 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1)
                        ++s.sent;
                    else if (errno != EAGAIN) {
                        ::close(s.fd);
                        s = {connectTo(false), 0};
                    }
                }
                QThread::msleep(200);
            },
            pid);
        for (const Slow& s : slow)
            ::close(s.fd);
    }
    stopExporter(exporter);
    return 0;
}
