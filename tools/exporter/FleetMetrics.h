#pragma once
// The metrics of a snapshot, in Prometheus' terms (prometheus-cpp's metric families; the
// library writes the exposition format).  Each element has one label set: mac, name, ip,
// role.
//
//   tessovar_element_up                       1 when it answered the last ping, else 0
//   tessovar_element_ping_rtt_seconds         round trip of that ping
//   tessovar_element_{tx,rx}_frames_{good,bad}_total, ..._audio_frames_{good,bad}_total
//                                             the diagnostics record's counters
//   tessovar_element_ptp_sync_{good,bad}_total  the same, for an element in an SFN
//   tessovar_element_clock_difference_seconds, tessovar_element_measured_delay_seconds
//                                             gauges of a decoder in an SFN (the measured
//                                             delay with the additional latency added, as
//                                             the statistics window shows it)
//   tessovar_exporter_*                       the exporter's own: elements, check duration,
//                                             statistics port busy, errors by kind
//
// A counter is the element's own 32-bit count, read as unsigned (a count cannot be
// negative; past 2^32 it starts again, which Prometheus takes as a reset, as it takes
// the operator's "Clear").  A field the record does not hold in full is left out.

#include "MetricsStore.h"

#include <prometheus/metric_family.h>

#include <vector>

namespace FleetMetrics {

std::vector<prometheus::MetricFamily> build(const ExporterSnapshot& snapshot);

// A gauge family of one unlabelled sample.
prometheus::MetricFamily gauge(const std::string& name, const std::string& help, double value);

} // namespace FleetMetrics
