// The fleet check's plan: the pace and order of the requests, the states the answers
// make, the elements read from the database, and the event log file's rotation.

#include "core/database/IniSnapshot.h"
#include "core/diagnostics/Icmp.h"
#include "core/fleet/EventLogFile.h"
#include "core/fleet/FleetElement.h"
#include "core/fleet/FleetSchedule.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <deque>
#include <map>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint32 kOk = Icmp::Status::Success;
constexpr qint32 kLost = Icmp::Status::RequestTimedOut;
constexpr qint32 kNone = Icmp::Status::NoRequest;

std::vector<FleetElement> fleet(int n, int firstHost = 2) {
    std::vector<FleetElement> out;
    for (int i = 0; i < n; ++i) {
        FleetElement e;
        e.mac = QStringLiteral("00:11:22:33:%1:%2")
                    .arg(i / 256, 2, 16, QLatin1Char('0'))
                    .arg(i % 256, 2, 16, QLatin1Char('0'))
                    .toUpper();
        e.ip = QStringLiteral("127.0.%1.%2").arg((firstHost + i) / 256).arg((firstHost + i) % 256);
        out.push_back(e);
    }
    return out;
}

// Runs the schedule in 1 ms steps, asking it for requests when an answer came and when
// it asked to be woken (`lateMs` after that, as a timer may be); every request is
// answered `delayMs` later with outcome(index, n-th request of that element).
struct Simulation {
    FleetSchedule s;
    int lateMs = 0;
    std::vector<qint64> sends;
    std::map<int, int> perElement;
    std::map<int, qint64> lastSent;
    qint64 longestGapMs = 0; // between two requests for one element
    int maxInFlight = 0;
    std::vector<FleetChange> changes;

    void go(qint64 fromMs, qint64 toMs, int delayMs,
            const std::function<qint32(int, int)>& outcome) {
        std::deque<std::pair<qint64, FleetSchedule::Request>> due;
        qint64 wake = fromMs;
        for (qint64 t = fromMs; t < toMs; ++t) {
            bool asked = wake >= 0 && t >= wake + lateMs;
            while (!due.empty() && due.front().first <= t) {
                asked = true;
                const auto r = due.front().second;
                due.pop_front();
                const auto o = s.answer(r.tag, outcome(r.index, perElement[r.index]), 1500, t);
                if (o.change)
                    changes.push_back(*o.change);
            }
            if (!asked)
                continue;
            while (const auto r = s.next(t, &wake)) {
                sends.push_back(t);
                ++perElement[r->index];
                if (lastSent.count(r->index))
                    longestGapMs = std::max(longestGapMs, t - lastSent[r->index]);
                lastSent[r->index] = t;
                due.emplace_back(t + delayMs, *r);
                maxInFlight = std::max(maxInFlight, s.inFlight());
            }
        }
    }
};

TEST(FleetScheduleTest, PaceInFlightAndTurns) {
    struct Case {
        const char* what;
        int elements;
        int delayMs;
        int intervalMs;
        int minPerElement, maxPerElement; // checks of each element in 30 s
    };
    const Case cases[] = {
        // 600 requests in 30 s shared by 300 elements: each in turn, none twice before
        // every other once.
        {"more elements than one interval can check", 300, 1, 10000, 2, 2},
        // Four in flight, 400 ms each: 10 a second, 100 elements in 10 s.
        {"answers that take 400 ms: only a few wait at once", 100, 400, 10000, 2, 3},
        // Few elements: each once per interval (30 s / 5 s, the first at once; the first
        // asked of a quick first round once more, so that none waits longer).
        {"a small fleet, checked once per interval", 3, 1, 5000, 6, 7},
    };
    for (const Case& c : cases) {
        Simulation run;
        run.s.setLimits({c.intervalMs, 4, 20, 2});
        run.s.setElements(fleet(c.elements), 0);
        run.go(0, 30000, c.delayMs, [](int, int) { return kOk; });
        // Never more than 20 in any second.
        for (size_t i = 20; i < run.sends.size(); ++i)
            ASSERT_GE(run.sends[i] - run.sends[i - 20], 1000) << c.what << " at " << run.sends[i];
        EXPECT_LE(run.maxInFlight, 4) << c.what;
        ASSERT_EQ(int(run.perElement.size()), c.elements) << c.what;
        for (const auto& [index, n] : run.perElement) {
            EXPECT_GE(n, c.minPerElement) << c.what << " element " << index;
            EXPECT_LE(n, c.maxPerElement) << c.what << " element " << index;
        }
        EXPECT_EQ(run.s.counts().answering, c.elements) << c.what;
    }
}

// At the default limits the pace follows the fleet: every element once per interval, up
// to 100 requests a second, and as many in flight as the time-out needs, so elements
// that never answer are checked at the same pace as those that do.
TEST(FleetScheduleTest, DefaultPaceFollowsTheFleetAndTheTimeOut) {
    struct Case {
        const char* what;
        int elements;
        int delayMs;    // the answer, or the time-out
        int perSecond;  // requests a second
        int checksEach; // of each element in 30 s
        int wakeGridMs = 0;
    };
    const Case cases[] = {
        {"1,000 that answer: 100 a second", 1000, 1, 100, 3},
        {"1,000 silent: 200 wait for their time-out", 1000, 2000, 100, 3},
        {"200 silent: 20 a second", 200, 2000, 20, 3},
        {"2,000: the limit of 100 a second holds, each in turn", 2000, 1, 100, 1},
        // Woken on a 50 ms grid (each time 2 ms late), the check sends what fell due
        // meanwhile: the pace and the limit hold all the same.
        {"1,000 asked in bursts: still 100 a second", 1000, 1, 100, 2, 50},
        {"2,000 asked in bursts: the limit holds", 2000, 1, 100, 1, 50},
        {"1,000 silent asked in bursts", 1000, 2000, 100, 2, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Simulation run;
        if (c.wakeGridMs > 0) {
            FleetLimits limits;
            limits.wakeGridMs = c.wakeGridMs;
            run.s.setLimits(limits);
            run.lateMs = 2;
        }
        run.s.setElements(fleet(c.elements), 0);
        run.go(0, 30000, c.delayMs, [&](int, int) { return c.delayMs >= 2000 ? kLost : kOk; });
        // After the first interval (the first round goes faster, and the second starts
        // early).
        const auto steady = std::count_if(run.sends.begin(), run.sends.end(),
                                          [](qint64 t) { return t >= 10000; });
        EXPECT_NEAR(double(steady) / 20.0, c.perSecond, 1.0);
        for (size_t i = 100; i < run.sends.size(); ++i)
            ASSERT_GE(run.sends[i] - run.sends[i - 100], 1000) << "at " << run.sends[i];
        // Half as many again as the pace needs in a time-out, at most (a new list is asked
        // at the fastest pace first).
        EXPECT_LE(run.maxInFlight,
                  c.perSecond * std::max(c.delayMs, c.wakeGridMs) / 1000 * 3 / 2 + 1);
        for (const auto& [index, n] : run.perElement)
            ASSERT_GE(n, c.checksEach) << "element " << index;
        // Each element in turn, once a round: an interval, or what the limit makes of it
        // (half a time-out more while a first round of silent elements waits for their
        // time-outs to make room).
        const qint64 round = std::max<qint64>(10000, c.elements * 1000 / c.perSecond);
        EXPECT_LE(run.longestGapMs, round + c.wakeGridMs + c.delayMs / 2);
        EXPECT_EQ(run.s.counts().notChecked, 0);
    }
}

TEST(FleetScheduleTest, AShorterIntervalAppliesAtOnce) {
    Simulation run;
    run.s.setLimits({300000, 4, 20, 2});
    run.s.setElements(fleet(2), 0);
    run.go(0, 2000, 1, [](int, int) { return kOk; });
    EXPECT_EQ(run.sends.size(), 2u);
    run.s.setLimits({5000, 4, 20, 2}); // the operator chose 5 s instead of 300 s
    run.go(2000, 10000, 1, [](int, int) { return kOk; });
    ASSERT_EQ(run.sends.size(), 4u);
    EXPECT_EQ(run.sends[2], 5000);
}

TEST(FleetScheduleTest, StatesFollowTheAnswers) {
    struct Case {
        std::vector<qint32> answers;
        FleetState state;
        int changes; // changes of state reported along the way
    };
    const Case cases[] = {
        {{kOk}, FleetState::Answering, 1},
        {{kLost}, FleetState::NotChecked, 0},
        {{kLost, kLost}, FleetState::NotAnswering, 1},
        {{kOk, kLost}, FleetState::Answering, 1},
        {{kOk, kLost, kLost}, FleetState::NotAnswering, 2},
        {{kOk, kLost, kOk, kLost}, FleetState::Answering, 1},
        {{kOk, kLost, kLost, kOk}, FleetState::Answering, 3},
        {{Icmp::Status::DestHostUnreachable, kLost}, FleetState::NotAnswering, 1},
        // No request could be made: that is no check, and it breaks no run of misses.
        {{kNone, kNone, kNone}, FleetState::NotChecked, 0},
        {{kOk, kLost, kNone, kLost}, FleetState::NotAnswering, 2},
    };
    for (const Case& c : cases) {
        Simulation run;
        run.s.setLimits({1000, 4, 20, 2});
        run.s.setElements(fleet(1), 0);
        run.go(0, 1000 * qint64(c.answers.size()), 1,
               [&](int, int n) { return c.answers[size_t(n - 1)]; });
        ASSERT_EQ(run.perElement[0], int(c.answers.size()));
        EXPECT_EQ(run.s.status(0).state, c.state) << c.answers.size();
        EXPECT_EQ(int(run.changes.size()), c.changes) << c.answers.size();
        for (const FleetChange& ch : run.changes)
            EXPECT_NE(ch.from, ch.to);
    }
}

TEST(FleetScheduleTest, ANewListKeepsWhatItStillHolds) {
    FleetSchedule s({1000, 4, 20, 2});
    std::vector<FleetElement> first = fleet(3);
    first[2].ip = QString(); // cannot be checked
    s.setElements(first, 0);
    qint64 wake = 0;
    std::vector<FleetSchedule::Request> sent;
    for (qint64 t = 0; t < 500; ++t) {
        while (const auto r = s.next(t, &wake))
            sent.push_back(*r);
    }
    ASSERT_EQ(sent.size(), 2u); // the element without an address is never asked
    EXPECT_EQ(s.answer(sent[0].tag, kOk, 800, 500).index, 0);
    EXPECT_EQ(s.answer(sent[0].tag, kOk, 800, 500).index, -1); // answered twice: once counts

    // Element 0 stays as it was; element 1 changed its address while its request was
    // out, so that answer no longer counts for it; a new element comes in.
    std::vector<FleetElement> second = fleet(4);
    second[1].ip = QStringLiteral("127.0.9.9");
    second[2].ip = QString();
    s.setElements(second, 600);
    EXPECT_EQ(s.status(0).state, FleetState::Answering);
    EXPECT_EQ(s.status(0).roundTripUs, 800);
    EXPECT_EQ(s.answer(sent[1].tag, kOk, 800, 700).index, -1);
    EXPECT_EQ(s.status(1).state, FleetState::NotChecked);
    const FleetSchedule::Counts c = s.counts();
    EXPECT_EQ(c.elements, 4);
    EXPECT_EQ(c.answering, 1);
    EXPECT_EQ(c.notChecked, 3);

    s.reset();
    EXPECT_EQ(s.counts().answering, 0);
    EXPECT_EQ(s.inFlight(), 0);
}

TEST(FleetElementsTest, ReadAsTheListShowsThem) {
    const IniSnapshot db = IniSnapshot::fromBytes(
        "[0011223344A1]\r\nNAME=STUDIO ONE      \r\nIP=127.0.0.2\r\nROLE=1\r\n"
        "[0011223344b2]\r\nNAME=TX A\r\nIP= 127.0.0.3 \r\nROLE=2\r\nSFN=1\r\n"
        "[NOTAMAC]\r\nIP=127.0.0.4\r\n"
        "[0011223344a1]\r\nIP=127.0.0.5\r\n"
        "[0011223344C3]\r\nROLE=x\r\nIP=239.1.1.1\r\n");
    const std::vector<FleetElement> e = FleetElements::read(db);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].listText(), "STUDIO ONE [00:11:22:33:44:A1]");
    EXPECT_EQ(e[0].role, "encoder");
    EXPECT_FALSE(e[0].sfn);
    EXPECT_EQ(e[1].mac, "00:11:22:33:44:B2");
    EXPECT_EQ(e[1].address(), 0x7f000003u);
    EXPECT_EQ(e[1].role, "decoder");
    EXPECT_TRUE(e[1].sfn);
    EXPECT_EQ(e[2].role, "unknown");

    struct Case {
        const char* ip;
        quint32 address;
    };
    const Case cases[] = {{"127.0.0.2", 0x7f000002u}, {"", 0},          {"0.0.0.0", 0},
                          {"255.255.255.255", 0},     {"239.1.1.1", 0}, {"127.0.0", 0},
                          {"127.0.0.256", 0},         {"127.0.0.x", 0}};
    for (const Case& c : cases) {
        FleetElement f;
        f.ip = QString::fromLatin1(c.ip);
        EXPECT_EQ(f.address(), c.address) << c.ip;
    }
}

TEST(EventLogFileTest, RotatesAndKeepsTheNewest) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log/events.log"));
    EventLogFile log(path, 100, 2);
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(log.append(QStringLiteral("line %1 ").arg(i, 2, 10, QLatin1Char('0')) +
                               QString(20, u'x')))
            << log.errorString().toStdString();
    auto read = [](const QString& p) {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll())
                                           : QStringLiteral("<none>");
    };
    // 29 bytes a line: three to a file.
    EXPECT_TRUE(read(path).startsWith(QStringLiteral("line 18 ")));
    EXPECT_TRUE(read(path + QStringLiteral(".1")).startsWith(QStringLiteral("line 15 ")));
    EXPECT_TRUE(read(path + QStringLiteral(".2")).startsWith(QStringLiteral("line 12 ")));
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".3")));
    EXPECT_LE(QFile(path).size(), 100);

    // A folder where the file should be: the failure is reported.
    QDir().mkpath(dir.filePath(QStringLiteral("blocked.log")));
    EventLogFile blocked(dir.filePath(QStringLiteral("blocked.log")));
    EXPECT_FALSE(blocked.append(QStringLiteral("x")));
    EXPECT_FALSE(blocked.errorString().isEmpty());
}

// A named pipe (read or not) or a device in the log's place is refused at once.
TEST(EventLogFileTest, ANamedPipeOrADeviceIsRefusedWithoutWaiting) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo.log")), device = dir.filePath(QStringLiteral("dev.log"));
    ASSERT_TRUE(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0 &&
                QFile::link(QStringLiteral("/dev/null"), device));
    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    const std::pair<QString, const char*> cases[] = {{fifo, "named pipe"}, {device, "device"}, {fifo, "named pipe"}};
    for (const auto& [path, reason] : cases) {
        EventLogFile log(path);
        EXPECT_FALSE(log.append(QStringLiteral("line")));
        EXPECT_EQ(log.errorString(), QStringLiteral("it is a %1, not a file").arg(QLatin1String(reason)));
        if (path == device)
            ::close(reader); // then nobody reads the pipe: opening it would wait
    }
}

} // namespace
