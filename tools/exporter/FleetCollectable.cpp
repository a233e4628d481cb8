#include "FleetCollectable.h"

#include "FleetMetrics.h"

#include <chrono>

std::vector<prometheus::MetricFamily> FleetCollectable::Collect() const {
    const auto start = std::chrono::steady_clock::now();
    std::vector<prometheus::MetricFamily> out = FleetMetrics::build(store_->snapshot());
    out.push_back(FleetMetrics::buildInfo(version_));
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    out.push_back(FleetMetrics::gauge("tessovar_exporter_scrape_duration_seconds",
                                      "How long collecting the metrics of this scrape took.",
                                      took.count()));
    return out;
}
