// The time a confirmation takes in the main window (offscreen): from the element's
// feedback record reaching Process_Feedback to the "Configuration changed" message,
// without the time the MAC wait window stays open (its first lookup waits for its
// one-second tick).  The element's section sits among 1,000 sections of 20 keys, on the
// disk of the build folder's temporary directory.  For comparison, the same keys stored
// by one write each, as a confirmation stored them before.
//     build/dev/bench/bench_confirmation [runs, default 10]

#include "ElementDatabase.h"
#include "TestServices.h"

#include "app/frmMain.h"
#include "core/database/IniStore.h"
#include "views/ElementTree.h"
#include "views/MainWindowUi.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace ElementDatabase;

const char* kSection = "02AA00000002";

// The encoder of ElementDatabase::encoder() as it answers a configuration: 45 bytes.
const QByteArray kRecord = QByteArray::fromHex("7F000002"
                                               "FFFFFF00"
                                               "7F000001"
                                               "7F000003"
                                               "010100"
                                               "53545544494F204F4E45202020202020"
                                               "01"
                                               "000004D2"
                                               "0305000000");

QByteArray otherSections() {
    QByteArray out;
    for (int s = 0; s < 1000; ++s) {
        const QByteArray name =
            QByteArray::number(0x001122000000LL + s, 16).rightJustified(12, '0').toUpper();
        Keys keys = encoder();
        keys.append(qMakePair(QByteArray("SDL"), QByteArray("37")));
        out += section(name, keys);
    }
    return out;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Records when the wait window opens and closes.
class WaitWindowWatch : public QObject {
public:
    QElapsedTimer* clock = nullptr;
    qint64 shownNs = -1;
    qint64 hiddenNs = -1;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (o->isWidgetType() && qstrcmp(o->metaObject()->className(), "frmWaiting") == 0) {
            if (e->type() == QEvent::Show && shownNs < 0)
                shownNs = clock->nsecsElapsed();
            else if (e->type() == QEvent::Hide)
                hiddenNs = clock->nsecsElapsed();
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    if (kRecord.size() != 45) {
        std::fprintf(stderr, "the record is %lld bytes\n", (long long)kRecord.size());
        return 1;
    }

    TestBed bed;
    const QByteArray db = otherSections() + section(kSection, encoder());
    bed.writeIni(db);
    bed.arp.set("127.0.0.2", kSection, 0);
    bed.settings.values.insert(QStringLiteral("FleetCheckInterval"), QStringLiteral("0"));
    frmMain w(bed.services());
    if (!w.startUp())
        return 1;
    QTreeWidget* tree = w.ui().TreeView1;
    QTreeWidgetItem* node = tree->topLevelItem(tree->topLevelItemCount() - 1);
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
    if (w.ui().lblElementMAC->text() != QLatin1String("02:AA:00:00:00:02")) {
        std::fprintf(stderr, "the element could not be selected\n");
        return 1;
    }

    QElapsedTimer clock;
    clock.start();
    WaitWindowWatch watch;
    watch.clock = &clock;
    app.installEventFilter(&watch);
    qint64 messageNs = -1;
    bed.messages.whileOpen = [&](const MessageRequest&) { messageNs = clock.nsecsElapsed(); };

    std::vector<double> confirm;
    for (int i = 0; i < runs; ++i) {
        bed.messages.clear();
        watch.shownNs = watch.hiddenNs = messageNs = -1;
        const qint64 arrived = clock.nsecsElapsed();
        w.Process_Feedback(kRecord); // confirmed from the event loop, after the wait window
        waitFor([&] { return messageNs >= 0 && QApplication::activeModalWidget() == nullptr; },
                5000);
        if (bed.messages.texts() !=
                QStringList{
                    QStringLiteral("New configuration has been sucessfuly saved and loaded!")} ||
            watch.shownNs < 0 || watch.hiddenNs < 0) {
            std::fprintf(stderr, "the confirmation did not succeed: %s\n",
                         qPrintable(bed.messages.texts().join(u'|')));
            return 1;
        }
        confirm.push_back(double((watch.shownNs - arrived) + (messageNs - watch.hiddenNs)) / 1e6);
    }

    // The keys of one confirmation, stored one write each.
    const QList<QPair<QString, QString>> keys = {{"name", "STUDIO ONE      "},
                                                 {"ip", "127.0.0.2"},
                                                 {"mask", "255.255.255.0"},
                                                 {"gw", "127.0.0.1"},
                                                 {"input", "1"},
                                                 {"type", "1"},
                                                 {"tx", "0"},
                                                 {"role", "1"},
                                                 {"remote", "127.0.0.3"},
                                                 {"sn", "1234"},
                                                 {"ver", "3.5"},
                                                 {"att", "14"},
                                                 {"buf", "0"},
                                                 {"sfn", "0"},
                                                 {"sdm", "0"},
                                                 {"sdl", "1"},
                                                 {"sdt", "1"},
                                                 {"llo", "0"}};
    std::vector<double> separate;
    std::vector<double> together;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        for (const auto& [k, v] : keys)
            (void)IniStore::WriteToINI(QString::fromLatin1(kSection), k, v, bed.iniPath());
        separate.push_back(double(t.nsecsElapsed()) / 1e6);
        t.restart();
        (void)IniStore::WriteSectionEntries(QString::fromLatin1(kSection), keys, bed.iniPath());
        together.push_back(double(t.nsecsElapsed()) / 1e6);
    }

    std::printf("confirmation of an encoder among 1,000 sections (%lld bytes), %d runs, medians\n",
                (long long)db.size(), runs);
    std::printf("  record arrival to message, without the wait window: %.2f ms\n", median(confirm));
    std::printf("  storing its %lld keys: %.2f ms in one write, %.2f ms one write each\n",
                (long long)keys.size(), median(together), median(separate));
    return 0;
}
