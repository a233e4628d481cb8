// Reading the element record's values, choosing what the element list shows for each
// section, and the attenuation command's bytes.

#include "core/database/ElementListing.h"
#include "core/database/ElementRecord.h"
#include "core/database/IniSnapshot.h"
#include "core/database/MacSection.h"
#include "core/protocol/AttenuationCommand.h"

#include <gtest/gtest.h>

namespace {

using namespace ElementRecord;

TEST(ElementRecordTest, NumbersAreSignedDecimalsOnly) {
    struct Case {
        const char* text;
        std::optional<qint32> n;
    };
    const Case cases[] = {
        {"1", 1},
        {" 2 ", 2},
        {"+3", 3},
        {"-4", -4},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"1.0", std::nullopt},
        {"abc", std::nullopt},
        {"1a", std::nullopt},
        {"0x1", std::nullopt},
        {"1 2", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(number(QString::fromLatin1(c.text)), c.n) << c.text;
}

TEST(ElementRecordTest, ListPositionsBarValuesAndTicks) {
    // List of 2 entries, with no selection (-1) or 0 as the reader's default.
    EXPECT_EQ(listIndex(QStringLiteral("1"), 2, -1), 1);
    EXPECT_EQ(listIndex(QStringLiteral("0"), 2, -1), 0);
    EXPECT_EQ(listIndex(QStringLiteral("2"), 2, -1), -1);
    EXPECT_EQ(listIndex(QStringLiteral("-1"), 2, -1), -1);
    EXPECT_EQ(listIndex(QString(), 2, -1), -1);
    EXPECT_EQ(listIndex(QStringLiteral("x"), 3, 0), 0);
    EXPECT_EQ(listIndex(QStringLiteral("7"), 3, 0), 0);

    // Scroll bar 1..154 with default "37".
    EXPECT_EQ(barValue(QStringLiteral("100"), 1, 154, QStringLiteral("37")), 100);
    EXPECT_EQ(barValue(QStringLiteral("999"), 1, 154, QStringLiteral("37")), 154);
    EXPECT_EQ(barValue(QStringLiteral("0"), 1, 154, QStringLiteral("37")), 1);
    EXPECT_EQ(barValue(QStringLiteral("-5"), 1, 154, QStringLiteral("37")), 1);
    EXPECT_EQ(barValue(QStringLiteral("loud"), 1, 154, QStringLiteral("37")), 37);
    EXPECT_EQ(barValue(QString(), 1, 154, QStringLiteral("37")), 37);

    EXPECT_TRUE(isTicked(QStringLiteral("1")));
    for (const char* t : {"0", "2", "", "yes", "-1"})
        EXPECT_FALSE(isTicked(QString::fromLatin1(t))) << t;

    EXPECT_TRUE(isEncoder(QStringLiteral("1")));
    for (const char* t : {"2", "0", "3", "", "encoder", "1.0"})
        EXPECT_FALSE(isEncoder(QString::fromLatin1(t))) << t;
}

TEST(ElementListingTest, MacTextOfSectionNames) {
    struct Case {
        const char* name;
        const char* mac;
    };
    const Case cases[] = {
        {"0011223344AA", "00:11:22:33:44:AA"},
        {"0011223344aa", "00:11:22:33:44:AA"},
        {"0011223344A", ""},
        {"0011223344AAB", ""},
        {"00112233445g", "00:11:22:33:44:5G"}, // not hexadecimal, listed all the same
        {"00-11-22-33-4", ""},
        {"", ""},
        {"SETTINGS", ""},
    };
    for (const Case& c : cases) {
        const QString name = QString::fromLatin1(c.name);
        EXPECT_EQ(ElementListing::macText(name).toStdString(), c.mac) << c.name;
    }
    // For well-formed names it is what Decode_MAC gives.
    EXPECT_EQ(ElementListing::macText(QStringLiteral("a1b2c3d4e5f6")),
              MacSection::Decode_MAC(QStringLiteral("a1b2c3d4e5f6")));
}

TEST(ElementListingTest, EntriesInFileOrderWithoutUnreadableSections) {
    const IniSnapshot db = IniSnapshot::fromBytes(
        "[0011223344A1]\r\nNAME=STUDIO 1\r\nROLE=1\r\n"
        "[0011223344A2]\r\nROLE=2\r\n" // no name
        "[GENERAL]\r\nNAME=NOT AN ELEMENT\r\nROLE=1\r\n"
        "[0011223344a1]\r\nNAME=SHADOW\r\nROLE=1\r\n" // same as the first, other case
        "[0011223344A3]\r\nNAME= 'QUOTED' \r\nROLE=encoder\r\n"
        "[0011223344A4]\r\nNAME=\"  LINK  \"\r\nROLE= 1 \r\n"
        "[0011223344G1]\r\nNAME=HAND MADE\r\nROLE=1\r\n"); // twelve characters, not hexadecimal
    ElementListing listing(db);
    struct Expected {
        const char* section;
        bool listed;
        const char* key;
        const char* text;
        bool encoder;
    };
    const Expected expected[] = {
        {"0011223344A1", true, "00:11:22:33:44:A1", "STUDIO 1 [00:11:22:33:44:A1]", true},
        {"0011223344A2", true, "00:11:22:33:44:A2", " [00:11:22:33:44:A2]", false},
        {"GENERAL", false, "", "", false},
        {"0011223344a1", false, "", "", false},
        {"0011223344A3", true, "00:11:22:33:44:A3", "QUOTED [00:11:22:33:44:A3]", false},
        {"0011223344A4", true, "00:11:22:33:44:A4", "  LINK   [00:11:22:33:44:A4]", true},
        {"0011223344G1", true, "00:11:22:33:44:G1", "HAND MADE [00:11:22:33:44:G1]", true},
    };
    ASSERT_EQ(db.sectionNames().size(), 7);
    for (const Expected& e : expected) {
        const auto entry = listing.entryFor(QString::fromLatin1(e.section));
        ASSERT_EQ(entry.has_value(), e.listed) << e.section;
        if (!entry)
            continue;
        EXPECT_EQ(entry->key.toStdString(), e.key);
        EXPECT_EQ(entry->text.toStdString(), e.text);
        EXPECT_EQ(entry->encoder, e.encoder) << e.section;
    }
}

TEST(AttenuationCommandTest, TwoBytesValueThenZero) {
    EXPECT_EQ(AttenuationCommand::encode(14), QByteArray("\x0E\x00", 2));
    EXPECT_EQ(AttenuationCommand::encode(255), QByteArray("\xFF\x00", 2));
    EXPECT_EQ(AttenuationCommand::encode(200), QByteArray("\xC8\x00", 2));
}

} // namespace
