// The configuration history end to end, over real veth links: three elements discovered,
// one renamed and confirmed, another stopped and discovery run again; the stopped one is
// reported in the "Events" dock and kept in the history, and a replacement unit (another
// MAC, the same role) gets its configuration through "Load into panel" and "Save
// changes", confirmed by its feedback record.

#include "LabWindowTest.h"

#include "core/database/IniStore.h"

#include "behaviours/history/ConfigurationHistory.h"
#include "behaviours/history/HistoryCommands.h"
#include "behaviours/history/HistoryPanelLoad.h"
#include "behaviours/history/frmHistory.h"
#include "views/ElementTree.h"
#include "views/MainWindowUi.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

const QString kConfirmed =
    QStringLiteral("New configuration has been sucessfuly saved and loaded!");

class LabHistoryTest : public LabWindowTest {
protected:
    static void SetUpTestSuite() {
        upLab({
            QStringLiteral(
                "--role encoder --name \"Studio 1\" --tx 0 --remote 10.77.0.12 --serial 1001"),
            QStringLiteral(
                "--role decoder --name \"TX SITE 1\" --remote 239.77.0.1 --serial 2001 --input 0 "
                "--type 1 --tx 1 --sfn 1 --buffer 6 --att 180 --sdm 2 --sdl 40 --sdt 50 --llo 1"),
            QStringLiteral(
                "--role encoder --name \"Studio 3\" --tx 1 --remote 239.77.0.1 --serial 1003"),
            // The replacement for element 2: off the network until it is installed.
            QStringLiteral("--role decoder --name \"SPARE\" --serial 2004"),
        });
        link(4, "down");
    }
    static void link(int k, const char* state) {
        lab_->ipIn(lab_->elementNamespace(k), {"link", "set", "eth0", QLatin1String(state)});
    }
    bool confirmedAfter(qsizetype shownBefore) {
        return waitFor(
            [&] {
                for (size_t i = size_t(shownBefore); i < bed.messages.shown.size(); ++i)
                    if (bed.messages.shown[i].text == kConfirmed)
                        return true;
                return false;
            },
            8000);
    }
};

TEST_F(LabHistoryTest, StoppedElementIsKeptAndItsConfigurationGoesOntoItsReplacement) {
    discover();
    ASSERT_EQ(w->ui().TreeView1->topLevelItemCount(), 3);
    ASSERT_TRUE(select(1));
    w->ui().txtElementName->setText("on air");
    save();
    ASSERT_TRUE(confirmedAfter(0)) << bed.messages.texts().join(u'|').toStdString();
    HistoryStore& store = *w->history().store();
    const QList<HistoryVersion> one = store.versions(Lab::elementMac(1));
    ASSERT_EQ(one.size(), 2);
    EXPECT_EQ(one[0].source, "confirmed configuration");
    EXPECT_EQ(one[0].value("NAME").trimmed(), "ON AIR");
    // The confirmation also stores the values the panel does not edit, brought into its
    // ranges: those may differ from the discovery answer's too.
    EXPECT_TRUE(one[0].changed.contains("NAME")) << one[0].changed.join(u',').toStdString();
    EXPECT_FALSE(one[0].changed.contains("IP"));
    EXPECT_EQ(one[1].source, "discovery answer");

    // Element 2 stops; its replacement is installed; the operator discovers again.
    link(2, "down");
    link(4, "up");
    const int eventsBefore = w->ui().lstEvents->topLevelItemCount();
    discover();
    ASSERT_EQ(IniStore::GetSectionKeyCount(sectionOf(2), bed.iniPath()), 0);
    QStringList events;
    for (int i = eventsBefore; i < w->ui().lstEvents->topLevelItemCount(); ++i)
        events.append(w->ui().lstEvents->topLevelItem(i)->text(1) + u'|' +
                      w->ui().lstEvents->topLevelItem(i)->text(2));
    EXPECT_EQ(
        events.filter(ConfigurationHistory::NotAnswered),
        QStringList{"TX SITE 1 [" + Lab::elementMac(2) + "]|" + ConfigurationHistory::NotAnswered})
        << events.join(u'\n').toStdString();
    ASSERT_FALSE(store.versions(Lab::elementMac(2)).isEmpty());

    // The replacement is chosen in the main window; the stopped unit's newest version is
    // loaded into its panel from the History window.
    ASSERT_TRUE(select(4));
    // The attenuation goes to an element only when the operator moves the bar (its own
    // command), never with the configuration: the unit keeps and reports its own.
    const QString ownAtt = stored(4, "att");
    w->historyCommands().open(Lab::elementMac(2));
    frmHistory* window = w->historyCommands().window();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->chosenElement(), Lab::elementMac(2));
    QTreeWidget* elements = window->ui().lstElements;
    const auto stopped =
        elements->findItems(Lab::elementMac(2), Qt::MatchExactly, HistoryColumns::ElementMac);
    ASSERT_EQ(stopped.size(), 1);
    EXPECT_EQ(stopped[0]->text(HistoryColumns::ElementInDatabase), "no: kept in the history only");
    window->ui().cmdLoadIntoPanel->click();
    const MainWindowUi& u = w->ui();
    EXPECT_EQ(u.lblElementMAC->text(), Lab::elementMac(4)); // identity stays the unit's own
    EXPECT_EQ(u.lblSerialNumber->text(), "2004");
    EXPECT_EQ(u.txtElementName->text(), "TX SITE 1");
    EXPECT_EQ(u.txtElementIP->text(), Lab::elementIp(2));
    EXPECT_EQ(u.scrlAtten->value(), 180);
    EXPECT_EQ(u.scrlBuffer->value(), 6);
    EXPECT_TRUE(u.chkSFNEnabled->isChecked());
    EXPECT_TRUE(w->historyLoad().isMarked(u.txtElementName));
    EXPECT_TRUE(u.txtElementName->accessibleDescription().contains(HistoryPanelLoad::Mark));
    EXPECT_EQ(logged("e4 RECV 2977"), 0); // loading sends nothing, not even the attenuation

    // The kernel still knows element 2's MAC for that address; the unit answers from it now.
    lab_->ipIn(lab_->nmsNamespace(), {"neigh", "flush", "all"});
    const size_t shown = bed.messages.shown.size();
    save();
    ASSERT_TRUE(confirmedAfter(qsizetype(shown))) << bed.messages.texts().join(u'|').toStdString();
    EXPECT_EQ(stored(4, "name"), "TX SITE 1");
    EXPECT_EQ(stored(4, "ip"), Lab::elementIp(2));
    EXPECT_EQ(stored(4, "att"), ownAtt);
    EXPECT_EQ(stored(4, "sdm"), "2");
    EXPECT_EQ(stored(4, "sn"), "2004");
    EXPECT_EQ(w->historyLoad().markedCount(), 0);
    EXPECT_EQ(store.versions(Lab::elementMac(4)).first().source, "confirmed configuration");
}

} // namespace
