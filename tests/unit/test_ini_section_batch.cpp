// Several writes to one section, or to several, as one file change leave the same bytes
// as the single writes would.

#include "core/database/IniStore.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(IniSectionBatchTest, SameFileAsOneWriteAfterAnother) {
    using Entries = QList<QPair<QString, QString>>;
    const Entries entries{{"name", "STUDIO A        "}, {"ip", "10.0.0.5"}, {"Sn", "7"},
                          {"ip", "10.0.0.6"},           {"llo", "0"}};
    struct Start {
        const char* what;
        bool exists;
        QByteArray content;
    };
    const std::vector<Start> starts{
        {"no file", false, {}},
        {"empty file", true, {}},
        {"other sections, no final line end", true, "[AAAAAAAAAAAA]\r\nNAME=X\r\nIP=1.1.1.1"},
        {"the section exists, key in place", true,
         "[0011223344AA]\r\nIP=9.9.9.9\r\n\r\n[BBBBBBBBBBBB]\r\nNAME=Y\r\n"},
        {"the section exists in other letter case", true, "[0011223344aa]\nsn=1\n"},
        {"the section comes first, after a byte-order mark", true,
         "\xEF\xBB\xBF[0011223344AA]\r\nSN=1\r\n"},
    };
    for (const auto& s : starts) {
        SCOPED_TRACE(s.what);
        QTemporaryDir dir;
        const QString one = dir.filePath(QStringLiteral("one.ini"));
        const QString batch = dir.filePath(QStringLiteral("batch.ini"));
        if (s.exists) {
            put(one, s.content);
            put(batch, s.content);
        }
        for (const auto& [k, v] : entries)
            ASSERT_TRUE(IniStore::WriteToINI(QStringLiteral("0011223344AA"), k, v, one));
        ASSERT_TRUE(IniStore::WriteSectionEntries(QStringLiteral("0011223344AA"), entries, batch));
        EXPECT_EQ(bytesOf(batch), bytesOf(one));
        // Then several sections as one change: a new one, one in the file, the first again.
        const QList<QPair<QString, Entries>> sections{{"0011223344BB", {{"ip", "1"}, {"name", "B"}}},
                                                      {"bbbbbbbbbbbb", {{"name", "Z"}, {"new", "2"}}},
                                                      {"0011223344BB", {{"ip", "3"}}}};
        for (const auto& [section, keys] : sections)
            for (const auto& [k, v] : keys)
                ASSERT_TRUE(IniStore::WriteToINI(section, k, v, one));
        ASSERT_TRUE(IniStore::WriteSections(sections, batch));
        EXPECT_EQ(bytesOf(batch), bytesOf(one));
        EXPECT_EQ(IniStore::ReadFromINI(QStringLiteral("0011223344AA"), QStringLiteral("ip"), batch, {}),
                  "10.0.0.6");
    }
}

} // namespace
