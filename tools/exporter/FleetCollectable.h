#pragma once
// What a scrape of /metrics collects: the last snapshot's metrics, and how long
// collecting them took (tessovar_exporter_scrape_duration_seconds).  Runs on the HTTP
// server's threads; the checking never waits for a scrape, nor a scrape for a check.

#include "MetricsStore.h"

#include <prometheus/collectable.h>

#include <memory>

class FleetCollectable final : public prometheus::Collectable {
public:
    explicit FleetCollectable(std::shared_ptr<const MetricsStore> store)
        : store_(std::move(store)) {}
    std::vector<prometheus::MetricFamily> Collect() const override;

private:
    std::shared_ptr<const MetricsStore> store_;
};
