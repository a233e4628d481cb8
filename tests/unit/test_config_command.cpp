// The configuration command layouts, checked against byte vectors written out from the
// command layout.

#include "core/editor/ConfigCommand.h"

#include <gtest/gtest.h>

namespace {

ConfigCommandInput encoderPanel() {
    ConfigCommandInput in;
    in.roleCaption = QStringLiteral("ENCODER");
    in.elementIP = QStringLiteral("192.168.1.20");
    in.elementMask = QStringLiteral("255.255.255.0");
    in.elementGW = QStringLiteral("192.168.1.1");
    in.remoteIP = QStringLiteral("192.168.1.91");
    in.audioInput = 1;
    in.audioType = 0;
    in.audioTX = 0;
    in.sfnEnabled = true;
    in.elementName = QStringLiteral("studio a");
    in.lowLatency = true;
    in.buffer = 9; // not part of an encoder's command
    return in;
}

const QByteArray kEncoderCommon = QByteArray::fromHex(
    "C0A80114" "FFFFFF00" "C0A80101" "C0A8015B" // new address, mask, gateway, decoder
    "01" "00" "00" "01"                         // input, type, tx, SFN
    "53545544494F2041" "2020202020202020");     // STUDIO A and eight blanks

TEST(ConfigCommandTest, EncoderLayoutFollowsTheFirmwareVersion) {
    struct Case {
        const char* role;
        const char* version;
        QByteArray tail;
    };
    const std::vector<Case> cases{
        {"ENCODER", "2.0", QByteArray::fromHex("01")},
        {"ENCODER", "3.48", QByteArray::fromHex("01")},
        {"ENCODER", "3.10", QByteArray::fromHex("01")}, // 3.10 is 3.1
        {"ENCODER", "not a number", QByteArray::fromHex("01")},
        {"ENCODER", "", QByteArray::fromHex("01")},
        {"ENCODER", "3.49", QByteArray::fromHex("0101")},
        {"ENCODER", "3.5", QByteArray::fromHex("0101")},
        {"ENCODER", "4.5", QByteArray::fromHex("0101")},
        {"UNKNOWN", "3.49", QByteArray::fromHex("0101")},
        {"UNKNOWN", "3.4", QByteArray::fromHex("01")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.role) + " " + c.version);
        ConfigCommandInput in = encoderPanel();
        in.roleCaption = QString::fromLatin1(c.role);
        in.firmwareVersion = QString::fromLatin1(c.version);
        EXPECT_EQ(ConfigCommand::build(in).toHex(), (kEncoderCommon + c.tail).toHex());
    }
}

TEST(ConfigCommandTest, LowLatencyOffOnAnEncoder) {
    ConfigCommandInput in = encoderPanel();
    in.lowLatency = false;
    in.firmwareVersion = QStringLiteral("3.49");
    const QByteArray cmd = ConfigCommand::build(in);
    ASSERT_EQ(cmd.size(), 38);
    EXPECT_EQ(cmd[36], 0);
    EXPECT_EQ(cmd[37], 1);
}

TEST(ConfigCommandTest, DecoderLayoutIs41BytesWhateverTheVersion) {
    ConfigCommandInput in;
    in.roleCaption = QStringLiteral("DECODER");
    in.elementIP = QStringLiteral("10.0.0.7");
    in.elementMask = QStringLiteral("255.255.0.0");
    in.elementGW = QStringLiteral("10.0.0.1");
    in.remoteIP = QStringLiteral("239.255.255.239");
    in.audioInput = 0;
    in.audioType = 1;
    in.audioTX = 1;
    in.sfnEnabled = false;
    in.elementName = QStringLiteral("Decoder-7");
    in.buffer = 22;
    in.silDetMode = 2;
    in.silDetLevel = 154;
    in.silDetTime = 220;
    in.lowLatency = true;
    const QByteArray expected = QByteArray::fromHex(
        "0A000007" "FFFF0000" "0A000001" "EFFFFFEF"
        "00" "01" "01" "00"
        "4445434F4445522D37" "20202020202020"
        "16" "02" "9A" "DC" "01");
    for (const char* version : {"2.0", "3.49", "9.9"}) {
        SCOPED_TRACE(version);
        in.firmwareVersion = QString::fromLatin1(version);
        EXPECT_EQ(ConfigCommand::build(in).toHex(), expected.toHex());
    }
}

TEST(ConfigCommandTest, NameIsCutTo16UpperCaseLatin1Bytes) {
    ConfigCommandInput in = encoderPanel();
    struct Case {
        QString name;
        QByteArray bytes;
    };
    const std::vector<Case> cases{
        {QStringLiteral("a twenty char name!!"), QByteArray::fromHex("41205457454E54592043484152204E41")},
        {QString(), QByteArray(16, ' ')},
        {QStringLiteral("caf\u00e9 \u00df"), QByteArray::fromHex("434146C920DF20202020202020202020")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        in.elementName = c.name;
        EXPECT_EQ(ConfigCommand::build(in).mid(20, 16).toHex(), c.bytes.toHex());
    }
}

TEST(ConfigCommandTest, VersionComparisonIsDecimal) {
    EXPECT_TRUE(ConfigCommand::addsEncoderFlag(QStringLiteral("3.49")));
    EXPECT_TRUE(ConfigCommand::addsEncoderFlag(QStringLiteral(" 3.50 ")));
    EXPECT_FALSE(ConfigCommand::addsEncoderFlag(QStringLiteral("3.489")));
    EXPECT_FALSE(ConfigCommand::addsEncoderFlag(QStringLiteral("3,49")));
    EXPECT_TRUE(ConfigCommand::addsEncoderFlag(QStringLiteral("10.0")));
}

} // namespace
