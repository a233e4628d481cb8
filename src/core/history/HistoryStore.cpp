#include "HistoryStore.h"

#include "SqliteStatement.h"

#include <QDateTime>
#include <QFile>
#include <QSet>

#include <algorithm>

#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "TSVH": tells a history file from any other SQLite database.
constexpr int kApplicationId = 0x54535648;
constexpr int kSchemaVersion = 1;

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS version (
  id       INTEGER PRIMARY KEY,
  mac      TEXT NOT NULL,
  time     TEXT NOT NULL,
  source   TEXT NOT NULL,
  operator TEXT NOT NULL,
  keys     TEXT NOT NULL,
  changed  TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS version_by_mac ON version (mac, id);
)sql";

// The sources pruned first, as SQL sees them.
const char* const kPrunedFirst = "source IN ('discovery answer', 'kept before a discovery')";

bool damagedCode(int code) {
    code &= 0xff;
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

} // namespace

HistoryStore::HistoryStore(QString path) : HistoryStore(std::move(path), loginName(), Limits{}) {}

HistoryStore::HistoryStore(QString path, QString operatorName, Limits limits)
    : path_(std::move(path)), operator_(std::move(operatorName)), limits_(limits) {}

HistoryStore::~HistoryStore() {
    close();
}

QString HistoryStore::loginName() {
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_name != nullptr)
        return QString::fromLocal8Bit(pw->pw_name);
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? QString::number(getuid()) : user;
}

QString HistoryStore::macOf(const QString& sectionName) {
    if (sectionName.size() != 12)
        return {};
    QString mac;
    for (int i = 0; i < 12; i += 2) {
        if (i > 0)
            mac += u':';
        mac += sectionName.mid(i, 2).toUpper();
    }
    return mac;
}

void HistoryStore::close() {
    if (db_ != nullptr)
        sqlite3_close_v2(db_);
    db_ = nullptr;
    newest_.clear();
    total_ = 0;
}

void HistoryStore::fail(const QString& what, int code) {
    const char* text = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    error_ = what + QStringLiteral(": ") + QString::fromUtf8(text);
}

bool HistoryStore::exec(const char* sql, int* sqliteError) {
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (sqliteError != nullptr)
        *sqliteError = rc;
    return rc == SQLITE_OK;
}

bool HistoryStore::open() {
    close();
    error_.clear();
    // A named pipe, a device or a folder is never opened: opening one could block, and
    // it is no history anyway.
    struct stat st {};
    const QByteArray native = QFile::encodeName(path_);
    if (::stat(native.constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        error_ = QStringLiteral("%1 is not a regular file").arg(path_);
        return false;
    }
    switch (openFile()) {
    case Opened::Ok:
        return true;
    case Opened::Failed:
        return false;
    case Opened::Damaged:
        break;
    }
    if (!setAside())
        return false;
    return openFile() == Opened::Ok;
}

HistoryStore::Opened HistoryStore::openFile() {
    const QByteArray native = QFile::encodeName(path_);
    const int rc =
        sqlite3_open_v2(native.constData(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        fail(QStringLiteral("%1 cannot be opened").arg(path_), rc);
        close();
        return Opened::Failed;
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, 0);
    auto failed = [&](const QString& what, int code) {
        fail(what.arg(path_), code);
        close();
        return damagedCode(code) ? Opened::Damaged : Opened::Failed;
    };
    int code = SQLITE_OK;
    qint64 appId = 0;
    qint64 tableCount = 0;
    {
        SqliteStatement id(db_, "PRAGMA application_id");
        code = id.prepared() == SQLITE_OK ? id.step() : id.prepared();
        if (code != SQLITE_ROW)
            return failed(QStringLiteral("%1 cannot be read"), code);
        appId = id.number(0);
        SqliteStatement tables(db_, "SELECT count(*) FROM sqlite_master");
        code = tables.prepared() == SQLITE_OK ? tables.step() : tables.prepared();
        if (code != SQLITE_ROW)
            return failed(QStringLiteral("%1 cannot be read"), code);
        tableCount = tables.number(0);
    } // the statements end here: no read stays open while the journal mode changes
    // Another program's database in the history's place is set aside like a damaged one.
    if (appId != kApplicationId && tableCount > 0) {
        close();
        error_ = QStringLiteral("%1 is not a configuration history").arg(path_);
        return Opened::Damaged;
    }
    // WAL: a reader never waits for the writer, and a commit appends to the log instead
    // of rewriting pages; NORMAL synchronisation flushes at checkpoints only, so a
    // version costs no disk flush of its own (a crash may lose the newest versions,
    // never the file).
    {
        SqliteStatement wal(db_, "PRAGMA journal_mode = WAL");
        code = wal.prepared() == SQLITE_OK ? wal.step() : wal.prepared();
        if (code != SQLITE_ROW || wal.text(0) != QLatin1String("wal"))
            return failed(QStringLiteral("%1 cannot be written"), sqlite3_errcode(db_));
    }
    if (!exec("PRAGMA synchronous = NORMAL", &code) || !exec(kSchema, &code) ||
        !exec(QStringLiteral("PRAGMA application_id = %1; PRAGMA user_version = %2")
                  .arg(kApplicationId)
                  .arg(kSchemaVersion)
                  .toLatin1()
                  .constData(),
              &code))
        return failed(QStringLiteral("%1 cannot be written"), code);
    SqliteStatement count(db_, "SELECT count(*) FROM version");
    code = count.step();
    if (code != SQLITE_ROW)
        return failed(QStringLiteral("%1 cannot be read"), code);
    total_ = count.number(0);
    count.reset();
    if (!loadNewest(&code))
        return failed(QStringLiteral("%1 cannot be read"), code);
    return Opened::Ok;
}

bool HistoryStore::loadNewest(int* sqliteError) {
    newest_.clear();
    SqliteStatement q(db_, "SELECT c.n, v.mac, v.keys FROM (SELECT count(*) AS n, max(id) AS "
                           "newest FROM version GROUP BY mac) c JOIN version v ON v.id = c.newest");
    int rc = q.prepared() == SQLITE_OK ? q.step() : q.prepared();
    for (; rc == SQLITE_ROW; rc = q.step())
        newest_.insert(q.text(1), {q.text(2), int(q.number(0))});
    *sqliteError = rc;
    return rc == SQLITE_DONE;
}

bool HistoryStore::setAside() {
    close();
    const QString stamp =
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString target = path_ + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFile::exists(target); ++n)
        target = path_ + QStringLiteral(".damaged-") + stamp + u'-' + QString::number(n);
    const QString reason = error_;
    if (!QFile::rename(path_, target)) {
        error_ = reason + QStringLiteral("; it could not be set aside");
        return false;
    }
    // The journal files belong to the damaged file and go with it.
    for (const char* suffix : {"-wal", "-shm"})
        if (QFile::exists(path_ + QLatin1String(suffix)))
            QFile::rename(path_ + QLatin1String(suffix), target + QLatin1String(suffix));
    setAsideAs_ = target;
    return true;
}

int HistoryStore::add(const QList<Change>& changes) {
    if (db_ == nullptr && !open())
        return -1;
    int code = SQLITE_OK;
    const int added = addInTransaction(changes, &code);
    if (added >= 0 || !damagedCode(code))
        return added;
    // Found damaged while writing: the file is set aside, the changes start a new one.
    if (!setAside() || openFile() != Opened::Ok)
        return -1;
    return addInTransaction(changes, &code);
}

int HistoryStore::addInTransaction(const QList<Change>& changes, int* sqliteError) {
    const qint64 totalBefore = total_;
    const QHash<QString, Newest> newestBefore = newest_;
    auto failed = [&](int code) {
        fail(QStringLiteral("%1 cannot be written").arg(path_), code);
        *sqliteError = code;
        exec("ROLLBACK");
        total_ = totalBefore;
        newest_ = newestBefore;
        return -1;
    };
    if (!exec("BEGIN IMMEDIATE", sqliteError))
        return failed(*sqliteError);
    SqliteStatement insert(db_, "INSERT INTO version (mac, time, source, operator, keys, changed) "
                                "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    if (insert.prepared() != SQLITE_OK)
        return failed(insert.prepared());
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    QSet<QString> over;
    int added = 0;
    for (const Change& change : changes) {
        const HistoryKeys keys = HistoryKeyText::normalised(change.keys);
        const QString text = HistoryKeyText::join(keys);
        // The elements' newest versions are kept in memory: no read for a version.
        Newest& newest = newest_[change.mac];
        const bool first = newest.count == 0;
        const QString before = newest.keys;
        if (!first && before == text)
            continue;
        const QStringList changed =
            HistoryKeyText::changedKeys(HistoryKeyText::split(before), keys);
        insert.reset();
        insert.bind(1, change.mac).bind(2, now).bind(3, HistorySources::text(change.source));
        insert.bind(4, operator_).bind(5, text).bind(6, changed.join(u','));
        if (const int done = insert.step(); done != SQLITE_DONE)
            return failed(done);
        ++added;
        ++total_;
        newest.keys = text;
        if (++newest.count > limits_.perElement)
            over.insert(change.mac);
    }
    for (const QString& mac : over)
        if (!prune(mac, sqliteError))
            return failed(*sqliteError);
    if (total_ > limits_.total) {
        SqliteStatement all(
            db_, QStringLiteral("DELETE FROM version WHERE id IN (SELECT id FROM version "
                                "WHERE id NOT IN (SELECT max(id) FROM version GROUP BY "
                                "mac) ORDER BY %1 DESC, id LIMIT ?1)")
                     .arg(QLatin1String(kPrunedFirst))
                     .toLatin1()
                     .constData());
        if (const int rc = all.bind(1, total_ - limits_.total).step(); rc != SQLITE_DONE)
            return failed(rc);
        total_ -= sqlite3_changes(db_);
        // Rare (the whole history at its bound): the counts are read again.
        if (!loadNewest(sqliteError))
            return failed(*sqliteError);
    }
    if (!exec("COMMIT", sqliteError))
        return failed(*sqliteError);
    return added;
}

bool HistoryStore::prune(const QString& mac, int* sqliteError) {
    SqliteStatement count(db_, "SELECT count(*) FROM version WHERE mac = ?1");
    *sqliteError = count.bind(1, mac).step();
    if (*sqliteError != SQLITE_ROW)
        return false;
    const qint64 over = count.number(0) - limits_.perElement;
    newest_[mac].count = int(std::min<qint64>(count.number(0), limits_.perElement));
    if (over <= 0)
        return true;
    SqliteStatement remove(
        db_,
        QStringLiteral("DELETE FROM version WHERE id IN (SELECT id FROM version WHERE mac = ?1 AND "
                       "id < (SELECT max(id) FROM version WHERE mac = ?1) ORDER BY %1 DESC, id "
                       "LIMIT ?2)")
            .arg(QLatin1String(kPrunedFirst))
            .toLatin1()
            .constData());
    *sqliteError = remove.bind(1, mac).bind(2, over).step();
    if (*sqliteError != SQLITE_DONE)
        return false;
    total_ -= sqlite3_changes(db_);
    return true;
}

HistoryVersion HistoryStore::versionFromRow(const SqliteStatement& row, int c) const {
    HistoryVersion v;
    v.id = row.number(c);
    v.mac = row.text(c + 1);
    v.time = QDateTime::fromString(row.text(c + 2), Qt::ISODateWithMs);
    v.source = row.text(c + 3);
    v.operatorName = row.text(c + 4);
    v.keys = HistoryKeyText::split(row.text(c + 5));
    v.changed = row.text(c + 6).split(u',', Qt::SkipEmptyParts);
    return v;
}

QList<HistoryElement> HistoryStore::elements() {
    QList<HistoryElement> out;
    if (db_ == nullptr && !open())
        return out;
    SqliteStatement q(db_,
                      "SELECT c.n, v.id, v.mac, v.time, v.source, v.operator, v.keys, v.changed "
                      "FROM (SELECT count(*) AS n, max(id) AS newest FROM version GROUP BY mac) c "
                      "JOIN version v ON v.id = c.newest ORDER BY v.mac");
    int rc = q.prepared() == SQLITE_OK ? q.step() : q.prepared();
    for (; rc == SQLITE_ROW; rc = q.step()) {
        HistoryElement e;
        e.versionCount = int(q.number(0));
        e.newest = versionFromRow(q, 1);
        e.mac = e.newest.mac;
        out.append(e);
    }
    if (rc != SQLITE_DONE)
        fail(QStringLiteral("%1 cannot be read").arg(path_), rc);
    return out;
}

QList<HistoryVersion> HistoryStore::versions(const QString& mac) {
    QList<HistoryVersion> out;
    if (db_ == nullptr && !open())
        return out;
    SqliteStatement q(db_, "SELECT id, mac, time, source, operator, keys, changed FROM version "
                           "WHERE mac = ?1 ORDER BY id DESC");
    int rc = q.prepared() == SQLITE_OK ? q.bind(1, mac).step() : q.prepared();
    for (; rc == SQLITE_ROW; rc = q.step())
        out.append(versionFromRow(q, 0));
    if (rc != SQLITE_DONE)
        fail(QStringLiteral("%1 cannot be read").arg(path_), rc);
    return out;
}
