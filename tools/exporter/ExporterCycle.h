#pragma once
// The exporter's checks, on a schedule of its own (every --interval seconds), not on each
// scrape: a scrape then answers at once with the last results whatever the fleet's size,
// and the elements see the same gentle load however many Prometheus servers scrape.
//
// One check: every element is pinged at the pace (as many in flight as the pace sends
// within a time-out, so elements that do not answer are checked as fast as those that
// do, and a whole site going dark is seen within one pass); then,
// holding local port 2978 only for that part, each element that answered is asked once
// for its diagnostics record ("GetStats"), and the port is released.  Requests of both
// kinds go out evenly spaced, never more than --rate a second.  When port 2978 is taken
// (an open statistics window of Tessovar NMS on this host), the statistics are left out
// of this check and the port is tried again at the next; the pings go on.  Who answers is
// published as the answers come (at most every kPublishMs), from the first check on.

#include "MetricsStore.h"

#include "core/diagnostics/DiagnosticsPort.h"
#include "core/diagnostics/EchoProbe.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <vector>

class ExporterCycle : public QObject {
    Q_OBJECT
public:
    static constexpr int kPingTimeoutMs = 2000;
    static constexpr int kPublishMs = 250;
    static constexpr int kStatisticsWaitMs = 2000; // after the last request

    ExporterCycle(MetricsStore& store, int intervalS, int rate, QObject* parent = nullptr);

    // The elements of the next check (and of the metrics from now on).
    void setElements(const std::vector<ExportedElement>& elements);
    void setDatabaseState(int withoutAddress, bool elementsLimited);
    void start();
    void countError(const std::string& kind);

    quint64 checksDone() const { return checks_; }
    int maxPingsInFlight() const { return maxInFlight_; }

Q_SIGNALS:
    void checkDone(double seconds);

private:
    enum class Phase { Idle, Ping, Statistics };

    void beginCheck();
    void pump();
    void pingAnswered(quint64 tag, qint32 status, qint64 roundTripUs);
    void beginStatistics();
    void statisticsArrived(const QByteArray& record, quint32 sender);
    void endCheck();
    void publish();
    qint64 now() const { return clock_.elapsed(); }
    bool paced(); // false (and a wake-up set) when the next request must wait

    MetricsStore& store_;
    int intervalMs_;
    qint64 spacingMs_;
    void publishSoon();

    int maxInFlight_;
    std::vector<ExportedElement> next_;
    bool nextChanged_ = false;
    std::vector<ElementSample> samples_;
    ExporterSnapshot snapshot_;
    Phase phase_ = Phase::Idle;
    size_t cursor_ = 0;
    int pingsInFlight_ = 0;
    qint64 lastSendMs_ = -1000000;
    QHash<quint32, int> awaiting_; // statistics: sender address -> element
    std::vector<bool> fresh_;      // statistics: answered in this check
    EchoProbe probe_;
    DiagnosticsPort port_;
    QTimer wake_;
    QTimer nextCheck_;
    QTimer publishTimer_;
    QElapsedTimer clock_;
    qint64 checkStartMs_ = 0;
    quint64 checks_ = 0;
};
