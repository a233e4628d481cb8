#pragma once
// The fleet check at work: pings the elements in the order and at the pace FleetSchedule
// gives, through a non-blocking EchoProbe, and reports each answer and each change of
// state.  Nothing here waits: the event loop runs between every request and answer.

#include "FleetSchedule.h"

#include "core/diagnostics/EchoProbe.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class FleetCheck : public QObject {
    Q_OBJECT
public:
    // An echo that takes longer than this counts as a failed check.
    static constexpr int kDefaultTimeoutMs = FleetLimits{}.timeoutMs;

    explicit FleetCheck(QObject* parent = nullptr);

    // Replaces the elements (FleetSchedule::setElements) and goes on checking.
    void setElements(std::vector<FleetElement> elements);
    // 0: off (every state goes back to not checked); otherwise the interval.
    void setIntervalMs(int intervalMs);
    int intervalMs() const { return schedule_.limits().intervalMs; }
    bool isRunning() const { return running_; }
    // Pace and time-out (tests and benchmarks); the interval stays as set.  maxInFlight
    // 0: as many as the pace and the time-out need.
    void setLimits(int maxInFlight, int maxPerSecond, int timeoutMs);

    const FleetSchedule& schedule() const { return schedule_; }
    EchoProbe& probe() { return probe_; }
    // Requests sent since the object was made.
    quint64 requestsSent() const { return sent_; }
    // Why no request could be made, when the last one could not (no ICMP right).
    QString probeError() const { return probeError_; }

Q_SIGNALS:
    void checked(int index); // an answer for element `index` arrived
    void stateChanged(const FleetChange& change);
    void probeErrorChanged(const QString& error); // empty: requests can be made again

private:
    void pump();
    void answered(quint64 tag, qint32 status, qint64 roundTripUs);
    qint64 now() const { return clock_.elapsed(); }

    FleetSchedule schedule_;
    EchoProbe probe_;
    QTimer wake_;
    static constexpr int kWakeGridMs = 100;
    qint64 wakeAtMs_ = -1; // while wake_ is active
    QElapsedTimer clock_;
    bool running_ = false;
    bool polling_ = false;
    quint64 sent_ = 0;
    QString probeError_;
};
