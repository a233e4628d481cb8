#include "FleetMetrics.h"

#include "core/diagnostics/DiagnosticsRecord.h"

#include <QtGlobal>

#include <map>
#include <optional>

namespace FleetMetrics {

namespace {

using prometheus::ClientMetric;
using prometheus::MetricFamily;
using prometheus::MetricType;
namespace Offset = DiagnosticsRecord::Offset;

struct CounterField {
    const char* name;
    const char* help;
    int offset;
    bool sfnOnly;
};

const CounterField kCounters[] = {
    {"tessovar_element_tx_frames_good_total", "Ethernet frames sent without error.",
     Offset::TxFramesOk, false},
    {"tessovar_element_rx_frames_good_total", "Ethernet frames received without error.",
     Offset::RxFramesOk, false},
    {"tessovar_element_tx_frames_bad_total", "Ethernet frames sent with error.",
     Offset::TxFramesErr, false},
    {"tessovar_element_rx_frames_bad_total", "Ethernet frames received with error.",
     Offset::RxFramesErr, false},
    {"tessovar_element_audio_frames_good_total", "Audio frames received without error.",
     Offset::AudioFramesOk, false},
    {"tessovar_element_audio_frames_bad_total", "Audio frames received with error.",
     Offset::AudioFramesErr, false},
    {"tessovar_element_ptp_sync_good_total", "PTP sync messages received correctly (SFN).",
     Offset::PtpSyncOk, true},
    {"tessovar_element_ptp_sync_bad_total", "PTP sync messages received with error (SFN).",
     Offset::PtpSyncErr, true},
};

bool holds(const QByteArray& record, int offset) {
    return record.size() >= qsizetype(offset) + 4;
}

std::vector<ClientMetric::Label> labels(const FleetElement& e) {
    return {{"mac", e.mac.toStdString()}};
}

std::string utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

MetricFamily family(const char* name, const char* help, MetricType type) {
    MetricFamily f;
    f.name = name;
    f.help = help;
    f.type = type;
    return f;
}

void addGauge(MetricFamily& f, const FleetElement& e, double value) {
    ClientMetric m;
    m.label = labels(e);
    m.gauge.value = value;
    f.metric.push_back(std::move(m));
}

void addCounter(MetricFamily& f, const FleetElement& e, double value) {
    ClientMetric m;
    m.label = labels(e);
    m.counter.value = value;
    f.metric.push_back(std::move(m));
}

} // namespace

MetricFamily gauge(const std::string& name, const std::string& help, double value) {
    MetricFamily f;
    f.name = name;
    f.help = help;
    f.type = MetricType::Gauge;
    ClientMetric m;
    m.gauge.value = value;
    f.metric.push_back(m);
    return f;
}

MetricFamily buildInfo(const std::string& version) {
    MetricFamily f = gauge("tessovar_exporter_build_info",
                           "1, with the version of tessovar-exporter and of its Qt libraries.", 1);
    f.metric.front().label = {{"qt_version", qVersion()}, {"version", version}};
    return f;
}

std::vector<MetricFamily> build(const ExporterSnapshot& s) {
    MetricFamily info =
        family("tessovar_element_info",
               "1 for every element of the database: its name, address, role, serial number "
               "and firmware as stored (join on mac with group_left).",
               MetricType::Gauge);
    MetricFamily up =
        family("tessovar_element_up",
               "1 when the element answered the last ping, 0 when it did not.", MetricType::Gauge);
    MetricFamily rtt = family("tessovar_element_ping_rtt_seconds",
                              "Round trip of the element's last answered ping.", MetricType::Gauge);
    std::vector<MetricFamily> counters;
    for (const CounterField& c : kCounters)
        counters.push_back(family(c.name, c.help, MetricType::Counter));
    MetricFamily clock = family("tessovar_element_clock_difference_seconds",
                                "PTP clock difference of a decoder in an SFN.", MetricType::Gauge);
    MetricFamily delay =
        family("tessovar_element_measured_delay_seconds",
               "Measured network delay plus the additional latency, of a decoder in an SFN.",
               MetricType::Gauge);

    for (const ElementSample& e : s.elements) {
        ClientMetric m;
        m.label = {{"firmware", utf8(e.element.firmware)}, {"ip", utf8(e.element.ip)},
                   {"mac", utf8(e.element.mac)},           {"name", utf8(e.element.name)},
                   {"role", utf8(e.element.role)},         {"serial", utf8(e.element.serial)}};
        m.gauge.value = 1;
        info.metric.push_back(std::move(m));
        if (!e.checked)
            continue;
        addGauge(up, e.element, e.up ? 1 : 0);
        if (e.up)
            addGauge(rtt, e.element, e.roundTripSeconds);
        const QByteArray& r = e.record;
        if (r.isEmpty())
            continue;
        for (size_t i = 0; i < std::size(kCounters); ++i) {
            const CounterField& c = kCounters[i];
            if (holds(r, c.offset) && (!c.sfnOnly || e.element.sfn))
                addCounter(counters[i], e.element,
                           double(quint32(DiagnosticsRecord::rawField(r, c.offset))));
        }
        if (!e.element.sfn || e.element.role != QLatin1String("decoder"))
            continue;
        if (holds(r, Offset::ClockDifference))
            addGauge(clock, e.element,
                     DiagnosticsRecord::rawField(r, Offset::ClockDifference) * 1e-9);
        if (holds(r, Offset::AdditionalLatency)) {
            const auto sum = DiagnosticsRecord::checkedSum(
                DiagnosticsRecord::rawField(r, Offset::MeasuredDelay),
                DiagnosticsRecord::rawField(r, Offset::AdditionalLatency));
            if (sum)
                addGauge(delay, e.element, *sum * 1e-9);
        }
    }

    std::vector<MetricFamily> out;
    out.push_back(std::move(info));
    out.push_back(std::move(up));
    out.push_back(std::move(rtt));
    for (MetricFamily& c : counters)
        out.push_back(std::move(c));
    out.push_back(std::move(clock));
    out.push_back(std::move(delay));

    out.push_back(gauge("tessovar_exporter_elements", "Elements of the database that are checked.",
                        double(s.elements.size())));
    out.push_back(gauge("tessovar_exporter_elements_without_address",
                        "Elements of the database without a usable address: not checked.",
                        s.withoutAddress));
    out.push_back(gauge("tessovar_exporter_elements_limited",
                        "1 when the database holds more elements than the exporter reads.",
                        s.elementsLimited ? 1 : 0));
    MetricFamily checks =
        family("tessovar_exporter_checks_total",
               "Complete checks of every element since the start.", MetricType::Counter);
    checks.metric.emplace_back().counter.value = s.checks;
    out.push_back(std::move(checks));
    out.push_back(gauge("tessovar_exporter_check_duration_seconds",
                        "How long the last complete check of every element took.", s.checkSeconds));
    out.push_back(gauge("tessovar_exporter_statistics_port_busy",
                        "1 when local port 2978 was taken by another program at the last check.",
                        s.statisticsPortBusy ? 1 : 0));
    MetricFamily errors =
        family("tessovar_exporter_errors_total",
               "Errors of the exporter by kind: database, icmp, statistics_port, statistics_send.",
               MetricType::Counter);
    std::map<std::string, double> counts = s.errors;
    for (const char* kind : kErrorKinds)
        counts.try_emplace(kind, 0);
    for (const auto& [kind, count] : counts) {
        ClientMetric m;
        m.label = {{"kind", kind}};
        m.counter.value = count;
        errors.metric.push_back(std::move(m));
    }
    out.push_back(std::move(errors));
    return out;
}

} // namespace FleetMetrics
