// The audio watch of the real main window against three simulated encoders in the lab:
// two with a tone at different levels, one whose tone is taken away and given back
// (element-sim --tone-file), watched every 200 ms with a hold time of 2 s.

#include "LabWindowTest.h"

#include "behaviours/audio/AudioWatchMonitor.h"
#include "core/audio/AudioWatchSettings.h"
#include "views/AudioWatchRow.h"
#include "views/ElementTree.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

enum Element { Loud = 1, Soft = 2, Fading = 3 };
constexpr int kHoldMs = 2000;
constexpr int kIntervalMs = 200;
constexpr int kSlackMs = 150; // the loop's and the kernel's own delays

QString toneFile() {
    return QStringLiteral("/tmp/tessovar-lab-tone-%1").arg(QCoreApplication::applicationPid());
}

bool setTone(const char* tone) {
    QFile f(toneFile());
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(tone) > 0;
}

class LabAudioWatchTest : public LabWindowTest {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(setTone("-12"));
        upLab({
            QStringLiteral("--role encoder --name \"LOUD\" --tone -6"),
            QStringLiteral("--role encoder --name \"SOFT\" --tone -30"),
            QStringLiteral("--role encoder --name \"FADING\" --tone-file ") + toneFile(),
        });
    }
    static void TearDownTestSuite() {
        LabWindowTest::TearDownTestSuite();
        QFile::remove(toneFile());
    }
    void SetUp() override {
        bed.settings.values.insert(AudioWatchSettings::Hold, QString::number(kHoldMs / 1000));
        bed.settings.values.insert(AudioWatchSettings::Interval, QString::number(kIntervalMs));
        bed.settings.values.insert(AudioWatchSettings::Watched, sectionOf(Loud) + u' ' +
                                                                    sectionOf(Soft) + u' ' +
                                                                    sectionOf(Fading));
        LabWindowTest::SetUp();
        discover();
        ASSERT_EQ(w->ui().TreeView1->topLevelItemCount(), 3)
            << bed.messages.texts().join(u'|').toStdString();
        bed.messages.clear();
    }
    QString cell(Element k, int column) {
        QTreeWidgetItem* r = w->audioWatch().row(Lab::elementMac(k));
        return r != nullptr ? r->text(column) : QStringLiteral("<no row>");
    }
    QTreeWidgetItem* node(Element k) {
        for (int i = 0; i < w->ui().TreeView1->topLevelItemCount(); ++i)
            if (ElementTree::nodeKey(w->ui().TreeView1->topLevelItem(i)) == Lab::elementMac(k))
                return w->ui().TreeView1->topLevelItem(i);
        return nullptr;
    }
    int events(const QString& what) {
        int n = 0;
        for (int i = 0; i < w->ui().lstEvents->topLevelItemCount(); ++i)
            n += w->ui().lstEvents->topLevelItem(i)->text(2).contains(what) ? 1 : 0;
        return n;
    }
};

TEST_F(LabAudioWatchTest, SilenceIsReportedInTimeAndAudioAgainWhenTheToneReturns) {
    for (Element k : {Loud, Soft, Fading})
        ASSERT_TRUE(waitFor([&] { return cell(k, AudioWatchRow::State) == "audio"; }, 5000))
            << k << ": " << cell(k, AudioWatchRow::State).toStdString();
    EXPECT_TRUE(waitFor([&] { return cell(Loud, AudioWatchRow::Level) == "-6dBFS"; }));
    EXPECT_TRUE(waitFor([&] { return cell(Soft, AudioWatchRow::Level) == "-30dBFS"; }));
    EXPECT_TRUE(waitFor([&] { return cell(Fading, AudioWatchRow::Level) == "-12dBFS"; }));

    // The tone goes: silent within the hold time and one interval.
    QElapsedTimer t;
    ASSERT_TRUE(setTone("off"));
    t.start();
    ASSERT_TRUE(
        waitFor([&] { return cell(Fading, AudioWatchRow::State).startsWith("silent since "); },
                kHoldMs + kIntervalMs + 3000));
    EXPECT_LE(t.elapsed(), kHoldMs + kIntervalMs + kSlackMs);
    EXPECT_GE(t.elapsed(), kHoldMs - kIntervalMs);
    EXPECT_EQ(cell(Fading, AudioWatchRow::Level), "-oodBFS");
    EXPECT_EQ(AudioMark(node(Fading)->data(0, ElementTree::AudioRole).toInt()), AudioMark::Silent);
    EXPECT_TRUE(
        node(Fading)->data(0, Qt::AccessibleTextRole).toString().contains(", silent since "))
        << node(Fading)->data(0, Qt::AccessibleTextRole).toString().toStdString();
    EXPECT_EQ(events(QStringLiteral("audio silent since")), 1);
    EXPECT_EQ(cell(Loud, AudioWatchRow::State), "audio");
    EXPECT_EQ(cell(Soft, AudioWatchRow::State), "audio");

    // It comes back: audio again after 2 s of tone.
    ASSERT_TRUE(setTone("-12"));
    t.restart();
    ASSERT_TRUE(waitFor([&] { return cell(Fading, AudioWatchRow::State) == "audio"; }, 5000));
    EXPECT_LE(t.elapsed(), 2000 + 2 * kIntervalMs + kSlackMs);
    EXPECT_GE(t.elapsed(), 2000 - kIntervalMs);
    EXPECT_EQ(AudioMark(node(Fading)->data(0, ElementTree::AudioRole).toInt()), AudioMark::None);
    EXPECT_EQ(events(QStringLiteral("audio again")), 1);
    EXPECT_EQ(w->audioWatch().watch().reportsUnmatched(), 0u);
    EXPECT_GE(logged(QStringLiteral("RECV 2977 10.77.0.1 564f4c")), 3 * 10);
    EXPECT_TRUE(bed.messages.shown.empty()) << bed.messages.texts().join(u'|').toStdString();
}

TEST_F(LabAudioWatchTest, ThePanelsMeterShowsOnlyTheSelectedEncoder) {
    for (Element k : {Loud, Soft, Fading})
        ASSERT_TRUE(waitFor([&] { return cell(k, AudioWatchRow::State) == "audio"; }, 5000));
    struct Case {
        Element element;
        const char* text;
    };
    for (const Case& c : {Case{Loud, "-6dBFS"}, Case{Soft, "-30dBFS"}}) {
        ASSERT_TRUE(select(c.element));
        w->ui().toolbarButton[Toolbar::StartAudioMonitoring]->trigger();
        ASSERT_TRUE(waitFor([&] { return w->ui().lblVolume->text() == c.text; }))
            << w->ui().lblVolume->text().toStdString();
        // A second of the meter's reports and the watch's of all three: the text never
        // shows another encoder's level.
        QElapsedTimer t;
        t.start();
        QStringList seen;
        while (t.elapsed() < 1000) {
            waitFor([] { return false; }, 10);
            if (w->ui().lblVolume->text() != c.text)
                seen.append(w->ui().lblVolume->text());
        }
        EXPECT_TRUE(seen.isEmpty()) << c.text << ": " << seen.join(u' ').toStdString();
        w->ui().toolbarButton[Toolbar::StopAudioMonitoring]->trigger();
    }
    EXPECT_EQ(cell(Loud, AudioWatchRow::Level), "-6dBFS");
    EXPECT_EQ(cell(Soft, AudioWatchRow::Level), "-30dBFS");
}

} // namespace
