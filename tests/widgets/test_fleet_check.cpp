// The fleet check in the real main window, against elements on loopback addresses inside
// the test's private network namespace.  An element stops answering when a "prohibit"
// route for its address goes into the namespace's local table (the kernel refuses every
// echo to it), and answers again when the route is removed; all of them fall silent when
// the namespace ignores echo requests (the requests then time out).

#include "ElementDatabase.h"
#include "TestServices.h"

#include "app/frmMain.h"
#include "behaviours/fleet/FleetMonitor.h"
#include "views/ElementTree.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using namespace ElementDatabase;

bool privateNamespace() {
    QFile dev(QStringLiteral("/proc/self/net/dev"));
    if (!dev.open(QIODevice::ReadOnly))
        return false;
    int links = 0;
    bool loopback = false;
    for (const QByteArray& line : dev.readAll().split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0) {
            ++links;
            loopback = loopback || line.left(colon).trimmed() == "lo";
        }
    }
    return links == 1 && loopback;
}

bool run(const QStringList& args) {
    QProcess p;
    p.start(args.first(), args.mid(1));
    return p.waitForFinished(5000) && p.exitCode() == 0;
}

bool ignoreEchoes(bool ignore) {
    const int fd = ::open("/proc/sys/net/ipv4/icmp_echo_ignore_all", O_WRONLY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::write(fd, ignore ? "1\n" : "0\n", 2) == 2;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

bool refuse(const char* ip, bool on) {
    return run({QStringLiteral("ip"), QStringLiteral("route"),
                on ? QStringLiteral("add") : QStringLiteral("del"), QStringLiteral("prohibit"),
                QString::fromLatin1(ip) + QStringLiteral("/32"), QStringLiteral("table"),
                QStringLiteral("local")});
}

class FleetCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!privateNamespace())
            GTEST_SKIP() << "not in a private network namespace: no ICMP is sent from here";
        bed.writeIni(section("0011223344A1", encoder()) + section("0011223344B2", decoder()) +
                     section("0011223344C3",
                             with(encoder(), {{"NAME", "STUDIO TWO"}, {"IP", "127.0.0.4"}})));
        w = std::make_unique<frmMain>(bed.services());
        ASSERT_TRUE(w->startUp());
        // Quick turns for the test: every 300 ms, 300 ms to answer.
        w->fleetMonitor().check().setLimits(4, 20, 300);
        w->fleetMonitor().check().setIntervalMs(300);
    }
    void TearDown() override {
        if (!w)
            return;
        ignoreEchoes(false);
        refuse("127.0.0.3", false);
    }
    QString status() const { return w->ui().lblFleetStatus->text(); }
    bool statusBecomes(const char* line, int ms = 15000) {
        return waitFor([&] { return status() == QLatin1String(line); }, ms);
    }
    QTreeWidgetItem* node(int i) { return w->ui().TreeView1->topLevelItem(i); }
    NodeMark mark(int i) { return NodeMark(node(i)->data(0, ElementTree::StateRole).toInt()); }
    QStringList events() const {
        QStringList out;
        QTreeWidget* l = w->ui().lstEvents;
        for (int i = 0; i < l->topLevelItemCount(); ++i)
            out.append(l->topLevelItem(i)->text(1) + u'|' + l->topLevelItem(i)->text(2));
        return out;
    }

    TestBed bed;
    std::unique_ptr<frmMain> w;
};

TEST_F(FleetCheckTest, StatesFollowElementsThatStopAndStartAnswering) {
    ASSERT_TRUE(statusBecomes("3 elements: 3 answering, 0 not answering"))
        << status().toStdString();
    EXPECT_EQ(mark(1), NodeMark::Answering);
    EXPECT_TRUE(node(1)->toolTip(0).startsWith(QStringLiteral("Answering: round trip ")))
        << node(1)->toolTip(0).toStdString();
    // Answers are read on the check's 100 ms grid: the round trip is the kernel's (a
    // loopback echo takes microseconds), not the time the reply waited to be read.
    const double ms = node(1)->toolTip(0).section(u' ', 3, 3).toDouble();
    EXPECT_LT(ms, 10.0) << node(1)->toolTip(0).toStdString();
    EXPECT_TRUE(node(1)
                    ->data(0, Qt::AccessibleTextRole)
                    .toString()
                    .startsWith(QStringLiteral(
                        "TRANSMITTER A [00:11:22:33:44:B2], answering, round trip ")));
    EXPECT_EQ(node(1)->icon(0).pixmap(16).toImage(), w->ui().ImageList1[7].pixmap(16).toImage());

    // The operator is elsewhere: the change also goes to the desktop.
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(waitFor([&] { return !w->isActiveWindow(); }));
    ASSERT_TRUE(refuse("127.0.0.3", true));
    ASSERT_TRUE(statusBecomes("3 elements: 2 answering, 1 not answering"))
        << status().toStdString();
    EXPECT_EQ(mark(1), NodeMark::NotAnswering);
    EXPECT_EQ(mark(0), NodeMark::Answering);
    // As a screen reader reads the tree.
    QStringList spoken;
    QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(w->ui().TreeView1);
    for (int i = 0; tree != nullptr && i < tree->childCount(); ++i)
        spoken.append(tree->child(i)->text(QAccessible::Name));
    EXPECT_TRUE(spoken.contains(QStringLiteral("TRANSMITTER A [00:11:22:33:44:B2], not answering")))
        << spoken.join(u'|').toStdString();
    EXPECT_TRUE(node(1)->toolTip(0).startsWith(QStringLiteral("Not answering since ")))
        << node(1)->toolTip(0).toStdString();
    const QString stopped =
        QStringLiteral("TRANSMITTER A [00:11:22:33:44:B2]|stopped answering (Bad Destination)");
    EXPECT_EQ(events(), QStringList{stopped});
    ASSERT_TRUE(waitFor([&] { return !bed.notifier.shown.isEmpty(); }));
    EXPECT_EQ(
        bed.notifier.shown,
        QStringList{QStringLiteral(
            "Fleet check|TRANSMITTER A [00:11:22:33:44:B2] stopped answering (Bad Destination)")});

    // Back at the window: it answers again, logged but not notified.
    w->activateWindow();
    ASSERT_TRUE(waitFor([&] { return w->isActiveWindow(); }));
    ASSERT_TRUE(refuse("127.0.0.3", false));
    ASSERT_TRUE(statusBecomes("3 elements: 3 answering, 0 not answering"))
        << status().toStdString();
    ASSERT_EQ(events().size(), 2);
    EXPECT_TRUE(events()[1].startsWith(
        QStringLiteral("TRANSMITTER A [00:11:22:33:44:B2]|answering again (round trip ")));

    // Silence everywhere: every echo times out (after a second now), and the window keeps
    // running meanwhile.
    w->fleetMonitor().check().setLimits(4, 20, 1000);
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    sinceTick.start();
    tick.start(10);
    ASSERT_TRUE(ignoreEchoes(true));
    ASSERT_TRUE(statusBecomes("3 elements: 0 answering, 3 not answering"))
        << status().toStdString();
    EXPECT_LT(longestGap, 500); // a ping that waited for its answer would hold it 1000 ms
    EXPECT_EQ(events().size(), 5);
    EXPECT_EQ(bed.notifier.shown.size(), 1); // nothing more while the window was active

    // The file holds what the dock shows, one line each: time, element, change.
    QFile file(bed.eventLogPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].endsWith("\t" + stopped.toUtf8().replace('|', '\t')))
        << lines[0].toStdString();
}

TEST_F(FleetCheckTest, IntervalIsTheOperatorsAndIsRemembered) {
    ASSERT_TRUE(statusBecomes("3 elements: 3 answering, 0 not answering"))
        << status().toStdString();
    QSpinBox* interval = w->ui().spnFleetInterval;
    EXPECT_EQ(interval->value(), 10); // nothing stored: every 10 s
    interval->setValue(interval->minimum());
    EXPECT_EQ(interval->text(), "Off");
    EXPECT_EQ(bed.settings.values.value(QStringLiteral("FleetCheckInterval")), "0");
    EXPECT_EQ(status(), "3 elements: fleet check off");
    EXPECT_EQ(mark(0), NodeMark::None);
    EXPECT_EQ(node(0)->data(0, Qt::AccessibleTextRole).toString(), node(0)->text(0));
    interval->stepUp();
    EXPECT_EQ(interval->value(), 5);
    EXPECT_EQ(bed.settings.values.value(QStringLiteral("FleetCheckInterval")), "5");
    ASSERT_TRUE(statusBecomes("3 elements: 3 answering, 0 not answering"))
        << status().toStdString();

    // A new list: the elements still there keep their state, a new one is checked.
    bed.writeIni(
        section("0011223344A1", encoder()) +
        section("0011223344D4", with(decoder(), {{"NAME", "NEW"}, {"IP", "127.0.0.5"}})) +
        section("0011223344E5", with(decoder(), {{"NAME", "NO ADDRESS"}, {"IP", kAbsent}})));
    w->Load_Config();
    EXPECT_EQ(mark(0), NodeMark::Answering);
    ASSERT_TRUE(statusBecomes("3 elements: 2 answering, 0 not answering, 1 not checked yet"))
        << status().toStdString();
    EXPECT_EQ(node(2)->toolTip(0), "Not checked: no address to ping");

    struct Stored {
        const char* text;
        int seconds;
    };
    for (const Stored& s : {Stored{"0", 0}, Stored{"", 10}, Stored{"abc", 10}, Stored{"2", 5},
                            Stored{"301", 300}, Stored{" 60 ", 60}, Stored{"-5", 10}})
        EXPECT_EQ(FleetMonitor::intervalFromSetting(QString::fromLatin1(s.text)), s.seconds)
            << s.text;
}

// A fleet of 1,000 at the default pace (every 10 s, requests in flight as the pace and
// the time-out need): a site whose switch dies (its 63 elements' echoes vanish, a
// "blackhole" route) is shown as not answering within 30 s, and so is the whole fleet
// when every element falls silent.
TEST(LargeFleetCheckTest, SilentElementsAreShownWithin30Seconds) {
    if (!privateNamespace())
        GTEST_SKIP() << "not in a private network namespace: no ICMP is sent from here";
    TestBed bed;
    QByteArray db;
    for (int i = 0; i < 1000; ++i)
        db +=
            section(QByteArray::number(0x001122000000LL + i, 16).rightJustified(12, '0').toUpper(),
                    with(encoder(), {{"NAME", "ELEMENT " + QByteArray::number(i)},
                                     {"IP", "127.1." + QByteArray::number(i / 250) + "." +
                                                QByteArray::number(i % 250 + 1)}}));
    bed.writeIni(db);
    frmMain w(bed.services());
    ASSERT_TRUE(w.startUp());
    const auto status = [&] { return w.ui().lblFleetStatus->text(); };
    const auto becomes = [&](const char* line, int ms) {
        return waitFor([&] { return status() == QLatin1String(line); }, ms);
    };
    ASSERT_TRUE(becomes("1000 elements: 1000 answering, 0 not answering", 15000))
        << status().toStdString();

    const QStringList site = {QStringLiteral("blackhole"), QStringLiteral("127.1.0.0/26")};
    ASSERT_TRUE(
        run(QStringList{QStringLiteral("ip"), QStringLiteral("route"), QStringLiteral("add")} +
            site + QStringList{QStringLiteral("table"), QStringLiteral("local")}));
    EXPECT_TRUE(becomes("1000 elements: 937 answering, 63 not answering", 30000))
        << status().toStdString();
    ElementTree* tree = w.ui().TreeView1;
    EXPECT_EQ(NodeMark(tree->topLevelItem(62)->data(0, ElementTree::StateRole).toInt()),
              NodeMark::NotAnswering);
    EXPECT_EQ(NodeMark(tree->topLevelItem(63)->data(0, ElementTree::StateRole).toInt()),
              NodeMark::Answering);
    EXPECT_EQ(w.ui().lstEvents->topLevelItemCount(), 63);

    ASSERT_TRUE(ignoreEchoes(true));
    EXPECT_TRUE(becomes("1000 elements: 0 answering, 1000 not answering", 30000))
        << status().toStdString();
    ignoreEchoes(false);
    run(QStringList{QStringLiteral("ip"), QStringLiteral("route"), QStringLiteral("del")} + site +
        QStringList{QStringLiteral("table"), QStringLiteral("local")});
}

} // namespace
