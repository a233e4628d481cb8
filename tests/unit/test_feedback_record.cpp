// The configuration feedback record, decoded from byte vectors written out from the
// record layout (encoder 45 bytes, decoder 54 bytes) and from cut and altered copies.

#include "core/protocol/FeedbackRecord.h"

#include <QByteArray>

#include <gtest/gtest.h>

namespace {

// Encoder 192.168.10.21/255.255.255.0 gw 192.168.10.1, multicast 239.1.2.3, analog, MPX,
// multicast, "Studio A", serial 123456, firmware 3.49, SFN on, buffer 5, low latency on.
const QByteArray kEncoder45 = QByteArray::fromHex(
    "C0A80A15" "FFFFFF00" "C0A80A01" "EF010203" // 0..15 addresses
    "01" "01" "01"                              // 16 input, 17 type, 18 tx
    "53747564696F2041" "2020202020202020"       // 19..34 name
    "01"                                        // 35 role
    "0001E240"                                  // 36..39 serial
    "03" "31" "01" "05" "01");                  // 40..44 version, sfn, buffer, low latency

// Decoder 10.0.0.7/255.255.0.0 gw 10.0.0.1, group 239.255.255.239, digital, MPX, unicast,
// "decoder-7", serial 32768, attenuation 200, firmware 4.5, SFN on, buffer 12, force
// external, level 37, time 43, five bytes the NMS ignores, low latency on.
const QByteArray kDecoder54 = QByteArray::fromHex(
    "0A000007" "FFFF0000" "0A000001" "EFFFFFEF"
    "00" "01" "00"
    "6465636F6465722D37" "20202020202020"
    "02"
    "00008000"
    "C8" "04" "05" "01" "0C" // 40 att, 41-42 version, 43 sfn, 44 buffer
    "02" "25" "2B"           // 45 mode, 46 level, 47 time
    "AABBCCDDEE"             // 48..52 not read
    "01");                   // 53 low latency

QString corrupted(const char* subject) {
    return QStringLiteral("An error occured while retrieving '") + QLatin1String(subject) +
           QStringLiteral("':\rFeedback is corrupted.");
}

using Entries = QList<QPair<QString, QString>>;

TEST(FeedbackRecordTest, CompleteEncoderRecordOf45Bytes) {
    ASSERT_EQ(kEncoder45.size(), 45);
    const FeedbackRecord r = FeedbackRecord::decode(kEncoder45);
    EXPECT_EQ(r.UDP_Response_IP, "192.168.10.21");
    EXPECT_EQ(r.UDP_Response_Mask, "255.255.255.0");
    EXPECT_EQ(r.UDP_Response_GW, "192.168.10.1");
    EXPECT_EQ(r.UDP_Response_Remote_IP, "239.1.2.3");
    EXPECT_EQ(r.UDP_Response_Audio_Input, 1);
    EXPECT_EQ(r.UDP_Response_Audio_Type, 1);
    EXPECT_EQ(r.UDP_Response_TX_Type, 1);
    EXPECT_EQ(r.UDP_Response_Name, "Studio A        ");
    EXPECT_EQ(r.UDP_Response_Role, 1);
    EXPECT_EQ(r.UDP_Response_SN, 123456);
    EXPECT_EQ(r.versionText(), "3.49");
    EXPECT_EQ(r.UDP_Response_SFN, 1);
    EXPECT_EQ(r.UDP_Response_Buffer, 5);
    EXPECT_EQ(r.UDP_Response_Low_Latency, 1);
    EXPECT_FALSE(firstFeedbackFailure(r).has_value());

    // Stored by a discovery: no decoder keys, the group under "multi".
    const Entries expected{{"name", "STUDIO A        "}, {"ip", "192.168.10.21"},
                           {"mask", "255.255.255.0"},   {"gw", "192.168.10.1"},
                           {"input", "1"},              {"type", "1"},
                           {"tx", "1"},                 {"multi", "239.1.2.3"},
                           {"role", "1"},               {"sn", "123456"},
                           {"ver", "3.49"},             {"sfn", "1"},
                           {"buf", "5"},                {"llo", "1"}};
    EXPECT_EQ(discoveryEntries(r), expected);
}

TEST(FeedbackRecordTest, CompleteDecoderRecordOf54Bytes) {
    ASSERT_EQ(kDecoder54.size(), 54);
    const FeedbackRecord r = FeedbackRecord::decode(kDecoder54);
    EXPECT_EQ(r.UDP_Response_IP, "10.0.0.7");
    EXPECT_EQ(r.UDP_Response_Remote_IP, "239.255.255.239");
    EXPECT_EQ(r.UDP_Response_Name, "decoder-7       ");
    EXPECT_EQ(r.UDP_Response_Role, 2);
    EXPECT_EQ(r.UDP_Response_SN, 32768);
    EXPECT_EQ(r.UDP_Response_Att, 200);
    EXPECT_EQ(r.versionText(), "4.5");
    EXPECT_EQ(r.UDP_Response_SFN, 1);
    EXPECT_EQ(r.UDP_Response_Buffer, 12);
    EXPECT_EQ(r.UDP_Response_SilDet_Mode, 2);
    EXPECT_EQ(r.UDP_Response_SilDet_Level, 37);
    EXPECT_EQ(r.UDP_Response_SilDet_Time, 43);
    EXPECT_EQ(r.UDP_Response_Low_Latency, 1);
    EXPECT_FALSE(firstFeedbackFailure(r).has_value());

    // A decoder stores its group under "multi" even with transmission type 0.
    const Entries expected{{"name", "DECODER-7       "}, {"ip", "10.0.0.7"},
                           {"mask", "255.255.0.0"},      {"gw", "10.0.0.1"},
                           {"input", "0"},               {"type", "1"},
                           {"tx", "0"},                  {"multi", "239.255.255.239"},
                           {"role", "2"},                {"sn", "32768"},
                           {"ver", "4.5"},               {"sfn", "1"},
                           {"buf", "12"},                {"att", "200"},
                           {"sdm", "2"},                 {"sdl", "37"},
                           {"sdt", "43"},                {"llo", "1"}};
    EXPECT_EQ(discoveryEntries(r), expected);
}

TEST(FeedbackRecordTest, EncoderByUnicastStoresTheDecoderAddressAsRemote) {
    QByteArray d = kEncoder45;
    d[18] = 0;
    const Entries e = discoveryEntries(FeedbackRecord::decode(d));
    ASSERT_EQ(e.size(), 14);
    EXPECT_EQ(e[7], (QPair<QString, QString>{"remote", "239.1.2.3"}));
}

// Records cut short: what each field becomes when the datagram does not carry it.
struct Shortened {
    const char* what;
    QByteArray datagram;
    int verMajor, verMinor, sfn, buffer, att, lowLatency, silMode, silLevel, silTime;
};

TEST(FeedbackRecordTest, FieldsTheDatagramDoesNotCarryTakeTheirDefaults) {
    QByteArray dec46 = kDecoder54.left(46);
    dec46[44] = 1; // a buffer of 1 must not become the low latency option
    QByteArray dec42 = kDecoder54.left(42);
    const std::vector<Shortened> cases{
        {"encoder, 40 bytes", kEncoder45.left(40), 2, 0, 0, 0, 0, 0, 0, 0, 0},
        {"encoder, 41 bytes: the tail starts at 42", kEncoder45.left(41), 2, 0, 0, 0, 0, 0, 0, 0, 0},
        {"encoder, 43 bytes", kEncoder45.left(43), 3, 49, 1, 0, 0, 0, 0, 0, 0},
        {"encoder, 44 bytes", kEncoder45.left(44), 3, 49, 1, 5, 0, 0, 0, 0, 0},
        {"decoder, 40 bytes", kDecoder54.left(40), 2, 0, 0, 1, 255, 0, 0, 0, 0},
        {"decoder, 41 bytes", kDecoder54.left(41), 2, 0, 0, 1, 200, 0, 0, 0, 0},
        {"decoder, 42 bytes: minor and SFN not carried", dec42, 4, 0, 0, 1, 200, 0, 0, 0, 0},
        {"decoder, 45 bytes", kDecoder54.left(45), 4, 5, 1, 12, 200, 0, 0, 0, 0},
        {"decoder, 46 bytes: low latency only from byte 53", dec46, 4, 5, 1, 1, 200, 0, 2, 0, 0},
        {"decoder, 48 bytes", kDecoder54.left(48), 4, 5, 1, 12, 200, 0, 2, 37, 43},
        {"decoder, 53 bytes", kDecoder54.left(53), 4, 5, 1, 12, 200, 0, 2, 37, 43},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const FeedbackRecord r = FeedbackRecord::decode(c.datagram);
        EXPECT_EQ(r.UDP_Response_Ver_Major, c.verMajor);
        EXPECT_EQ(r.UDP_Response_Ver_Minor, c.verMinor);
        EXPECT_EQ(r.UDP_Response_SFN, c.sfn);
        EXPECT_EQ(r.UDP_Response_Buffer, c.buffer);
        EXPECT_EQ(r.UDP_Response_Att, c.att);
        EXPECT_EQ(r.UDP_Response_Low_Latency, c.lowLatency);
        EXPECT_EQ(r.UDP_Response_SilDet_Mode, c.silMode);
        EXPECT_EQ(r.UDP_Response_SilDet_Level, c.silLevel);
        EXPECT_EQ(r.UDP_Response_SilDet_Time, c.silTime);
        // The serial is carried by all of them, so they pass the checks and get stored.
        EXPECT_FALSE(firstFeedbackFailure(r).has_value());
    }
}

TEST(FeedbackRecordTest, SerialNumberIsSignedBigEndian) {
    struct Case {
        const char* bytes;
        qint32 serial;
        bool passes;
    };
    const std::vector<Case> cases{
        {"00008000", 32768, true},
        {"00000001", 1, true},
        {"7FFFFFFF", 2147483647, true},
        {"00000000", 0, false},
        {"80000001", -2147483647, false},
        {"FFFFFFFF", -1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        QByteArray d = kEncoder45;
        d.replace(36, 4, QByteArray::fromHex(c.bytes));
        const FeedbackRecord r = FeedbackRecord::decode(d);
        EXPECT_EQ(r.UDP_Response_SN, c.serial);
        const auto failure = firstFeedbackFailure(r);
        if (c.passes)
            EXPECT_FALSE(failure.has_value());
        else
            EXPECT_EQ(failure.value_or(QString()), corrupted("Serial Number"));
    }
}

TEST(FeedbackRecordTest, RoleZeroPassesAndIsStoredRoleThreeFails) {
    QByteArray d = kEncoder45;
    d[35] = 0;
    FeedbackRecord r = FeedbackRecord::decode(d);
    EXPECT_FALSE(firstFeedbackFailure(r).has_value());
    EXPECT_EQ(discoveryEntries(r)[8], (QPair<QString, QString>{"role", "0"}));
    d[35] = 3;
    EXPECT_EQ(firstFeedbackFailure(FeedbackRecord::decode(d)).value_or(QString()),
              corrupted("Element Type"));
}

TEST(FeedbackRecordTest, ChecksRunInOrderAndTheFirstFailureIsReported) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, char>> changes;
        const char* subject;
    };
    const std::vector<Case> cases{
        {"input 2", {{16, 2}}, "Audio Input"},
        {"type 2", {{17, 2}}, "Audio Type"},
        {"tx 2", {{18, 2}}, "TX Type"},
        {"role 255", {{35, char(255)}}, "Element Type"},
        {"tx and input bad: input first", {{18, 9}, {16, 9}}, "Audio Input"},
        {"serial 0 and type bad: type first", {{39, 0}, {38, 0}, {37, 0}, {36, 0}, {17, 7}}, "Audio Type"},
        {"role bad and serial 0: role first", {{35, 4}, {36, 0}, {37, 0}, {38, 0}, {39, 0}}, "Element Type"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray d = kEncoder45;
        for (auto [offset, value] : c.changes)
            d[offset] = value;
        EXPECT_EQ(firstFeedbackFailure(FeedbackRecord::decode(d)).value_or(QString()),
                  corrupted(c.subject));
    }
}

TEST(FeedbackRecordTest, ACutRecordIsDecodedFromZeroAndFailsItsFirstCheck) {
    // Nothing is ever taken over from an earlier record: the fields a cut record lacks
    // are zero, so it fails on its first missing address or else on the serial number.
    struct Case {
        qsizetype length;
        const char* subject;
    };
    const std::vector<Case> cases{
        {0, "Element IP"},  {3, "Element IP"},   {4, "Element Mask"},  {10, "Element GW"},
        {12, "Remote / Multicast IP"},           {16, "Serial Number"},  {17, "Serial Number"},
        {18, "Serial Number"},    {19, "Serial Number"}, {35, "Serial Number"}, {36, "Serial Number"},
        {39, "Serial Number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        EXPECT_EQ(firstFeedbackFailure(FeedbackRecord::decode(kDecoder54.left(c.length))).value_or(QString()),
                  corrupted(c.subject));
    }
}

TEST(FeedbackRecordTest, NameTakesWhatTheDatagramHolds) {
    EXPECT_EQ(FeedbackRecord::decode(kEncoder45.left(19)).UDP_Response_Name, "");
    EXPECT_EQ(FeedbackRecord::decode(kEncoder45.left(22)).UDP_Response_Name, "Stu");
    // Latin-1: e acute (E9) is stored upper case as E acute (C9).
    QByteArray d = kEncoder45;
    d[19] = char(0xE9);
    const FeedbackRecord r = FeedbackRecord::decode(d);
    EXPECT_EQ(r.UDP_Response_Name.at(0).unicode(), 0xE9);
    EXPECT_EQ(discoveryEntries(r)[0].second.at(0).unicode(), 0xC9);
}

TEST(FeedbackRecordTest, MacFailureMessage) {
    EXPECT_EQ(elementMacFailureText(), corrupted("Element MAC"));
}

} // namespace
