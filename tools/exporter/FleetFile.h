#pragma once
// The element database as the exporter follows it: read once at start and again whenever
// it changes, never written.  The Tessovar NMS (and most editors) replace the file by
// renaming a new one over it, which a file watch alone loses track of; so the folder is
// watched too, and a check every few seconds compares the file's identity, size and time
// as a last resort.  A file that cannot be read leaves the last good list in place.
//
// The file is read through the NMS's own reader (DatabaseFile: a named pipe, a device or
// a folder is refused without waiting).  What a database can cost is bounded: only the
// keys the checks use are kept, at most kMaxElements elements are read (the rest is told
// once), and elements without a usable address are counted, not checked.

#include "MetricsStore.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <vector>

class FleetFile : public QObject {
    Q_OBJECT
public:
    // 1,000 elements take about 300 KB in the NMS's database.
    static constexpr int kMaxElements = 20000;
    static constexpr int kRecheckMs = 2000;

    explicit FleetFile(QString path, QObject* parent = nullptr);

    struct Parsed {
        std::vector<ExportedElement> elements; // with a usable address, in file order
        int withoutAddress = 0;                // elements that cannot be checked
        bool truncated = false;                // more than kMaxElements elements
    };
    // The elements of a database's bytes, as the element list shows them.
    static Parsed parse(const QByteArray& data);

    // Reads the file now; false (and the last list kept) when it cannot be read.
    bool reload();

    const std::vector<ExportedElement>& elements() const { return elements_; }
    int withoutAddress() const { return withoutAddress_; }
    bool truncated() const { return truncated_; }
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
    std::vector<ExportedElement> elements_;
    int withoutAddress_ = 0;
    bool truncated_ = false;
    QString error_;
};
