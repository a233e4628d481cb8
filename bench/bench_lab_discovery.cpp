// Discovery of many elements that answer in the same instant, in the network lab, by the
// real main window (offscreen): toolbar button 1, the discovery window, the answers
// stored while it waits, the list reloaded.  Prints how many elements answered, how many
// sections nms.ini holds when the list reloads, and the time from the first answer
// handled to the last one stored.
//
//   sudo QT_QPA_PLATFORM=offscreen tests/lab/run-lab-test.sh build/dev/bench/bench_lab_discovery [ELEMENTS]

#include "LabWindow.h"

#include "core/database/IniSnapshot.h"
#include "core/protocol/FeedbackProcessor.h"
#include "core/protocol/ManagementEndpoint.h"
#include "views/ElementTree.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>

#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 200;
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
    auto lab = Lab::up(lines, &error, {QStringLiteral("--burst"), QStringLiteral("50")});
    if (!lab) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("lab of %d elements built in %lld ms\n", count, setup.elapsed());
    if (!lab->enterNms(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    LabWindow window;
    if (!window.start())
        return 1;
    frmMain& w = *window.w;
    TestBed& bed = window.bed;

    // Two rounds: in the first every element still has to find the NMS's MAC address by
    // ARP before its answer can leave (and the NMS learns the elements' addresses from
    // those requests); in the second the neighbours are known on both sides.
    bool allStored = true;
    for (int round = 1; round <= 2; ++round) {
        QElapsedTimer clock;
        qint64 firstAnswer = -1;
        qint64 lastStored = -1;
        int answered = 0;
        int storedBefore = 0;
        int sectionsAtReload = -1;
        QObject context;
        QObject::connect(&w.endpoint(), &ManagementEndpoint::datagramArrived, &context, [&](const QByteArray&) {
            if (firstAnswer < 0)
                firstAnswer = clock.nsecsElapsed();
            ++answered;
            storedBefore = w.feedbackProcessor().storedCount();
        });
        // Connected after the main window's own handler: runs once the answer is stored.
        QObject::connect(&w.endpoint(), &ManagementEndpoint::feedbackRecordArrived, &context, [&](const QByteArray&) {
            if (w.feedbackProcessor().storedCount() > storedBefore)
                lastStored = clock.nsecsElapsed();
        });
        QObject::connect(w.ui().TreeView1->model(), &QAbstractItemModel::rowsInserted, &context, [&] {
            if (!w.AutoDiscoverAwaiting && sectionsAtReload < 0)
                sectionsAtReload = IniSnapshot::load(bed.iniPath()).sectionCount();
        });
        const int burstsBefore = int(lab->simLog().filter(QStringLiteral("BURST")).size());
        clock.start();
        window.discover(); // returns when the window closed; round 2 answers the question

        const int stored = IniSnapshot::load(bed.iniPath()).sectionCount();
        std::printf("round %d (%s)\n", round, round == 1 ? "ARP exchanges on the way" : "neighbours known");
        std::printf("  elements answered:                 %d\n", answered);
        std::printf("  sections in nms.ini at the reload: %d\n", sectionsAtReload);
        std::printf("  elements in the list:              %d\n", w.ui().TreeView1->topLevelItemCount());
        if (firstAnswer >= 0 && lastStored >= 0) {
            std::printf("  request -> first answer handled:   %.1f ms (includes the elements' 50 ms hold)\n",
                        firstAnswer / 1e6);
            std::printf("  first answer handled -> last stored: %.1f ms (%.0f us per answer)\n",
                        (lastStored - firstAnswer) / 1e6, (lastStored - firstAnswer) / 1e3 / std::max(1, stored));
        }
        const QStringList bursts = lab->simLog().filter(QStringLiteral("BURST"));
        for (qsizetype i = burstsBefore; i < bursts.size(); ++i)
            std::printf("  elements: %s\n", qPrintable(bursts[i]));
        allStored = allStored && stored == count && sectionsAtReload == count;
    }
    std::printf("messages shown: %d (the question before round 2)\n", int(bed.messages.shown.size()));
    return allStored ? 0 : 2;
}
