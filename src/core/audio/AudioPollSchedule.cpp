#include "AudioPollSchedule.h"

#include <algorithm>

void AudioPollSchedule::setPlan(int count, int intervalMs, qint64 nowMs) {
    count_ = std::max(count, 0);
    intervalMs_ = intervalMs;
    const qint64 fastestUs = 1000000 / kMaxPerSecond;
    stepUs_ = count_ == 0 ? 0 : std::max<qint64>(qint64(intervalMs) * 1000 / count_, fastestUs);
    nextUs_ = nowMs * 1000;
    if (turn_ >= count_)
        turn_ = 0;
}

qint64 AudioPollSchedule::periodMs() const {
    if (count_ == 0)
        return intervalMs_;
    return std::max<qint64>(intervalMs_, stepUs_ * count_ / 1000);
}

int AudioPollSchedule::next(qint64 nowMs, qint64* wakeAtMs) {
    if (count_ == 0) {
        *wakeAtMs = -1;
        return -1;
    }
    const qint64 nowUs = nowMs * 1000;
    if (nowUs < nextUs_) {
        *wakeAtMs = (nextUs_ + 999) / 1000;
        return -1;
    }
    // At most kMaxPerSecond in any second: wait until the request that many ago is a
    // second old, and a millisecond more: the watch's clock counts whole milliseconds.
    constexpr qint64 kSecondUs = 1001000;
    if (int(recentUs_.size()) >= kMaxPerSecond && nowUs < recentUs_.front() + kSecondUs) {
        *wakeAtMs = (recentUs_.front() + kSecondUs + 999) / 1000;
        return -1;
    }
    recentUs_.push_back(nowUs);
    if (int(recentUs_.size()) > kMaxPerSecond)
        recentUs_.pop_front();
    // Late by more than a step (a busy window): start the rhythm again from now rather
    // than catch up with a burst.
    nextUs_ = nowUs - nextUs_ >= stepUs_ ? nowUs + stepUs_ : nextUs_ + stepUs_;
    const int turn = turn_;
    turn_ = (turn_ + 1) % count_;
    *wakeAtMs = (nextUs_ + 999) / 1000;
    return turn;
}
