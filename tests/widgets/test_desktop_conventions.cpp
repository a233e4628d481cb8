// What desktop users take for granted, on the real main window: the menu bar and what its
// entries follow, the filter above the element tree, the remembered window.

#include "ElementDatabase.h"
#include "TestServices.h"

#include "app/frmMain.h"
#include "behaviours/fleet/FleetTrayIcon.h"
#include "behaviours/shell/ApplicationMenus.h"
#include "behaviours/shell/WindowMemory.h"
#include "core/protocol/ManagementEndpoint.h"
#include "core/shell/WindowLayoutStore.h"
#include "views/ElementTree.h"

#include <QAction>
#include <QDockWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

using namespace ElementDatabase;

QAction* entry(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions()) {
        if (a->text().remove(u'&') == text)
            return a;
    }
    return nullptr;
}

QMenu* menuNamed(QMainWindow& w, const QString& title) {
    for (QAction* a : w.menuBar()->actions()) {
        if (a->text().remove(u'&') == title)
            return a->menu();
    }
    return nullptr;
}

struct MemoryLayoutStore final : WindowLayoutStore {
    Layout load() const override { return stored; }
    bool save(const Layout& layout) override {
        stored = layout;
        return true;
    }
    Layout stored;
};

struct Window {
    TestBed bed;
    std::unique_ptr<frmMain> w;
    explicit Window(const QByteArray& db, WindowLayoutStore* layout = nullptr) {
        bed.writeIni(db);
        Services services = bed.services();
        services.windowLayout = layout;
        w = std::make_unique<frmMain>(services);
        EXPECT_TRUE(w->startUp());
    }
    int shown() const {
        int n = 0;
        for (int i = 0; i < w->ui().TreeView1->topLevelItemCount(); ++i)
            n += w->ui().TreeView1->topLevelItem(i)->isHidden() ? 0 : 1;
        return n;
    }
    void select(int index) {
        ElementTree* tree = w->ui().TreeView1;
        QTreeWidgetItem* node = tree->topLevelItem(index);
        ASSERT_NE(node, nullptr);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(node).center());
    }
};

TEST(Menus, TheElementMenuFollowsThePanelsButtons) {
    Window win(section("0011223344A1", encoder()) +
               section("0011223344B2", with(decoder(), {{"SFN", "1"}})));
    frmMain& w = *win.w;
    QStringList titles;
    for (QAction* a : w.menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles, QStringList({"&File", "&View", "&Element", "&Help"}));
    QMenu* element = menuNamed(w, "Element");
    ASSERT_NE(element, nullptr);
    // The toolbar's own actions, with their keys.
    EXPECT_EQ(entry(element, "Save changes"), w.ui().toolbarButton[Toolbar::SaveChanges]);
    EXPECT_EQ(entry(element, "Save changes")->shortcut(), QKeySequence(QKeySequence::Save));

    struct Case {
        const char* what;
        int select;               // -1: nothing chosen
        bool ping, stats, adjust; // the ping button is never disabled
    };
    for (const Case& c :
         {Case{"nothing chosen", -1, true, false, false}, Case{"an encoder", 0, true, true, false},
          Case{"a decoder in an SFN", 1, true, true, true}}) {
        if (c.select >= 0)
            win.select(c.select);
        for (auto [text, button] :
             {std::pair{"Ping", w.ui().cmdPing}, std::pair{"Statistics...", w.ui().cmdGetStats},
              std::pair{"Adjust...", w.ui().cmdAdjust}}) {
            QAction* a = entry(element, text);
            ASSERT_NE(a, nullptr) << text;
            EXPECT_EQ(a->isEnabled(), button->isEnabled() && !button->isHidden())
                << c.what << ": " << text;
        }
        EXPECT_EQ(entry(element, "Ping")->isEnabled(), c.ping) << c.what;
        EXPECT_EQ(entry(element, "Statistics...")->isEnabled(), c.stats) << c.what;
        EXPECT_EQ(entry(element, "Adjust...")->isEnabled(), c.adjust) << c.what;
    }
}

TEST(Menus, ViewShowsTheDocksAndSetsTheFleetInterval) {
    Window win(section("0011223344A1", encoder()));
    frmMain& w = *win.w;
    QMenu* view = menuNamed(w, "View");
    ASSERT_NE(view, nullptr);
    QAction* events = entry(view, "Events");
    ASSERT_NE(events, nullptr);
    events->trigger();
    EXPECT_FALSE(w.ui().dockEvents->isVisible());
    events->trigger();
    EXPECT_TRUE(w.ui().dockEvents->isVisible());
    ASSERT_NE(entry(view, "Toolbar"), nullptr);
    entry(view, "Toolbar")->trigger();
    EXPECT_FALSE(w.ui().Toolbar1->isVisible());

    // A dock added later joins the docks, before the interval.
    auto* dock = new QDockWidget(QStringLiteral("Later dock"), &w);
    w.menus().addViewToggle(dock);
    const QList<QAction*> order = view->actions();
    EXPECT_EQ(order.indexOf(entry(view, "Later dock")), order.indexOf(entry(view, "Audio watch")) + 1);

    QMenu* interval = entry(view, "Fleet check interval")->menu();
    ASSERT_NE(interval, nullptr);
    entry(interval, "30 s")->trigger();
    EXPECT_EQ(w.ui().spnFleetInterval->value(), 30);
    EXPECT_EQ(win.bed.settings.values.value("FleetCheckInterval"), "30");
    entry(interval, "Off")->trigger();
    EXPECT_EQ(win.bed.settings.values.value("FleetCheckInterval"), "0");
    w.ui().spnFleetInterval->setValue(45);
    for (QAction* a : interval->actions())
        EXPECT_FALSE(a->isChecked()) << a->text().toStdString();
}

TEST(Menus, QuitClosesTheWindowAndAboutNamesTheVersion) {
    Window win(section("0011223344A1", encoder()));
    frmMain& w = *win.w;
    EXPECT_TRUE(ApplicationMenus::aboutText().contains("Tessovar NMS 4.5.0"));
    QAction* quit = entry(menuNamed(w, "File"), "Quit");
    ASSERT_NE(quit, nullptr);
    EXPECT_EQ(quit->shortcut(), QKeySequence(QKeySequence::Quit));
    quit->trigger();
    EXPECT_TRUE(waitFor([&] { return !w.isVisible(); }));
    EXPECT_FALSE(w.endpoint().isOpen());
}

TEST(Filter, ShowsWhatMatchesAmongAThousandAndTheCaptionCountsAll) {
    QByteArray db;
    for (int n = 0; n < 1000; ++n)
        db +=
            section(QByteArray::number(0x002200000000LL + n, 16).toUpper().rightJustified(12, '0'),
                    {{"NAME", QStringLiteral("SITE %1").arg(n, 4, 10, QChar(u'0')).toLatin1()},
                     {"IP", QStringLiteral("127.1.%1.%2").arg(n / 250).arg(n % 250 + 1).toLatin1()},
                     {"ROLE", "2"}});
    Window win(db);
    QLineEdit* filter = win.w->ui().txtFilter;
    struct Case {
        const char* typed;
        int shown;
    };
    for (const Case& c :
         {Case{"site 09", 100}, Case{"127.1.3.250", 1}, Case{"00:22:00:00:03:E7", 1},
          Case{"nothing like it", 0}, Case{"", 1000}}) {
        filter->clear();
        QTest::keyClicks(filter, QString::fromLatin1(c.typed));
        EXPECT_EQ(win.shown(), c.shown) << c.typed;
        EXPECT_EQ(win.w->ui().frmTreeView->title(), "Select element: (1000 items)") << c.typed;
    }
    // A list loaded again is filtered at once; Esc shows it all.
    QTest::keyClicks(filter, "site 0999");
    win.w->Refresh_List();
    EXPECT_EQ(win.shown(), 1);
    QTest::keyClick(filter, Qt::Key_Escape);
    EXPECT_EQ(filter->text(), "");
    EXPECT_EQ(win.shown(), 1000);
}

TEST(WindowMemory, TheWindowComesBackWhereItWasLeft) {
    MemoryLayoutStore store;
    const QByteArray db = section("0011223344A1", encoder());
    QRect left;
    {
        Window first(db, &store);
        first.w->setGeometry(60, 50, 820, 600);
        first.w->ui().dockEvents->close();
        left = first.w->geometry();
        first.w->close();
    }
    ASSERT_FALSE(store.stored.geometry.isEmpty());
    Window again(db, &store);
    EXPECT_EQ(again.w->geometry(), left);
    EXPECT_FALSE(again.w->ui().dockEvents->isVisible());

    // A frame left on a screen that is gone comes back on the nearest one that exists.
    const QList<QRect> screens{QRect(0, 0, 1280, 800)};
    struct Case {
        QRect frame, placed;
    };
    for (const Case& c : {Case{{100, 100, 800, 600}, {100, 100, 800, 600}},
                          Case{{1400, 100, 800, 600}, {240, 100, 800, 600}},
                          Case{{-3000, -3000, 1900, 1200}, {0, 0, 1280, 800}},
                          Case{{900, 100, 800, 600}, {240, 100, 800, 600}}})
        EXPECT_EQ(WindowMemory::onExistingScreen(c.frame, screens), c.placed) << c.frame.x();
}

TEST(TrayIcon, ShowsTheFleetsState) {
    Window win(section("0011223344A1", encoder()));
    FleetSchedule::Counts c;
    c.elements = 3;
    c.answering = 3;
    EXPECT_EQ(FleetTrayIcon::stateOf(c, true), NodeMark::Answering);
    EXPECT_EQ(FleetTrayIcon::stateOf(c, false), NodeMark::NotChecked);
    c.answering = 2;
    c.notAnswering = 1;
    EXPECT_EQ(FleetTrayIcon::stateOf(c, true), NodeMark::NotAnswering);
    c = {};
    EXPECT_EQ(FleetTrayIcon::stateOf(c, true), NodeMark::NotChecked);
    // Its tool tip gives the status line as it changes.
    win.w->ui().spnFleetInterval->setValue(FleetInterval::Off);
    EXPECT_TRUE(win.w->trayIcon().toolTip().endsWith(win.w->ui().lblFleetStatus->text()));
    EXPECT_TRUE(win.w->trayIcon().toolTip().endsWith("fleet check off"));
}

TEST(CommandLine, HelpAndVersionPrintWithoutAWindow) {
    struct Case {
        QStringList args;
        QString starts;
    };
    for (const Case& c : {Case{{"--version"}, "tessovar-nms 4.5.0\n"},
                          Case{{"--help"}, "Usage: tessovar-nms [options] [GPS|LL]\n"}}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("QT_QPA_PLATFORM"); // a window would need a display
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("TESSOVAR_NMS_BIN"), c.args);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_TRUE(QString::fromLocal8Bit(p.readAllStandardOutput()).startsWith(c.starts))
            << c.args.join(u' ').toStdString();
    }
}

} // namespace
