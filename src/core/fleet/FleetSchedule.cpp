#include "FleetSchedule.h"

#include "core/diagnostics/Icmp.h"

#include <algorithm>

void FleetSchedule::setLimits(const FleetLimits& limits) {
    const bool newInterval = limits.intervalMs != limits_.intervalMs;
    limits_ = limits;
    if (!newInterval)
        return;
    for (Turn& t : turns_) {
        if (t.sentMs >= 0)
            t.dueMs = t.sentMs + limits_.intervalMs;
    }
    rebuildReady();
}

void FleetSchedule::rebuildReady() {
    ready_.clear();
    for (size_t i = 0; i < turns_.size(); ++i) {
        const Turn& t = turns_[i];
        if (t.primary && t.address != 0 && !t.waiting)
            ready_.emplace(t.dueMs, int(i));
    }
}

void FleetSchedule::setElements(std::vector<FleetElement> elements, qint64 nowMs) {
    std::vector<FleetStatus> status(elements.size());
    std::vector<Turn> turns(elements.size());
    QHash<QString, int> byMac;
    for (size_t i = 0; i < elements.size(); ++i) {
        const FleetElement& e = elements[i];
        turns[i].dueMs = nowMs;
        turns[i].address = e.address();
        if (byMac.contains(e.mac))
            continue;
        byMac.insert(e.mac, int(i));
        turns[i].primary = true;
        const int old = byMac_.value(e.mac, -1);
        if (old >= 0 && turns_[size_t(old)].address == turns[i].address) {
            status[i] = status_[size_t(old)];
            turns[i].dueMs = turns_[size_t(old)].dueMs;
            turns[i].sentMs = turns_[size_t(old)].sentMs;
            turns[i].waiting = turns_[size_t(old)].waiting;
        }
    }
    elements_ = std::move(elements);
    status_ = std::move(status);
    turns_ = std::move(turns);
    byMac_ = std::move(byMac);
    checkable_ = int(std::count_if(turns_.begin(), turns_.end(),
                                   [](const Turn& t) { return t.primary && t.address != 0; }));
    rebuildReady();
}

qint64 FleetSchedule::fastestSpacingMs() const {
    const int perSecond = std::max(1, limits_.maxPerSecond);
    return (1000 + perSecond - 1) / perSecond;
}

qint64 FleetSchedule::spacingMs() const {
    const qint64 fastest = fastestSpacingMs();
    if (checkable_ <= 0 || limits_.intervalMs <= 0)
        return fastest;
    return std::max(fastest, qint64(limits_.intervalMs) / checkable_);
}

qint64 FleetSchedule::secondBudgetAtMs() const {
    // At most maxPerSecond requests in any second: a request waits until the one that many
    // sends ago is a second old.  A tick that came late is made up at once, within that
    // budget, so lateness never adds up over a round.
    if (int(recentSends_.size()) < std::max(1, limits_.maxPerSecond))
        return 0;
    return recentSends_.front() + 1000;
}

int FleetSchedule::inFlightLimit() const {
    if (limits_.maxInFlight > 0)
        return std::min(limits_.maxInFlight, kMostInFlight);
    const qint64 spacing = std::max<qint64>(1, spacingMs());
    // Half as many again as the pace needs within a time-out: an expiry handled a little
    // late, or a late tick, must not slow the check of elements that do not answer.
    const qint64 needed = ((std::max(0, limits_.timeoutMs) + spacing - 1) / spacing) * 3 / 2 + 1;
    return int(std::clamp<qint64>(needed, 1, kMostInFlight));
}

std::optional<FleetSchedule::Request> FleetSchedule::next(qint64 nowMs, qint64* wakeAtMs) {
    *wakeAtMs = -1;
    if (limits_.intervalMs <= 0 || int(inFlight_.size()) >= inFlightLimit())
        return std::nullopt;
    if (ready_.empty())
        return std::nullopt;
    const int best = ready_.begin()->second;
    Turn& t = turns_[size_t(best)];
    // Evenly spaced over the interval; an element never asked yet goes at the fastest pace
    // (a new list is seen whole within a few seconds, not only after a whole interval).
    // Never more than maxPerSecond in any second.
    const bool firstCheck = t.sentMs < 0;
    const qint64 step = firstCheck ? fastestSpacingMs() : spacingMs();
    const qint64 slot = lastSlotMs_ + step;
    const qint64 budget = sentAny_ ? secondBudgetAtMs() : 0;
    const qint64 pace = sentAny_ ? std::max(slot, budget) : nowMs;
    const qint64 sendAt = std::max(pace, t.dueMs);
    if (sendAt > nowMs) {
        const qint64 grid = limits_.wakeGridMs;
        *wakeAtMs = grid <= 0 || budget >= sendAt ? sendAt : (sendAt + grid - 1) / grid * grid;
        return std::nullopt;
    }
    ready_.erase(ready_.begin());
    // A little late, the request keeps its time on the grid, and so does the element's
    // next turn: a round stays one interval however late the caller wakes.  Late by more
    // (nothing was due), the grid starts again from now.
    const qint64 catchUp = std::max({step, kCatchUpMs, 2 * qint64(limits_.wakeGridMs)});
    const bool onGrid = sentAny_ && nowMs - sendAt < catchUp;
    t.waiting = true;
    t.sentMs = nowMs;
    t.dueMs = (onGrid ? sendAt : nowMs) + limits_.intervalMs;
    // The first round goes at the fastest pace, the next ones at the even spacing: were
    // each element next due one interval after its first check, the last of a quick
    // first round would wait the whole second round on top (18 s for 200 elements every
    // 10 s).  The second round starts early enough for none to wait more than an interval.
    if (firstCheck)
        t.dueMs -= std::clamp<qint64>((checkable_ - 1) * (spacingMs() - fastestSpacingMs()), 0,
                                      limits_.intervalMs);
    lastSlotMs_ = onGrid && nowMs - slot < catchUp ? slot : nowMs;
    sentAny_ = true;
    recentSends_.push_back(nowMs);
    while (int(recentSends_.size()) > std::max(1, limits_.maxPerSecond))
        recentSends_.pop_front();
    const quint64 tag = ++nextTag_;
    inFlight_[tag] = Sent{elements_[size_t(best)].mac, t.address};
    return Request{tag, t.address, best};
}

FleetSchedule::Outcome FleetSchedule::answer(quint64 tag, qint32 status, qint64 roundTripUs,
                                             qint64 nowMs) {
    const auto sent = inFlight_.find(tag);
    if (sent == inFlight_.end())
        return {};
    const Sent s = sent->second;
    inFlight_.erase(sent);
    const int index = byMac_.value(s.mac, -1);
    // The element may have left the list, or changed its address, meanwhile.
    if (index < 0 || turns_[size_t(index)].address != s.address)
        return {};
    Turn& turn = turns_[size_t(index)];
    if (turn.waiting && turn.primary)
        ready_.emplace(turn.dueMs, index);
    turn.waiting = false;
    if (status == Icmp::Status::NoRequest)
        return {index, std::nullopt}; // no check was made
    FleetStatus& st = status_[size_t(index)];
    st.lastStatus = status;
    FleetState to = st.state;
    if (status == Icmp::Status::Success) {
        st.misses = 0;
        st.roundTripUs = roundTripUs;
        to = FleetState::Answering;
    } else {
        ++st.misses;
        if (st.misses >= std::max(1, limits_.missesForNotAnswering))
            to = FleetState::NotAnswering;
    }
    if (to == st.state)
        return {index, std::nullopt};
    const FleetChange change{index, st.state, to};
    st.state = to;
    st.changedAtMs = nowMs;
    return {index, change};
}

void FleetSchedule::reset() {
    inFlight_.clear();
    for (FleetStatus& s : status_)
        s = FleetStatus{};
    for (Turn& t : turns_) {
        t.dueMs = 0;
        t.sentMs = -1;
        t.waiting = false;
    }
    sentAny_ = false;
    recentSends_.clear();
    lastSlotMs_ = 0;
    rebuildReady();
}

FleetSchedule::Counts FleetSchedule::counts() const {
    Counts c;
    for (size_t i = 0; i < elements_.size(); ++i) {
        if (!turns_[i].primary)
            continue; // a repeated MAC text is one element
        ++c.elements;
        switch (status_[i].state) {
        case FleetState::Answering:
            ++c.answering;
            break;
        case FleetState::NotAnswering:
            ++c.notAnswering;
            break;
        case FleetState::NotChecked:
            ++c.notChecked;
            break;
        }
    }
    return c;
}
