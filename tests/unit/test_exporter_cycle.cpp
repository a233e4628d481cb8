// The exporter's check when a whole site goes dark: elements that do not answer are
// checked at the pace of those that do, and who answers is published from the first
// answers on.  Runs in a network namespace of its own (run-in-netns.sh) where a link
// without ARP (one end of a veth pair, nothing behind the other) carries a /16 that
// swallows every echo request.

#include "ExporterCycle.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

bool ip(const QStringList& args) {
    return QProcess::execute(QStringLiteral("ip"), args) == 0;
}

TEST(ExporterCycleTest, SilentElementsAreSeenDownAtThePace) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    if (!ip({"link", "add", "silent0", "type", "veth", "peer", "name", "silent1"}) ||
        !ip({"link", "set", "silent0", "arp", "off", "up"}) ||
        !ip({"link", "set", "silent1", "up"}) ||
        !ip({"addr", "add", "10.99.0.1/16", "dev", "silent0"}))
        GTEST_SKIP() << "cannot make a link (needs root in the test's own namespace)";

    constexpr int kSilent = 300;
    constexpr int kRate = 100;
    std::vector<ExportedElement> elements(1);
    elements[0].mac = QStringLiteral("00:11:22:33:44:00");
    elements[0].ip = QStringLiteral("127.0.0.1");
    for (int k = 0; k < kSilent; ++k) {
        ExportedElement e;
        e.mac = QStringLiteral("00:11:22:33:%1:%2")
                    .arg(k / 256 + 1, 2, 16, QChar(u'0'))
                    .arg(k % 256, 2, 16, QChar(u'0'));
        e.ip = QStringLiteral("10.99.%1.%2").arg(k / 200 + 1).arg(k % 200 + 2);
        elements.push_back(e);
    }
    MetricsStore store;
    ExporterCycle cycle(store, 600, kRate);
    cycle.setElements(elements);
    QElapsedTimer t;
    t.start();
    cycle.start();
    auto count = [&](bool up) {
        int n = 0;
        for (const ElementSample& s : store.snapshot().elements)
            n += s.checked && s.up == up;
        return n;
    };
    auto waitFor = [&](const std::function<bool()>& done, qint64 ms) {
        while (!done() && t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    };
    // The element that answers is shown up long before the check ends.
    EXPECT_TRUE(waitFor([&] { return count(true) == 1; }, 1000)) << t.elapsed();
    EXPECT_EQ(cycle.checksDone(), 0u);
    // Every silent element is shown down within one pass at the pace, plus the time-out
    // (and room for a loaded machine; 8 in flight took 75 s here).
    const qint64 bound = qint64(kSilent) * 1000 / kRate + ExporterCycle::kPingTimeoutMs + 5000;
    EXPECT_TRUE(waitFor([&] { return count(false) == kSilent; }, bound))
        << count(false) << " of " << kSilent << " down after " << t.elapsed() << " ms";
    EXPECT_GE(cycle.maxPingsInFlight(), kRate * ExporterCycle::kPingTimeoutMs / 1000);
}

} // namespace
