// The configuration history's store: a version for each change and none for no change,
// the bounds and what they prune first, and files it must not trust (damaged, another
// database, a named pipe, a folder).

#include "core/history/HistoryStore.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>

namespace {

const QString kA = QStringLiteral("00:1A:2B:3C:4D:01");
const QString kB = QStringLiteral("00:1A:2B:3C:4D:02");

HistoryKeys keys(const QString& name, const QString& ip) {
    return {
        {QStringLiteral("name"), name}, {QStringLiteral("ip"), ip}, {QStringLiteral("role"), "2"}};
}

QString pragma(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_stmt* st = nullptr;
    QString out;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

TEST(HistoryStore, AVersionForEachChangeAndNoneForNoChange) {
    QTemporaryDir dir;
    const QString path = dir.filePath("history.sqlite");
    struct Step {
        QString mac;
        HistorySource source;
        HistoryKeys keys;
        int added;
        QStringList changed; // of the element's newest version afterwards
    };
    const std::vector<Step> steps{
        {kA, HistorySource::DiscoveryAnswer, keys("STUDIO", "10.0.0.1"), 1, {"NAME", "IP", "ROLE"}},
        {kA,
         HistorySource::KeptBeforeDiscovery,
         keys("STUDIO", "10.0.0.1"),
         0,
         {"NAME", "IP", "ROLE"}},
        {kA, HistorySource::DiscoveryAnswer, keys("STUDIO", "10.0.0.1"), 0, {"NAME", "IP", "ROLE"}},
        {kA, HistorySource::ConfirmedConfiguration, keys("ON AIR", "10.0.0.1"), 1, {"NAME"}},
        {kB, HistorySource::AttenuationStep, keys("TX", "10.0.0.2"), 1, {"NAME", "IP", "ROLE"}},
        // A key gone counts as changed; keys are compared as the file writes them.
        {kA, HistorySource::SfnWindow, {{"Name", "ON AIR"}, {"role", "2"}}, 1, {"IP"}},
        {kA, HistorySource::SfnWindow, {{" NAME ", "ON AIR"}, {"ROLE", "2"}}, 0, {"IP"}},
    };
    {
        HistoryStore store(path, QStringLiteral("operator7"), {});
        ASSERT_TRUE(store.open()) << store.errorString().toStdString();
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        for (size_t i = 0; i < steps.size(); ++i) {
            const Step& s = steps[i];
            EXPECT_EQ(store.add({{s.mac, s.source, s.keys}}), s.added) << "step " << i;
            const QList<HistoryVersion> v = store.versions(s.mac);
            ASSERT_FALSE(v.isEmpty());
            EXPECT_EQ(v.first().changed, s.changed) << "step " << i;
            EXPECT_EQ(v.first().operatorName, "operator7");
            EXPECT_GE(v.first().time, before);
            EXPECT_EQ(v.first().time.timeSpec(), Qt::UTC);
        }
        EXPECT_EQ(store.versionCount(), 4);
    }
    // Kept across a restart, newest first, with the sources in words; read back by plain
    // SQLite as well, in WAL mode.
    HistoryStore again(path);
    ASSERT_TRUE(again.open());
    const QList<HistoryVersion> a = again.versions(kA);
    ASSERT_EQ(a.size(), 3);
    EXPECT_EQ(a[0].source, "SFN window");
    EXPECT_EQ(a[1].source, "confirmed configuration");
    EXPECT_EQ(a[1].value("name"), "ON AIR");
    EXPECT_EQ(a[2].source, "discovery answer");
    const QList<HistoryElement> elements = again.elements();
    ASSERT_EQ(elements.size(), 2);
    EXPECT_EQ(elements[0].mac, kA);
    EXPECT_EQ(elements[0].versionCount, 3);
    EXPECT_EQ(elements[1].newest.value("NAME"), "TX");
    EXPECT_EQ(pragma(path, "PRAGMA journal_mode"), "wal");
    EXPECT_EQ(pragma(path, "SELECT keys FROM version WHERE id = 1"),
              "NAME=STUDIO\nIP=10.0.0.1\nROLE=2");
}

TEST(HistoryStore, BoundsPruneTheOldestDiscoveryVersionsFirst) {
    QTemporaryDir dir;
    HistoryStore store(dir.filePath("history.sqlite"), "op", {4, 7});
    ASSERT_TRUE(store.open());
    // A: confirmed 0, discovery 1, confirmed 2, discovery 3, discovery 4, confirmed 5.
    const std::vector<HistorySource> sources{
        HistorySource::ConfirmedConfiguration, HistorySource::DiscoveryAnswer,
        HistorySource::ConfirmedConfiguration, HistorySource::DiscoveryAnswer,
        HistorySource::DiscoveryAnswer,        HistorySource::ConfirmedConfiguration};
    for (size_t i = 0; i < sources.size(); ++i)
        ASSERT_EQ(store.add({{kA, sources[i], keys(QString::number(i), "10.0.0.1")}}), 1);
    auto names = [&](const QString& mac) {
        QStringList out;
        for (const HistoryVersion& v : store.versions(mac))
            out.append(v.value("NAME"));
        return out;
    };
    EXPECT_EQ(names(kA), (QStringList{"5", "4", "2", "0"}));
    // The total bound: B's versions push out A's oldest, discovery ones first, never an
    // element's newest.
    QList<HistoryStore::Change> many;
    for (int i = 0; i < 4; ++i)
        many.append({kB, HistorySource::ConfirmedConfiguration,
                     keys("B" + QString::number(i), "10.0.0.2")});
    EXPECT_EQ(store.add(many), 4);
    EXPECT_EQ(store.versionCount(), 7);
    EXPECT_EQ(names(kA), (QStringList{"5", "2", "0"}));
    EXPECT_EQ(names(kB), (QStringList{"B3", "B2", "B1", "B0"}));
}

TEST(HistoryStore, FilesItCannotTrustAreSetAsideOrRefused) {
    QTemporaryDir dir;
    const QByteArray garbage = QByteArray("not a database at all ").repeated(300);
    sqlite3* other = nullptr;
    const QString otherDb = dir.filePath("other.sqlite");
    sqlite3_open(QFile::encodeName(otherDb).constData(), &other);
    sqlite3_exec(other, "CREATE TABLE t (x)", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    QFile o(otherDb);
    ASSERT_TRUE(o.open(QIODevice::ReadOnly));
    const std::vector<QByteArray> damaged{garbage, o.readAll()};
    for (const QByteArray& bytes : damaged) {
        const QString path = dir.filePath("damaged.sqlite");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    f.write(bytes) == bytes.size());
        f.close();
        HistoryStore store(path);
        ASSERT_TRUE(store.open()) << store.errorString().toStdString();
        ASSERT_TRUE(store.setAsideAs().startsWith(path + ".damaged-"))
            << store.setAsideAs().toStdString();
        QFile aside(store.setAsideAs());
        ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
        EXPECT_EQ(aside.readAll(), bytes); // kept as it was
        EXPECT_EQ(store.add({{kA, HistorySource::DiscoveryAnswer, keys("A", "10.0.0.1")}}), 1);
        QFile::remove(store.setAsideAs());
    }
    // No regular file: refused at once, never opened (a pipe would block a reader).
    const QString pipe = dir.filePath("pipe.sqlite");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    for (const QString& path : {pipe, dir.path(), dir.filePath("no/such/folder/history.sqlite")}) {
        HistoryStore store(path);
        QElapsedTimer t;
        t.start();
        EXPECT_FALSE(store.open()) << path.toStdString();
        EXPECT_LT(t.elapsed(), 1000);
        EXPECT_TRUE(store.errorString().contains(path)) << store.errorString().toStdString();
        EXPECT_EQ(store.add({{kA, HistorySource::DiscoveryAnswer, keys("A", "1")}}), -1);
    }
}

} // namespace
