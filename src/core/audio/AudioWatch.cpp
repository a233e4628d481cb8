#include "AudioWatch.h"

#include "core/diagnostics/LevelReport.h"

#include <algorithm>

AudioWatch::AudioWatch(Sender send, QObject* parent) : QObject(parent), send_(std::move(send)) {
    clock_.start();
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    connect(&wake_, &QTimer::timeout, this, &AudioWatch::pump);
}

void AudioWatch::setLimits(const AudioLimits& limits) {
    limits_ = limits;
    limits_.intervalMs =
        std::clamp(limits.intervalMs, AudioLimits::kMinIntervalMs, AudioLimits::kMaxIntervalMs);
    limits_.holdMs = std::max(limits.holdMs, 0);
    replan();
}

void AudioWatch::setElements(std::vector<AudioWatchElement> elements) {
    const qint64 now = nowMs();
    std::vector<AudioAlarm> alarms(elements.size());
    std::vector<std::deque<Level>> history(elements.size());
    QHash<QString, int> byMac;
    for (int i = 0; i < int(elements.size()); ++i) {
        const AudioWatchElement& e = elements[size_t(i)];
        const int before = byMac_.value(e.mac, -1);
        if (before >= 0 && elements_[size_t(before)].address == e.address &&
            elements_[size_t(before)].watched == e.watched) {
            alarms[size_t(i)] = alarms_[size_t(before)];
            history[size_t(i)] = std::move(history_[size_t(before)]);
        } else {
            alarms[size_t(i)].start(now);
        }
        if (!byMac.contains(e.mac))
            byMac.insert(e.mac, i);
    }
    elements_ = std::move(elements);
    alarms_ = std::move(alarms);
    history_ = std::move(history);
    byMac_ = std::move(byMac);
    indexAddresses();
    replan();
    Q_EMIT elementsChanged();
}

void AudioWatch::setWatched(int index, bool watched) {
    if (index < 0 || index >= int(elements_.size()) || elements_[size_t(index)].watched == watched)
        return;
    elements_[size_t(index)].watched = watched;
    alarms_[size_t(index)].start(nowMs());
    history_[size_t(index)].clear();
    indexAddresses();
    replan();
    Q_EMIT elementsChanged();
}

void AudioWatch::indexAddresses() {
    // A report is the first watched encoder's with its address; an address only encoders
    // that are not watched have is known, but nobody's report.
    byAddress_.clear();
    order_.clear();
    for (int i = 0; i < int(elements_.size()); ++i) {
        const AudioWatchElement& e = elements_[size_t(i)];
        if (e.address == 0)
            continue;
        const int other = byAddress_.value(e.address, -1);
        if (other < 0 || (!elements_[size_t(other)].watched && e.watched))
            byAddress_.insert(e.address, i);
        if (e.watched && byAddress_.value(e.address) == i)
            order_.push_back(i);
    }
}

void AudioWatch::replan() {
    schedule_.setPlan(int(order_.size()), limits_.intervalMs, nowMs());
    if (order_.empty())
        wake_.stop();
    else
        wake_.start(0);
}

void AudioWatch::pump() {
    qint64 wakeAt = -1;
    const qint64 now = nowMs();
    const int turn = schedule_.next(now, &wakeAt);
    if (turn >= 0 && turn < int(order_.size())) {
        const int index = order_[size_t(turn)];
        // Asked in turn, so each encoder's silence on the wire is noticed within a period.
        AudioAlarm& a = alarms_[size_t(index)];
        const AudioState from = a.state();
        if (const auto to = a.tick(now, schedule_.periodMs()))
            Q_EMIT stateChanged(index, from, *to);
        ++sent_;
        if (!send_(elements_[size_t(index)].address))
            ++failed_;
    }
    if (wakeAt >= 0)
        wake_.start(int(std::max<qint64>(wakeAt - nowMs(), 0)));
}

void AudioWatch::reportArrived(const QByteArray& report, quint32 sender) {
    const int index = byAddress_.value(sender, -1);
    if (index < 0) {
        ++unmatched_;
        return;
    }
    if (!elements_[size_t(index)].watched)
        return; // the panel's meter asked it
    ++matched_;
    const qint64 now = nowMs();
    const qint32 peak = LevelReport::peak(report);
    std::deque<Level>& h = history_[size_t(index)];
    h.push_back({now, peak});
    // A flood of reports from an encoder's address keeps no more than a minute of the
    // fastest interval's levels.
    while (!h.empty() && (now - h.front().atMs > kHistoryMs || h.size() > kHistoryLevels))
        h.pop_front();
    AudioAlarm& a = alarms_[size_t(index)];
    const AudioState from = a.state();
    const auto to = a.report(now, peak, limits_);
    Q_EMIT levelReported(index);
    if (to)
        Q_EMIT stateChanged(index, from, *to);
}

qint32 AudioWatch::peakHold(int index, qint64 windowMs) const {
    const qint64 now = nowMs();
    qint32 highest = 0;
    const std::deque<Level>& h = history_[size_t(index)];
    for (auto it = h.rbegin(); it != h.rend() && now - it->atMs <= windowMs; ++it)
        highest = std::max(highest, it->peak);
    return highest;
}
