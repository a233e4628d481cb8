// The configuration history's cost where the operator would feel it: adding the versions
// of a 1,000-element discovery (one transaction), into an empty history and into one that
// already holds 100,000 versions, and opening the History window (offscreen) with
// 100,000 versions in the store, laid out as 1,000 elements of 100 versions and as 100
// elements of 1,000.  Prints the median of several runs, in milliseconds.
//   QT_QPA_PLATFORM=offscreen build/dev/bench/bench_history

#include "behaviours/history/ConfigurationHistory.h"
#include "behaviours/history/frmHistory.h"
#include "core/history/HistoryStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

const char* kKeys[] = {"NAME", "IP",  "MASK", "GW",  "INPUT", "TYPE", "TX",  "MULTI", "ROLE",
                       "SN",   "VER", "SFN",  "BUF", "ATT",   "SDM",  "SDL", "SDT",   "LLO"};

QString macOf(int element) {
    return QStringLiteral("02:54:00:01:%1:%2")
        .arg(element / 256, 2, 16, QLatin1Char('0'))
        .arg(element % 256, 2, 16, QLatin1Char('0'))
        .toUpper();
}

// Element e's answer in round r: every key, the name changing from round to round.
HistoryStore::Change answer(int element, int round) {
    HistoryKeys keys;
    for (const char* k : kKeys)
        keys.append({QLatin1String(k), QStringLiteral("%1-%2").arg(element).arg(k)});
    keys[0].second = QStringLiteral("SITE %1 R%2").arg(element).arg(round);
    return {macOf(element), HistorySource::DiscoveryAnswer, keys};
}

QList<HistoryStore::Change> discovery(int elements, int round) {
    QList<HistoryStore::Change> all;
    for (int e = 0; e < elements; ++e)
        all.append(answer(e, round));
    return all;
}

// The process's CPU time in ms: on a busy machine the wall time also holds other work.
double cpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

struct Timing {
    double wallMs;
    double cpuMs;
};

double median(std::vector<double> t) {
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

Timing discoveryInsertMs(HistoryStore& store, int firstRound, int runs) {
    std::vector<double> t;
    std::vector<double> cpu;
    for (int r = 0; r < runs; ++r) {
        const auto changes = discovery(1000, firstRound + r);
        QElapsedTimer timer;
        timer.start();
        const double c = cpuMs();
        if (store.add(changes) != 1000)
            std::fprintf(stderr, "add failed: %s\n", qPrintable(store.errorString()));
        t.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(cpuMs() - c);
    }
    return {median(t), median(cpu)};
}

// Fills a fresh history with `elements` x `rounds` versions.
void fill(const QString& path, int elements, int rounds) {
    HistoryStore store(path, QStringLiteral("bench"), {rounds, 2 * elements * rounds});
    store.open();
    for (int r = 0; r < rounds; ++r)
        store.add(discovery(elements, r));
}

Timing windowOpeningMs(const QString& dir, const QString& path, int runs) {
    std::vector<double> t;
    std::vector<double> cpu;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        const double c = cpuMs();
        ConfigurationHistory history({dir + QStringLiteral("/nms.ini"), path, nullptr});
        history.open();
        frmHistory window({&history, nullptr});
        window.showFor(macOf(0));
        window.show();
        QApplication::processEvents();
        t.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(cpuMs() - c);
        if (window.versions().isEmpty() || window.ui().lstElements->topLevelItemCount() == 0)
            std::fprintf(stderr, "the window shows no history\n");
    }
    return {median(t), median(cpu)};
}

void print(const char* what, Timing t) {
    std::printf("%s: %.1f ms (CPU %.1f ms)\n", what, t.wallMs, t.cpuMs);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QTemporaryDir dir;

    {
        HistoryStore empty(dir.filePath("empty.sqlite"), QStringLiteral("bench"), {});
        empty.open();
        print("1,000-element discovery into an empty history", discoveryInsertMs(empty, 0, 1));
    }
    const QString wide = dir.filePath("wide.sqlite");
    fill(wide, 1000, 100);
    // The insertion adds to a copy, so the window opens the 100,000 versions as filled.
    const QString copy = dir.filePath("copy.sqlite");
    QFile::copy(wide, copy);
    {
        HistoryStore full(copy, QStringLiteral("bench"), {1000, 200000});
        full.open();
        std::printf("versions in the history: %lld\n", full.versionCount());
        print("1,000-element discovery into a history of 100,000 versions (median of 5)",
              discoveryInsertMs(full, 1000, 5));
    }
    const QString deep = dir.filePath("deep.sqlite");
    fill(deep, 100, 1000);
    print("History window opened, 1,000 elements x 100 versions (median of 5)",
          windowOpeningMs(dir.path(), wide, 5));
    print("History window opened, 100 elements x 1,000 versions (median of 5)",
          windowOpeningMs(dir.path(), deep, 5));
    return 0;
}
