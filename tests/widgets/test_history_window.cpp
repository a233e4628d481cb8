// The configuration history in the real main window: a history that cannot be used is
// said once and the station goes on; the History window opened with Ctrl+H for the
// selected element; "Load into panel" refused across roles.

#include "ElementDatabase.h"
#include "TestServices.h"

#include "app/frmMain.h"
#include "behaviours/history/ConfigurationHistory.h"
#include "behaviours/history/HistoryCommands.h"
#include "behaviours/history/HistoryPanelLoad.h"
#include "behaviours/history/frmHistory.h"
#include "views/ElementTree.h"
#include "views/MainWindowUi.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using namespace ElementDatabase;

const Keys kEncoder{{"NAME", "STUDIO"}, {"IP", "127.0.0.11"}, {"ROLE", "1"}, {"SN", "11"}};
const Keys kDecoder{{"NAME", "SITE"}, {"IP", "127.0.0.12"}, {"ROLE", "2"}, {"SN", "12"}};

QByteArray database() {
    return section("02540001000B", kEncoder) + section("02540001000C", kDecoder);
}

QStringList historyRows(const MainWindowUi& ui) {
    QStringList rows;
    for (int i = 0; i < ui.lstEvents->topLevelItemCount(); ++i)
        if (ui.lstEvents->topLevelItem(i)->text(1) == ConfigurationHistory::EventElement)
            rows.append(ui.lstEvents->topLevelItem(i)->text(2));
    return rows;
}

void click(ElementTree* tree, int index) {
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualItemRect(tree->topLevelItem(index)).center());
}

TEST(HistoryWindowTest, AHistoryThatCannotBeUsedIsSaidOnceAndTheStationGoesOn) {
    struct Case {
        const char* what;
        std::function<void(const QString& path)> make;
        const char* said;
        int versionsAfter; // -1: no history
    };
    const std::vector<Case> cases{
        {"a named pipe", [](const QString& p) { mkfifo(QFile::encodeName(p).constData(), 0600); },
         "is not a regular file", -1},
        {"a folder", [](const QString& p) { QDir().mkpath(p); }, "is not a regular file", -1},
        {"a damaged file",
         [](const QString& p) {
             QFile f(p);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write(QByteArray(8192, '\x5a'));
         },
         "was damaged: set aside as", 1},
    };
    for (const Case& c : cases) {
        TestBed bed;
        bed.writeIni(database());
        c.make(bed.historyPath());
        frmMain w(bed.services());
        ASSERT_TRUE(w.startUp()) << c.what;
        // Changes keep coming; the failure is not said again for each.
        w.history().recordSection("02540001000B", HistorySource::ConfirmedConfiguration);
        w.history().recordSection("02540001000C", HistorySource::AttenuationStep);
        const QStringList rows = historyRows(w.ui());
        ASSERT_EQ(rows.size(), 1) << c.what << ": " << rows.join(u'|').toStdString();
        EXPECT_TRUE(rows[0].contains(QLatin1String(c.said))) << rows[0].toStdString();
        EXPECT_TRUE(bed.messages.shown.empty()) << c.what;
        click(w.ui().TreeView1, 1);
        EXPECT_EQ(w.ui().txtElementName->text(), "SITE") << c.what;
        HistoryStore* store = w.history().store();
        EXPECT_EQ(store->isOpen() ? int(store->versions("02:54:00:01:00:0C").size()) : -1,
                  c.versionsAfter)
            << c.what;
    }
}

TEST(HistoryWindowTest, CtrlHOpensTheSelectedElementAndRolesMustMatchToLoad) {
    TestBed bed;
    bed.writeIni(database());
    frmMain w(bed.services());
    ASSERT_TRUE(w.startUp());
    w.history().recordSection("02540001000B", HistorySource::ConfirmedConfiguration);
    w.history().recordSection("02540001000C", HistorySource::ConfirmedConfiguration);
    click(w.ui().TreeView1, 0);
    ASSERT_EQ(w.ui().lblElementMAC->text(), "02:54:00:01:00:0B");
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(w.ui().TreeView1, Qt::Key_H, Qt::ControlModifier);
    frmHistory* window = w.historyCommands().window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "History");
    EXPECT_EQ(window->chosenElement(), "02:54:00:01:00:0B");
    ASSERT_EQ(window->versions().size(), 1);

    // The decoder's version onto the selected encoder: nothing loaded, said in the window.
    window->chooseElement("02:54:00:01:00:0C");
    window->ui().cmdLoadIntoPanel->click();
    EXPECT_TRUE(window->ui().lblStatus->text().startsWith("Nothing loaded"))
        << window->ui().lblStatus->text().toStdString();
    EXPECT_EQ(w.historyLoad().markedCount(), 0);
    EXPECT_EQ(w.ui().txtElementName->text(), "STUDIO");
    // Its own version loads, marked until another element is chosen.
    window->chooseElement("02:54:00:01:00:0B");
    w.ui().txtElementName->setText("EDITED");
    window->ui().cmdLoadIntoPanel->click();
    EXPECT_EQ(w.ui().txtElementName->text(), "STUDIO");
    EXPECT_TRUE(w.historyLoad().isMarked(w.ui().txtElementName));
    EXPECT_TRUE(w.ui().txtElementName->font().bold());
    click(w.ui().TreeView1, 1);
    EXPECT_EQ(w.historyLoad().markedCount(), 0);
    EXPECT_FALSE(w.ui().txtElementName->font().bold());
    EXPECT_TRUE(bed.messages.shown.empty()) << bed.messages.texts().join(u'|').toStdString();
}

} // namespace
