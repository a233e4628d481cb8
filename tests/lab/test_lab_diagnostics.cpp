// The diagnostics of the real main window on the lab's NMS side against simulated
// elements in their own namespaces: ICMP answered by the elements' kernels, the level
// meter against the simulated test tone, and the statistics and SFN windows against a
// simulated decoder on port 2978.

#include "LabWindowTest.h"

#include "views/ElementTree.h"

#include "behaviours/diagnostics/frmAdjust.h"
#include "behaviours/diagnostics/frmStatistics.h"
#include "core/shell/SettingsStore.h"
#include "views/LevelBar.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

enum Element { Encoder = 1, Decoder = 2, QuietEncoder = 3 };

// Runs `act` on the modal window of type T once it is open, then closes it.
template <typename T> void whenModalOpens(std::function<void(T*)> act) {
    QTimer::singleShot(10, [act] {
        auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (window == nullptr) {
            whenModalOpens<T>(act);
            return;
        }
        act(window);
        window->close();
    });
}

qint64 number(const QString& text) { return text.split(u' ').first().toLongLong(); }

class LabDiagnosticsTest : public LabWindowTest {
protected:
    static void SetUpTestSuite() {
        upLab({
            QStringLiteral("--role encoder --name \"STUDIO\" --tone -6"),
            QStringLiteral("--role decoder --name \"TX SITE\" --sfn 1 --tx 1 --remote 239.77.0.1"),
            QStringLiteral("--role encoder --name \"QUIET\" --tone -20"),
        });
    }
    void SetUp() override {
        LabWindowTest::SetUp();
        discover(); // the database is empty: no question
        ASSERT_EQ(w->ui().TreeView1->topLevelItemCount(), 3) << bed.messages.texts().join(u'|').toStdString();
        bed.messages.clear();
    }
};

TEST_F(LabDiagnosticsTest, PingAnElementAndAnUnusedAddress) {
    ASSERT_TRUE(select(Encoder));
    QPushButton* ping = w->ui().cmdPing;
    ASSERT_EQ(w->ui().txtElementIP->text(), Lab::elementIp(Encoder));
    ping->click();
    EXPECT_TRUE(ping->text().endsWith(" ms")) << ping->text().toStdString();
    EXPECT_EQ(buttonBackground(ping), QColor(0, 255, 0));

    // Nobody has 10.77.0.99: no answer (the neighbour lookup fails too) after about 3 s.
    w->ui().txtElementIP->setText(QStringLiteral("10.77.0.99"));
    QElapsedTimer t;
    t.start();
    ping->click();
    EXPECT_EQ(ping->text(), "Failed!");
    EXPECT_EQ(buttonBackground(ping), QColor(255, 128, 128));
    EXPECT_GE(t.elapsed(), 2500);
    EXPECT_LE(t.elapsed(), 4500);
}

TEST_F(LabDiagnosticsTest, TheMeterShowsTheSimulatedTone) {
    struct Case {
        Element element;
        const char* text;
        int width;
    };
    // The tones' peaks: 4,204,263 and 838,861.
    for (const Case& c : {Case{Encoder, "-6dBFS", 1052}, Case{QuietEncoder, "-20dBFS", 210}}) {
        ASSERT_TRUE(select(c.element));
        QAction* start = w->ui().toolbarButton[Toolbar::StartAudioMonitoring];
        ASSERT_TRUE(start->isEnabled());
        start->trigger();
        EXPECT_TRUE(waitFor([&] { return w->ui().lblVolume->text() == c.text; }, 3000))
            << w->ui().lblVolume->text().toStdString();
        EXPECT_EQ(w->ui().VUMeter->widthTwips(), c.width);
        w->ui().toolbarButton[Toolbar::StopAudioMonitoring]->trigger();
        EXPECT_EQ(w->ui().lblVolume->text(), "-oodBFS");
        EXPECT_EQ(w->ui().VUMeter->widthTwips(), 0);
    }
    EXPECT_GE(logged(QStringLiteral("RECV 2977 10.77.0.1 564f4c")), 2);
    EXPECT_TRUE(bed.messages.shown.empty()) << bed.messages.texts().join(u'|').toStdString();
}

TEST_F(LabDiagnosticsTest, StatisticsOfASimulatedDecoder) {
    ASSERT_TRUE(select(Decoder));
    ASSERT_TRUE(w->ui().cmdGetStats->isEnabled());
    whenModalOpens<frmStatistics>([&](frmStatistics* s) {
        EXPECT_EQ(s->frmStats->title(), "TX SITE:");
        ASSERT_TRUE(waitFor([&] { return s->lblMACTxOK->text() != "-"; }, 3000));
        // An SFN decoder: every row, the measured delay with no additional latency.
        EXPECT_NE(s->lblPTPRxOK->text(), "-");
        EXPECT_TRUE(s->lblPTPClkAdj->text().endsWith(" nS"));
        EXPECT_EQ(s->lblPTPLatency->text(), "1200 nS");
        EXPECT_TRUE(s->lblMACRxErr->text().contains(" (")) << s->lblMACRxErr->text().toStdString();
        // The counters grow as time passes...
        const qint64 first = number(s->lblMACTxOK->text());
        waitFor([] { return false; }, 600);
        s->cmdRefreshStats->click();
        ASSERT_TRUE(waitFor([&] { return number(s->lblMACTxOK->text()) > first; }, 3000));
        const qint64 grown = number(s->lblMACTxOK->text());
        EXPECT_GE(grown - first, 200); // 410 frames a second
        // ...and start again from zero after Clear.
        bed.messages.answers.enqueue(MsgAnswer::Yes);
        s->cmdResetStats->click();
        ASSERT_TRUE(waitFor([&] { return logged(QStringLiteral("RECV 2978 10.77.0.1 5273745374617473")) == 1; }, 3000));
        s->cmdRefreshStats->click();
        EXPECT_TRUE(waitFor([&] { return number(s->lblMACTxOK->text()) < grown; }, 3000))
            << s->lblMACTxOK->text().toStdString();
    });
    w->ui().cmdGetStats->click();
    EXPECT_FALSE(bed.programEnd.ended);
    EXPECT_EQ(bed.messages.shown.size(), 1u); // the reset question only
}

TEST_F(LabDiagnosticsTest, SfnAdjustmentOfASimulatedDecoder) {
    ASSERT_TRUE(select(Decoder));
    ASSERT_TRUE(w->ui().cmdAdjust->isEnabled());
    bed.settings.values.insert(SettingKeys::AutoClearCounters, QStringLiteral("0"));
    const int resetsBefore = logged(QStringLiteral("RECV 2978 10.77.0.1 5273745374617473"));
    whenModalOpens<frmAdjust>([&](frmAdjust* a) {
        ASSERT_TRUE(waitFor([&] { return a->lblCurrentDelayAVG->text() != "-"; }, 3000));
        EXPECT_EQ(a->lblCurrentDelayAVG->text(), "1 uS, 200 nS");
        EXPECT_EQ(a->lblCurrentDelayMIN->text(), "1 uS, 100 nS");
        EXPECT_EQ(a->lblCurrentDelayMAX->text(), "1 uS, 350 nS");
        EXPECT_EQ(a->lblDelaySumAVG->text(), "397 uS, 298 nS");
        EXPECT_EQ(a->lblFixedLatencyMAC->text(), "265 nS");
        EXPECT_EQ(a->lblFixedLatencyAUDIO->text(), "395 uS, 833 nS");
        EXPECT_EQ(a->chkAutoServo->text(), "Auto servo");

        // Set with auto clear: the element takes the delay and auto servo, and its counters
        // are reset 250 ms later.
        a->chkAutoClear->click();
        a->scrlAdditionalDelay->setValue(1234);
        a->chkAutoServo->setChecked(true);
        a->cmdSet->click();
        EXPECT_TRUE(waitFor([&] {
            return logged(QStringLiteral("RECV 2978 10.77.0.1 5273745374617473")) == resetsBefore + 1;
        }, 3000));
        EXPECT_EQ(logged(QStringLiteral("RECV 2978 10.77.0.1 530001e20801")), 1);
        // Its next record carries them: 1200 + 123,400 - 120 ns.
        a->chkAutoUpdate->click();
        EXPECT_TRUE(waitFor([&] { return a->lblCurrentDelayAVG->text() == "124 uS, 480 nS"; }, 3000))
            << a->lblCurrentDelayAVG->text().toStdString();
        EXPECT_EQ(a->chkAutoServo->text(), "Auto servo (-120 nS)");
        EXPECT_EQ(a->scrlAdditionalDelay->value(), 1234);
        EXPECT_TRUE(a->chkAutoUpdate->isChecked()); // the replies match the window: auto refresh stays on
    });
    w->ui().cmdAdjust->click();
    EXPECT_EQ(stored(Decoder, "dly"), "1234");
    EXPECT_EQ(stored(Decoder, "srv"), "1");
    EXPECT_EQ(bed.settings.values.value(SettingKeys::AutoClearCounters), "1");
    ASSERT_EQ(bed.messages.shown.size(), 1u);
    EXPECT_EQ(bed.messages.shown[0].text, "There are unsaved parameters. Don't forget to click the 'Save' button.");

    // Reopened: the stored delay and auto servo are back.
    bool reopened = false;
    whenModalOpens<frmAdjust>([&](frmAdjust* a) {
        reopened = true;
        EXPECT_EQ(a->scrlAdditionalDelay->value(), 1234);
        EXPECT_EQ(a->lblAdditionalDelay->text(), "123 uS, 400 nS");
        EXPECT_TRUE(a->chkAutoServo->isChecked());
        EXPECT_TRUE(a->chkAutoClear->isChecked());
        // Put the element back as the other tests expect it.
        a->scrlAdditionalDelay->setValue(0);
        a->chkAutoServo->setChecked(false);
        a->cmdSet->click();
        EXPECT_TRUE(waitFor([&] { return logged(QStringLiteral("RECV 2978 10.77.0.1 530000000000")) == 1; }, 3000));
    });
    w->ui().cmdAdjust->click();
    EXPECT_TRUE(reopened);
    EXPECT_EQ(stored(Decoder, "dly"), "0");
    EXPECT_EQ(stored(Decoder, "srv"), "0");
}

TEST_F(LabDiagnosticsTest, ClosingWithoutASetWritesNothing) {
    ASSERT_TRUE(select(Decoder));
    whenModalOpens<frmAdjust>([&](frmAdjust* a) {
        ASSERT_TRUE(waitFor([&] { return a->lblCurrentDelayAVG->text() != "-"; }, 3000));
        a->scrlAdditionalDelay->setValue(777);
    });
    w->ui().cmdAdjust->click();
    EXPECT_EQ(stored(Decoder, "dly"), "<absent>");
    EXPECT_TRUE(bed.messages.shown.empty()) << bed.messages.texts().join(u'|').toStdString();
}

// The meter runs; the operator refreshes the list: the panel is cleared, the meter stops
// with it, and the program runs on without a message.
TEST_F(LabDiagnosticsTest, RefreshingTheListWhileTheMeterRuns) {
    ASSERT_TRUE(select(Encoder));
    w->ui().toolbarButton[Toolbar::StartAudioMonitoring]->trigger();
    ASSERT_TRUE(waitFor([&] { return w->ui().lblVolume->text() == "-6dBFS"; }));
    w->ui().toolbarButton[Toolbar::RefreshList]->trigger();
    EXPECT_FALSE(waitFor([&] { return bed.programEnd.ended || !bed.messages.shown.empty(); }, 2000))
        << bed.messages.texts().join(u'|').toStdString();
    EXPECT_FALSE(w->tmrVolume.isActive());
    EXPECT_EQ(w->ui().TreeView1->topLevelItemCount(), 3);
}

} // namespace
