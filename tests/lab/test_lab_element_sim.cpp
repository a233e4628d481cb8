// Simulated elements on the lab LAN answering the discovery request and configuration
// commands, as the NMS's endpoint and record processing see them.

#include "Lab.h"
#include "TestServices.h"

#include "core/database/IniSnapshot.h"
#include "core/database/IniStore.h"
#include "core/editor/ConfigCommand.h"
#include "core/protocol/Arp.h"
#include "core/protocol/FeedbackProcessor.h"
#include "core/protocol/LinuxArpLookup.h"
#include "core/protocol/ManagementEndpoint.h"

#include <QHostAddress>

#include <gtest/gtest.h>

namespace {

const QByteArray kRequest("IPMPXSTL VELTRANA PAGING REQUEST");

QString section(int k) { return Lab::elementMac(k).remove(u':'); }

class LabElementSimTest : public ::testing::Test {
protected:
    void start(const QStringList& lines) {
        QString error;
        lab = Lab::up(lines, &error);
        ASSERT_TRUE(lab) << error.toStdString();
        ASSERT_TRUE(lab->enterNms(&error)) << error.toStdString();
        ASSERT_TRUE(endpoint.bindLocal(Lab::nmsIp())) << endpoint.errorString().toStdString();
        ASSERT_TRUE(IniStore::CreateEmpty(bed.iniPath()));
        FeedbackProcessor::Context c;
        c.messages = &bed.messages;
        c.arp = &arp;
        c.iniPath = bed.iniPath();
        c.discoveryMode = [] { return true; };
        processor = std::make_unique<FeedbackProcessor>(c);
        QObject::connect(&endpoint, &ManagementEndpoint::feedbackRecordArrived,
                         [this](const QByteArray& d) { processor->Process_Feedback(d); });
        QObject::connect(&endpoint, &ManagementEndpoint::datagramArrived,
                         [this](const QByteArray& d) { arrived.append(d); });
    }
    void TearDown() override {
        endpoint.close();
        lab.reset();
    }

    TestBed bed;
    std::unique_ptr<Lab> lab;
    LinuxArpLookup arp;
    ManagementEndpoint endpoint;
    std::unique_ptr<FeedbackProcessor> processor;
    QList<QByteArray> arrived;
};

TEST_F(LabElementSimTest, DiscoveryAnswersAndMisbehaviours) {
    start({
        QStringLiteral("--role encoder --tx 1 --name ENC1 --serial 11"),
        QStringLiteral("--role decoder --name DEC2 --serial 12"),
        QStringLiteral("--role encoder --tx 0 --name ENC3 --serial 13"),
        QStringLiteral("--fault silent --serial 14"),
        QStringLiteral("--fault corrupt:role --serial 15"),
        QStringLiteral("--fault short:30 --serial 16"),
        QStringLiteral("--fault twice --serial 17"),
        QStringLiteral("--fault late:400 --serial 18"),
        QStringLiteral("--fault silent@config --serial 19"), // answers the discovery
    });
    ASSERT_TRUE(endpoint.broadcast(kRequest)) << endpoint.errorString().toStdString();
    // Nine answers (one twice, one silent) arrive, the late one after 400 ms.
    EXPECT_TRUE(waitFor([&] { return arrived.size() >= 9; }, 3000)) << arrived.size();
    waitFor([] { return false; }, 300); // nothing more comes

    EXPECT_EQ(arrived.size(), 9);
    const IniSnapshot db = IniSnapshot::load(bed.iniPath());
    QStringList expected;
    for (int k : {1, 2, 3, 7, 8, 9})
        expected.append(section(k));
    QStringList got = db.sectionNames();
    std::sort(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);
    EXPECT_EQ(db.value(section(1), QStringLiteral("sn"), QString()), "11");
    EXPECT_EQ(db.value(section(2), QStringLiteral("role"), QString()), "2");
    EXPECT_EQ(db.value(section(3), QStringLiteral("remote"), QString()), "239.255.255.239");
    EXPECT_EQ(db.value(section(7), QStringLiteral("sn"), QString()), "17");
    // The corrupted and the short record were refused with their message, or dropped
    // while the box about the other one was open.
    // (the short one, decoded from zero, fails on its serial number).
    const QStringList refusals{
        QStringLiteral("An error occured while retrieving 'Element Type':\rFeedback is corrupted."),
        QStringLiteral(
            "An error occured while retrieving 'Serial Number':\rFeedback is corrupted.")};
    EXPECT_GE(bed.messages.texts().size(), 1);
    EXPECT_EQ(bed.messages.texts().size() + processor->droppedCount(), 2);
    for (const QString& text : bed.messages.texts())
        EXPECT_TRUE(refusals.contains(text)) << text.toStdString();
}

TEST_F(LabElementSimTest, ConfigurationCommandIsTakenAndAnswered) {
    start({QStringLiteral("--role encoder --name OLD --serial 21 --firmware 3.49"),
           QStringLiteral("--role decoder --name KEEPS --serial 22 --fault keep:name@config")});
    QList<FeedbackRecord> answers;
    QObject::disconnect(&endpoint, &ManagementEndpoint::feedbackRecordArrived, nullptr, nullptr);
    QObject::connect(&endpoint, &ManagementEndpoint::feedbackRecordArrived,
                     [&](const QByteArray& d) { answers.append(FeedbackRecord::decode(d)); });

    ConfigCommandInput in;
    in.roleCaption = QStringLiteral("ENCODER");
    in.firmwareVersion = QStringLiteral("3.49");
    in.elementIP = QStringLiteral("10.77.0.51");
    in.elementMask = QStringLiteral("255.255.255.0");
    in.elementGW = QStringLiteral("10.77.0.1");
    in.remoteIP = QStringLiteral("239.77.0.9");
    in.audioTX = 1;
    in.elementName = QStringLiteral("new name");
    in.lowLatency = true;
    endpoint.setRemote(Lab::elementIp(1), 2976); // the stored address, not the new one
    ASSERT_TRUE(endpoint.send(ConfigCommand::build(in))) << endpoint.errorString().toStdString();
    ASSERT_TRUE(waitFor([&] { return answers.size() == 1; }));
    EXPECT_EQ(answers[0].UDP_Response_IP, "10.77.0.51");
    EXPECT_EQ(answers[0].UDP_Response_Name, "NEW NAME        ");
    EXPECT_EQ(answers[0].UDP_Response_Remote_IP, "239.77.0.9");
    EXPECT_EQ(answers[0].UDP_Response_Low_Latency, 1);
    EXPECT_EQ(answers[0].UDP_Response_SN, 21);
    // The command reached the element at its old address, and the element took the new one.
    const QStringList log = lab->simLog().filter(QStringLiteral("e1 RECV 2976"));
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].contains(QStringLiteral(" 10.77.0.1 10.77.0.11 "))) << log[0].toStdString();
    EXPECT_TRUE(lab->ipIn(lab->elementNamespace(1), {"-4", "addr", "show", "eth0"}).contains(QStringLiteral("10.77.0.51/24")));
    QString mac;
    arp.provoke(QHostAddress(QStringLiteral("10.77.0.51")).toIPv4Address());
    EXPECT_TRUE(waitFor([&] { return Arp::Resolve_MAC(arp, QStringLiteral("10.77.0.51"), QStringLiteral(":"), mac, nullptr); }));
    EXPECT_EQ(mac, Lab::elementMac(1));

    // An element that does not take the name answers with its old one.
    in.roleCaption = QStringLiteral("DECODER");
    in.elementIP = Lab::elementIp(2);
    endpoint.setRemote(Lab::elementIp(2), 2976);
    ASSERT_TRUE(endpoint.send(ConfigCommand::build(in)));
    ASSERT_TRUE(waitFor([&] { return answers.size() == 2; }));
    EXPECT_EQ(answers[1].UDP_Response_Name, "KEEPS           ");
    EXPECT_EQ(answers[1].UDP_Response_Remote_IP, "239.77.0.9");
}

} // namespace
