// Editing the properties panel of the real main window, and the live attenuation sent
// to a decoder (received by a socket standing in for the element, in the test's own
// network namespace).

#include "ElementDatabase.h"
#include "TestServices.h"

#include "app/frmMain.h"
#include "behaviours/editor/AttenuationControl.h"
#include "behaviours/editor/ElementPanel.h"
#include "behaviours/editor/FieldEditor.h"
#include "core/database/IniStore.h"
#include "core/protocol/ManagementEndpoint.h"
#include "views/ElementTree.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHostAddress>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace {

using namespace ElementDatabase;

struct Window {
    TestBed bed;
    std::unique_ptr<frmMain> w;
    explicit Window(const QByteArray& db) {
        bed.writeIni(db);
        w = std::make_unique<frmMain>(bed.services());
        EXPECT_TRUE(w->startUp());
    }
    MainWindowUi& ui() { return w->ui(); }
    void select(int index) { w->panel().NodeClick(ui().TreeView1->topLevelItem(index)); }
    QString stored(const char* key) {
        return IniStore::ReadFromINI(QStringLiteral("0011223344B2"), QString::fromLatin1(key),
                                     bed.iniPath(), QStringLiteral("<absent>"));
    }
};

QColor base(const QLineEdit* e) {
    return e->palette().color(QPalette::Base);
}

// Types text as key presses that carry the characters (also those beyond ASCII).
void typeText(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

TEST(FieldEditingTest, AddressFieldsAreColouredWhileInvalid) {
    Window win(section("0011223344A1", encoder()));
    win.select(0);
    MainWindowUi& u = win.ui();
    const QColor normal = base(u.txtElementMask);
    ASSERT_NE(normal, QColor(255, 128, 128));
    for (QLineEdit* e : {u.txtElementIP, u.txtElementMask, u.txtElementGW, u.txtRemoteIP}) {
        e->clear();
        QTest::keyClicks(e, QStringLiteral("10.0.0"));
        EXPECT_EQ(base(e), QColor(255, 128, 128)) << e->objectName().toStdString();
        QTest::keyClick(e, Qt::Key_Period);
        EXPECT_EQ(e->text(), "10.0.0.");
        EXPECT_EQ(base(e), QColor(255, 128, 128)) << e->objectName().toStdString();
        QTest::keyClick(e, Qt::Key_1);
        EXPECT_EQ(e->text(), "10.0.0.1");
        EXPECT_EQ(base(e), normal) << e->objectName().toStdString();
        QTest::keyClicks(e, QStringLiteral("999"));
        EXPECT_EQ(base(e), QColor(255, 128, 128)) << e->objectName().toStdString();
        e->clear();
        EXPECT_EQ(base(e), normal) << e->objectName().toStdString();
    }
}

TEST(FieldEditingTest, EmptyingTheAddressDisablesStatistics) {
    Window win(section("0011223344A1", encoder()));
    MainWindowUi& u = win.ui();
    QTest::keyClicks(u.txtElementIP, QStringLiteral("1.2.3.4"));
    EXPECT_FALSE(u.cmdGetStats->isEnabled()); // nothing is shown yet
    u.txtElementIP->clear();
    win.select(0);
    ASSERT_TRUE(u.cmdGetStats->isEnabled());
    u.txtElementIP->selectAll();
    QTest::keyClick(u.txtElementIP, Qt::Key_Delete);
    EXPECT_TRUE(u.txtElementIP->text().isEmpty());
    EXPECT_FALSE(u.cmdGetStats->isEnabled());
    QTest::keyClicks(u.txtElementIP, QStringLiteral("127.0.0.2"));
    EXPECT_TRUE(u.cmdGetStats->isEnabled());
}

TEST(FieldEditingTest, TheNameIsUpperCasedOnLeavingAndKeepsToTheCodePage) {
    Window win(section("0011223344A1", encoder()));
    win.select(0);
    MainWindowUi& u = win.ui();
    win.w->activateWindow();
    u.txtElementName->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return u.txtElementName->hasFocus(); }));
    // Entering the field selects its whole content, so typing replaces it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return u.txtElementName->selectedText() == "STUDIO ONE"; }));
    typeText(u.txtElementName, QString::fromUtf8("café €ß long name here"));
    EXPECT_EQ(u.txtElementName->text(), QString::fromUtf8("café ß long name")); // 16, no euro sign
    u.txtElementIP->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return u.txtElementIP->hasFocus(); }));
    EXPECT_EQ(u.txtElementName->text(), QString::fromUtf8("CAFÉ ß LONG NAME"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return u.txtElementIP->selectedText() == "127.0.0.2"; }));
}

TEST(FieldEditingTest, TransmissionTypeReloadsTheRemoteAddress) {
    Window win(section("0011223344A1", with(encoder(), {{"MULTI", "239.4.4.4"}})) +
               section("0011223344A2", with(encoder(), {{"REMOTE", kAbsent}})) +
               section("0011223344B2", decoder()));
    MainWindowUi& u = win.ui();
    win.select(0);
    u.txtRemoteIP->setText(QStringLiteral("127.9.9.9")); // an unsaved edit
    u.cmbAudioTX->setCurrentIndex(1);
    win.w->fieldEditor().cmbAudioTX_Click();
    EXPECT_EQ(u.Label7->text(), "Multicast IP:");
    EXPECT_EQ(u.txtRemoteIP->text(), "239.4.4.4");
    // Choosing from the list as the operator does.
    u.cmbAudioTX->setCurrentIndex(0);
    Q_EMIT u.cmbAudioTX->activated(0);
    EXPECT_EQ(u.Label7->text(), "Decoder IP:");
    EXPECT_EQ(u.txtRemoteIP->text(), "127.0.0.3");

    win.select(1); // no "remote" nor "multi" stored
    u.cmbAudioTX->setCurrentIndex(1);
    Q_EMIT u.cmbAudioTX->activated(1);
    EXPECT_EQ(u.txtRemoteIP->text(), "239.255.255.239");
    u.cmbAudioTX->setCurrentIndex(0);
    Q_EMIT u.cmbAudioTX->activated(0);
    EXPECT_EQ(u.txtRemoteIP->text(), "192.168.1.91");

    win.select(2); // a decoder: the list changes nothing
    u.cmbAudioTX->setCurrentIndex(0);
    Q_EMIT u.cmbAudioTX->activated(0);
    EXPECT_EQ(u.Label7->text(), "Multicast IP:");
    EXPECT_EQ(u.txtRemoteIP->text(), "239.1.2.3");
}

TEST(FieldEditingTest, RoutingLowLatencyAndTheMeterInterval) {
    Window win(section("0011223344B2", decoder()));
    win.select(0);
    MainWindowUi& u = win.ui();
    u.cmbSilDetMode->setCurrentIndex(1);
    EXPECT_FALSE(u.scrlSilDetLevel->isEnabled());
    EXPECT_FALSE(u.lblTimeout->isEnabled());
    u.cmbSilDetMode->setCurrentIndex(2);
    EXPECT_FALSE(u.scrlSilDetTime->isEnabled());
    u.cmbSilDetMode->setCurrentIndex(0);
    EXPECT_TRUE(u.scrlSilDetLevel->isEnabled());
    EXPECT_TRUE(u.lblSilDetTime->isEnabled());

    ASSERT_EQ(u.lblLatency->text(), "15mS");
    u.chkLowLatency->click();
    EXPECT_TRUE(win.w->LowLatencyOn);
    EXPECT_EQ(u.lblLatency->text(), "7.5mS");
    u.chkLowLatency->click();
    EXPECT_FALSE(win.w->LowLatencyOn);
    EXPECT_EQ(u.lblLatency->text(), "15mS");
    // The text follows the SFN tick at once; cmdAdjust follows the stored state.
    u.chkSFNEnabled->click();
    EXPECT_EQ(u.lblLatency->text(), "12.5mS");
    EXPECT_FALSE(u.cmdAdjust->isEnabled());
    u.chkSFNEnabled->click();
    EXPECT_EQ(u.lblLatency->text(), "15mS");

    EXPECT_EQ(win.w->tmrVolume.interval(), 50);
    EXPECT_FALSE(win.w->tmrVolume.isActive());
    u.Slider1->setValue(200);
    EXPECT_EQ(win.w->tmrVolume.interval(), 200);
}

TEST(FieldEditingTest, ScrollBarsShowTheirTexts) {
    Window win(section("0011223344B2", decoder()));
    win.select(0);
    MainWindowUi& u = win.ui();
    struct Case {
        QScrollBar* bar;
        int value;
        QLabel* label;
        const char* text;
    };
    const Case cases[] = {
        {u.scrlAtten, 14, u.lblAttenDB, "Mute"},
        {u.scrlAtten, 15, u.lblAttenDB, "-120 dB"},
        {u.scrlAtten, 254, u.lblAttenDB, "-0.5 dB"},
        {u.scrlBuffer, 0, u.lblLatency, "5mS"},
        {u.scrlBuffer, 22, u.lblLatency, "60mS"},
        {u.scrlSilDetLevel, 154, u.lblSilDetLevel, "-6dBu"},
        {u.scrlSilDetTime, 220, u.lblSilDetTime, "100.1Sec"},
    };
    for (const Case& c : cases) {
        c.bar->setValue(c.value);
        EXPECT_EQ(c.label->text().toStdString(), c.text)
            << c.bar->objectName().toStdString() << " " << c.value;
    }
    EXPECT_EQ(u.scrlAtten->minimum(), 14);
    EXPECT_EQ(u.scrlAtten->maximum(), 255);
    EXPECT_EQ(u.scrlSilDetLevel->minimum(), 1);
    EXPECT_EQ(u.scrlSilDetLevel->maximum(), 154);
    EXPECT_EQ(u.scrlSilDetTime->minimum(), 1);
    EXPECT_EQ(u.scrlSilDetTime->maximum(), 220);
    for (QScrollBar* b : {u.scrlAtten, u.scrlBuffer, u.scrlSilDetLevel, u.scrlSilDetTime}) {
        EXPECT_EQ(b->singleStep(), 1);
        EXPECT_EQ(b->pageStep(), 10);
    }
}

// The element's short-command port, on the element's stored address.
struct ElementPort {
    QUdpSocket socket;
    QList<QNetworkDatagram> got;
    explicit ElementPort(const char* address) {
        EXPECT_TRUE(socket.bind(QHostAddress(QString::fromLatin1(address)), 2977))
            << socket.errorString().toStdString();
        QObject::connect(&socket, &QUdpSocket::readyRead, [this] {
            while (socket.hasPendingDatagrams())
                got.append(socket.receiveDatagram());
        });
    }
    // Lets datagrams on their way arrive, then returns what came.
    QList<QByteArray> settle() {
        QTest::qWait(100);
        QList<QByteArray> out;
        for (const auto& d : got)
            out.append(d.data());
        got.clear();
        return out;
    }
};

QPoint addArrow(QScrollBar* bar) {
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.subControls = QStyle::SC_All;
    opt.orientation = bar->orientation();
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = bar->sliderPosition();
    opt.sliderValue = bar->value();
    opt.singleStep = bar->singleStep();
    opt.pageStep = bar->pageStep();
    return bar->style()
        ->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarAddLine, bar)
        .center();
}

TEST(AttenuationTest, TheOperatorsStepsReachTheDecoder) {
    // The stored address differs from the edited field: the stored one is used.
    Window win(section("0011223344B2", with(decoder(), {{"IP", "127.0.0.1"}, {"ATT", "100"}})));
    ElementPort element("127.0.0.1");
    win.select(0);
    MainWindowUi& u = win.ui();
    u.txtElementIP->setText(QStringLiteral("127.0.0.5"));
    EXPECT_TRUE(element.settle().isEmpty()); // a selection sends nothing

    // An arrow click with the mouse.
    QTest::mouseClick(u.scrlAtten, Qt::LeftButton, {}, addArrow(u.scrlAtten));
    EXPECT_EQ(u.scrlAtten->value(), 101);
    EXPECT_EQ(element.settle(), (QList<QByteArray>{QByteArray("\x65\x00", 2)}));
    EXPECT_EQ(win.stored("att"), "101");
    EXPECT_EQ(u.lblAttenDB->text(), "-77 dB");

    // Keys: every step sends one command.
    QTest::keyClick(u.scrlAtten, Qt::Key_Left);
    QTest::keyClick(u.scrlAtten, Qt::Key_Left);
    QTest::keyClick(u.scrlAtten, Qt::Key_PageUp); // a page towards the end
    QTest::keyClick(u.scrlAtten, Qt::Key_Home);
    EXPECT_EQ(element.settle(),
              (QList<QByteArray>{QByteArray("\x64\x00", 2), QByteArray("\x63\x00", 2),
                                 QByteArray("\x6D\x00", 2), QByteArray("\x0E\x00", 2)}));
    EXPECT_EQ(u.lblAttenDB->text(), "Mute");
    EXPECT_EQ(win.stored("att"), "14");
    QTest::keyClick(u.scrlAtten, Qt::Key_Left); // already at the minimum: no step, nothing sent
    EXPECT_TRUE(element.settle().isEmpty());

    // A drag: the text follows the handle, the release sends once.
    u.scrlAtten->setSliderDown(true);
    u.scrlAtten->setSliderPosition(150);
    u.scrlAtten->setSliderPosition(255);
    EXPECT_EQ(u.lblAttenDB->text(), "0 dB");
    EXPECT_TRUE(element.settle().isEmpty());
    u.scrlAtten->setSliderDown(false);
    EXPECT_EQ(element.settle(), (QList<QByteArray>{QByteArray("\xFF\x00", 2)}));
    EXPECT_EQ(win.stored("att"), "255");

    // Values set by the program never send.
    u.scrlAtten->setValue(30);
    win.w->panel().setBarValue(u.scrlAtten, 40);
    win.select(0);
    EXPECT_TRUE(element.settle().isEmpty());
    EXPECT_EQ(win.stored("att"), "255");
    EXPECT_TRUE(win.bed.messages.shown.empty());
    // The endpoint is bound again on port 2976 after each send.
    EXPECT_TRUE(win.w->endpoint().isOpen());
    EXPECT_EQ(win.w->endpoint().localPort(), 2976);
}

// Picks `caption` from the bar's context menu, opened at the bar's centre.
void pickFromContextMenu(QScrollBar* bar, const QString& caption) {
    QTimer::singleShot(0, [caption] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        for (QAction* a : menu->actions())
            menu->setActiveAction(a->text() == caption ? a : menu->activeAction());
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, bar->rect().center(),
                            bar->mapToGlobal(bar->rect().center()));
    QCoreApplication::sendEvent(bar, &event);
}

TEST(AttenuationTest, TheContextMenuSendsAndStoresLikeEveryOperatorStep) {
    Window win(section("0011223344B2", with(decoder(), {{"IP", "127.0.0.1"}, {"ATT", "100"}})));
    ElementPort element("127.0.0.1");
    win.select(0);
    QScrollBar* bar = win.ui().scrlAtten;
    for (const char* caption : {"Right edge", "Scroll here", "Left edge"}) {
        const int before = bar->value();
        pickFromContextMenu(bar, QString::fromLatin1(caption));
        QByteArray command(2, '\0'); // the value, then 0
        command[0] = char(bar->value());
        EXPECT_NE(bar->value(), before) << caption;
        EXPECT_EQ(element.settle(), QList<QByteArray>{command}) << caption;
        EXPECT_EQ(win.stored("att"), QString::number(bar->value())) << caption;
    }
}

TEST(AttenuationTest, NothingIsSentForOtherRoles) {
    Window win(section("0011223344A1", with(encoder(), {{"IP", "127.0.0.1"}})) +
               section("0011223344C3", with(decoder(), {{"IP", "127.0.0.1"}, {"ROLE", "0"}})));
    ElementPort element("127.0.0.1");
    MainWindowUi& u = win.ui();
    for (int node : {0, 1}) {
        win.select(node);
        u.scrlAtten->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        u.scrlAtten->triggerAction(QAbstractSlider::SliderPageStepAdd);
    }
    EXPECT_TRUE(element.settle().isEmpty());
}

// Without a usable stored address nothing is sent or stored: told once for the run of
// steps, the bar back at the stored value.
TEST(AttenuationTest, AStoredAddressThatIsNoAddressIsToldOnceAndTheBarGoesBack) {
    Window win(section("0011223344B2", with(decoder(), {{"IP", kAbsent}, {"ATT", "100"}})));
    win.select(0);
    for (int step = 0; step < 3; ++step)
        win.ui().scrlAtten->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(win.ui().scrlAtten->value(), 100);
    EXPECT_EQ(win.ui().lblAttenDB->text(), "-77.5 dB");
    EXPECT_EQ(win.bed.messages.texts(),
              QStringList{"Unable to reach the element on UDP port 2977: no address is stored for this element."});
    EXPECT_FALSE(win.bed.programEnd.ended);
    EXPECT_EQ(win.stored("att"), "100");
}

TEST(AttenuationTest, AValueThatCannotBeStoredIsToldOnceForARunOfSteps) {
    Window win(section("0011223344B2", with(decoder(), {{"IP", "127.0.0.1"}, {"ATT", "100"}})));
    win.select(0);
    const QString ini = win.bed.iniPath();
    QFile::setPermissions(ini, QFile::ReadOwner); // the database turns read-only
    for (int step = 0; step < 3; ++step)
        win.ui().scrlAtten->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner);
    win.ui().scrlAtten->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(win.bed.messages.texts().join(u'|').toStdString(),
              ("The attenuation could not be saved in the local database:\r\"" + ini +
               "\" is read-only, so it was left as it is.").toStdString());
    EXPECT_EQ(win.stored("att"), "104");
}

TEST(AttenuationTest, APortThatCannotBeBoundEndsWithMessage103) {
    Window win(section("0011223344B2", with(decoder(), {{"IP", "127.0.0.1"}, {"ATT", "100"}})));
    win.select(0);
    win.w->endpoint().close();
    QUdpSocket squatter;
    ASSERT_TRUE(squatter.bind(QHostAddress(QStringLiteral("127.0.0.1")), 2976,
                              QAbstractSocket::DontShareAddress))
        << squatter.errorString().toStdString();
    win.ui().scrlAtten->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ASSERT_EQ(win.bed.messages.shown.size(), 1u);
    const MessageRequest& m = win.bed.messages.shown[0];
    EXPECT_TRUE(m.text.startsWith(QStringLiteral("103 - Unable to use UDP port 2976: ")))
        << m.text.toStdString();
    EXPECT_GT(m.text.size(), 36);
    EXPECT_EQ(m.icon, MsgIcon::Critical);
    EXPECT_TRUE(win.bed.programEnd.ended);
    EXPECT_EQ(win.stored("att"), "100");
}

} // namespace
