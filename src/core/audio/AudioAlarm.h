#pragma once
// What an encoder's level reports say about its audio, report by report:
// - silent when every report of the last hold time is below the threshold (a report with
//   no positive sample, "-oodBFS", is below any threshold);
// - audio again once the reports have stayed at or above the threshold for 2 s;
// - overload when 3 reports in a row reach -0.1 dBFS;
// - no level reports when none came for 5 request periods.
// Plain logic: the caller gives the time.

#include <QString>
#include <QtGlobal>

#include <optional>

enum class AudioState { Listening, Audio, Silent, Overload, NoReports };

struct AudioLimits {
    static constexpr double kDefaultThresholdDbfs = -50.0;
    static constexpr int kDefaultHoldMs = 15000;
    static constexpr int kDefaultIntervalMs = 1000;
    static constexpr int kMinIntervalMs = 200;
    static constexpr int kMaxIntervalMs = 10000;

    double thresholdDbfs = kDefaultThresholdDbfs;
    int holdMs = kDefaultHoldMs;
    int intervalMs = kDefaultIntervalMs;
};

namespace AudioLevels {
inline constexpr double kOverloadDbfs = -0.1;
inline constexpr int kOverloadReports = 3;
inline constexpr int kAudioAgainMs = 2000;
inline constexpr int kMissedPeriods = 5;

// 20 log10(peak / full scale); minus infinity for a peak of 0 (no signal).
double dbfs(qint32 peak);
} // namespace AudioLevels

class AudioAlarm {
public:
    // Watching begins (again): nothing is known yet.
    void start(qint64 nowMs);

    // A report with this peak.  Returns the new state when it changed.
    std::optional<AudioState> report(qint64 nowMs, qint32 peak, const AudioLimits& limits);
    // Time passes; periodMs is the time between two requests to this encoder.  Returns
    // NoReports when none came for 5 periods.
    std::optional<AudioState> tick(qint64 nowMs, qint64 periodMs);

    AudioState state() const { return state_; }
    // The first quiet report of the silence (valid while silent).
    qint64 silentSinceMs() const { return quietSinceMs_; }
    qint32 lastPeak() const { return lastPeak_; }
    qint64 lastReportMs() const { return lastReportMs_; }
    // False until the first verdict after start(): the first "audio" is no news.
    bool judgedBefore() const { return judgedBefore_; }

private:
    std::optional<AudioState> moveTo(AudioState s);

    AudioState state_ = AudioState::Listening;
    qint64 startMs_ = 0;
    qint64 runStartMs_ = -1; // first report since start or since reports came back
    qint64 lastReportMs_ = -1;
    qint64 lastLoudMs_ = -1;   // last report at or above the threshold
    qint64 loudSinceMs_ = -1;  // first of the current run of loud reports (-1: last was quiet)
    qint64 quietSinceMs_ = -1; // first of the current run of quiet reports (-1: last was loud)
    qint32 lastPeak_ = 0;
    int overloadRun_ = 0;
    bool judged_ = false;       // a verdict was given since start()
    bool judgedBefore_ = false; // the change being made is not the first verdict
};

// "audio", "silent since 14:02:11", "overload", "no level reports", "listening"; the
// time as the local clock reads it.
QString audioStateText(AudioState state, const QString& silentSinceText = {});
