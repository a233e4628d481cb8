// How the per-call INI operations compare with reading and parsing the whole database
// once, on a database of 1,000 element sections of 20 keys.  Prints the ratios.

#include "core/database/IniSnapshot.h"
#include "core/database/IniStore.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
const char* kKeys[] = {"NAME", "IP", "MASK", "GW", "INPUT", "TYPE", "TX", "MULTI", "ROLE", "SN",
                       "VER", "SFN", "BUF", "ATT", "SDM", "SDL", "SDT", "LLO", "SRV", "DLY"};

template <typename F> double medianMicros(int runs, F f) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        f();
        t.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}
} // namespace

int main() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nms.ini"));
    QByteArray content;
    for (int s = 0; s < 1000; ++s) {
        content += QStringLiteral("[%1]\r\n").arg(0x001122000000LL + s, 12, 16, QChar(u'0')).toUpper().toLatin1();
        for (const char* k : kKeys)
            content += QByteArray(k) + "=" + QByteArray::number(s % 250) + "\r\n";
    }
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(content);
    }
    const int runs = 51;
    volatile int sink = 0;
    const double parse = medianMicros(runs, [&] { sink = sink + IniSnapshot::load(path).sectionCount(); });
    // The last section's last key: the worst case for a read that scans the file.
    const QString last = QStringLiteral("0011220003E7");
    const double read = medianMicros(runs, [&] {
        sink = sink + IniStore::ReadFromINI(last, QStringLiteral("dly"), path, QString()).size();
    });
    int n = 0;
    int failed = 0;
    const double write = medianMicros(runs, [&] {
        if (!IniStore::WriteToINI(last, QStringLiteral("dly"), QString::number(++n), path))
            ++failed;
    });
    std::printf("database: %lld bytes, 1000 sections x 20 keys\n", static_cast<long long>(content.size()));
    std::printf("read and parse whole file: %.1f us\n", parse);
    std::printf("ReadFromINI (last key):    %.1f us  ratio %.2f (target <= 3)\n", read, read / parse);
    // A write flushes the new file and its folder to the disk, which costs what the disk
    // takes (milliseconds on a real disk, nothing on tmpfs): the ratio says how much.
    std::printf("WriteToINI (existing key): %.1f us  ratio %.2f (with two flushes to disk)%s\n", write,
                write / parse, failed ? "  SOME WRITES FAILED" : "");
    return 0;
}
