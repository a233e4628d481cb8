// The real main window on the lab's NMS side, with the kernel's ARP: discovery of
// simulated elements stored key by key, and configurations sent, confirmed, refused or
// timed out over real veth links.

#include "ElementDatabase.h"
#include "LabWindowTest.h"

#include "views/ElementTree.h"

#include "behaviours/editor/ConfigurationSender.h"

#include <QLineEdit>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

using ElementDatabase::section;

const QString kConfirmed = QStringLiteral("New configuration has been sucessfuly saved and loaded!");
const QString kTimedOut =
    QStringLiteral("Waiting for a response from Network Element has timed out!\rCannot save.");

class LabRoundTripTest : public LabWindowTest {
protected:
    static void SetUpTestSuite() {
        upLab(
            {
                // 1: encoder, unicast to the decoder
                QStringLiteral("--role encoder --name \"Studio 1\" --tx 0 --remote 10.77.0.13 --input 1 "
                               "--type 0 --serial 1001 --firmware 3.49 --llo 1"),
                // 2: encoder, multicast; does not take a new name
                QStringLiteral("--role encoder --name \"Studio 2\" --tx 1 --remote 239.77.0.1 --serial 1002 "
                               "--firmware 3.5 --fault keep:name@config"),
                // 3: decoder; does not answer commands
                QStringLiteral("--role decoder --name \"TX SITE\" --remote 239.77.0.1 --serial 3003 "
                               "--firmware 4.2 --input 0 --type 1 --tx 1 --sfn 1 --buffer 6 --att 180 --sdm 2 "
                               "--sdl 40 --sdt 50 --llo 1 --fault silent@config"),
                // 4: encoder; answers commands with a corrupted record
                QStringLiteral("--role encoder --name \"Studio 4\" --serial 1004 --fault corrupt:tx@config"),
            });
    }
};

TEST_F(LabRoundTripTest, DiscoveryStoresEveryElementKeyByKey) {
    discover();
    EXPECT_TRUE(bed.messages.shown.empty()) << bed.messages.texts().join(u'|').toStdString();
    const QByteArray db = file();
    EXPECT_TRUE(db.contains(section(sectionOf(1).toLatin1(),
                                    {{"NAME", "STUDIO 1        "}, {"IP", "10.77.0.11"}, {"MASK", "255.255.255.0"},
                                     {"GW", "10.77.0.1"}, {"INPUT", "1"}, {"TYPE", "0"}, {"TX", "0"},
                                     {"REMOTE", "10.77.0.13"}, {"ROLE", "1"}, {"SN", "1001"}, {"VER", "3.49"},
                                     {"SFN", "0"}, {"BUF", "4"}, {"LLO", "1"}})))
        << db.toStdString();
    EXPECT_TRUE(db.contains(section(sectionOf(2).toLatin1(),
                                    {{"NAME", "STUDIO 2        "}, {"IP", "10.77.0.12"}, {"MASK", "255.255.255.0"},
                                     {"GW", "10.77.0.1"}, {"INPUT", "0"}, {"TYPE", "1"}, {"TX", "1"},
                                     {"MULTI", "239.77.0.1"}, {"ROLE", "1"}, {"SN", "1002"}, {"VER", "3.5"},
                                     {"SFN", "0"}, {"BUF", "4"}, {"LLO", "0"}})))
        << db.toStdString();
    EXPECT_TRUE(db.contains(section(sectionOf(3).toLatin1(),
                                    {{"NAME", "TX SITE         "}, {"IP", "10.77.0.13"}, {"MASK", "255.255.255.0"},
                                     {"GW", "10.77.0.1"}, {"INPUT", "0"}, {"TYPE", "1"}, {"TX", "1"},
                                     {"MULTI", "239.77.0.1"}, {"ROLE", "2"}, {"SN", "3003"}, {"VER", "4.2"},
                                     {"SFN", "1"}, {"BUF", "6"}, {"ATT", "180"}, {"SDM", "2"}, {"SDL", "40"},
                                     {"SDT", "50"}, {"LLO", "1"}})))
        << db.toStdString();
    EXPECT_EQ(db.count('['), 4);
    EXPECT_EQ(w->ui().TreeView1->topLevelItemCount(), 4);
}

TEST_F(LabRoundTripTest, EditedNameAndAddressAreSentAndConfirmed) {
    discover();
    ASSERT_TRUE(select(1));
    w->ui().txtElementName->setText("on air");
    w->ui().txtElementIP->setText("10.77.0.61");
    save();
    ASSERT_TRUE(waitFor([&] { return bed.messages.shown.size() >= 2; }, 8000));
    EXPECT_EQ(bed.messages.shown[1].text, kConfirmed) << bed.messages.texts().join(u'|').toStdString();
    EXPECT_EQ(bed.messages.shown[1].title, "Configuration changed");
    EXPECT_EQ(stored(1, "name"), "ON AIR");
    EXPECT_EQ(stored(1, "ip"), "10.77.0.61");
    // The command went to the address the element had, and it now answers ARP for the new one.
    const QStringList got = lab_->simLog().filter(QStringLiteral("e1 RECV 2976"));
    ASSERT_FALSE(got.isEmpty());
    EXPECT_TRUE(got.last().contains(QStringLiteral(" 10.77.0.1 10.77.0.11 0a4d003d"))) << got.last().toStdString();
    EXPECT_EQ(w->sRemoteMacAddress2, Lab::elementMac(1));
}

TEST_F(LabRoundTripTest, MismatchingFieldIsReported) {
    discover();
    ASSERT_TRUE(select(2));
    w->ui().txtElementName->setText("renamed");
    save();
    ASSERT_TRUE(waitFor([&] { return bed.messages.shown.size() >= 2; }, 8000));
    EXPECT_FALSE(w->timerRemoteSent.isActive()); // and no time-out follows
    EXPECT_EQ(bed.messages.texts(),
              (QStringList{ConfigurationSender::sendQuestion(),
                           "An error occured while saving 'Element Name':\rFeedback is corrupted."}));
    EXPECT_EQ(stored(2, "name"), "STUDIO 2");
    EXPECT_EQ(stored(2, "ip"), "10.77.0.12");
}

TEST_F(LabRoundTripTest, SilentElementTimesOut) {
    discover();
    ASSERT_TRUE(select(3));
    const QByteArray before = file();
    w->ui().txtElementName->setText("renamed");
    save();
    ASSERT_TRUE(waitFor([&] { return bed.messages.shown.size() >= 2; }, 5000));
    EXPECT_EQ(bed.messages.shown[1].text, kTimedOut);
    EXPECT_EQ(file(), before);
}

TEST_F(LabRoundTripTest, AnswerFromAnotherElementIsRefused) {
    discover();
    ASSERT_TRUE(select(3)); // the decoder never answers commands
    const QByteArray before = file();
    save();
    ASSERT_TRUE(lab_->announce(2)); // element 2 answers instead
    ASSERT_TRUE(waitFor([&] { return bed.messages.shown.size() >= 2; }, 5000));
    EXPECT_EQ(bed.messages.shown[1].text,
              "The response received does not match the selected element.\rCannot save this element info.");
    EXPECT_EQ(file(), before);
}

TEST_F(LabRoundTripTest, CorruptedRecordIsRefused) {
    discover();
    ASSERT_TRUE(select(4));
    const QByteArray before = file();
    save();
    ASSERT_TRUE(waitFor([&] { return bed.messages.shown.size() >= 3; }, 5000));
    EXPECT_EQ(bed.messages.texts(),
              (QStringList{ConfigurationSender::sendQuestion(),
                           "An error occured while retrieving 'TX Type':\rFeedback is corrupted.", kTimedOut}));
    EXPECT_EQ(file(), before);
}

} // namespace
