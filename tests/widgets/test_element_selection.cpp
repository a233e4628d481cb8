// Selecting an element in the real main window: the panel filled from the record, the
// role layout, the latency text, and ClearElementPanel.

#include "ElementDatabase.h"
#include "TestServices.h"

#include "app/frmMain.h"
#include "behaviours/editor/ElementPanel.h"
#include "core/database/IniStore.h"
#include "views/ElementTree.h"
#include "views/LevelBar.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace ElementDatabase;

// A started main window over a database; select(i) clicks the i-th node with the mouse.
struct Window {
    TestBed bed;
    std::unique_ptr<frmMain> w;
    explicit Window(const QByteArray& db, const char* arguments = "") {
        bed.argumentText = QString::fromLatin1(arguments);
        bed.writeIni(db);
        w = std::make_unique<frmMain>(bed.services());
        EXPECT_TRUE(w->startUp());
    }
    MainWindowUi& ui() { return w->ui(); }
    void select(int index) {
        ElementTree* tree = ui().TreeView1;
        QTreeWidgetItem* node = tree->topLevelItem(index);
        ASSERT_NE(node, nullptr);
        const QRect r = tree->visualItemRect(node);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, r.center());
    }
    QString stored(const char* section, const char* key) {
        return IniStore::ReadFromINI(QString::fromLatin1(section), QString::fromLatin1(key),
                                     bed.iniPath(), QStringLiteral("<absent>"));
    }
};

TEST(SelectionTest, AnEncoderFillsThePanel) {
    Window win(section("0011223344A1", encoder()));
    win.select(0);
    MainWindowUi& u = win.ui();
    EXPECT_EQ(u.lblElementType->text(), "ENCODER");
    EXPECT_EQ(u.lblElementMAC->text(), "00:11:22:33:44:A1");
    EXPECT_EQ(win.w->selectedElementMac(), "00:11:22:33:44:A1");
    EXPECT_EQ(u.lblVersion->text(), "3.5");
    EXPECT_EQ(u.lblSerialNumber->text(), "1234");
    EXPECT_EQ(u.txtElementName->text(), "STUDIO ONE"); // trailing blanks are not part of it
    EXPECT_EQ(u.txtElementIP->text(), "127.0.0.2");
    EXPECT_EQ(u.txtElementMask->text(), "255.255.255.0");
    EXPECT_EQ(u.txtElementGW->text(), "127.0.0.1");
    EXPECT_EQ(u.cmbAudioInput->currentIndex(), 1);
    EXPECT_EQ(u.cmbAudioType->currentIndex(), 1);
    EXPECT_EQ(u.cmbAudioTX->currentIndex(), 0);
    EXPECT_EQ(u.Label7->text(), "Decoder IP:");
    EXPECT_EQ(u.txtRemoteIP->text(), "127.0.0.3");
    EXPECT_EQ(u.txtRemoteIP->accessibleName(), "Decoder IP");
    EXPECT_TRUE(u.cmdGetStats->isEnabled());
    EXPECT_FALSE(u.cmdAdjust->isEnabled());
    EXPECT_EQ(u.cmdPing->text(), "<Click to test>");
    EXPECT_EQ(buttonBackground(u.cmdPing), QColor(255, 255, 192));

    // The encoder layout.
    EXPECT_TRUE(u.cmbAudioInput->isVisible());
    EXPECT_TRUE(u.cmbAudioTX->isVisible());
    EXPECT_FALSE(u.Label15->isVisible());
    EXPECT_FALSE(u.scrlAtten->isVisible());
    EXPECT_FALSE(u.lblAttenDB->isVisible());
    EXPECT_EQ(u.Label9->text(), "Audio source:");
    EXPECT_TRUE(u.toolbarButton[6]->isEnabled());
    EXPECT_FALSE(u.toolbarButton[7]->isEnabled());
    EXPECT_TRUE(u.VUMeter->isEnabled());
    EXPECT_EQ(u.VUMeter->widthTwips(), 0);
    EXPECT_EQ(u.lblVolume->text(), "-oodBFS");
    EXPECT_EQ(u.scrlBuffer->value(), 0);
    EXPECT_FALSE(u.scrlBuffer->isEnabled());
    EXPECT_EQ(u.lblLatency->text(), "2.5mS");
    for (QWidget* greyed :
         {static_cast<QWidget*>(u.cmbSilDetMode), static_cast<QWidget*>(u.scrlSilDetLevel),
          static_cast<QWidget*>(u.scrlSilDetTime), static_cast<QWidget*>(u.lblSilDetLevel),
          static_cast<QWidget*>(u.lblSilDetTime), static_cast<QWidget*>(u.lblLatency),
          static_cast<QWidget*>(u.lblBufferSize), static_cast<QWidget*>(u.lblThreshold),
          static_cast<QWidget*>(u.lblTimeout)})
        EXPECT_FALSE(greyed->isEnabled()) << greyed->objectName().toStdString();
}

TEST(SelectionTest, AnEncoderShowsTheAddressOfItsTransmissionType) {
    struct Case {
        const char* tx;
        QByteArray remote, multi;
        const char* caption;
        const char* shown;
    };
    const Case cases[] = {
        {"0", "127.0.0.9", "239.9.9.9", "Decoder IP:", "127.0.0.9"},
        {"0", kAbsent, "239.9.9.9", "Decoder IP:", "192.168.1.91"},
        {"1", "127.0.0.9", "239.9.9.9", "Multicast IP:", "239.9.9.9"},
        {"1", "127.0.0.9", kAbsent, "Multicast IP:", "239.255.255.239"},
        {"", "127.0.0.9", "239.9.9.9",
         "Decoder IP:", "127.0.0.9"}, // no selection counts as unicast
    };
    for (const Case& c : cases) {
        Window win(
            section("0011223344A1",
                    with(encoder(), {{"TX", c.tx}, {"REMOTE", c.remote}, {"MULTI", c.multi}})));
        win.select(0);
        EXPECT_EQ(win.ui().Label7->text().toStdString(), c.caption) << c.tx;
        EXPECT_EQ(win.ui().txtRemoteIP->text().toStdString(), c.shown) << c.tx;
    }
}

TEST(SelectionTest, ADecoderFillsTheDecoderValues) {
    Window win(
        section("0011223344B2", with(decoder(), {{"SDM", "1"}, {"SDL", "154"}, {"SDT", "1"}})));
    win.select(0);
    MainWindowUi& u = win.ui();
    EXPECT_EQ(u.lblElementType->text(), "DECODER");
    EXPECT_EQ(u.Label7->text(), "Multicast IP:"); // whatever "tx" holds
    EXPECT_EQ(u.txtRemoteIP->text(), "239.1.2.3");
    EXPECT_EQ(u.scrlAtten->value(), 200);
    EXPECT_EQ(u.lblAttenDB->text(), "-27.5 dB");
    EXPECT_EQ(u.scrlBuffer->value(), 4);
    EXPECT_EQ(u.lblLatency->text(), "15mS");
    EXPECT_EQ(u.scrlSilDetLevel->value(), 154);
    EXPECT_EQ(u.lblSilDetLevel->text(), "-6dBu");
    EXPECT_EQ(u.scrlSilDetTime->value(), 1);
    EXPECT_EQ(u.lblSilDetTime->text(), "0.5Sec");
    EXPECT_EQ(u.cmbSilDetMode->currentIndex(), 1);

    // The decoder layout; "Force internal" greys the threshold and timeout.
    EXPECT_FALSE(u.cmbAudioInput->isVisible());
    EXPECT_FALSE(u.cmbAudioTX->isVisible());
    EXPECT_TRUE(u.Label15->isVisible());
    EXPECT_TRUE(u.scrlAtten->isVisible());
    EXPECT_TRUE(u.lblAttenDB->isVisible());
    EXPECT_EQ(u.Label9->text(), "Audio atten:");
    EXPECT_FALSE(u.toolbarButton[6]->isEnabled());
    EXPECT_FALSE(u.toolbarButton[7]->isEnabled());
    EXPECT_FALSE(u.VUMeter->isEnabled());
    EXPECT_TRUE(u.scrlBuffer->isEnabled());
    EXPECT_TRUE(u.cmbSilDetMode->isEnabled());
    EXPECT_TRUE(u.lblBufferSize->isEnabled());
    EXPECT_TRUE(u.lblLatency->isEnabled());
    for (QWidget* greyed :
         {static_cast<QWidget*>(u.scrlSilDetLevel), static_cast<QWidget*>(u.scrlSilDetTime),
          static_cast<QWidget*>(u.lblSilDetLevel), static_cast<QWidget*>(u.lblSilDetTime),
          static_cast<QWidget*>(u.lblThreshold), static_cast<QWidget*>(u.lblTimeout)})
        EXPECT_FALSE(greyed->isEnabled()) << greyed->objectName().toStdString();
    EXPECT_EQ(win.stored("0011223344B2", "att"), "200"); // nothing written
}

TEST(SelectionTest, ADecoderWithoutSilenceOrBufferKeysTakesTheDefaults) {
    Window win(section(
        "0011223344B2",
        with(decoder(), {{"SDL", kAbsent}, {"SDT", kAbsent}, {"BUF", kAbsent}, {"SDM", kAbsent}})));
    win.select(0);
    EXPECT_EQ(win.ui().scrlSilDetLevel->value(), 37);
    EXPECT_EQ(win.ui().lblSilDetLevel->text(), "-18.4dBu");
    EXPECT_EQ(win.ui().scrlSilDetTime->value(), 43);
    EXPECT_EQ(win.ui().lblSilDetTime->text(), "19.6Sec");
    EXPECT_EQ(win.ui().scrlBuffer->value(), 1);
    EXPECT_EQ(win.ui().lblLatency->text(), "7.5mS");
    EXPECT_EQ(win.ui().cmbSilDetMode->currentIndex(), 0);
    EXPECT_TRUE(win.ui().scrlSilDetLevel->isEnabled()); // "Auto detect"
}

TEST(SelectionTest, ADecodersAttenuationIsRepairedToTheMinimum) {
    struct Case {
        QByteArray att;
        int bar;
        const char* text;
        const char* stored;
    };
    const Case cases[] = {
        {kAbsent, 14, "Mute", "14"}, {"5", 14, "Mute", "14"},
        {"0", 14, "Mute", "14"},     {"-3", 14, "Mute", "14"},
        {"loud", 14, "Mute", "14"},  {"14", 14, "Mute", "14"},
        {"255", 255, "0 dB", "255"}, {"254", 254, "-0.5 dB", "254"},
        {"300", 255, "0 dB", "300"}, // above the bar: shown at its end, the record kept
    };
    for (const Case& c : cases) {
        Window win(section("0011223344B2", with(decoder(), {{"ATT", c.att}})));
        win.select(0);
        const std::string what = c.att.isNull() ? "(absent)" : c.att.toStdString();
        EXPECT_EQ(win.ui().scrlAtten->value(), c.bar) << what;
        EXPECT_EQ(win.ui().lblAttenDB->text().toStdString(), c.text) << what;
        EXPECT_EQ(win.stored("0011223344B2", "att").toStdString(), c.stored) << what;
    }
}

TEST(SelectionTest, AnUnknownRoleKeepsThePreviousLayout) {
    Window win(section("0011223344B2", decoder()) +
               section("0011223344C3",
                       with(encoder(), {{"ROLE", "3"}, {"TX", "1"}, {"MULTI", "239.7.7.7"}})) +
               section("0011223344D4", with(encoder(), {{"ROLE", "abc"}})));
    MainWindowUi& u = win.ui();
    win.select(0);
    ASSERT_EQ(u.lblElementType->text(), "DECODER");
    for (int node : {1, 2}) {
        win.select(node);
        EXPECT_EQ(u.lblElementType->text(), "UNKNOWN") << node;
        EXPECT_TRUE(u.scrlAtten->isVisible()) << node; // still the decoder layout
        EXPECT_FALSE(u.cmbAudioTX->isVisible()) << node;
        EXPECT_EQ(u.Label9->text(), "Audio atten:");
        EXPECT_EQ(u.Label7->text(), "Multicast IP:"); // what it showed
        EXPECT_EQ(u.txtRemoteIP->text(), "239.1.2.3");
        EXPECT_FALSE(u.cmdAdjust->isEnabled());
        EXPECT_TRUE(u.cmdGetStats->isEnabled());
    }
    EXPECT_EQ(u.lblElementMAC->text(), "00:11:22:33:44:D4");
}

TEST(SelectionTest, SectionsOfMoreThan21KeysAreRefused) {
    Keys keys21 = with(decoder(), {{"SRV", "0"}, {"DLY", "0"}, {"BOUND", "0"}});
    ASSERT_EQ(keys21.size(), 21);
    Keys keys22 = with(keys21, {{"EXTRA", "1"}});
    Window win(section("0011223344A1", encoder()) +
               section("0011223344B1", with(keys21, {{"NAME", "TWENTY ONE"}})) +
               section("0011223344B2", with(keys22, {{"NAME", "TWENTY TWO"}})));
    MainWindowUi& u = win.ui();
    win.select(1);
    EXPECT_TRUE(win.bed.messages.shown.empty());
    EXPECT_EQ(u.txtElementName->text(), "TWENTY ONE");

    win.select(0);
    win.select(2);
    ASSERT_EQ(win.bed.messages.shown.size(), 1u);
    const MessageRequest& m = win.bed.messages.shown[0];
    EXPECT_EQ(m.text, "The data stored in your computer about this element, is corrupted (1).\r"
                      "Cannot load this element info.");
    EXPECT_EQ(m.icon, MsgIcon::Critical);
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
    EXPECT_TRUE(m.title.isEmpty());
    // The panel keeps the encoder; the meter was still stopped before the check.
    EXPECT_EQ(u.lblElementMAC->text(), "00:11:22:33:44:A1");
    EXPECT_EQ(u.txtElementName->text(), "STUDIO ONE");
    EXPECT_EQ(u.lblElementType->text(), "ENCODER");
    EXPECT_FALSE(u.toolbarButton[6]->isEnabled());
}

TEST(SelectionTest, LatencyTextsOfTheEditionsAndOptions) {
    struct Case {
        const char* edition;
        QByteArray sfn, llo;
        const char* latency;
        bool adjust, lowLatencyOn;
    };
    const Case cases[] = {
        {"", "0", "0", "15mS", false, false},
        {"", "1", "0", "12.5mS", true, false},
        {"", "0", "1", "7.5mS", false, true},
        {"", "1", "1", "7.5mS", true, true},
        {"GPS", "0", "0", "12.5mS", false, false},
        {"GPS", "0", "1", "7.5mS", false, true},
        // The low-latency edition starts with the flag on; a selection replaces it by the
        // element's check box.
        {"LL", "0", "0", "15mS", false, false},
        {"LL", "0", "1", "7.5mS", false, true},
        {"", "2", "0", "15mS", false, false}, // only "1" ticks
    };
    for (const Case& c : cases) {
        Window win(section("0011223344B2", with(decoder(), {{"SFN", c.sfn}, {"LLO", c.llo}})),
                   c.edition);
        win.select(0);
        const std::string what =
            std::string(c.edition) + " sfn " + c.sfn.toStdString() + " llo " + c.llo.toStdString();
        EXPECT_EQ(win.ui().lblLatency->text().toStdString(), c.latency) << what;
        EXPECT_EQ(win.ui().cmdAdjust->isEnabled(), c.adjust) << what;
        EXPECT_EQ(win.w->LowLatencyOn, c.lowLatencyOn) << what;
    }
}

TEST(SelectionTest, ValuesThatAreNotWhatTheProgramWritesAreShownSafely) {
    Window win(section("0011223344B2", with(decoder(), {{"INPUT", "7"},
                                                        {"TYPE", "x"},
                                                        {"TX", kAbsent},
                                                        {"BUF", "99"},
                                                        {"SDL", "oops"},
                                                        {"SDT", "-4"},
                                                        {"SDM", "5"},
                                                        {"BOUND", "9"},
                                                        {"SFN", "yes"}})));
    win.select(0);
    MainWindowUi& u = win.ui();
    EXPECT_EQ(u.cmbAudioInput->currentIndex(), -1);
    EXPECT_EQ(u.cmbAudioType->currentIndex(), -1);
    EXPECT_EQ(u.cmbAudioTX->currentIndex(), -1);
    EXPECT_EQ(u.scrlBuffer->value(), 22);
    EXPECT_EQ(u.lblLatency->text(), "60mS");
    EXPECT_EQ(u.scrlSilDetLevel->value(), 37);
    EXPECT_EQ(u.scrlSilDetTime->value(), 1);
    EXPECT_EQ(u.cmbSilDetMode->currentIndex(), 0);
    EXPECT_EQ(u.cmbEncoders->currentIndex(), 0);
    EXPECT_FALSE(u.chkSFNEnabled->isChecked());
    EXPECT_EQ(win.stored("0011223344B2", "buf"), "99"); // the record is not changed
}

TEST(SelectionTest, EncodersListPositionComesFromBound) {
    Window win(section("0011223344A1", encoder()) + section("0011223344A2", encoder()) +
               section("0011223344B2", with(decoder(), {{"BOUND", "2"}})));
    win.select(2);
    EXPECT_EQ(win.ui().cmbEncoders->currentIndex(), 2);
    EXPECT_EQ(win.ui().cmbEncoders->currentText(), "STUDIO ONE [00:11:22:33:44:A2]");
}

TEST(SelectionTest, TextsFollowTheValuesAlsoWhenABarDoesNotMove) {
    // The silence level bar starts at 1 with the text "0dBu"; a decoder whose level is 1
    // must still show the text of 1.
    Window win(
        section("0011223344B2", with(decoder(), {{"SDL", "1"}, {"SDT", "1"}, {"ATT", "14"}})));
    ASSERT_EQ(win.ui().scrlSilDetLevel->value(), 1);
    ASSERT_EQ(win.ui().lblSilDetLevel->text(), "0dBu");
    win.select(0);
    EXPECT_EQ(win.ui().lblSilDetLevel->text(), "-49.8dBu");
    EXPECT_EQ(win.ui().lblSilDetTime->text(), "0.5Sec");
    EXPECT_EQ(win.ui().lblAttenDB->text(), "Mute");
}

TEST(SelectionTest, SelectionStopsTheMeterAndTheRoleChangeDoesToo) {
    Window win(section("0011223344A1", encoder()) + section("0011223344B2", decoder()));
    MainWindowUi& u = win.ui();
    win.select(0);
    u.chkGetVolume->setChecked(true);
    win.w->tmrVolume.start();
    u.toolbarButton[6]->setEnabled(false);
    u.toolbarButton[7]->setEnabled(true);
    win.select(0); // the same element again
    EXPECT_FALSE(u.chkGetVolume->isChecked());
    EXPECT_FALSE(u.chkGetVolume->isVisible());
    EXPECT_TRUE(u.toolbarButton[6]->isEnabled());
    EXPECT_FALSE(u.toolbarButton[7]->isEnabled());
    EXPECT_FALSE(win.w->tmrVolume.isActive());

    // The program changing the role caption (as the feedback processing does) applies
    // the layout and stops the meter.
    u.chkGetVolume->setChecked(true);
    win.w->tmrVolume.start();
    u.VUMeter->setWidthTwips(900);
    win.w->panel().setElementType(QStringLiteral("DECODER"));
    EXPECT_FALSE(win.w->tmrVolume.isActive());
    EXPECT_FALSE(u.chkGetVolume->isChecked());
    EXPECT_TRUE(u.scrlAtten->isVisible());
    EXPECT_EQ(u.VUMeter->widthTwips(), 0);
    EXPECT_FALSE(u.toolbarButton[6]->isEnabled());
    win.w->panel().setElementType(QStringLiteral("UNKNOWN"));
    EXPECT_TRUE(u.scrlAtten->isVisible());
}

TEST(SelectionTest, TheKeyboardChoosesNodesButFocusAloneDoesNot) {
    Window win(section("0011223344A1", encoder()) + section("0011223344B2", decoder()));
    ElementTree* tree = win.ui().TreeView1;
    win.w->activateWindow();
    tree->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(win.w->selectedElementMac(), "-");
    QTest::keyClick(tree, Qt::Key_Down);
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(win.w->selectedElementMac(), "00:11:22:33:44:B2");
    win.ui().txtElementName->setText(QStringLiteral("EDITED"));
    QTest::keyClick(tree, Qt::Key_Return); // chooses the current node again: edits discarded
    EXPECT_EQ(win.ui().txtElementName->text(), "TRANSMITTER A");
}

TEST(SelectionTest, ANodeWithoutTextOnlyDisablesStatistics) {
    Window win(section("0011223344A1", encoder()));
    win.select(0);
    win.w->panel().showElement(QStringLiteral("00:11:22:33:44:A1"), QString());
    EXPECT_FALSE(win.ui().cmdGetStats->isEnabled());
    EXPECT_FALSE(win.ui().toolbarButton[6]->isEnabled());
    EXPECT_EQ(win.ui().lblElementType->text(), "ENCODER");
}

TEST(SelectionTest, ClearElementPanelEmptiesTheFields) {
    Window win(section("0011223344B2", with(decoder(), {{"SFN", "1"}})));
    win.select(0);
    MainWindowUi& u = win.ui();
    setButtonBackground(u.cmdPing, QColor(0, 255, 0));
    win.w->ClearElementPanel();
    for (QLabel* l : {u.lblElementType, u.lblElementMAC, u.lblSerialNumber, u.lblVersion})
        EXPECT_EQ(l->text(), "-") << l->objectName().toStdString();
    EXPECT_EQ(u.cmdPing->text(), "<Unknown>");
    EXPECT_EQ(buttonBackground(u.cmdPing), QColor(255, 255, 192));
    EXPECT_EQ(u.lblLatency->text(), "-mS");
    for (QLineEdit* e :
         {u.txtElementName, u.txtElementIP, u.txtElementMask, u.txtElementGW, u.txtRemoteIP})
        EXPECT_TRUE(e->text().isEmpty()) << e->objectName().toStdString();
    for (QComboBox* c : {u.cmbAudioInput, u.cmbAudioType, u.cmbAudioTX})
        EXPECT_EQ(c->currentIndex(), -1) << c->objectName().toStdString();
    EXPECT_EQ(win.w->selectedElementMac(), "-");
    // Left as they are: the bars, the check boxes, the routing list and the layout; the
    // diagnostics that need an element are off.
    EXPECT_EQ(u.scrlBuffer->value(), 4);
    EXPECT_TRUE(u.chkSFNEnabled->isChecked());
    EXPECT_TRUE(u.scrlAtten->isVisible());
    EXPECT_FALSE(u.cmdAdjust->isEnabled() || u.cmdGetStats->isEnabled());
    EXPECT_EQ(u.cmbSilDetMode->currentIndex(), 0);
}

} // namespace
