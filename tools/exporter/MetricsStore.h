#pragma once
// What the exporter last found, handed from the checking (the main thread) to the HTTP
// server's threads that answer the scrapes: a snapshot replaced whole under a lock.

#include "core/fleet/FleetElement.h"

#include <QByteArray>

#include <map>
#include <mutex>
#include <string>
#include <vector>

// An element as the exporter shows it: what the fleet check knows, and the serial number
// and firmware version stored with it (for tessovar_element_info).
struct ExportedElement : FleetElement {
    QString serial;
    QString firmware;
};

struct ElementSample {
    ExportedElement element;
    bool checked = false; // pinged at least once (an answer or a failed check)
    bool up = false;      // answered the last ping
    double roundTripSeconds = 0;
    QByteArray record; // its answer to the last statistics request; empty: none
};

struct ExporterSnapshot {
    std::vector<ElementSample> elements;
    double checkSeconds = 0; // the last complete check of every element
    bool statisticsPortBusy = false;
    double checks = 0;                    // complete checks since the start
    int withoutAddress = 0;               // elements of the database that cannot be checked
    bool elementsLimited = false;         // the database holds more elements than are read
    std::map<std::string, double> errors; // by kind, since the start
};

class MetricsStore {
public:
    void publish(ExporterSnapshot snapshot) {
        const std::lock_guard lock(mutex_);
        snapshot_ = std::move(snapshot);
    }
    ExporterSnapshot snapshot() const {
        const std::lock_guard lock(mutex_);
        return snapshot_;
    }

private:
    mutable std::mutex mutex_;
    ExporterSnapshot snapshot_;
};
