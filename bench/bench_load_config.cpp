// How long Load_Config takes compared with reading and parsing the whole database once,
// for 1,000 and 10,000 elements (half encoders with 14 keys, half decoders with 18, as a
// discovery stores them), on a shown main window.  Prints both ratios (target: 5 or
// less), and for comparison the ratios when pending events are run before every element,
// and with six more runs per element as Decode_MAC would make them.

#include "behaviours/database/ElementList.h"
#include "core/common/MessageBoxes.h"
#include "core/database/IniSnapshot.h"
#include "views/ElementTree.h"
#include "views/MainWindowUi.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class SilentMessageBoxes final : public MessageBoxes {
public:
    MsgAnswer show(const MessageRequest&) override { return MsgAnswer::Ok; }
};

QByteArray database(int elements) {
    QByteArray out;
    for (int i = 0; i < elements; ++i) {
        const bool decoder = i % 2 == 1;
        out += "[" +
               QByteArray::number(0x0050C2000000LL + i, 16).rightJustified(12, '0').toUpper() +
               "]\r\n";
        out +=
            "NAME=" + QByteArray("ELEMENT ").append(QByteArray::number(i)).leftJustified(16, ' ') +
            "\r\n";
        out += "IP=10.1." + QByteArray::number(i / 250) + "." + QByteArray::number(i % 250 + 1) +
               "\r\n";
        out += "MASK=255.255.0.0\r\nGW=10.1.0.254\r\nINPUT=1\r\nTYPE=1\r\n";
        out += decoder ? "TX=1\r\nMULTI=239.255.255.239\r\nROLE=2\r\n"
                       : "TX=0\r\nREMOTE=10.1.0.91\r\nROLE=1\r\n";
        out += "SN=" + QByteArray::number(100000 + i) + "\r\nVER=3.49\r\nSFN=0\r\nBUF=4\r\n";
        if (decoder)
            out += "ATT=200\r\nSDM=0\r\nSDL=37\r\nSDT=43\r\n";
        out += "LLO=0\r\n";
    }
    return out;
}

template <typename F> double timeMs(F f) {
    QElapsedTimer timer;
    timer.start();
    f();
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nms.ini"));

    QMainWindow window;
    MainWindowUi ui;
    ui.build(&window);
    window.resize(1000, 600);
    window.show();
    QCoreApplication::processEvents();

    SilentMessageBoxes messages;
    auto makeList = [&](std::function<void()> pause) {
        ElementList::Context c;
        c.TreeView1 = ui.TreeView1;
        c.cmbEncoders = ui.cmbEncoders;
        c.lstHidden = ui.lstHidden;
        c.VUMeter = ui.VUMeter;
        c.frmTreeView = ui.frmTreeView;
        c.ImageList1 = &ui.ImageList1;
        c.messages = &messages;
        c.iniPath = path;
        c.pause = std::move(pause);
        return std::make_unique<ElementList>(std::move(c));
    };
    auto list = makeList({});
    auto everyElement = makeList([] { QCoreApplication::processEvents(); });
    auto systemPauses = makeList([] {
        for (int i = 0; i < 7; ++i)
            QCoreApplication::processEvents();
    });

    for (int elements : {1000, 10000}) {
        const QByteArray content = database(elements);
        {
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
                return 1;
        }
        // Each run times one parse and the loads right after it, so both see the same
        // machine load (the machine is shared); the figures are medians over the runs.
        const int runs = elements <= 1000 ? 41 : 11;
        std::vector<double> parse, load, settle, one, oneRatio, seven, ratio, sevenRatio;
        volatile int sink = 0;
        for (int r = 0; r < runs; ++r) {
            const double p = timeMs([&] { sink = sink + IniSnapshot::load(path).sectionCount(); });
            const double l = timeMs([&] { list->Load_Config(); });
            // What follows in the event loop: the tree's one layout and the repaint.
            const double after = timeMs([] { QCoreApplication::processEvents(); });
            if (ui.TreeView1->topLevelItemCount() != elements)
                return 2;
            const double s1 = timeMs([&] { everyElement->Load_Config(); });
            QCoreApplication::processEvents();
            const double s7 = timeMs([&] { systemPauses->Load_Config(); });
            QCoreApplication::processEvents();
            parse.push_back(p);
            load.push_back(l);
            settle.push_back(after);
            one.push_back(s1);
            oneRatio.push_back(s1 / p);
            seven.push_back(s7);
            ratio.push_back(l / p);
            sevenRatio.push_back(s7 / p);
        }
        std::printf("%5d elements, %lld bytes, %d runs\n", elements,
                    static_cast<long long>(content.size()), runs);
        auto line = [](const char* what, double ms, const char* tail, double r) {
            std::printf("  %-31s %8.2f ms", what, ms);
            if (tail != nullptr)
                std::printf("  ratio %.2f (%s)", r, tail);
            std::printf("\n");
        };
        line("read and parse whole file:", median(parse), nullptr, 0);
        line("Load_Config:", median(load), "target <= 5", median(ratio));
        line("then layout and repaint:", median(settle), nullptr, 0);
        line("events run at every element:", median(one), "for comparison", median(oneRatio));
        line("and six more in each MAC text:", median(seven), "for comparison", median(sevenRatio));
    }
    return 0;
}
