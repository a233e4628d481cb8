#pragma once
// The element database as the exporter follows it: read once at start and again whenever
// it changes, never written.  The Tessovar NMS (and most editors) replace the file by
// renaming a new one over it, which a file watch alone loses track of; so the folder is
// watched too, and a check every few seconds compares the file's identity, size and time
// as a last resort.  A file that cannot be read leaves the last good list in place.

#include "core/fleet/FleetElement.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <vector>

class FleetFile : public QObject {
    Q_OBJECT
public:
    // A database this large is not one the NMS writes (1,000 elements take about 300 KB).
    static constexpr qint64 kMaxBytes = 64 << 20;
    static constexpr int kRecheckMs = 2000;

    explicit FleetFile(QString path, QObject* parent = nullptr);

    // Reads the file now; false (and the last list kept) when it cannot be read.
    bool reload();

    const std::vector<FleetElement>& elements() const { return elements_; }
    QString path() const { return path_; }
    QString errorString() const { return error_; }

Q_SIGNALS:
    void changed();                     // a new list was read
    void failed(const QString& reason); // the file could not be read

private:
    struct Identity {
        bool exists = false;
        quint64 device = 0, inode = 0;
        qint64 size = 0, modifiedNs = 0;
        bool operator==(const Identity&) const = default;
    };
    Identity identity() const;
    void check();

    QString path_;
    QFileSystemWatcher watcher_;
    QTimer recheck_;
    Identity seen_;
    std::vector<FleetElement> elements_;
    QString error_;
};
