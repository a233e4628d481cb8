#pragma once
// Where a version of an element's configuration came from.  The texts are what the
// history stores in its "source" column and what the History window shows.

#include <QString>

#include <optional>

enum class HistorySource {
    DiscoveryAnswer,        // the element answered a discovery
    ConfirmedConfiguration, // a sent configuration, confirmed by the element's feedback
    AttenuationStep,        // the operator moved the live attenuation
    SfnWindow,              // the SFN window stored the additional delay and auto servo
    KeptBeforeDiscovery,    // what nms.ini held when a discovery emptied it
};

namespace HistorySources {

QString text(HistorySource source);
std::optional<HistorySource> fromText(const QString& text);
// Discovery versions are pruned first: the element says them again at the next discovery.
bool prunedFirst(HistorySource source);

} // namespace HistorySources
