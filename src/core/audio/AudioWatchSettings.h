#pragma once
// The audio watch's settings in the per-user store (same group as the system's own):
// "AudioWatchThreshold" in dBFS (default -50), "AudioWatchHold" in seconds (default 15),
// "AudioWatchInterval" in ms (default 1000, 200 to 10000), and the watched encoders,
// "AudioWatched", their section names separated by spaces.  A value that is not a number
// gives the default; one out of range is brought to the nearest end.

#include "AudioAlarm.h"

#include <QSet>
#include <QString>

class SettingsStore;

namespace AudioWatchSettings {

inline const QString Threshold = QStringLiteral("AudioWatchThreshold");
inline const QString Hold = QStringLiteral("AudioWatchHold");
inline const QString Interval = QStringLiteral("AudioWatchInterval");
inline const QString Watched = QStringLiteral("AudioWatched");

inline constexpr double kMinThresholdDbfs = -140.0;
inline constexpr double kMinHoldS = 0.5;
inline constexpr double kMaxHoldS = 3600.0;

AudioLimits limits(const SettingsStore& store);

// The MAC texts of the watched encoders.
QSet<QString> watched(const SettingsStore& store);
void setWatched(SettingsStore& store, const QSet<QString>& macs);

} // namespace AudioWatchSettings
