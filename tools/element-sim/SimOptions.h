#pragma once
// The simulator's command line: the options of one element, or a file of elements (one
// line of element options each), plus the options of the run.

#include "DatagramFlood.h"
#include "SimElement.h"

#include <QList>
#include <QString>
#include <QStringList>

struct SimRunOptions {
    QList<SimElementConfig> elements;
    QString logPath;       // "-": standard output; empty: no log
    QString readyPath;     // created once every element listens
    QString announceHost;  // send the record once to this host's port 2976, then end
    int gatherMs = -1;     // >= 0: discovery answers of all elements go out in one burst
    bool flooding = false; // send `flood` (records: the first element's) and end
    DatagramFlood flood;
    bool help = false;
    bool version = false; // --version: the program's version
};

namespace SimOptions {

// Reads the options of one element into config; returns false with *error set.
bool parseElement(const QStringList& args, SimElementConfig* config, QString* error);

bool parse(const QStringList& args, SimRunOptions* run, QString* error);

QString usage();

} // namespace SimOptions
