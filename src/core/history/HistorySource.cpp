#include "HistorySource.h"

#include <array>

namespace {

struct Named {
    HistorySource source;
    const char* text;
};

constexpr std::array<Named, 5> kNames{{
    {HistorySource::DiscoveryAnswer, "discovery answer"},
    {HistorySource::ConfirmedConfiguration, "confirmed configuration"},
    {HistorySource::AttenuationStep, "attenuation step"},
    {HistorySource::SfnWindow, "SFN window"},
    {HistorySource::KeptBeforeDiscovery, "kept before a discovery"},
}};

} // namespace

namespace HistorySources {

QString text(HistorySource source) {
    for (const Named& n : kNames)
        if (n.source == source)
            return QLatin1String(n.text);
    return {};
}

std::optional<HistorySource> fromText(const QString& text) {
    for (const Named& n : kNames)
        if (text == QLatin1String(n.text))
            return n.source;
    return std::nullopt;
}

bool prunedFirst(HistorySource source) {
    return source == HistorySource::DiscoveryAnswer || source == HistorySource::KeptBeforeDiscovery;
}

} // namespace HistorySources
