#pragma once
// What a scrape of /metrics collects of the fleet: the last snapshot's metrics, the
// exporter's build information, and how long collecting them took
// (tessovar_exporter_scrape_duration_seconds).  Runs on the HTTP
// server's threads; the checking never waits for a scrape, nor a scrape for a check.

#include "MetricsStore.h"

#include <prometheus/collectable.h>

#include <memory>
#include <string>

class FleetCollectable final : public prometheus::Collectable {
public:
    FleetCollectable(std::shared_ptr<const MetricsStore> store, std::string version)
        : store_(std::move(store)), version_(std::move(version)) {}
    std::vector<prometheus::MetricFamily> Collect() const override;

private:
    std::shared_ptr<const MetricsStore> store_;
    std::string version_;
};
