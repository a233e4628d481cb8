// The simulated element's record and command handling, and its options, against byte
// vectors written out from the record and command layouts.

#include "SimElement.h"
#include "SimIdentity.h"
#include "SimOptions.h"

#include <gtest/gtest.h>

namespace {

SimIdentity decoder() {
    SimIdentity id;
    id.ip = QStringLiteral("10.77.0.12");
    id.mask = QStringLiteral("255.255.255.0");
    id.gw = QStringLiteral("10.77.0.1");
    id.remote = QStringLiteral("239.77.0.1");
    id.input = 0;
    id.type = 1;
    id.tx = 1;
    id.name = QStringLiteral("DEC");
    id.role = 2;
    id.serial = 0x80000001u;
    id.verMajor = 4;
    id.verMinor = 2;
    id.sfn = 1;
    id.buffer = 7;
    id.lowLatency = 1;
    id.att = 200;
    id.silMode = 1;
    id.silLevel = 37;
    id.silTime = 43;
    return id;
}

TEST(ElementSimTest, RecordsFollowTheLayoutOfTheirRole) {
    SimIdentity d = decoder();
    EXPECT_EQ(d.feedbackRecord().toHex(),
              QByteArray("0A4D000C" "FFFFFF00" "0A4D0001" "EF4D0001" "000101"
                         "4445432020202020202020202020202002" "80000001"
                         "C8" "04" "02" "01" "07" "01" "25" "2B" "0000000000" "01").toLower());
    SimIdentity e = d;
    e.role = 0; // any role but 2 sends the encoder layout
    EXPECT_EQ(e.feedbackRecord().toHex(),
              QByteArray("0A4D000C" "FFFFFF00" "0A4D0001" "EF4D0001" "000101"
                         "4445432020202020202020202020202000" "80000001"
                         "0402010701").toLower());
}

TEST(ElementSimTest, TakesACommandByItsLength) {
    SimIdentity d = decoder();
    const QByteArray decoderCommand = QByteArray::fromHex(
        "0A4D0033" "FFFF0000" "0A4D00FE" "EF010203" "01" "00" "00" "00"
        "4E4557204E414D452020202020202020" "09" "02" "10" "20" "00");
    ASSERT_TRUE(d.applyCommand(decoderCommand, {QStringLiteral("name")}));
    EXPECT_EQ(d.ip, "10.77.0.51");
    EXPECT_EQ(d.mask, "255.255.0.0");
    EXPECT_EQ(d.gw, "10.77.0.254");
    EXPECT_EQ(d.remote, "239.1.2.3");
    EXPECT_EQ(d.input, 1);
    EXPECT_EQ(d.tx, 0);
    EXPECT_EQ(d.sfn, 0);
    EXPECT_EQ(d.name, "DEC"); // kept, as told
    EXPECT_EQ(d.buffer, 9);
    EXPECT_EQ(d.silMode, 2);
    EXPECT_EQ(d.silLevel, 16);
    EXPECT_EQ(d.silTime, 32);
    EXPECT_EQ(d.lowLatency, 0);

    SimIdentity e = decoder();
    const QByteArray encoderCommand = decoderCommand.left(36) + QByteArray::fromHex("0101");
    ASSERT_TRUE(e.applyCommand(encoderCommand));
    EXPECT_EQ(e.name, "NEW NAME        ");
    EXPECT_EQ(e.lowLatency, 1);
    EXPECT_EQ(e.buffer, 7); // not in an encoder's command
    EXPECT_FALSE(e.applyCommand(decoderCommand.left(39)));
    EXPECT_FALSE(e.applyCommand(QByteArray()));
}

TEST(ElementSimTest, FaultTexts) {
    struct Case {
        const char* text;
        bool ok;
        SimFault::Kind kind;
        int arg;
        int scope;
    };
    const std::vector<Case> cases{
        {"silent", true, SimFault::Kind::Silent, 0, SimFault::Both},
        {"late:250@config", true, SimFault::Kind::Late, 250, SimFault::Config},
        {"twice@discovery", true, SimFault::Kind::Twice, 0, SimFault::Discovery},
        {"short:30", true, SimFault::Kind::Short, 30, SimFault::Both},
        {"corrupt:serial", true, SimFault::Kind::Corrupt, 0, SimFault::Both},
        {"corrupt:name", false, SimFault::Kind::Corrupt, 0, 0},
        {"late:soon", false, SimFault::Kind::Late, 0, 0},
        {"twice@sometimes", false, SimFault::Kind::Twice, 0, 0},
        {"explode", false, SimFault::Kind::Silent, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SimFault f;
        EXPECT_EQ(SimFault::parse(QString::fromLatin1(c.text), &f), c.ok);
        if (c.ok) {
            EXPECT_EQ(f.kind, c.kind);
            EXPECT_EQ(f.arg, c.arg);
            EXPECT_EQ(f.scope, c.scope);
        }
    }
}

TEST(ElementSimTest, ElementOptions) {
    SimElementConfig c;
    QString error;
    ASSERT_TRUE(SimOptions::parseElement({"--role", "decoder", "--name", "A B", "--serial", "-5",
                                          "--firmware", "3.10", "--ip", "10.77.0.99", "--fault",
                                          "silent@config"},
                                         &c, &error))
        << error.toStdString();
    EXPECT_EQ(c.identity.role, 2);
    EXPECT_EQ(c.identity.name, "A B");
    EXPECT_EQ(c.identity.serial, 0xFFFFFFFBu);
    EXPECT_EQ(c.identity.verMajor, 3);
    EXPECT_EQ(c.identity.verMinor, 10);
    EXPECT_EQ(c.identity.ip, "10.77.0.99");
    ASSERT_EQ(c.faults.size(), 1);
    for (const QStringList& bad : {QStringList{"--ip", "10.77.0"}, QStringList{"--input", "256"},
                                   QStringList{"--firmware", "3"}, QStringList{"--colour", "red"},
                                   QStringList{"--name"}}) {
        SCOPED_TRACE(bad.join(u' ').toStdString());
        SimElementConfig other;
        EXPECT_FALSE(SimOptions::parseElement(bad, &other, &error));
    }
    // --version is the program's; the firmware's is --firmware.
    SimRunOptions run;
    ASSERT_TRUE(SimOptions::parse({"--version"}, &run, &error));
    EXPECT_TRUE(run.version);
}

} // namespace
