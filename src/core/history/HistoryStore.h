#pragma once
// The configuration history: every configuration the station learns or changes, kept per
// element in an SQLite database (history.sqlite, beside the fleet check's event log).
// The schema is in the README ("Configuration history"), so sqlite3 reads it as well.
//
// - A version holds the element's MAC, the time (UTC), the source, the operator (login
//   name) and every key of the element's section after the change.  A change that leaves
//   the section as the element's newest version has it adds nothing.
// - Bounded: at most Limits::perElement versions an element and Limits::total in all;
//   beyond that the oldest versions go, discovery versions first, never an element's
//   newest.
// - Never in the way: WAL journal, no wait for a lock held elsewhere (a busy database is
//   an error, not a stall), a path that is no regular file is refused without opening
//   it, and a file that is not a readable history (damaged, another database) is set
//   aside as "<path>.damaged-<UTC time>" and a new one started.

#include "HistorySource.h"
#include "HistoryVersion.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

struct sqlite3;

class HistoryStore {
public:
    struct Limits {
        int perElement = 1000;
        int total = 200000;
    };
    struct Change {
        QString mac; // MAC text
        HistorySource source = HistorySource::DiscoveryAnswer;
        HistoryKeys keys;
    };

    // The operator is the login name; the limits are Limits' own.
    explicit HistoryStore(QString path);
    HistoryStore(QString path, QString operatorName, Limits limits);
    ~HistoryStore();
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Opens the file, creating it when absent.  False with errorString() set when it
    // cannot be used.
    bool open();
    bool isOpen() const { return db_ != nullptr; }
    void close();

    // Adds a version for each change that differs from its element's newest version, all
    // in one transaction.  Returns how many were added, or -1 with errorString() set (then
    // none was).  A file found damaged meanwhile is set aside and the changes go into a
    // new one.
    int add(const QList<Change>& changes);

    // Every element with a history (by MAC), and its versions, newest first.  Empty when
    // the history cannot be read (errorString() says why).
    QList<HistoryElement> elements();
    QList<HistoryVersion> versions(const QString& mac);
    qint64 versionCount() const { return total_; }

    QString path() const { return path_; }
    QString errorString() const { return error_; }
    // The name a damaged file was given when it was set aside; empty when none was.
    QString setAsideAs() const { return setAsideAs_; }

    // The operator's login name.
    static QString loginName();
    // "00:1A:2B:3C:4D:5E" for the section name "001A2B3C4D5E"; empty for another length.
    static QString macOf(const QString& sectionName);

private:
    enum class Opened { Ok, Failed, Damaged };
    Opened openFile();
    bool setAside();
    int addInTransaction(const QList<Change>& changes, int* sqliteError);
    bool prune(const QString& mac, int* sqliteError);
    bool exec(const char* sql, int* sqliteError = nullptr);
    bool loadNewest(int* sqliteError);
    void fail(const QString& what, int code);
    HistoryVersion versionFromRow(const class SqliteStatement& row, int firstColumn) const;

    QString path_;
    QString operator_;
    Limits limits_;
    sqlite3* db_ = nullptr;
    qint64 total_ = 0;
    struct Newest {
        QString keys;  // the text form of the element's newest version
        int count = 0; // its versions
    };
    QHash<QString, Newest> newest_; // by MAC
    QString error_;
    QString setAsideAs_;
};
