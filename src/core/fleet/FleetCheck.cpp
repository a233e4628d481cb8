#include "FleetCheck.h"

#include "core/diagnostics/Icmp.h"

FleetCheck::FleetCheck(QObject* parent) : QObject(parent) {
    // Woken on a grid, the check sends together what fell due meanwhile: a wake-up of the
    // event loop for every request cost more than the request.
    FleetLimits limits = schedule_.limits();
    limits.wakeGridMs = kWakeGridMs;
    schedule_.setLimits(limits);
    clock_.start();
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    connect(&wake_, &QTimer::timeout, this, &FleetCheck::pump);
    connect(&probe_, &EchoProbe::answered, this, &FleetCheck::answered);
    // The answers and time-outs too are read on the grid's wake-ups, not each on one of its
    // own; the round trip is the kernel's.
    probe_.setPolled(true);
}

void FleetCheck::setElements(std::vector<FleetElement> elements) {
    schedule_.setElements(std::move(elements), now());
    pump();
}

void FleetCheck::setIntervalMs(int intervalMs) {
    FleetLimits limits = schedule_.limits();
    limits.intervalMs = std::max(0, intervalMs);
    schedule_.setLimits(limits);
    running_ = limits.intervalMs > 0;
    if (!running_) {
        wake_.stop();
        probe_.close();
        schedule_.reset();
        return;
    }
    pump();
}

void FleetCheck::setLimits(int maxInFlight, int maxPerSecond, int timeoutMs) {
    FleetLimits limits = schedule_.limits();
    limits.maxInFlight = maxInFlight;
    limits.maxPerSecond = maxPerSecond;
    limits.timeoutMs = timeoutMs;
    schedule_.setLimits(limits);
}

void FleetCheck::pump() {
    if (!running_)
        return;
    if (!polling_) { // an answer read here calls pump() again
        polling_ = true;
        probe_.poll();
        polling_ = false;
    }
    for (;;) {
        qint64 wakeAt = -1;
        const auto request = schedule_.next(now(), &wakeAt);
        if (!request) {
            // While requests are in flight, the next grid point reads their answers.
            if (probe_.inFlight() > 0) {
                const qint64 grid = (now() / kWakeGridMs + 1) * kWakeGridMs;
                wakeAt = wakeAt < 0 ? grid : std::min(wakeAt, grid);
            }
            if (wakeAt >= 0 && !(wake_.isActive() && wakeAtMs_ == wakeAt)) {
                wakeAtMs_ = wakeAt;
                wake_.start(int(std::max<qint64>(0, wakeAt - now())));
            }
            return;
        }
        ++sent_;
        probe_.send(request->address, request->tag, schedule_.limits().timeoutMs);
    }
}

void FleetCheck::answered(quint64 tag, qint32 status, qint64 roundTripUs) {
    if (!running_)
        return;
    const QString error = status == Icmp::Status::NoRequest ? probe_.errorString() : QString();
    if (status != Icmp::Status::NoRequest || !error.isEmpty()) {
        if (error != probeError_) {
            probeError_ = error;
            Q_EMIT probeErrorChanged(error);
        }
    }
    const FleetSchedule::Outcome outcome = schedule_.answer(tag, status, roundTripUs, now());
    if (outcome.change)
        Q_EMIT stateChanged(*outcome.change);
    if (outcome.index >= 0)
        Q_EMIT checked(outcome.index);
    pump();
}
