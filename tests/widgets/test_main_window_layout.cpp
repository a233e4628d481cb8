// The main window as the operator sees it: captions, tool tips, lengths, the initial
// state, accessible names, tab order and nothing clipped.  Runs at 100% and, a second
// time, at 200% screen scaling (QT_SCALE_FACTOR=2).

#include "ElementDatabase.h"
#include "Spoken.h"
#include "TestServices.h"

#include "app/frmMain.h"
#include "behaviours/editor/ElementPanel.h"
#include "views/ElementTree.h"
#include "views/LevelBar.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

using namespace ElementDatabase;

struct Window {
    TestBed bed;
    std::unique_ptr<frmMain> w;
    Window() {
        bed.writeIni(section("0011223344A1", encoder()) + section("0011223344B2", decoder()));
        w = std::make_unique<frmMain>(bed.services());
    }
    MainWindowUi& ui() { return w->ui(); }
};

QLabel* labelWithText(QWidget* root, const QString& text) {
    for (QLabel* l : root->findChildren<QLabel*>()) {
        if (l->text() == text)
            return l;
    }
    return nullptr;
}

TEST(MainWindowLayoutTest, CaptionsToolTipsAndLengths) {
    Window win;
    MainWindowUi& u = win.ui();
    EXPECT_EQ(u.frmTreeView->title(), "Elements"); // until the first load
    ASSERT_TRUE(win.w->startUp());
    EXPECT_EQ(u.frmProperties->title(), "Element properties:");
    EXPECT_EQ(u.frmDiagnostics->title(), "Diagnostics:");

    // Each caption, and the control it names (by its accessible name).
    struct Caption {
        const char* text;
        QWidget* control;
        const char* accessible;
    };
    const Caption captions[] = {
        {"Device type:", u.lblElementType, "Device type"},
        {"MAC address:", u.lblElementMAC, "MAC address"},
        {"DSP version:", u.lblVersion, "DSP version"},
        {"Serial number:", u.lblSerialNumber, "Serial number"},
        {"Device name:", u.txtElementName, "Device name"},
        {"Device IP:", u.txtElementIP, "Device IP"},
        {"Gateway IP:", u.txtElementGW, "Gateway IP"},
        {"Network mask:", u.txtElementMask, "Network mask"},
        {"NMS interface:", u.cmbNMSIPAddr, "NMS interface"},
        {"VLAN O&&M:", u.txtVLAN_OM, "VLAN O&M"},
        {"Audio:", u.txtVLAN_Audio, "Audio"},
        {"Audio type:", u.cmbAudioType, "Audio type"},
        {"Audio source:", u.cmbAudioInput, "Audio source"},
        {"TX type:", u.cmbAudioTX, "TX type"},
        {"Decoder IP:", u.txtRemoteIP, "Decoder IP"},
        {"SFN option:", u.chkSFNEnabled, "SFN option"},
        {"Buffer size:", u.scrlBuffer, "Buffer size"},
        {"Audio routing:", u.cmbSilDetMode, "Audio routing"},
        {"Threshold:", u.scrlSilDetLevel, "Threshold"},
        {"Timeout:", u.scrlSilDetTime, "Timeout"},
        {"Low latency:", u.chkLowLatency, "Low latency"},
        {"Ping:", u.cmdPing, "Ping"},
        {"Statistics:", u.cmdGetStats, "Statistics"},
        {"Level refresh:", u.Slider1, "Level refresh"},
    };
    for (const Caption& c : captions) {
        QLabel* l = labelWithText(win.w.get(), QString::fromLatin1(c.text));
        ASSERT_NE(l, nullptr) << c.text;
        EXPECT_TRUE(l->isVisible()) << c.text;
        // Read with this caption: as its name, or tied to it (a value; on Linux a list's
        // name is its current item).
        EXPECT_EQ(spokenCaption(c.control).toStdString(), c.accessible) << c.text;
        if (!qobject_cast<QLabel*>(c.control) && !qobject_cast<QComboBox*>(c.control) && c.control != u.cmdPing) {
            EXPECT_EQ(spokenName(c.control).toStdString(), c.accessible) << c.text;
        }
        if (c.control->focusPolicy() != Qt::NoFocus) {
            EXPECT_EQ(l->buddy(), c.control) << c.text;
        }
    }
    ASSERT_NE(labelWithText(win.w.get(), QStringLiteral("Audio level:")), nullptr);

    struct Tip {
        QWidget* w;
        const char* tip;
    };
    const Tip tips[] = {
        {u.txtElementName, "Max 16 chars"},
        {u.txtVLAN_OM, "Range: 1-4095"},
        {u.txtVLAN_Audio, "Range: 1-4095"},
        {u.chkSFNEnabled, "Enable PTP Sync"},
        {u.lblThreshold, "Silence detector trigger level"},
        {u.lblTimeout, "Silence detector time countdown"},
        {u.chkLowLatency, "Enable low latency (1.25mS) option"},
        {u.cmdPing, "Test ping from NMS"},
        {u.cmdGetStats, "Fetch statistical counters"},
        {u.chkGetVolume, "Show audio level"},
    };
    for (const Tip& t : tips)
        EXPECT_EQ(t.w->toolTip().toStdString(), t.tip) << t.w->objectName().toStdString();

    EXPECT_EQ(u.txtElementName->maxLength(), 16);
    for (QLineEdit* e : {u.txtElementIP, u.txtElementMask, u.txtElementGW, u.txtRemoteIP})
        EXPECT_EQ(e->maxLength(), 15) << e->objectName().toStdString();
    for (QLineEdit* e : {u.txtVLAN_OM, u.txtVLAN_Audio}) {
        EXPECT_EQ(e->maxLength(), 4);
        EXPECT_EQ(e->text(), "1");
        EXPECT_FALSE(e->isEnabled());
    }
    auto texts = [](QComboBox* c) {
        QStringList out;
        for (int i = 0; i < c->count(); ++i)
            out.append(c->itemText(i));
        return out;
    };
    EXPECT_EQ(texts(u.cmbAudioInput), (QStringList{"Digital", "Analog"}));
    EXPECT_EQ(texts(u.cmbAudioType), (QStringList{"Left/Right", "MPX"}));
    EXPECT_EQ(texts(u.cmbAudioTX), (QStringList{"Unicast", "Multicast"}));
    EXPECT_EQ(texts(u.cmbSilDetMode),
              (QStringList{"Auto detect", "Force internal", "Force external"}));
    EXPECT_EQ(u.chkSFNEnabled->text(), "On");
    EXPECT_EQ(u.chkLowLatency->text(), "Enabled");
    EXPECT_EQ(u.cmdAdjust->text(), "Adjust...");
    EXPECT_EQ(u.cmdGetStats->text(), "Get...");
    EXPECT_EQ(u.chkGetVolume->text(), "?");
    EXPECT_EQ(u.Label15->text(), "Unicast / Multicast");
    EXPECT_EQ(u.lblRemoteNA->text(), "N/A");
}

TEST(MainWindowLayoutTest, InitialState) {
    Window win;
    ASSERT_TRUE(win.w->startUp());
    MainWindowUi& u = win.ui();
    for (QLabel* l : {u.lblElementType, u.lblElementMAC, u.lblVersion, u.lblSerialNumber})
        EXPECT_EQ(l->text(), "-");
    EXPECT_EQ(u.lblLatency->text(), "0mS");
    EXPECT_EQ(u.lblSilDetLevel->text(), "0dBu");
    EXPECT_EQ(u.lblSilDetTime->text(), "0Sec");
    EXPECT_EQ(u.lblAttenDB->text(), "dB");
    EXPECT_EQ(u.Label7->text(), "Decoder IP:");
    EXPECT_EQ(u.Label9->text(), "Audio source:");
    EXPECT_FALSE(u.cmdGetStats->isEnabled());
    EXPECT_FALSE(u.cmdAdjust->isEnabled());
    EXPECT_FALSE(u.scrlBuffer->isEnabled());
    EXPECT_FALSE(u.scrlAtten->isVisible());
    EXPECT_EQ(u.cmdPing->text(), "<Click to test>");
    EXPECT_EQ(buttonBackground(u.cmdPing), QColor(255, 255, 192));
    EXPECT_EQ(u.lblVolume->text(), "-oodBFS");
    EXPECT_EQ(u.VUMeter->widthTwips(), 0);
    for (QWidget* hidden :
         {static_cast<QWidget*>(u.chkGetVolume), static_cast<QWidget*>(u.cmbEncoders),
          static_cast<QWidget*>(u.lstHidden)})
        EXPECT_FALSE(hidden->isVisible()) << hidden->objectName().toStdString();
    EXPECT_FALSE(u.chkGetVolume->isChecked());
    EXPECT_EQ(win.w->tmrVolume.interval(), 50);
    EXPECT_FALSE(win.w->tmrVolume.isActive());
    EXPECT_EQ(u.Slider1->value(), 50);
    for (int i : {1, 2, 4, 6, 7})
        EXPECT_FALSE(u.toolbarButton[i]->icon().isNull()) << i;
}

TEST(MainWindowLayoutTest, EveryControlHasAnAccessibleName) {
    Window win;
    ASSERT_TRUE(win.w->startUp());
    int checked = 0;
    for (QWidget* c : win.w->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QLineEdit*>(c) || qobject_cast<QComboBox*>(c) ||
                             qobject_cast<QAbstractButton*>(c) ||
                             qobject_cast<QAbstractSlider*>(c) || qobject_cast<QTreeWidget*>(c) ||
                             qobject_cast<QListWidget*>(c) || qobject_cast<LevelBar*>(c) ||
                             c->objectName().startsWith(QLatin1String("lbl"));
        if (!control || c->objectName().isEmpty() ||
            c->objectName().startsWith(QLatin1String("qt_")))
            continue; // parts that Qt builds inside its own widgets
        ++checked;
        EXPECT_FALSE(spokenName(c).isEmpty()) << c->objectName().toStdString();
    }
    EXPECT_GE(checked, 35);
}

// A screen reader reads each value as it is shown, together with its caption.
TEST(MainWindowLayoutTest, ValuesAreSpokenWithTheirCaptions) {
    Window win;
    ASSERT_TRUE(win.w->startUp());
    MainWindowUi& u = win.ui();
    const std::pair<QLabel*, const char*> values[] = {
        {u.lblElementType, "Device type"}, {u.lblElementMAC, "MAC address"}, {u.lblVersion, "DSP version"},
        {u.lblSerialNumber, "Serial number"}, {u.lblAttenDB, "Attenuation"}, {u.lblLatency, "Latency"},
        {u.lblSilDetLevel, "Threshold"}, {u.lblSilDetTime, "Timeout"}, {u.lblVolume, "Audio level"},
        {u.lblRemoteNA, "Remote IP"}};
    for (int node : {0, 1}) { // an encoder, a decoder
        win.w->panel().NodeClick(u.TreeView1->topLevelItem(node));
        for (const auto& [label, caption] : values) {
            EXPECT_EQ(spokenName(label), label->text()) << caption;
            EXPECT_EQ(spokenCaption(label), caption);
        }
    }
    EXPECT_EQ(spokenName(u.lblElementType), "DECODER");
}

// Visible controls get at least the room they ask for, and texts fit their labels.
void expectNothingClipped(frmMain& w, const char* state) {
    const QRect window = w.rect();
    for (QWidget* c : w.findChildren<QWidget*>()) {
        if (!c->isVisible() || c->objectName().startsWith(QLatin1String("qt_")))
            continue;
        const QRect inWindow(c->mapTo(&w, QPoint(0, 0)), c->size());
        EXPECT_TRUE(window.contains(inWindow)) << state << " " << c->objectName().toStdString();
        if (qobject_cast<QLabel*>(c) || qobject_cast<QAbstractButton*>(c) ||
            qobject_cast<QComboBox*>(c) || qobject_cast<QLineEdit*>(c)) {
            const QSize min = c->minimumSizeHint();
            EXPECT_GE(c->width(), min.width()) << state << " " << c->objectName().toStdString();
            EXPECT_GE(c->height(), min.height()) << state << " " << c->objectName().toStdString();
        }
        if (auto* l = qobject_cast<QLabel*>(c)) {
            QString shown = l->text();
            if (l->buddy() != nullptr)
                shown.replace(QStringLiteral("&&"), QStringLiteral("&"));
            EXPECT_LE(l->fontMetrics().horizontalAdvance(shown), l->contentsRect().width())
                << state << " " << l->text().toStdString();
        }
    }
}

TEST(MainWindowLayoutTest, NothingIsClippedInEitherLayout) {
    Window win;
    ASSERT_TRUE(win.w->startUp());
    const QByteArray scale = qgetenv("QT_SCALE_FACTOR");
    if (!scale.isEmpty()) {
        EXPECT_DOUBLE_EQ(win.w->devicePixelRatioF(), scale.toDouble());
    }
    MainWindowUi& u = win.ui();
    expectNothingClipped(*win.w, "start");
    win.w->panel().NodeClick(u.TreeView1->topLevelItem(0));
    expectNothingClipped(*win.w, "encoder");
    win.w->panel().NodeClick(u.TreeView1->topLevelItem(1));
    // The widest texts the value labels ever show.
    u.lblAttenDB->setText(QStringLiteral("-119.5 dB"));
    u.lblLatency->setText(QStringLiteral("115mS"));
    u.lblSilDetLevel->setText(QStringLiteral("-49.8dBu"));
    u.lblSilDetTime->setText(QStringLiteral("100.1Sec"));
    u.lblVolume->setText(QStringLiteral("-138.5dBFS"));
    u.cmdPing->setText(QStringLiteral("No sockets!"));
    QApplication::processEvents();
    expectNothingClipped(*win.w, "decoder");
}

// Tab visits every control the operator can use, in reading order: the tree, the panel's
// left column top to bottom, its right column, the diagnostics, then the fleet check's
// interval (status bar) and its event log.
TEST(MainWindowLayoutTest, TabOrderFollowsTheColumns) {
    Window win;
    ASSERT_TRUE(win.w->startUp());
    MainWindowUi& u = win.ui();
    const QList<QWidget*> leftColumn{u.TreeView1, u.txtElementName, u.txtElementIP, u.txtElementGW, u.txtElementMask,
                                     u.cmbNMSIPAddr};
    const QList<QWidget*> diagnostics{u.cmdPing, u.cmdGetStats, u.Slider1};
    const QList<QWidget*> encoder{u.cmbAudioType, u.cmbAudioInput, u.cmbAudioTX, u.txtRemoteIP, u.chkSFNEnabled,
                                  u.chkLowLatency};
    const QList<QWidget*> decoder{u.cmbAudioType,   u.scrlAtten,       u.txtRemoteIP,    u.chkSFNEnabled,
                                  u.scrlBuffer,     u.cmbSilDetMode,   u.scrlSilDetLevel, u.scrlSilDetTime,
                                  u.chkLowLatency};
    for (const auto& [node, rightColumn] : {std::pair{0, encoder}, std::pair{1, decoder}}) {
        win.w->panel().NodeClick(u.TreeView1->topLevelItem(node));
        QStringList got, want;
        QWidget* c = u.TreeView1;
        do {
            // A spin box is one stop, made by its text field (it hands its focus to it).
            const bool spinText = qobject_cast<QAbstractSpinBox*>(c->parentWidget()) != nullptr;
            if ((c->focusPolicy() & Qt::TabFocus) && c->isVisible() && c->isEnabled() && !c->focusProxy())
                got.append(spinText ? c->parentWidget()->objectName() : c->objectName());
            c = c->nextInFocusChain();
        } while (c != u.TreeView1 && got.size() < 100);
        for (QWidget* w : leftColumn + rightColumn + diagnostics)
            want.append(w->objectName());
        want << QStringLiteral("spnFleetInterval") << QStringLiteral("lstEvents")
             << QStringLiteral("txtFilter"); // the filter, then the tree again
        EXPECT_EQ(got, want) << node;
    }
}

TEST(MainWindowLayoutTest, ElementImagesAreDrawnAtEverySize) {
    Window win;
    const QIcon& encoder = win.ui().ImageList1[6];
    const QIcon& other = win.ui().ImageList1[7];
    ASSERT_FALSE(encoder.isNull());
    ASSERT_FALSE(other.isNull());
    for (int size : {16, 32, 48}) {
        const QImage e = encoder.pixmap(size).toImage();
        const QImage o = other.pixmap(size).toImage();
        EXPECT_EQ(encoder.pixmap(size).deviceIndependentSize().width(), size);
        EXPECT_NE(e, o) << size;
        int opaque = 0;
        for (int y = 0; y < e.height(); ++y)
            for (int x = 0; x < e.width(); ++x)
                opaque += qAlpha(e.pixel(x, y)) > 0;
        EXPECT_GT(opaque, size * size / 8) << size;
    }
}

} // namespace
