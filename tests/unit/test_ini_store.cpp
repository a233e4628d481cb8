// The element database file as the rest of the system relies on it.

#include "../support/Unprivileged.h"
#include "core/database/IniSnapshot.h"
#include "core/database/IniStore.h"
#include "core/database/MacSection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace IniStore;

namespace {

class IniFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("nms.ini"));

    void put(const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray bytes() const {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }
    QString read(const char* section, const char* key, const char* def = "<absent>") const {
        return ReadFromINI(QString::fromLatin1(section), QString::fromLatin1(key), path,
                           QString::fromLatin1(def));
    }
    void write(const char* section, const char* key, const QString& value) {
        ASSERT_TRUE(WriteToINI(QString::fromLatin1(section), QString::fromLatin1(key), value, path));
    }
};

TEST_F(IniFile, MissingFileReadsDefaultsAndFirstWriteCreatesIt) {
    EXPECT_EQ(read("0011223344AA", "ip", "dflt"), "dflt");
    EXPECT_EQ(GetSectionKeyCount(QStringLiteral("0011223344AA"), path), 0);
    EXPECT_TRUE(LoadIniSectionsArray(path).isEmpty());
    EXPECT_FALSE(CheckIfIniSectionExists(QStringLiteral("0011223344AA"), path));
    EXPECT_EQ(GetLongFromINI(QStringLiteral("S"), QStringLiteral("role"), path, -7), -7);

    write("0011223344AA", "ip", QStringLiteral("10.0.0.5"));
    EXPECT_EQ(bytes(), QByteArray("[0011223344AA]\r\nIP=10.0.0.5\r\n"));
}

TEST_F(IniFile, AppendsKeysToTheirSectionAndSectionsAtTheEndInWriteOrder) {
    write("AAAAAAAAAAAA", "name", QStringLiteral("FIRST"));
    write("BBBBBBBBBBBB", "name", QStringLiteral("SECOND"));
    write("AAAAAAAAAAAA", "ip", QStringLiteral("1.2.3.4"));
    write("aaaaaaaaaaaa", "Name", QStringLiteral("RENAMED")); // replaced in place
    EXPECT_EQ(bytes(), QByteArray("[AAAAAAAAAAAA]\r\nNAME=RENAMED\r\nIP=1.2.3.4\r\n"
                                  "[BBBBBBBBBBBB]\r\nNAME=SECOND\r\n"));
    EXPECT_EQ(LoadIniSectionsArray(path),
              QStringList({QStringLiteral("AAAAAAAAAAAA"), QStringLiteral("BBBBBBBBBBBB")}));
    EXPECT_EQ(LoadIniSectionKeys(QStringLiteral("AAAAAAAAAAAA"), path),
              QStringList({QStringLiteral("NAME"), QStringLiteral("IP")}));
    EXPECT_EQ(GetSectionKeyCount(QStringLiteral("aaaaaaaaaaaa"), path), 2);
}

TEST_F(IniFile, KeysAndSectionsMatchWithoutRegardToCase) {
    write("0011223344AA", "ip", QStringLiteral("1.1.1.1"));
    EXPECT_EQ(read("0011223344AA", "ip"), "1.1.1.1");
    EXPECT_EQ(read("0011223344AA", "IP"), "1.1.1.1");
    EXPECT_EQ(read("0011223344aa", "Ip"), "1.1.1.1");
    EXPECT_TRUE(bytes().contains("IP=1.1.1.1"));
}

TEST_F(IniFile, HandWrittenFilesReadTheSame) {
    // LF-only lines, blanks around keys and values, quoted values, a last line without end.
    put("; written by hand\n[S1]\n  name =  \"  STUDIO 1 \"  \nip= '10.0.0.1'\n\n"
        "[ S2 ]\nip=\"unbalanced\nrole = 2");
    EXPECT_EQ(read("S1", "name"), "  STUDIO 1 ");
    EXPECT_EQ(read("S1", "ip"), "10.0.0.1");
    EXPECT_EQ(read("S2", "ip"), "\"unbalanced");
    EXPECT_EQ(read("S2", "role"), "2");
    EXPECT_EQ(LoadIniSectionsArray(path), QStringList({QStringLiteral("S1"), QStringLiteral("S2")}));

    // Writing keeps every other byte as it was and ends its own lines with CR LF.
    write("S2", "sn", QStringLiteral("77"));
    EXPECT_EQ(bytes(), QByteArray("; written by hand\n[S1]\n  name =  \"  STUDIO 1 \"  \nip= '10.0.0.1'\n\n"
                                  "[ S2 ]\nip=\"unbalanced\nrole = 2\r\nSN=77\r\n"));
    write("S1", "gw", QStringLiteral("10.0.0.254"));
    EXPECT_TRUE(bytes().contains("ip= '10.0.0.1'\nGW=10.0.0.254\r\n\n[ S2 ]"));
}

TEST_F(IniFile, AByteOrderMarkIsSkippedAndCrLfOrEitherAloneEndsALine) {
    const std::pair<QByteArray, QByteArray> cases[] = { // the file, and after SN=7 is written into S
        {"\xEF\xBB\xBF[S]\r\nIP=1\r\n[T]\r\nIP=2\r\n", "\xEF\xBB\xBF[S]\r\nIP=1\r\nSN=7\r\n[T]\r\nIP=2\r\n"},
        {"[S]\rIP=1\r[T]\rIP=2\r", "[S]\rIP=1\rSN=7\r\n[T]\rIP=2\r"},
        {"[S]\nIP=1\r[T]\r\nIP=2", "[S]\nIP=1\rSN=7\r\n[T]\r\nIP=2"},
    };
    const QStringList st{QStringLiteral("S"), QStringLiteral("T")};
    for (const auto& [before, after] : cases) {
        put(before);
        const IniSnapshot snap = IniSnapshot::load(path);
        EXPECT_EQ(LoadIniSectionsArray(path), st) << before.toHex().data();
        EXPECT_EQ(snap.sectionNames(), st) << before.toHex().data();
        EXPECT_EQ(read("S", "ip") + read("T", "ip") + snap.value(QStringLiteral("T"), QStringLiteral("ip"), QString()),
                  "122");
        write("S", "sn", QStringLiteral("7"));
        EXPECT_EQ(bytes(), after);
    }
}

TEST_F(IniFile, EmptyFileHasNoSections) {
    put("");
    EXPECT_TRUE(LoadIniSectionsArray(path).isEmpty());
    EXPECT_TRUE(IniSnapshot::load(path).exists());
    EXPECT_EQ(IniSnapshot::load(path).sectionCount(), 0);
    ASSERT_TRUE(CreateEmpty(path));
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(QFileInfo(path).size(), 0);
}

TEST_F(IniFile, KeyExistenceIsTestedWithTwoDefaults) {
    put("[S]\r\nEMPTY=\r\nA=A\r\nB=B\r\n[HEADERONLY]\r\n");
    const QString s = QStringLiteral("S");
    EXPECT_TRUE(CheckIfIniKeyExists(s, QStringLiteral("empty"), path));
    EXPECT_TRUE(CheckIfIniKeyExists(s, QStringLiteral("a"), path));
    EXPECT_TRUE(CheckIfIniKeyExists(s, QStringLiteral("b"), path));
    EXPECT_FALSE(CheckIfIniKeyExists(s, QStringLiteral("absent"), path));
    EXPECT_TRUE(CheckIfIniSectionExists(s, path));
    EXPECT_FALSE(CheckIfIniSectionExists(QStringLiteral("HEADERONLY"), path));
    EXPECT_EQ(GetSectionKeyCount(QStringLiteral("HEADERONLY"), path), 0);
    EXPECT_EQ(GetSectionKeyCount(QStringLiteral("NOWHERE"), path), 0);
}

TEST_F(IniFile, IntegersTakeLeadingDigits) {
    put("[S]\r\nROLE=2\r\nVER=3.49\r\nTEXT=abc\r\nNEG=-12x\r\nEMPTY=\r\n");
    const QString s = QStringLiteral("S");
    EXPECT_EQ(GetLongFromINI(s, QStringLiteral("role"), path, -1), 2);
    EXPECT_EQ(GetLongFromINI(s, QStringLiteral("ver"), path, -1), 3);
    EXPECT_EQ(GetLongFromINI(s, QStringLiteral("text"), path, -1), 0);
    EXPECT_EQ(GetLongFromINI(s, QStringLiteral("neg"), path, -1), -12);
    EXPECT_EQ(GetLongFromINI(s, QStringLiteral("empty"), path, -1), 0);
    EXPECT_EQ(GetLongFromINI(s, QStringLiteral("absent"), path, -1), -1);
    EXPECT_EQ(LeadingInteger(QStringLiteral("99999999999")), 2147483647);
}

TEST_F(IniFile, LongValuesAreCutAt749Characters) {
    const QString longValue(2000, u'x');
    write("S", "name", longValue);
    EXPECT_EQ(read("S", "name").size(), 749);
    EXPECT_EQ(bytes().size(), qsizetype(QByteArray("[S]\r\nNAME=\r\n").size() + 2000));
}

TEST_F(IniFile, LineBreaksInAValueCannotForgeASection) {
    // A name from the network that tries to end its line and open a section of its own.
    write("0011223344AA", "name", QStringLiteral("EVIL\r\n[DEADBEEF0000]\r\nIP=6.6.6.6"));
    write("0011223344AA", "ip", QStringLiteral("10.0.0.1"));
    EXPECT_EQ(LoadIniSectionsArray(path), QStringList({QStringLiteral("0011223344AA")}));
    EXPECT_EQ(read("0011223344AA", "name"), "EVIL  [DEADBEEF0000]  IP=6.6.6.6");
    EXPECT_EQ(read("0011223344AA", "ip"), "10.0.0.1");
    EXPECT_EQ(read("DEADBEEF0000", "ip"), "<absent>");
    EXPECT_EQ(GetSectionKeyCount(QStringLiteral("0011223344AA"), path), 2);
}

TEST_F(IniFile, Latin1TextRoundTrips) {
    write("S", "name", QStringLiteral("STUDIO \u00C9T\u00C9"));
    EXPECT_TRUE(bytes().contains("NAME=STUDIO \xC9T\xC9"));
    EXPECT_EQ(read("S", "name"), QStringLiteral("STUDIO \u00C9T\u00C9"));
}

TEST_F(IniFile, ListsEverySectionOfALargeFile) {
    // Far beyond what a 750-byte name buffer would hold (57 names).
    QByteArray big;
    for (int i = 0; i < 3000; ++i)
        big += QStringLiteral("[%1]\r\nROLE=1\r\n").arg(i, 12, 16, QChar(u'0')).toUpper().toLatin1();
    put(big);
    const QStringList names = LoadIniSectionsArray(path);
    ASSERT_EQ(names.size(), 3000);
    EXPECT_EQ(names.first(), "000000000000");
    EXPECT_EQ(names.last(), "000000000BB7");
    QByteArray wide("[S]\r\n");
    for (int i = 0; i < 200; ++i)
        wide += "KEY" + QByteArray::number(i) + "=" + QByteArray(20, 'v') + "\r\n";
    put(wide);
    EXPECT_EQ(GetSectionKeyCount(QStringLiteral("S"), path), 200);
    EXPECT_EQ(LoadIniSectionKeys(QStringLiteral("S"), path).last(), "KEY199");
}

TEST_F(IniFile, DeletesAndRenames) {
    put("[A]\r\nK1=1\r\nK2=2\r\n[B]\r\nK1=b\r\n");
    ASSERT_TRUE(DeleteIniKey(QStringLiteral("A"), QStringLiteral("k1"), path));
    EXPECT_EQ(bytes(), QByteArray("[A]\r\nK2=2\r\n[B]\r\nK1=b\r\n"));
    ASSERT_TRUE(RenameIniKey(QStringLiteral("A"), QStringLiteral("k2"), QStringLiteral("new"), path));
    EXPECT_EQ(bytes(), QByteArray("[A]\r\nNEW=2\r\n[B]\r\nK1=b\r\n"));
    ASSERT_TRUE(RenameIniKey(QStringLiteral("A"), QStringLiteral("absent"), QStringLiteral("x"), path));
    ASSERT_TRUE(RenameIniKey(QStringLiteral("A"), QStringLiteral("new"), QStringLiteral("New"), path));
    EXPECT_EQ(read("A", "new"), "2"); // a case-only rename keeps the value
    ASSERT_TRUE(RenameIniSection(QStringLiteral("A"), QStringLiteral("C"), path));
    EXPECT_EQ(bytes(), QByteArray("[B]\r\nK1=b\r\n[C]\r\nNEW=2\r\n"));
    ASSERT_TRUE(RenameIniSection(QStringLiteral("c"), QStringLiteral("C"), path));
    EXPECT_EQ(read("C", "new"), "2");
    ASSERT_TRUE(DeleteIniSection(QStringLiteral("b"), path));
    EXPECT_EQ(bytes(), QByteArray("[C]\r\nNEW=2\r\n"));
}

TEST_F(IniFile, DuplicateSectionsResolveToTheFirst) {
    put("[0011223344AA]\r\nIP=first\r\n[0011223344aa]\r\nIP=second\r\n");
    EXPECT_EQ(read("0011223344AA", "ip"), "first");
    write("0011223344aa", "ip", QStringLiteral("changed"));
    EXPECT_EQ(bytes(), QByteArray("[0011223344AA]\r\nIP=changed\r\n[0011223344aa]\r\nIP=second\r\n"));
    const IniSnapshot snap = IniSnapshot::load(path);
    EXPECT_EQ(snap.sectionCount(), 2);
    EXPECT_EQ(snap.value(QStringLiteral("0011223344AA"), QStringLiteral("ip"), QString()), "changed");
}

TEST_F(IniFile, AFailedWriteKeepsTheDatabase) {
    if (ranUnprivileged())
        return;
    write("S", "ip", QStringLiteral("1.2.3.4"));
    const QByteArray before = bytes();
    // The folder cannot take a new file: the write fails and the old file stays whole.
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_FALSE(
        WriteToINI(QStringLiteral("S"), QStringLiteral("ip"), QStringLiteral("9.9.9.9"), path));
    EXPECT_EQ(bytes(), before);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // No temporary file is left behind by any write.
    write("S", "ip", QStringLiteral("5.6.7.8"));
    QDir d(dir.path());
    const QStringList left = d.entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(left.filter(QStringLiteral(".nms.ini.")).size(), 0) << left.join(u',').toStdString();
}

TEST_F(IniFile, WritingIntoAFolderThatDoesNotExistFails) {
    const QString nowhere = dir.filePath(QStringLiteral("missing/nms.ini"));
    const IniWriteResult r = WriteToINI(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"), nowhere);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error.toStdString(), ('"' + nowhere + "\" could not be written (No such file or directory); "
                                      "it keeps its previous content.").toStdString());
    EXPECT_EQ(ReadFromINI(QStringLiteral("S"), QStringLiteral("k"), nowhere, QStringLiteral("d")), "d");
}

TEST(MacSection, EncodeAndDecode) {
    using MacSection::Decode_MAC;
    using MacSection::Encode_MAC;
    EXPECT_EQ(Encode_MAC(QStringLiteral("00:11:22:33:44:aa")), "0011223344AA");
    EXPECT_EQ(Encode_MAC(QStringLiteral("0011223344AA")), "");
    EXPECT_EQ(Encode_MAC(QStringLiteral("00-11-22-33-44-aa")), "00-11-22-33-44-AA");
    EXPECT_EQ(Encode_MAC(QStringLiteral("-")), "");
    EXPECT_EQ(Decode_MAC(QStringLiteral("0011223344aa")), "00:11:22:33:44:AA");
    EXPECT_EQ(Decode_MAC(QStringLiteral("0011223344AAB")), "");
    EXPECT_EQ(Decode_MAC(QString()), "");
    EXPECT_EQ(Encode_MAC(Decode_MAC(QStringLiteral("a1b2c3d4e5f6"))), "A1B2C3D4E5F6");
}

TEST(IniSnapshotTest, ReadsLikeTheStore) {
    const IniSnapshot s = IniSnapshot::fromBytes(
        "[X]\nname = ' A B '\r\nROLE=1\n[Y]\r\nrole=2\r\n");
    EXPECT_EQ(s.sectionNames(), QStringList({QStringLiteral("X"), QStringLiteral("Y")}));
    EXPECT_EQ(s.value(QStringLiteral("x"), QStringLiteral("name"), QStringLiteral("-")), " A B ");
    EXPECT_EQ(s.value(QStringLiteral("Y"), QStringLiteral("ROLE"), QStringLiteral("-")), "2");
    EXPECT_EQ(s.value(QStringLiteral("Y"), QStringLiteral("name"), QStringLiteral("-")), "-");
    EXPECT_EQ(s.keyCount(QStringLiteral("X")), 2);
    EXPECT_FALSE(IniSnapshot::load(QStringLiteral("/nonexistent/nms.ini")).exists());
}

} // namespace
