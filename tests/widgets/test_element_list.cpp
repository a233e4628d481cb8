// Loading the element list from nms.ini into the real main window.

#include "ElementDatabase.h"
#include "TestServices.h"

#include "app/frmMain.h"
#include "behaviours/database/ElementList.h"
#include "views/ElementTree.h"
#include "views/LevelBar.h"

#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using namespace ElementDatabase;

struct Node {
    std::string key, text;
    int image;
    bool operator==(const Node&) const = default;
};

std::vector<Node> nodes(frmMain& w) {
    std::vector<Node> out;
    for (int i = 0; i < w.ui().TreeView1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* n = w.ui().TreeView1->topLevelItem(i);
        EXPECT_EQ(n->childCount(), 0);
        out.push_back({ElementTree::nodeKey(n).toStdString(), n->text(0).toStdString(),
                       ElementTree::nodeImage(n)});
    }
    return out;
}

QStringList items(const QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i)
        out.append(c->itemText(i));
    return out;
}

QStringList items(const QListWidget* l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i)
        out.append(l->item(i)->text());
    return out;
}

const QByteArray kThreeElements =
    section("0011223344A1", encoder()) +
    section("0011223344B2", with(decoder(), {{"NAME", "SITE B"}})) +
    section("0011223344C3", with(encoder(), {{"NAME", "STUDIO TWO"}}));

TEST(ElementListTest, EncoderDecoderEncoderInFileOrder) {
    TestBed bed;
    bed.writeIni(kThreeElements);
    frmMain w(bed.services());
    ASSERT_TRUE(w.startUp());
    EXPECT_TRUE(bed.messages.shown.empty());

    const std::vector<Node> expected{
        {"00:11:22:33:44:A1", "STUDIO ONE [00:11:22:33:44:A1]", 6},
        {"00:11:22:33:44:B2", "SITE B [00:11:22:33:44:B2]", 7},
        {"00:11:22:33:44:C3", "STUDIO TWO [00:11:22:33:44:C3]", 6},
    };
    EXPECT_EQ(nodes(w), expected);
    EXPECT_EQ(items(w.ui().cmbEncoders), (QStringList{"<None>", "STUDIO ONE [00:11:22:33:44:A1]",
                                                      "STUDIO TWO [00:11:22:33:44:C3]"}));
    EXPECT_EQ(items(w.ui().lstHidden),
              (QStringList{"0011223344A1", "0011223344B2", "0011223344C3"}));
    EXPECT_EQ(w.ui().frmTreeView->title(), "Select element: (3 items)");
    EXPECT_FALSE(w.ui().lstHidden->isVisible());
    EXPECT_FALSE(w.ui().cmbEncoders->isVisible());

    // Each node shows the picture of its image number.
    const QTreeWidgetItem* first = w.ui().TreeView1->topLevelItem(0);
    const QTreeWidgetItem* second = w.ui().TreeView1->topLevelItem(1);
    EXPECT_EQ(first->icon(0).pixmap(16).toImage(), w.ui().ImageList1[6].pixmap(16).toImage());
    EXPECT_EQ(second->icon(0).pixmap(16).toImage(), w.ui().ImageList1[7].pixmap(16).toImage());
    EXPECT_NE(w.ui().ImageList1[6].pixmap(16).toImage(), w.ui().ImageList1[7].pixmap(16).toImage());

    // Loading selects nothing and leaves the panel empty.
    EXPECT_EQ(w.ui().TreeView1->currentItem(), nullptr);
    EXPECT_EQ(w.selectedElementMac(), "-");

    // A second load gives the same lists, without duplicates.
    w.Load_Config();
    EXPECT_EQ(nodes(w), expected);
    EXPECT_EQ(w.ui().cmbEncoders->count(), 3);
    EXPECT_EQ(w.ui().lstHidden->count(), 3);
    EXPECT_EQ(w.ui().frmTreeView->title(), "Select element: (3 items)");
}

TEST(ElementListTest, RolesOtherThanOneAreOtherElements) {
    TestBed bed;
    bed.writeIni(section("0011223344A1", with(encoder(), {{"ROLE", "0"}})) +
                 section("0011223344A2", with(encoder(), {{"ROLE", "3"}})) +
                 section("0011223344A3", with(encoder(), {{"ROLE", kAbsent}})) +
                 section("0011223344A4", with(encoder(), {{"ROLE", "one"}})) +
                 section("0011223344A5", with(encoder(), {{"ROLE", " 01 "}, {"NAME", kAbsent}})));
    frmMain w(bed.services());
    ASSERT_TRUE(w.startUp());
    const std::vector<Node> got = nodes(w);
    ASSERT_EQ(got.size(), 5u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(got[i].image, 7) << i;
    EXPECT_EQ(got[4].image, 6);
    EXPECT_EQ(got[4].text, " [00:11:22:33:44:A5]"); // no name: the text starts with " ["
    EXPECT_EQ(items(w.ui().cmbEncoders), (QStringList{"<None>", " [00:11:22:33:44:A5]"}));
}

TEST(ElementListTest, SectionsThatAreNoElementsAreNotListed) {
    TestBed bed;
    bed.writeIni(section("GENERAL", {{"ROLE", "1"}}) + section("0011223344A1", encoder()) +
                 section("0011223344a1", with(encoder(), {{"NAME", "SHADOW"}})) +
                 section("001122334", encoder()) + section("0011223344G1", encoder()) +
                 section("0011223344b2", decoder()));
    frmMain w(bed.services());
    ASSERT_TRUE(w.startUp());
    // Twelve characters make an element, hexadecimal or not.
    const std::vector<Node> expected{
        {"00:11:22:33:44:A1", "STUDIO ONE [00:11:22:33:44:A1]", 6},
        {"00:11:22:33:44:G1", "STUDIO ONE [00:11:22:33:44:G1]", 6},
        {"00:11:22:33:44:B2", "TRANSMITTER A [00:11:22:33:44:B2]", 7},
    };
    EXPECT_EQ(nodes(w), expected);
    EXPECT_EQ(w.ui().cmbEncoders->count(), 3);
    EXPECT_EQ(w.ui().lstHidden->count(), 6); // every section name of the file
    EXPECT_EQ(w.ui().frmTreeView->title(), "Select element: (3 items)");
    EXPECT_TRUE(bed.messages.shown.empty());
}

TEST(ElementListTest, EmptyAndMissingDatabasesAreReported) {
    struct Case {
        const char* what;
        bool create;
        QByteArray content;
        const char* text;
    };
    const Case cases[] = {
        {"missing",
         false,
         {},
         "Local database is empty.\rPlease click 'Auto Discover' icon to probe the network."},
        {"zero bytes",
         true,
         {},
         "Local database is empty.\rPlease click the 'Auto Discover' icon to probe the network."},
        {"no sections", true, "; nothing\r\n\r\n",
         "Local database is empty.\rPlease click the 'Auto Discover' icon to probe the network."},
    };
    for (const Case& c : cases) {
        TestBed bed;
        if (c.create)
            bed.writeIni(c.content);
        frmMain w(bed.services());
        ASSERT_TRUE(w.startUp()) << c.what;
        ASSERT_EQ(bed.messages.shown.size(), 1u) << c.what;
        const MessageRequest& m = bed.messages.shown[0];
        EXPECT_EQ(m.text.toStdString(), c.text) << c.what;
        EXPECT_EQ(m.title, "Information");
        EXPECT_EQ(m.icon, MsgIcon::Information);
        EXPECT_EQ(m.buttons, MsgButtons::Ok);
        EXPECT_EQ(w.ui().TreeView1->topLevelItemCount(), 0);
        EXPECT_EQ(items(w.ui().cmbEncoders), QStringList{"<None>"});
        EXPECT_EQ(w.ui().lstHidden->count(), 0);
        EXPECT_EQ(w.ui().frmTreeView->title(), "Select element: (0 items)");
    }
}

TEST(ElementListTest, AMissingDatabaseIsReportedBeforeTheWindowShows) {
    TestBed bed;
    frmMain w(bed.services());
    bool visibleDuringMessage = true;
    bed.messages.whileOpen = [&](const MessageRequest&) { visibleDuringMessage = w.isVisible(); };
    ASSERT_TRUE(w.startUp());
    ASSERT_EQ(bed.messages.shown.size(), 1u);
    EXPECT_FALSE(visibleDuringMessage);
    EXPECT_TRUE(w.isVisible());
}

TEST(ElementListTest, ALoadReplacesWhatThePreviousOneShowed) {
    TestBed bed;
    bed.writeIni(kThreeElements);
    frmMain w(bed.services());
    ASSERT_TRUE(w.startUp());
    w.ui().VUMeter->setWidthTwips(1500);

    bed.writeIni(section("00AABBCCDDEE", decoder()));
    w.Load_Config();
    EXPECT_EQ(nodes(w),
              (std::vector<Node>{{"00:AA:BB:CC:DD:EE", "TRANSMITTER A [00:AA:BB:CC:DD:EE]", 7}}));
    EXPECT_EQ(items(w.ui().cmbEncoders), QStringList{"<None>"});
    EXPECT_EQ(items(w.ui().lstHidden), QStringList{"00AABBCCDDEE"});
    EXPECT_EQ(w.ui().VUMeter->widthTwips(), 0);
    EXPECT_EQ(w.ui().frmTreeView->title(), "Select element: (1 items)");

    QFile::remove(bed.iniPath());
    w.Load_Config();
    EXPECT_EQ(w.ui().TreeView1->topLevelItemCount(), 0);
    EXPECT_EQ(w.ui().lstHidden->count(), 0);
    EXPECT_EQ(w.ui().frmTreeView->title(), "Select element: (0 items)");
}

ElementList::Context contextOf(frmMain& w, TestBed& bed) {
    ElementList::Context c;
    c.TreeView1 = w.ui().TreeView1;
    c.cmbEncoders = w.ui().cmbEncoders;
    c.lstHidden = w.ui().lstHidden;
    c.VUMeter = w.ui().VUMeter;
    c.frmTreeView = w.ui().frmTreeView;
    c.ImageList1 = &w.ui().ImageList1;
    c.messages = &bed.messages;
    c.iniPath = bed.iniPath();
    return c;
}

QByteArray manyEncoders(int n) {
    QByteArray db;
    for (int i = 0; i < n; ++i)
        db += section(QByteArray::number(0x001122000000LL + i, 16).rightJustified(12, '0'),
                      encoder());
    return db;
}

TEST(ElementListTest, TheLoadPausesBeforeEachElement) {
    TestBed bed;
    bed.writeIni(kThreeElements + section("NOT A MAC", encoder()));
    frmMain w(bed.services());
    ASSERT_TRUE(w.startUp());
    ElementList::Context c = contextOf(w, bed);
    QStringList seenAtPause;
    c.pause = [&] { seenAtPause.append(QString::number(w.ui().lstHidden->count())); };
    ElementList list(c);
    list.Load_Config();
    EXPECT_EQ(seenAtPause.size(), 4); // one pause per section, the names already listed
    EXPECT_EQ(seenAtPause.first(), "4");
}

TEST(ElementListTest, TimersRunWhileALongListLoads) {
    TestBed bed;
    bed.writeIni(manyEncoders(3000));
    frmMain w(bed.services());
    ASSERT_TRUE(w.startUp());
    int ticksDuringLoad = 0;
    bool loading = false;
    QTimer t;
    t.setInterval(0);
    QObject::connect(&t, &QTimer::timeout, [&] {
        if (loading)
            ++ticksDuringLoad;
    });
    t.start();
    loading = true;
    w.Load_Config();
    loading = false;
    t.stop();
    EXPECT_GE(ticksDuringLoad, 2);
    EXPECT_EQ(w.ui().TreeView1->topLevelItemCount(), 3000);
}

TEST(ElementListTest, ALoadStartedDuringAPauseLeavesNoDuplicates) {
    TestBed bed;
    bed.writeIni(kThreeElements);
    frmMain w(bed.services());
    ASSERT_TRUE(w.startUp());

    // The same controls, with a pause in which (once) the list is loaded again, as a
    // discovery ending or a stored confirmation would do.
    int pauses = 0;
    ElementList* list = nullptr;
    ElementList::Context c = contextOf(w, bed);
    c.pause = [&] {
        if (++pauses == 2)
            list->Load_Config();
    };
    ElementList reentrant(c);
    list = &reentrant;
    reentrant.Load_Config();
    EXPECT_EQ(w.ui().TreeView1->topLevelItemCount(), 3);
    EXPECT_EQ(w.ui().cmbEncoders->count(), 3);
    EXPECT_EQ(w.ui().lstHidden->count(), 3);
    EXPECT_EQ(w.ui().frmTreeView->title(), "Select element: (3 items)");
}

TEST(ElementListTest, TenThousandElementsAreAllListed) {
    TestBed bed;
    QByteArray db;
    for (int i = 0; i < 10000; ++i) {
        const QByteArray name =
            QByteArray::number(0x001122000000LL + i, 16).rightJustified(12, '0').toUpper();
        db += section(name,
                      with(i % 2 ? decoder() : encoder(), {{"NAME", "E" + QByteArray::number(i)}}));
    }
    bed.writeIni(db);
    frmMain w(bed.services());
    ASSERT_TRUE(w.startUp());
    ASSERT_EQ(w.ui().TreeView1->topLevelItemCount(), 10000);
    EXPECT_EQ(w.ui().cmbEncoders->count(), 5001);
    EXPECT_EQ(w.ui().lstHidden->count(), 10000);
    EXPECT_EQ(w.ui().frmTreeView->title(), "Select element: (10000 items)");
    EXPECT_EQ(w.ui().TreeView1->topLevelItem(9999)->text(0), "E9999 [00:11:22:00:27:0F]");
    EXPECT_EQ(w.ui().cmbEncoders->itemText(5000), "E9998 [00:11:22:00:27:0E]");
}

} // namespace
