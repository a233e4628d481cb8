#include "AudioExport.h"

#include "core/diagnostics/LevelReport.h"
#include "core/protocol/DatagramDispatch.h"
#include "core/protocol/DatagramSend.h"

#include <prometheus/client_metric.h>
#include <prometheus/metric_family.h>

#include <QNetworkDatagram>

namespace {
// A level report is longer than any other datagram an element sends to port 2976.
constexpr qsizetype kShortestReport = 1201;
// Reports read at one wake-up, at most: the event loop is never held by a flood.
constexpr int kMostReportsAtOnce = 256;
} // namespace

AudioExport::AudioExport(std::shared_ptr<AudioStore> store, const AudioLimits& limits,
                         QObject* parent)
    : QObject(parent), store_(std::move(store)), watch_([this](quint32 address) {
          QString reason;
          return DatagramSend::sendTo(socket_, LevelReport::Request, address,
                                      Ports::ElementShort, &reason);
      }) {
    watch_.setLimits(limits);
    connect(&socket_, &QUdpSocket::readyRead, this, &AudioExport::readReports);
    publish_.setInterval(kPublishMs);
    connect(&publish_, &QTimer::timeout, this, &AudioExport::publish);
}

bool AudioExport::start(QString* error) {
    // Not shared: with another holder of the port, the reports would go to either.
    if (!socket_.bind(QHostAddress::AnyIPv4, Ports::NmsManagement,
                      QAbstractSocket::DontShareAddress)) {
        *error = QStringLiteral("--audio needs UDP port %1, where the encoders send their "
                                "level reports: %2 (a Tessovar NMS on this host holds it)")
                     .arg(Ports::NmsManagement)
                     .arg(socket_.errorString());
        return false;
    }
    publish_.start();
    return true;
}

void AudioExport::setElements(const std::vector<ExportedElement>& elements) {
    std::vector<AudioWatchElement> encoders;
    for (const ExportedElement& e : elements) {
        if (e.role != QLatin1String("encoder"))
            continue;
        encoders.push_back(AudioWatchElement{e.mac, e.name, e.address(), true});
    }
    watch_.setElements(std::move(encoders));
    publish();
}

void AudioExport::readReports() {
    for (int n = 0; n < kMostReportsAtOnce && socket_.hasPendingDatagrams(); ++n) {
        const QNetworkDatagram d = socket_.receiveDatagram();
        bool isIpv4 = false;
        const quint32 sender = d.senderAddress().toIPv4Address(&isIpv4);
        if (isIpv4 && d.data().size() >= kShortestReport)
            watch_.reportArrived(d.data(), sender);
    }
    if (socket_.hasPendingDatagrams())
        QTimer::singleShot(0, this, &AudioExport::readReports);
}

void AudioExport::publish() {
    std::vector<AudioSample> out;
    const auto& encoders = watch_.elements();
    out.reserve(encoders.size());
    for (size_t i = 0; i < encoders.size(); ++i) {
        const AudioAlarm& a = watch_.alarm(int(i));
        AudioSample s;
        s.mac = encoders[i].mac.toStdString();
        s.reported = a.lastReportMs() >= 0 && a.state() != AudioState::NoReports;
        s.levelDbfs = AudioLevels::dbfs(a.lastPeak());
        s.silent = a.state() == AudioState::Silent;
        out.push_back(std::move(s));
    }
    store_->publish(std::move(out));
}

std::vector<prometheus::MetricFamily> AudioCollectable::Collect() const {
    using prometheus::ClientMetric;
    using prometheus::MetricFamily;
    MetricFamily level{"tessovar_element_audio_level_dbfs",
                       "The encoder's audio level in its last level report (its highest "
                       "sample, dBFS); -Inf for no signal. Left out while it sends none.",
                       prometheus::MetricType::Gauge,
                       {}};
    MetricFamily silent{"tessovar_element_audio_silent",
                        "1 while every level report of the hold time was below the silence "
                        "threshold (dead air), else 0. Left out while it sends no reports.",
                        prometheus::MetricType::Gauge,
                        {}};
    for (const AudioSample& s : store_->snapshot()) {
        if (!s.reported)
            continue;
        ClientMetric m;
        m.label = {{"mac", s.mac}};
        m.gauge.value = s.levelDbfs;
        level.metric.push_back(m);
        m.gauge.value = s.silent ? 1 : 0;
        silent.metric.push_back(std::move(m));
    }
    return {std::move(level), std::move(silent)};
}
