#include "AudioWatchSettings.h"

#include "core/database/MacSection.h"
#include "core/shell/SettingsStore.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace AudioWatchSettings {

namespace {
double number(const SettingsStore& store, const QString& key, double fallback) {
    bool ok = false;
    const double v = store.value(key, QString()).trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? v : fallback;
}
} // namespace

AudioLimits limits(const SettingsStore& store) {
    AudioLimits l;
    l.thresholdDbfs = std::clamp(number(store, Threshold, AudioLimits::kDefaultThresholdDbfs),
                                 kMinThresholdDbfs, 0.0);
    const double holdS =
        std::clamp(number(store, Hold, AudioLimits::kDefaultHoldMs / 1000.0), kMinHoldS, kMaxHoldS);
    l.holdMs = int(std::lround(holdS * 1000));
    l.intervalMs = int(std::lround(
        std::clamp(number(store, Interval, AudioLimits::kDefaultIntervalMs),
                   double(AudioLimits::kMinIntervalMs), double(AudioLimits::kMaxIntervalMs))));
    return l;
}

QSet<QString> watched(const SettingsStore& store) {
    QSet<QString> macs;
    for (const QString& section : store.value(Watched, QString()).split(u' ', Qt::SkipEmptyParts)) {
        // Not Decode_MAC: reading a setting lets no other event run.
        if (section.size() != 12)
            continue;
        QString mac;
        for (int pair = 0; pair < 6; ++pair)
            mac += (pair ? QStringLiteral(":") : QString()) + section.mid(pair * 2, 2).toUpper();
        macs.insert(mac);
    }
    return macs;
}

void setWatched(SettingsStore& store, const QSet<QString>& macs) {
    QStringList sections;
    for (const QString& mac : macs)
        sections.append(MacSection::Encode_MAC(mac));
    sections.sort();
    store.setValue(Watched, sections.join(u' '));
}

} // namespace AudioWatchSettings
