// Discovery of many elements that answer in the same instant, in the network lab.
// Prints how many elements answered, how many sections were stored, and the time from
// the first answer handled to the last one stored.
//
//   sudo tests/lab/run-lab-test.sh build/dev/bench/bench_lab_discovery [ELEMENTS]

#include "Lab.h"

#include "database/IniSnapshot.h"
#include "database/IniStore.h"
#include "protocol/FeedbackProcessor.h"
#include "protocol/LinuxArpLookup.h"
#include "protocol/ManagementEndpoint.h"
#include "ui/MessageBoxes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {
class CountingMessageBoxes final : public MessageBoxes {
public:
    MsgAnswer show(const MessageRequest& r) override {
        ++shown;
        std::fprintf(stderr, "message: %s\n", qPrintable(QString(r.text).replace(u'\r', u' ')));
        return MsgAnswer::Ok;
    }
    int shown = 0;
};
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
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

    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("nms.ini"));
    IniStore::CreateEmpty(ini);
    CountingMessageBoxes messages;
    LinuxArpLookup arp;
    ManagementEndpoint endpoint;
    if (!endpoint.bindLocal(Lab::nmsIp())) {
        std::fprintf(stderr, "bind: %s\n", qPrintable(endpoint.errorString()));
        return 1;
    }
    FeedbackProcessor::Context c;
    c.messages = &messages;
    c.arp = &arp;
    c.iniPath = ini;
    c.discoveryMode = [] { return true; };
    FeedbackProcessor processor(c);

    QElapsedTimer clock;
    qint64 firstAnswer = -1;
    qint64 lastStored = -1;
    int answered = 0;
    QObject::connect(&endpoint, &ManagementEndpoint::feedbackRecordArrived, [&](const QByteArray& d) {
        if (firstAnswer < 0)
            firstAnswer = clock.nsecsElapsed();
        ++answered;
        const int before = processor.storedCount();
        processor.Process_Feedback(d);
        if (processor.storedCount() > before)
            lastStored = clock.nsecsElapsed();
    });
    clock.start();
    endpoint.broadcast("IPMPXSTL VELTRANA PAGING REQUEST");
    // The discovery window's wait.
    QTimer::singleShot(3000, &app, &QCoreApplication::quit);
    app.exec();

    const int stored = IniSnapshot::load(ini).sectionCount();
    std::printf("elements answered: %d\n", answered);
    std::printf("elements stored:   %d\n", stored);
    std::printf("messages shown:    %d\n", messages.shown);
    if (firstAnswer >= 0 && lastStored >= 0) {
        std::printf("broadcast -> first answer handled: %.3f ms (includes the elements' 50 ms burst hold)\n",
                    firstAnswer / 1e6);
        std::printf("first answer handled -> last stored: %.3f ms (%.1f us per answer)\n",
                    (lastStored - firstAnswer) / 1e6, (lastStored - firstAnswer) / 1e3 / std::max(1, stored));
    }
    for (const QString& l : lab->simLog().filter(QStringLiteral("BURST")))
        std::printf("elements: %s\n", qPrintable(l));
    return stored == count ? 0 : 2;
}
