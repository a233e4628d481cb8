// The simulated element's diagnostics: its level report, its diagnostics record and how
// the requests change it, against byte vectors written out from the layouts.

#include "DiagnosticsResponder.h"
#include "SimOptions.h"

#include "core/diagnostics/LevelReport.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

QByteArray bytes(const QByteArray& data, int offset, int length) { return data.mid(offset, length).toHex().toUpper(); }

TEST(SimDiagnosticsTest, LevelReportCarriesTheToneAtItsLevel) {
    struct Case {
        double dbfs;
        const char* peakHex;   // sample 12: the top of the first period
        const char* troughHex; // sample 36: the bottom
        const char* shown;
    };
    const Case cases[] = {
        {-6.0, "4026E7", "BFD919", "-6dBFS"},   // 4,204,263
        {-20.0, "0CCCCD", "F33333", "-20dBFS"}, // 838,861
        {0.0, "7FFFFF", "800001", "0dBFS"},     // limited to the largest sample
    };
    for (const Case& c : cases) {
        DiagnosticsResponder r({c.dbfs, true});
        const QByteArray report = r.levelReport();
        ASSERT_EQ(report.size(), 1203);
        EXPECT_EQ(bytes(report, 0, 3), "000000") << c.dbfs;
        EXPECT_EQ(bytes(report, 36, 3), c.peakHex) << c.dbfs;
        EXPECT_EQ(bytes(report, 108, 3), c.troughHex) << c.dbfs;
        EXPECT_EQ(bytes(report, 72, 3), "000000") << c.dbfs; // half a period
        EXPECT_EQ(LevelReport::display(LevelReport::peak(report)).text.toStdString(), c.shown) << c.dbfs;
    }
    DiagnosticsResponder silent({-1000, true});
    EXPECT_EQ(silent.levelReport(), QByteArray(1203, '\0'));
}

TEST(SimDiagnosticsTest, SetDelayCommandGoesIntoTheNextRecords) {
    DiagnosticsResponder r({-6, true});
    QByteArray rec = r.answer("GetDel");
    ASSERT_EQ(rec.size(), 61);
    EXPECT_EQ(bytes(rec, 40, 21), "000004B0" "0000044C" "00000546" "00000000" "00000000" "00");
    EXPECT_EQ(bytes(rec, 28, 4), "000004B0"); // measured delay before the additional latency

    EXPECT_TRUE(r.answer(QByteArray::fromHex("530001E20801")).isEmpty()); // 123,400 ns, auto servo on
    rec = r.answer("GetStats");
    EXPECT_EQ(bytes(rec, 52, 9), "0001E208" "FFFFFF88" "01"); // correction -120 ns
    EXPECT_EQ(r.additionalDelayNs(), 123400);
    EXPECT_TRUE(r.autoServo());

    EXPECT_TRUE(r.answer(QByteArray::fromHex("530000000000")).isEmpty());
    EXPECT_EQ(bytes(r.answer("GetDel"), 52, 9), "00000000" "00000000" "00");
    // Only the exact requests are answered.
    for (const char* other : {"GetStat", "getstats", "VOL", "S", "GetDel "})
        EXPECT_TRUE(r.answer(other).isEmpty()) << other;
    EXPECT_TRUE(r.answer(QByteArray::fromHex("540001E20801")).isEmpty());
    EXPECT_EQ(r.additionalDelayNs(), 0);
}

TEST(SimDiagnosticsTest, AnEncoderHasNoPtpFigures) {
    DiagnosticsResponder r({-6, false});
    const QByteArray rec = r.answer("GetStats");
    EXPECT_EQ(bytes(rec, 16, 16), "00000000000000000000000000000000");
    EXPECT_EQ(bytes(rec, 40, 12), "000000000000000000000000");
}

TEST(SimDiagnosticsTest, CountersGrowWithTimeAndStartAgainOnReset) {
    DiagnosticsResponder r({-6, true});
    auto tx = [&r] { return qFromBigEndian<qint32>(r.answer("GetStats").constData()); };
    auto audio = [&r] { return qFromBigEndian<qint32>(r.answer("GetStats").constData() + 32); };
    // The counters follow the clock: wait until a tenth of a second's worth is there.
    QElapsedTimer clock;
    clock.start();
    const qint32 tenth = DiagnosticsResponder::kEthernetFramesPerSecond / 10;
    while (tx() < tenth && clock.elapsed() < 3000)
        QThread::yieldCurrentThread();
    const qint32 before = tx();
    EXPECT_GE(before, tenth);
    EXPECT_GE(clock.elapsed(), 90); // not faster than the rate either
    EXPECT_GE(audio(), 90 * DiagnosticsResponder::kAudioFramesPerSecond / 1000);
    EXPECT_TRUE(r.answer("RstStats").isEmpty());
    EXPECT_EQ(r.resets(), 1);
    EXPECT_LT(tx(), before);
    EXPECT_LT(tx(), 20);
}

TEST(SimDiagnosticsTest, ToneOption) {
    struct Case {
        const char* value;
        bool ok;
        double dbfs;
    };
    const Case cases[] = {{"-20", true, -20}, {"-0.5", true, -0.5}, {"off", true, -1000}, {"3", false, 0}, {"x", false, 0}};
    for (const Case& c : cases) {
        SimElementConfig config;
        QString error;
        EXPECT_EQ(SimOptions::parseElement({QStringLiteral("--tone"), QString::fromLatin1(c.value)}, &config, &error), c.ok)
            << c.value;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(config.toneDbfs, c.dbfs) << c.value;
        }
    }
}

} // namespace
