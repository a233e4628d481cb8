// The address rule, the address split and the wire form of the name.

#include "core/editor/FieldRules.h"

#include <gtest/gtest.h>

namespace {

using namespace FieldRules;

TEST(FieldRulesTest, IsValidIPTakesFourWholeNumbersUpTo255) {
    struct Case {
        const char* text;
        bool valid;
    };
    const Case cases[] = {
        {"192.168.1.91", true},    {"0.0.0.0", true},
        {"255.255.255.255", true}, {"10.0.0.1", true},
        {" 10 . 0 .0. 1 ", true},  {"010.000.000.001", true},
        {"192.168.1", false},      {"192.168.1.256", false},
        {"a.b.c.d", false},        {"", false},
        {"1.2.3.4.", false},       {"1.2.3.4.5", false},
        {"1..2.3", false},         {"256.1.1.1", false},
        {".1.2.3", false},         {"1.2.3.-4", false},
        {"+1.2.3.4", false},       {"1.2.3.0x4", false},
        {"1.2.3.4e0", false},      {"1.2. .4", false},
        {"1,2,3,4", false},        {"99999999999.1.1.1", false},
        {"1.2.3.٣", false}, // a non-ASCII digit is not a digit here
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsValidIP(QString::fromUtf8(c.text)), c.valid) << c.text;
}

TEST(FieldRulesTest, Ipv4AddressReadsAValidAddressDecimal) {
    EXPECT_EQ(ipv4Address(QStringLiteral("192.168.001.010")), 0xC0A8010Au); // not 192.168.1.8
    EXPECT_EQ(ipv4Address(QStringLiteral("1.2.3.08")), 0x01020308u);
    EXPECT_EQ(ipv4Address(QStringLiteral(" 10 . 0 .0. 1 ")), 0x0A000001u);
    for (const char* invalid : {"127.1", "0x7f.0.0.1", "1.2.3.256", "", "1.2.3.4."})
        EXPECT_EQ(ipv4Address(QString::fromLatin1(invalid)), std::nullopt) << invalid;
}

TEST(FieldRulesTest, SplitIPKeepsEmptyParts) {
    EXPECT_EQ(SplitIP(QStringLiteral("1..2.3")), (QStringList{"1", "", "2", "3"}));
    EXPECT_EQ(SplitIP(QStringLiteral("1.2.3.4.")), (QStringList{"1", "2", "3", "4", ""}));
    EXPECT_EQ(SplitIP(QString()), (QStringList{""}));
    EXPECT_EQ(SplitIP(QStringLiteral("192.168.1.20")), (QStringList{"192", "168", "1", "20"}));
}

TEST(FieldRulesTest, AddressPartConvertsPlainDecimalOnly) {
    EXPECT_EQ(addressPart(QStringLiteral("0")), 0);
    EXPECT_EQ(addressPart(QStringLiteral(" 255 ")), 255);
    EXPECT_EQ(addressPart(QStringLiteral("0255")), 255);
    EXPECT_EQ(addressPart(QStringLiteral("256")), -1);
    EXPECT_EQ(addressPart(QStringLiteral("")), -1);
    EXPECT_EQ(addressPart(QStringLiteral("  ")), -1);
    EXPECT_EQ(addressPart(QStringLiteral("1 2")), -1);
}

TEST(FieldRulesTest, PadName16PadsCutsAndUpperCases) {
    struct Case {
        QString in;
        QString out;
    };
    const Case cases[] = {
        {QStringLiteral("studio a"), QStringLiteral("STUDIO A        ")},
        {QStringLiteral("transmitter site one"), QStringLiteral("TRANSMITTER SITE")},
        {QString(), QString(16, u' ')},
        {QStringLiteral("exactly sixteen!"), QStringLiteral("EXACTLY SIXTEEN!")},
        // Latin-1 letters: é becomes É; ß and ÿ have no single Latin-1 capital and stay.
        {QString::fromUtf8("café ßÿ"), QString::fromUtf8("CAFÉ ßÿ         ")},
    };
    for (const Case& c : cases) {
        const QString got = PadName16(c.in);
        EXPECT_EQ(got.size(), 16) << c.in.toStdString();
        EXPECT_EQ(got, c.out) << c.in.toStdString();
    }
}

TEST(FieldRulesTest, NameCharactersAreThoseOfTheCodePage) {
    EXPECT_TRUE(isNameCharacter(u'A'));
    EXPECT_TRUE(isNameCharacter(u' '));
    EXPECT_TRUE(isNameCharacter(u'~'));
    EXPECT_TRUE(isNameCharacter(QChar(0xE9)));    // é
    EXPECT_TRUE(isNameCharacter(QChar(0xFF)));    // ÿ
    EXPECT_FALSE(isNameCharacter(QChar(0x20AC))); // the euro sign is not in Latin-1
    EXPECT_FALSE(isNameCharacter(QChar(0x0D)));
    EXPECT_FALSE(isNameCharacter(QChar(0x7F)));
    EXPECT_FALSE(isNameCharacter(QChar(0x85)));
}

} // namespace
