#pragma once
// The audio watch at work, shared by the main window and the exporter: asks every watched
// encoder for its level ("VOL" to its port 2977) in the order and at the pace of
// AudioPollSchedule, matches each level report to its encoder by the sender's address
// (the stored "ip"), keeps the last 60 s of levels and tells each change of state
// (AudioAlarm).  The caller owns the socket: it sends what `send` is given and hands
// over every level report with its sender.  Nothing is sent while no encoder is watched.

#include "AudioAlarm.h"
#include "AudioPollSchedule.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>
#include <vector>

struct AudioWatchElement {
    QString mac;
    QString name;
    quint32 address = 0; // host order; 0: no address to ask
    bool watched = false;
};

class AudioWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kHistoryMs = 60000;
    static constexpr size_t kHistoryLevels = 2 * kHistoryMs / AudioLimits::kMinIntervalMs;
    // Sends one level request to address (host order); false when it could not leave.
    using Sender = std::function<bool(quint32 address)>;

    explicit AudioWatch(Sender send, QObject* parent = nullptr);

    void setLimits(const AudioLimits& limits);
    const AudioLimits& limits() const { return limits_; }

    // Replaces the encoders; one with the same MAC text and address keeps its state and
    // its levels.
    void setElements(std::vector<AudioWatchElement> elements);
    void setWatched(int index, bool watched);
    const std::vector<AudioWatchElement>& elements() const { return elements_; }
    int indexOf(const QString& mac) const { return byMac_.value(mac, -1); }
    int watchedCount() const { return int(order_.size()); }

    // A level report that arrived from sender (host order).
    void reportArrived(const QByteArray& report, quint32 sender);

    const AudioAlarm& alarm(int index) const { return alarms_[size_t(index)]; }
    struct Level {
        qint64 atMs = 0;
        qint32 peak = 0;
    };
    // The levels of the last 60 s, oldest first.
    const std::deque<Level>& history(int index) const { return history_[size_t(index)]; }
    // The highest peak of the last windowMs.
    qint32 peakHold(int index, qint64 windowMs) const;

    // The watch's clock (ms), as the alarms and the history read it.
    qint64 nowMs() const { return clock_.elapsed(); }
    qint64 periodMs() const { return schedule_.periodMs(); }

    quint64 requestsSent() const { return sent_; }
    quint64 requestsFailed() const { return failed_; }
    quint64 reportsMatched() const { return matched_; }
    // From an address no encoder of the list has.
    quint64 reportsUnmatched() const { return unmatched_; }

Q_SIGNALS:
    void levelReported(int index);
    void stateChanged(int index, AudioState from, AudioState to);
    // The encoders changed (setElements) or one is watched or not any more.
    void elementsChanged();

private:
    void replan();
    void pump();
    void indexAddresses();

    Sender send_;
    AudioLimits limits_;
    AudioPollSchedule schedule_;
    std::vector<AudioWatchElement> elements_;
    std::vector<AudioAlarm> alarms_;
    std::vector<std::deque<Level>> history_;
    std::vector<int> order_; // the watched encoders with an address, in turn
    QHash<QString, int> byMac_;
    QHash<quint32, int> byAddress_;
    QTimer wake_;
    QElapsedTimer clock_;
    quint64 sent_ = 0;
    quint64 failed_ = 0;
    quint64 matched_ = 0;
    quint64 unmatched_ = 0;
};
