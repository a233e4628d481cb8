#include "AudioAlarm.h"

#include "core/diagnostics/LevelReport.h"

#include <cmath>
#include <limits>

namespace AudioLevels {
double dbfs(qint32 peak) {
    if (peak <= 0)
        return -std::numeric_limits<double>::infinity();
    return 20.0 * LevelReport::Log10(double(peak) / LevelReport::kFullScale);
}
} // namespace AudioLevels

void AudioAlarm::start(qint64 nowMs) {
    *this = AudioAlarm();
    startMs_ = nowMs;
}

std::optional<AudioState> AudioAlarm::moveTo(AudioState s) {
    if (s == state_)
        return std::nullopt;
    judgedBefore_ = judged_;
    judged_ = true;
    state_ = s;
    return s;
}

std::optional<AudioState> AudioAlarm::report(qint64 nowMs, qint32 peak, const AudioLimits& limits) {
    const double level = AudioLevels::dbfs(peak);
    const bool loud = level >= limits.thresholdDbfs;
    lastPeak_ = peak;
    lastReportMs_ = nowMs;
    if (runStartMs_ < 0)
        runStartMs_ = nowMs;
    overloadRun_ = level >= AudioLevels::kOverloadDbfs ? overloadRun_ + 1 : 0;
    if (loud) {
        if (loudSinceMs_ < 0)
            loudSinceMs_ = nowMs;
        quietSinceMs_ = -1;
        lastLoudMs_ = nowMs;
    } else {
        loudSinceMs_ = -1;
        if (quietSinceMs_ < 0)
            quietSinceMs_ = nowMs;
    }

    if (overloadRun_ >= AudioLevels::kOverloadReports)
        return moveTo(AudioState::Overload);
    // Every report of the last hold time was quiet: since the last loud one, or since the
    // reports began when none was loud.
    const qint64 quietFrom = std::max(lastLoudMs_, runStartMs_);
    if (!loud && nowMs - quietFrom >= limits.holdMs)
        return moveTo(AudioState::Silent);
    switch (state_) {
    case AudioState::Silent:
        if (loud && nowMs - loudSinceMs_ >= AudioLevels::kAudioAgainMs)
            return moveTo(AudioState::Audio);
        return std::nullopt;
    case AudioState::Overload:
        // The level came down: audio, until the quiet reports last the hold time.
        return overloadRun_ == 0 ? moveTo(AudioState::Audio) : std::nullopt;
    case AudioState::Listening:
    case AudioState::NoReports:
        // Reports again: a loud one is audio; quiet ones wait for the hold time.
        return moveTo(loud ? AudioState::Audio : AudioState::Listening);
    case AudioState::Audio:
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<AudioState> AudioAlarm::tick(qint64 nowMs, qint64 periodMs) {
    if (state_ == AudioState::NoReports)
        return std::nullopt;
    const qint64 since = lastReportMs_ >= 0 ? lastReportMs_ : startMs_;
    if (nowMs - since < AudioLevels::kMissedPeriods * periodMs)
        return std::nullopt;
    // The next reports start a new run: silence is judged on them alone.
    runStartMs_ = loudSinceMs_ = quietSinceMs_ = -1;
    overloadRun_ = 0;
    return moveTo(AudioState::NoReports);
}

QString audioStateText(AudioState state, const QString& silentSinceText) {
    switch (state) {
    case AudioState::Audio:
        return QStringLiteral("audio");
    case AudioState::Silent:
        return QStringLiteral("silent since ") + silentSinceText;
    case AudioState::Overload:
        return QStringLiteral("overload");
    case AudioState::NoReports:
        return QStringLiteral("no level reports");
    case AudioState::Listening:
        break;
    }
    return QStringLiteral("listening");
}
