// Discovery of many elements that answer in the same instant, in the network lab, by the
// real main window (offscreen): toolbar button 1, the discovery window, the answers
// stored while it waits, the list reloaded.  Prints how many elements answered, how many
// were stored, and the time from the first answer read to the last one stored.
//
// By default every element knows the station's MAC from the start (a permanent neighbour
// entry), so none asks for it by ARP; in the first round the station's own neighbour
// table is flushed just before the discovery, so the station has to find all their MACs
// by provoking the exchanges itself.  In the second round both sides know each other.
// With --elements-ask the elements do not know the station's MAC: in the first round
// each asks for it by ARP before its answer leaves (and the station learns theirs from
// those requests).
//
// The lab's switch answers the station's ARP requests itself (lab-up.sh
// --switch-answers-arp): a software bridge floods every request to every element on the
// sender's CPU, a thousand copies per request, a cost no real LAN puts on the station.
// --plain-bridge measures with that flooding anyway.
//
//   sudo tests/lab/run-lab-test.sh build/dev/bench/bench_lab_discovery [ELEMENTS] [--elements-ask] [--plain-bridge]

#include "LabWindow.h"

#include "core/database/IniSnapshot.h"
#include "core/protocol/DatagramDispatch.h"
#include "core/protocol/FeedbackProcessor.h"
#include "core/protocol/ManagementEndpoint.h"
#include "views/ElementTree.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTreeWidget>

#include <cstdio>
#include <cstring>

namespace {

// The kernel's count of datagrams dropped at full receive buffers in this namespace.
qint64 receiveBufferErrors() {
    QFile f(QStringLiteral("/proc/net/snmp"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (!lines[i].startsWith("Udp:") || !lines[i + 1].startsWith("Udp:"))
            continue;
        const QList<QByteArray> names = lines[i].simplified().split(' ');
        const QList<QByteArray> values = lines[i + 1].simplified().split(' ');
        const qsizetype at = names.indexOf("RcvbufErrors");
        return at >= 0 ? values.value(at).toLongLong() : -1;
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    int count = 1000;
    bool elementsAsk = false;
    bool plainBridge = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--elements-ask") == 0)
            elementsAsk = true;
        else if (std::strcmp(argv[i], "--plain-bridge") == 0)
            plainBridge = true;
        else
            count = std::atoi(argv[i]);
    }
    QStringList lines;
    for (int k = 1; k <= count; ++k)
        lines.append(QStringLiteral("--role %1 --name \"BENCH %2\" --serial %3")
                         .arg(k % 2 ? QStringLiteral("encoder") : QStringLiteral("decoder"))
                         .arg(k)
                         .arg(1000 + k));
    QElapsedTimer setup;
    setup.start();
    QString error;
    // The elements hold their answers until 50 ms after the request and then send them
    // all in one burst.
    QStringList labOptions{QStringLiteral("--burst"), QStringLiteral("50")};
    if (!elementsAsk)
        labOptions << QStringLiteral("--station-known") << QStringLiteral("all");
    if (!plainBridge)
        labOptions << QStringLiteral("--switch-answers-arp");
    auto lab = Lab::up(lines, &error, labOptions);
    if (!lab) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("lab of %d elements built in %lld ms (%s)\n", count, setup.elapsed(),
                plainBridge ? "a plain bridge: every ARP request flooded to every element"
                            : "the switch answers ARP requests for the elements");
    if (!lab->enterNms(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    LabWindow window;
    if (!window.start())
        return 1;
    frmMain& w = *window.w;
    TestBed& bed = window.bed;
    std::printf("receive buffer of the management endpoint: %d bytes (asked %d)\n",
                w.endpoint().receiveBufferBytes(), ManagementEndpoint::kReceiveBufferBytes);

    bool allStored = true;
    for (int round = 1; round <= 2; ++round) {
        if (round == 1 && !elementsAsk)
            lab->ipIn(lab->nmsNamespace(), {QStringLiteral("neigh"), QStringLiteral("flush"), QStringLiteral("dev"),
                                            QStringLiteral("eth0")});
        QElapsedTimer clock;
        qint64 firstAnswer = -1;
        qint64 lastStored = -1;
        int answered = 0;
        int sectionsAtReload = -1;
        const int storedBefore = w.feedbackProcessor().storedCount();
        const int droppedBefore = w.feedbackProcessor().droppedCount();
        const qint64 kernelDropsBefore = receiveBufferErrors();
        QObject context;
        QObject::connect(&w.endpoint(), &ManagementEndpoint::datagramArrived, &context, [&](const QByteArray& d) {
            if (classifyDatagram(d.size()) != DatagramKind::FeedbackRecord)
                return;
            if (firstAnswer < 0)
                firstAnswer = clock.nsecsElapsed();
            ++answered;
        });
        QObject::connect(&w.feedbackProcessor(), &FeedbackProcessor::answerStored, &context,
                         [&] { lastStored = clock.nsecsElapsed(); });
        QObject::connect(w.ui().TreeView1->model(), &QAbstractItemModel::rowsInserted, &context, [&] {
            if (!w.AutoDiscoverAwaiting && sectionsAtReload < 0)
                sectionsAtReload = IniSnapshot::load(bed.iniPath()).sectionCount();
        });
        const int burstsBefore = int(lab->simLog().filter(QStringLiteral("BURST")).size());
        clock.start();
        window.discover(); // returns when the window closed; round 2 answers the question
        const qint64 took = clock.elapsed();

        const int stored = IniSnapshot::load(bed.iniPath()).sectionCount();
        const int storedNow = w.feedbackProcessor().storedCount() - storedBefore;
        if (round == 1)
            std::printf("round 1 (%s)\n", elementsAsk ? "the elements ask for the station's MAC by ARP"
                                                      : "the elements know the station's MAC; its table flushed");
        else
            std::printf("round 2 (neighbours known on both sides)\n");
        std::printf("  elements answered:                   %d\n", answered);
        std::printf("  stored:                              %d of %d (sections at the reload: %d)\n", stored, count,
                    sectionsAtReload);
        std::printf("  elements in the list:                %d\n", w.ui().TreeView1->topLevelItemCount());
        if (firstAnswer >= 0 && lastStored >= 0) {
            std::printf("  request -> first answer read:        %.1f ms (includes the elements' 50 ms hold)\n",
                        firstAnswer / 1e6);
            std::printf("  first answer read -> last stored:    %.1f ms (%.0f us per answer)\n",
                        (lastStored - firstAnswer) / 1e6, (lastStored - firstAnswer) / 1e3 / std::max(1, storedNow));
        }
        std::printf("  discovery window open:               %lld ms\n", static_cast<long long>(took));
        std::printf("  dropped: by the NMS %d, by the kernel %lld\n",
                    w.feedbackProcessor().droppedCount() - droppedBefore,
                    static_cast<long long>(receiveBufferErrors() - kernelDropsBefore));
        const QStringList bursts = lab->simLog().filter(QStringLiteral("BURST"));
        for (qsizetype i = burstsBefore; i < bursts.size(); ++i)
            std::printf("  elements: %s\n", qPrintable(bursts[i]));
        allStored = allStored && stored == count && sectionsAtReload == count;
    }
    std::printf("messages shown: %d (the question before round 2)\n", int(bed.messages.shown.size()));
    for (const QString& text : bed.messages.texts())
        std::printf("  %s\n", qPrintable(QString(text).replace(u'\r', u' ')));
    return allStored ? 0 : 2;
}
