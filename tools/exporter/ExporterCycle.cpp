#include "ExporterCycle.h"

#include "core/diagnostics/DiagnosticsRecord.h"
#include "core/diagnostics/Icmp.h"

#include <QHostAddress>

#include <algorithm>

ExporterCycle::ExporterCycle(MetricsStore& store, int intervalS, int rate, QObject* parent)
    : QObject(parent), store_(store), intervalMs_(intervalS * 1000),
      spacingMs_((1000 + rate - 1) / rate),
      maxInFlight_(
          int(std::min<qint64>(EchoProbe::kMaxInFlight, kPingTimeoutMs / spacingMs_ + 1))) {
    clock_.start();
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    connect(&wake_, &QTimer::timeout, this, [this] {
        if (phase_ == Phase::Statistics && cursor_ >= samples_.size())
            endCheck(); // the wait for the last answers is over
        else
            pump();
    });
    publishTimer_.setSingleShot(true);
    publishTimer_.setInterval(kPublishMs);
    connect(&publishTimer_, &QTimer::timeout, this, &ExporterCycle::publish);
    nextCheck_.setSingleShot(true);
    connect(&nextCheck_, &QTimer::timeout, this, &ExporterCycle::beginCheck);
    connect(&probe_, &EchoProbe::answered, this, &ExporterCycle::pingAnswered);
    connect(&port_, &DiagnosticsPort::datagramFrom, this, &ExporterCycle::statisticsArrived);
}

void ExporterCycle::setDatabaseState(int withoutAddress, bool elementsLimited) {
    snapshot_.withoutAddress = withoutAddress;
    snapshot_.elementsLimited = elementsLimited;
    publish();
}

void ExporterCycle::setElements(const std::vector<ExportedElement>& elements) {
    next_ = elements;
    nextChanged_ = true;
    if (phase_ == Phase::Idle && checks_ == 0) {
        // Before the first check: the metrics list the elements at once.
        samples_.clear();
        for (const ExportedElement& e : next_)
            samples_.push_back(ElementSample{e, false, false, 0, {}});
        publish();
    }
}

void ExporterCycle::countError(const std::string& kind) {
    snapshot_.errors[kind] += 1;
    publish();
}

void ExporterCycle::start() {
    beginCheck();
}

void ExporterCycle::publishSoon() {
    if (!publishTimer_.isActive())
        publishTimer_.start();
}

void ExporterCycle::publish() {
    publishTimer_.stop();
    snapshot_.elements = samples_;
    store_.publish(snapshot_);
}

void ExporterCycle::beginCheck() {
    checkStartMs_ = now();
    if (nextChanged_) {
        // Elements still there (same MAC text and address) keep what was found last time
        // until this check finds anew.
        QHash<QString, int> old;
        for (int i = 0; i < int(samples_.size()); ++i)
            old.insert(samples_[size_t(i)].element.mac, i);
        std::vector<ElementSample> samples;
        for (const ExportedElement& e : next_) {
            const int o = old.value(e.mac, -1);
            if (o >= 0 && samples_[size_t(o)].element.ip == e.ip) {
                samples.push_back(samples_[size_t(o)]);
                samples.back().element = e;
            } else {
                samples.push_back(ElementSample{e, false, false, 0, {}});
            }
        }
        samples_ = std::move(samples);
        nextChanged_ = false;
        publish();
    }
    phase_ = Phase::Ping;
    cursor_ = 0;
    pingsInFlight_ = 0;
    pump();
}

bool ExporterCycle::paced() {
    const qint64 at = lastSendMs_ + spacingMs_;
    if (now() >= at)
        return true;
    wake_.start(int(at - now()));
    return false;
}

void ExporterCycle::pump() {
    if (phase_ == Phase::Ping) {
        while (cursor_ < samples_.size() && pingsInFlight_ < maxInFlight_) {
            ElementSample& s = samples_[cursor_];
            const quint32 address = s.element.address();
            if (address == 0) {
                ++cursor_; // never checked, counted apart (the database reader leaves it out)
                continue;
            }
            if (!paced())
                return;
            lastSendMs_ = now();
            ++pingsInFlight_;
            probe_.send(address, cursor_, kPingTimeoutMs);
            ++cursor_;
        }
        if (cursor_ >= samples_.size() && pingsInFlight_ == 0)
            beginStatistics();
        return;
    }
    if (phase_ != Phase::Statistics)
        return;
    while (cursor_ < samples_.size()) {
        ElementSample& s = samples_[cursor_];
        if (!s.up) {
            ++cursor_;
            continue;
        }
        if (!paced())
            return;
        lastSendMs_ = now();
        if (port_.send(s.element.ip, DiagnosticsRequest::GetStats) ==
            DiagnosticsPort::SendResult::Sent)
            awaiting_.insert(s.element.address(), int(cursor_));
        else
            snapshot_.errors["statistics_send"] += 1;
        ++cursor_;
    }
    if (awaiting_.isEmpty())
        endCheck();
    else
        wake_.start(kStatisticsWaitMs);
}

void ExporterCycle::pingAnswered(quint64 tag, qint32 status, qint64 roundTripUs) {
    if (phase_ != Phase::Ping || tag >= samples_.size())
        return;
    --pingsInFlight_;
    ElementSample& s = samples_[size_t(tag)];
    if (status == Icmp::Status::NoRequest) {
        snapshot_.errors["icmp"] += 1; // no right to ping: nothing is known of the element
    } else {
        s.checked = true;
        s.up = status == Icmp::Status::Success;
        s.roundTripSeconds = s.up ? double(roundTripUs) / 1e6 : 0;
        publishSoon();
    }
    pump();
}

void ExporterCycle::beginStatistics() {
    publish(); // who answers is known now
    phase_ = Phase::Statistics;
    cursor_ = 0;
    awaiting_.clear();
    // Only answers of this check count; the last ones stay shown until it ends.
    fresh_.assign(samples_.size(), false);
    bool anyUp = false;
    for (ElementSample& s : samples_)
        anyUp = anyUp || s.up;
    if (!anyUp) {
        endCheck(); // nobody to ask: the port is not even taken
        return;
    }
    snapshot_.statisticsPortBusy = !port_.bindLocal(QStringLiteral("0.0.0.0"));
    if (snapshot_.statisticsPortBusy) {
        snapshot_.errors["statistics_port"] += 1;
        endCheck();
        return;
    }
    pump();
}

void ExporterCycle::statisticsArrived(const QByteArray& record, quint32 sender) {
    if (phase_ != Phase::Statistics || record.size() > DiagnosticsRecord::kFullLength)
        return;
    const auto it = awaiting_.find(sender);
    if (it == awaiting_.end())
        return; // not asked, or answered already
    samples_[size_t(*it)].record = record;
    fresh_[size_t(*it)] = true;
    awaiting_.erase(it);
    if (awaiting_.isEmpty() && cursor_ >= samples_.size()) {
        wake_.stop();
        // After the port has handed over this datagram, not while it reads.
        QMetaObject::invokeMethod(this, &ExporterCycle::endCheck, Qt::QueuedConnection);
        phase_ = Phase::Idle;
    }
}

void ExporterCycle::endCheck() {
    for (size_t i = 0; i < samples_.size() && i < fresh_.size(); ++i) {
        if (!fresh_[i])
            samples_[i].record.clear();
    }
    port_.close();
    phase_ = Phase::Idle;
    awaiting_.clear();
    ++checks_;
    snapshot_.checks = double(checks_);
    snapshot_.checkSeconds = double(now() - checkStartMs_) / 1000.0;
    publish();
    Q_EMIT checkDone(snapshot_.checkSeconds);
    nextCheck_.start(int(std::max<qint64>(0, checkStartMs_ + intervalMs_ - now())));
}
