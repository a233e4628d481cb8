#pragma once
// When the audio watch asks which encoder for its level: the watched encoders in turn,
// one request every interval / count, so the requests are spread evenly over the
// interval; never closer than 1/50 s, so a fleet too large for the interval at that pace
// is asked less often (200 encoders at 1 s: each every 4 s), and never more than 50 in
// any second, also when a late request is followed by one on time.  Plain logic: the caller
// gives the time.

#include <QtGlobal>

#include <deque>

class AudioPollSchedule {
public:
    static constexpr int kMaxPerSecond = 50;

    // count encoders, each asked every intervalMs (or as often as the pace allows).
    void setPlan(int count, int intervalMs, qint64 nowMs);

    // The time between two requests to one encoder.
    qint64 periodMs() const;
    // The time between two requests in all.
    qint64 stepUs() const { return stepUs_; }

    // The encoder (0 to count - 1) to ask now, or -1 with *wakeAtMs the time to ask again.
    int next(qint64 nowMs, qint64* wakeAtMs);

private:
    int count_ = 0;
    int intervalMs_ = 1000;
    qint64 stepUs_ = 0;
    qint64 nextUs_ = 0;
    int turn_ = 0;
    std::deque<qint64> recentUs_; // the last kMaxPerSecond requests
};
