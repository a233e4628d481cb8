#pragma once
// The metrics of a snapshot, in Prometheus' terms (prometheus-cpp's metric families; the
// library writes the exposition format).  The element's series carry one label, mac, its
// identity: renaming or re-addressing an element keeps its series.  What may change is in
//
//   tessovar_element_info{mac,name,ip,role,serial,firmware}   1, to join with group_left
//   tessovar_element_up                       1 when it answered the last ping, else 0
//   tessovar_element_ping_rtt_seconds         round trip of that ping
//   tessovar_element_{tx,rx}_frames_{good,bad}_total, ..._audio_frames_{good,bad}_total
//                                             the diagnostics record's counters
//   tessovar_element_ptp_sync_{good,bad}_total  the same, for an element in an SFN
//   tessovar_element_clock_difference_seconds, tessovar_element_measured_delay_seconds
//                                             gauges of a decoder in an SFN (the measured
//                                             delay with the additional latency added, as
//                                             the statistics window shows it)
//   tessovar_exporter_*                       the exporter's own: build information,
//                                             elements, checks, check duration, statistics
//                                             port busy, errors by kind (each kind from 0)
//
// A counter is the element's own 32-bit count, read as unsigned (a count cannot be
// negative; past 2^32 it starts again, which Prometheus takes as a reset, as it takes
// the operator's "Clear").  A field the record does not hold in full is left out.

#include "MetricsStore.h"

#include <prometheus/metric_family.h>

#include <vector>

namespace FleetMetrics {

// The kinds of tessovar_exporter_errors_total, each shown from the start.
inline constexpr const char* kErrorKinds[] = {"database", "icmp", "statistics_port",
                                              "statistics_send"};

std::vector<prometheus::MetricFamily> build(const ExporterSnapshot& snapshot);

// tessovar_exporter_build_info{version,qt_version} 1.
prometheus::MetricFamily buildInfo(const std::string& version);

// A gauge family of one unlabelled sample.
prometheus::MetricFamily gauge(const std::string& name, const std::string& help, double value);

} // namespace FleetMetrics
