// The audio watch's plain logic: the alarm rules report by report, the request pace, the
// settings, and the matching of reports to encoders by their sender.

#include "core/audio/AudioAlarm.h"
#include "core/audio/AudioPollSchedule.h"
#include "core/audio/AudioWatch.h"
#include "core/audio/AudioWatchSettings.h"
#include "core/shell/SettingsStore.h"

#include <QCoreApplication>
#include <QMap>

#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>
#include <vector>

namespace {

constexpr double kOff = -1000; // a report without a positive sample

qint32 peakOf(double dbfs) {
    return dbfs < -200
               ? 0
               : qint32(std::lround(std::min(8388607.0, 8388608.0 * std::pow(10.0, dbfs / 20.0))));
}

// A report of one sample at this level: the 3-byte group at offset 0 of a 1203-byte report.
QByteArray reportAt(double dbfs) {
    QByteArray r(1203, '\0');
    const qint32 p = peakOf(dbfs);
    r[0] = char(p >> 16);
    r[1] = char(p >> 8);
    r[2] = char(p);
    return r;
}

struct Step {
    qint64 atMs;
    double dbfs; // kOff for no signal; NAN: no report, only time passes (tick)
    AudioState expect;
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

const AudioState A = AudioState::Audio, S = AudioState::Silent, O = AudioState::Overload,
                 N = AudioState::NoReports, L = AudioState::Listening;

std::vector<Step> every(qint64 fromMs, qint64 toMs, qint64 stepMs, double dbfs, AudioState until,
                        qint64 changeAt, AudioState after) {
    std::vector<Step> out;
    for (qint64 t = fromMs; t <= toMs; t += stepMs)
        out.push_back({t, dbfs, t < changeAt ? until : after});
    return out;
}

std::vector<Step> join(std::initializer_list<std::vector<Step>> parts) {
    std::vector<Step> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(AudioAlarm, FollowsTheReportsOfOneEncoder) {
    const Scenario scenarios[] = {
        // Tone until 5 s, silence from 6 s: silent once the last loud report is 15 s old;
        // audio again only after 2 s of tone.
        {"silence and back",
         join({every(0, 5000, 1000, -6, A, 0, A), every(6000, 24000, 1000, kOff, A, 20000, S),
               every(25000, 28000, 1000, -20, S, 27000, A)})},
        // Just above the threshold is audio; just below it is not.
        {"at the threshold", join({every(0, 15000, 1000, -49.99, A, 0, A),
                                   every(16000, 31000, 1000, -50.01, A, 30000, S)})},
        // Never loud from the start: silent after the hold time of reports.
        {"quiet from the start", every(0, 16000, 1000, -70, L, 15000, S)},
        // Three reports in a row at -0.1 dBFS or above; a lower one between starts again.
        {"overload",
         {{0, 0, A},
          {1000, 0, A},
          {2000, -3, A},
          {3000, -0.09, A},
          {4000, 0, A},
          {5000, 0, O},
          {6000, -0.05, O},
          {7000, -6, A}}},
        // A loud report in the hold time keeps it from being silent.
        {"one loud report in the hold", join({every(0, 14000, 1000, kOff, L, 99999, L),
                                              {{14500, -6, A}},
                                              every(15000, 31000, 500, kOff, A, 29500, S)})},
        // No report for 5 periods (the period here is 1 s); reports again: a loud one is audio.
        {"no reports",
         {{0, -6, A}, {4900, NAN, A}, {5000, NAN, N}, {5200, kOff, L}, {6000, -6, A}}},
        // Silent, reports stop and come back quiet: silence is judged again on the new ones.
        {"silent, gone, quiet again", join({every(0, 15000, 1000, kOff, L, 15000, S),
                                            {{20000, NAN, N}, {21000, kOff, L}},
                                            every(22000, 36000, 1000, kOff, L, 36000, S)})},
    };
    for (const Scenario& sc : scenarios) {
        AudioAlarm alarm;
        alarm.start(0);
        for (const Step& s : sc.steps) {
            if (std::isnan(s.dbfs))
                alarm.tick(s.atMs, 1000);
            else
                alarm.report(s.atMs, peakOf(s.dbfs), AudioLimits{});
            ASSERT_EQ(int(alarm.state()), int(s.expect)) << sc.name << " at " << s.atMs << " ms";
        }
    }
}

TEST(AudioAlarm, SilentSinceIsTheFirstQuietReport) {
    AudioAlarm alarm;
    alarm.start(0);
    alarm.report(0, peakOf(-6), AudioLimits{});
    for (qint64 t = 700; t <= 15700; t += 1000)
        alarm.report(t, 0, AudioLimits{});
    ASSERT_EQ(alarm.state(), AudioState::Silent);
    EXPECT_EQ(alarm.silentSinceMs(), 700);
    EXPECT_EQ(audioStateText(alarm.state(), QStringLiteral("14:02:11")),
              QStringLiteral("silent since 14:02:11"));
    EXPECT_TRUE(std::isinf(AudioLevels::dbfs(0)));
    EXPECT_LT(AudioLevels::dbfs(0), 0);
}

TEST(AudioPollSchedule, SpreadsTheRequestsAndNeverExceeds50ASecond) {
    struct Case {
        int encoders;
        int intervalMs;
        qint64 periodMs;
    };
    for (const Case c : {Case{3, 1000, 1000}, Case{200, 1000, 4000}, Case{50, 1000, 1000},
                         Case{1, 200, 200}, Case{10, 10000, 10000}}) {
        AudioPollSchedule s;
        s.setPlan(c.encoders, c.intervalMs, 0);
        EXPECT_EQ(s.periodMs(), c.periodMs) << c.encoders;
        std::vector<qint64> sent;
        std::vector<std::vector<qint64>> byEncoder(size_t(c.encoders));
        for (qint64 now = 0; now < 20000; ++now) { // asked every millisecond
            qint64 wake = 0;
            const int turn = s.next(now, &wake);
            if (turn < 0)
                continue;
            sent.push_back(now);
            byEncoder[size_t(turn)].push_back(now);
        }
        for (size_t i = 50; i < sent.size(); ++i)
            EXPECT_GE(sent[i] - sent[i - 50], 1000)
                << c.encoders << ": 51 requests within a second";
        for (const auto& times : byEncoder) {
            ASSERT_GE(times.size(), 2u) << c.encoders;
            for (size_t i = 1; i < times.size(); ++i)
                EXPECT_NEAR(double(times[i] - times[i - 1]), double(c.periodMs),
                            std::max(1.0, 0.002 * double(c.periodMs))) // the pace's margin
                    << c.encoders;
        }
    }
    AudioPollSchedule none;
    none.setPlan(0, 1000, 0);
    qint64 wake = 0;
    EXPECT_EQ(none.next(5000, &wake), -1);
    EXPECT_EQ(wake, -1);
}

class MapSettings final : public SettingsStore {
public:
    QString value(const QString& key, const QString& fallback) const override {
        return values.value(key, fallback);
    }
    void setValue(const QString& key, const QString& value) override { values.insert(key, value); }
    QMap<QString, QString> values;
};

TEST(AudioWatchSettings, ReadsTheLimitsWithinTheirRanges) {
    struct Case {
        const char *threshold, *hold, *interval;
        double thresholdDbfs;
        int holdMs, intervalMs;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, -50, 15000, 1000},
        {"-30.5", "2", "200", -30.5, 2000, 200},
        {"10", "0", "50", 0, 500, 200},
        {"x", "1e9", "99999", -50, 3600000, 10000},
        {"-500", "0.75", "nan", -140, 750, 1000},
    };
    for (const Case& c : cases) {
        MapSettings s;
        if (c.threshold) {
            s.values.insert(AudioWatchSettings::Threshold, QString::fromLatin1(c.threshold));
            s.values.insert(AudioWatchSettings::Hold, QString::fromLatin1(c.hold));
            s.values.insert(AudioWatchSettings::Interval, QString::fromLatin1(c.interval));
        }
        const AudioLimits l = AudioWatchSettings::limits(s);
        EXPECT_EQ(l.thresholdDbfs, c.thresholdDbfs) << c.threshold;
        EXPECT_EQ(l.holdMs, c.holdMs) << c.hold;
        EXPECT_EQ(l.intervalMs, c.intervalMs) << c.interval;
    }
    MapSettings s;
    AudioWatchSettings::setWatched(
        s, {QStringLiteral("00:11:22:33:44:AA"), QStringLiteral("00:11:22:33:44:0B")});
    EXPECT_EQ(s.values.value(AudioWatchSettings::Watched),
              QStringLiteral("00112233440B 0011223344AA"));
    s.values.insert(AudioWatchSettings::Watched,
                    QStringLiteral(" 0011223344aa junk 00112233440B "));
    EXPECT_EQ(AudioWatchSettings::watched(s), (QSet<QString>{QStringLiteral("00:11:22:33:44:AA"),
                                                             QStringLiteral("00:11:22:33:44:0B")}));
}

TEST(AudioWatch, MatchesReportsToWatchedEncodersBySender) {
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    std::vector<quint32> asked;
    AudioWatch watch([&](quint32 a) {
        asked.push_back(a);
        return true;
    });
    watch.setElements({{"00:00:00:00:00:01", "ONE", 0x7F000002, true},
                       {"00:00:00:00:00:02", "TWO", 0x7F000003, false},
                       {"00:00:00:00:00:03", "TWIN", 0x7F000002, true}, // same address as ONE
                       {"00:00:00:00:00:04", "NONE", 0, true}});
    EXPECT_EQ(watch.watchedCount(), 1); // TWIN's reports are ONE's; NONE has no address
    watch.reportArrived(reportAt(-6), 0x7F000002);
    watch.reportArrived(reportAt(-6), 0x7F000003); // asked by the panel's meter
    watch.reportArrived(reportAt(-6), 0x7F000009);
    EXPECT_EQ(watch.reportsMatched(), 1u);
    EXPECT_EQ(watch.reportsUnmatched(), 1u);
    ASSERT_EQ(watch.history(0).size(), 1u);
    EXPECT_EQ(watch.history(0).front().peak, peakOf(-6));
    EXPECT_TRUE(watch.history(1).empty());
    EXPECT_EQ(watch.alarm(0).state(), AudioState::Audio);

    // The state stays with the encoder across a reload; a new address starts again.
    watch.setElements({{"00:00:00:00:00:01", "ONE", 0x7F000002, true},
                       {"00:00:00:00:00:02", "TWO", 0x7F000004, true}});
    EXPECT_EQ(watch.alarm(0).state(), AudioState::Audio);
    EXPECT_EQ(watch.alarm(1).state(), AudioState::Listening);
    asked.clear();
    while (asked.size() < 4)
        app.processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_EQ(std::count(asked.begin(), asked.end(), 0x7F000002u), 2);
    EXPECT_EQ(std::count(asked.begin(), asked.end(), 0x7F000004u), 2);
    watch.setWatched(0, false);
    watch.setWatched(1, false);
    asked.clear();
    for (int i = 0; i < 20; ++i)
        app.processEvents(); // nothing more is asked
    EXPECT_TRUE(asked.empty());
}

} // namespace
