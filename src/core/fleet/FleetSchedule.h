#pragma once
// Which element the fleet check pings next, and what the answers make of each element's
// state.  Plain logic: the caller gives the time and sends the requests.
//
// - Every element is checked once per interval: the requests are spread evenly over the
//   interval, so the pace follows the number of elements that can be checked, up to
//   maxPerSecond in all (and never more in any second).  When the fleet is too large to
//   check within one interval at that limit, the element waiting longest goes first, so
//   each is checked in turn.
// - The requests in flight follow the pace and the time-out: as many as the pace sends
//   while one waits for its time-out (and one more), so elements that do not answer are
//   checked at the same pace as those that answer.  maxInFlight, when set, caps them.
// - An element answers when its echo reply came back; it is not answering after
//   missesForNotAnswering failed checks in a row; before either it is not checked yet.
//   A request that could not be made at all (no ICMP right) is no check.

#include "FleetElement.h"

#include <QHash>

#include <deque>
#include <optional>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

enum class FleetState { NotChecked, Answering, NotAnswering };

struct FleetLimits {
    int intervalMs = 10000;
    int maxInFlight = 0; // 0: as the pace and the time-out need (up to kMostInFlight)
    int maxPerSecond = 100;
    int missesForNotAnswering = 2;
    int timeoutMs = 2000; // an echo unanswered this long is a failed check
    // > 0: the time to ask again is on a grid of this many ms, so the caller wakes once
    // for the requests that fall due meanwhile, not once for each (except when only the
    // budget of a second holds a request back: that wait is kept to the ms).
    int wakeGridMs = 0;
};

struct FleetStatus {
    FleetState state = FleetState::NotChecked;
    int misses = 0;          // failed checks in a row
    qint64 roundTripUs = 0;  // of the last answer
    qint32 lastStatus = -1;  // of the last check (Icmp status)
    qint64 changedAtMs = -1; // when the state last changed
};

struct FleetChange {
    int index = -1;
    FleetState from = FleetState::NotChecked;
    FleetState to = FleetState::NotChecked;
};

class FleetSchedule {
public:
    // Never more requests in flight than this (what one EchoProbe holds).
    static constexpr int kMostInFlight = 512;

    explicit FleetSchedule(FleetLimits limits = {}) : limits_(limits) {}

    const FleetLimits& limits() const { return limits_; }
    // A new interval applies at once: each element is next due one new interval after
    // its last check.
    void setLimits(const FleetLimits& limits);

    // Replaces the elements.  One with the same MAC text and address as before keeps its
    // state and its turn; every other starts not checked and is due at once.
    void setElements(std::vector<FleetElement> elements, qint64 nowMs);
    const std::vector<FleetElement>& elements() const { return elements_; }
    const FleetStatus& status(int index) const { return status_[size_t(index)]; }
    int indexOf(const QString& mac) const { return byMac_.value(mac, -1); }

    struct Request {
        quint64 tag = 0;
        quint32 address = 0; // host order
        int index = -1;
    };
    // The request to send now, when the limits allow one.  Otherwise *wakeAtMs is the
    // time to ask again (-1: only an answer can make room).
    std::optional<Request> next(qint64 nowMs, qint64* wakeAtMs);

    // The outcome of a request (an Icmp status): which element it was about (-1 when it
    // has left the list or changed its address meanwhile, or the tag is unknown) and the
    // change of state it made.
    struct Outcome {
        int index = -1;
        std::optional<FleetChange> change;
    };
    Outcome answer(quint64 tag, qint32 status, qint64 roundTripUs, qint64 nowMs);

    // Forgets every request in flight and every state (the check was switched off).
    void reset();

    struct Counts {
        int elements = 0;
        int answering = 0;
        int notAnswering = 0;
        int notChecked = 0;
    };
    Counts counts() const;
    int inFlight() const { return int(inFlight_.size()); }
    // The time between two requests (ms) and the requests allowed in flight, as the
    // limits and the number of elements that can be checked make them.
    qint64 spacingMs() const;
    int inFlightLimit() const;

    // A request due by the even spacing but sent up to this much later (and at least
    // two wake grids) keeps the others on their grid, still at most maxPerSecond in any
    // second.
    static constexpr qint64 kCatchUpMs = 100;

private:
    struct Turn {
        qint64 dueMs = 0;
        qint64 sentMs = -1;   // the last request, -1: none yet
        quint32 address = 0;  // the element's, 0: it cannot be checked
        bool waiting = false; // a request is in flight
        bool primary = false; // the first element with its MAC text
    };
    struct Sent {
        QString mac;
        quint32 address = 0;
    };

    FleetLimits limits_;
    std::vector<FleetElement> elements_;
    std::vector<FleetStatus> status_;
    std::vector<Turn> turns_;
    QHash<QString, int> byMac_;
    std::unordered_map<quint64, Sent> inFlight_;
    int checkable_ = 0; // elements with an address, each MAC text once
    quint64 nextTag_ = 0;
    qint64 fastestSpacingMs() const;

    // The elements that may be asked (an address, the first with their MAC text, no
    // request in flight) by (due time, index): the next one is the first.
    std::set<std::pair<qint64, int>> ready_;
    void rebuildReady();

    std::deque<qint64> recentSends_; // the last maxPerSecond sends
    qint64 secondBudgetAtMs() const;
    qint64 lastSlotMs_ = 0; // the time the last request was due by the even spacing
    bool sentAny_ = false;
};
