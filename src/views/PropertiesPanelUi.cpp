// The properties panel (frmProperties) and the diagnostics frame (frmDiagnostics) of the
// main window: two columns of captions and controls, then the diagnostics below.

#include "LevelBar.h"
#include "MainWindowUi.h"
#include "core/editor/PanelTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>

namespace {

// The accessible name a caption gives: "&" marks an access key, "&&" shows one "&", and
// the closing ":" is not spoken.
QString spokenCaption(QString caption) {
    caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    caption.remove(u'&');
    caption.replace(u'\x01', u'&');
    if (caption.endsWith(u':'))
        caption.chop(1);
    return caption;
}

template <typename W> W* named(W* w, const char* objectName) {
    w->setObjectName(QString::fromLatin1(objectName));
    return w;
}

// An input or a button whose caption never changes is announced by the caption beside it
// (its accessible name).  A control that shows a value (a value label, the ping button)
// keeps its own text as its name, so a screen reader reads the value, and the caption is
// tied to it as the label it is labelled by (and, for a label, as its description).
QLabel* caption(const QString& text, QWidget* control, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    const bool value = qobject_cast<QLabel*>(control) != nullptr;
    if (value || control->focusPolicy() != Qt::NoFocus)
        l->setBuddy(control); // the labelled-by relation; also makes "&&" show as "&"
    if (value)
        control->setAccessibleDescription(spokenCaption(text));
    else
        control->setAccessibleName(spokenCaption(text));
    return l;
}

// A caption for a button whose caption is its value (its tool tip stays its description).
QLabel* valueCaption(const QString& text, QWidget* control, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setBuddy(control);
    return l;
}

// A value shown beside a control, wide enough for its widest text so the layout never
// moves when the value changes.  Its text is what a screen reader reads; `meaning` is
// said with it.
QLabel* valueLabel(const char* objectName, const QString& initial, const QString& widest,
                   const QString& meaning, QWidget* parent) {
    auto* l = named(new QLabel(initial, parent), objectName);
    l->setMinimumWidth(l->fontMetrics().horizontalAdvance(widest) + 6);
    l->setAccessibleDescription(meaning);
    return l;
}

QLineEdit* textField(const char* objectName, int maxLength, QWidget* parent) {
    auto* e = named(new QLineEdit(parent), objectName);
    e->setMaxLength(maxLength);
    e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + 16);
    return e;
}

QComboBox* dropDown(const char* objectName, const QStringList& items, QWidget* parent) {
    auto* c = named(new QComboBox(parent), objectName);
    c->addItems(items);
    c->setCurrentIndex(-1);
    return c;
}

OperatorScrollBar* bar(const char* objectName, int minimum, int maximum, QWidget* parent) {
    auto* s = named(new OperatorScrollBar(Qt::Horizontal, parent), objectName);
    s->setRange(minimum, maximum);
    s->setSingleStep(PanelRanges::SingleStep);
    s->setPageStep(PanelRanges::PageStep);
    s->setFocusPolicy(Qt::StrongFocus); // the keyboard moves it too
    // A value control, not a view's scroll bar: Left and Page Down lower the value.
    s->setInvertedControls(false);
    s->setMinimumWidth(120);
    return s;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets) {
    auto* h = new QHBoxLayout;
    h->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w : widgets)
        h->addWidget(w);
    return h;
}

} // namespace

QWidget* MainWindowUi::buildProperties(QWidget* parent) {
    frmProperties =
        named(new QGroupBox(QStringLiteral("Element properties:"), parent), "frmProperties");
    QWidget* p = frmProperties;
    auto* columns = new QHBoxLayout(frmProperties);
    auto* left = new QGridLayout;
    auto* right = new QGridLayout;
    columns->addLayout(left, 1);
    columns->addSpacing(12);
    columns->addLayout(right, 1);

    // Left column: identity and addresses.
    int r = 0;
    auto addLeft = [&](const QString& text, QWidget* control) {
        left->addWidget(caption(text, control, p), r, 0);
        left->addWidget(control, r, 1);
        ++r;
    };
    lblElementType = named(new QLabel(QStringLiteral("-"), p), "lblElementType");
    addLeft(QStringLiteral("Device type:"), lblElementType);
    lblElementMAC = named(new QLabel(QStringLiteral("-"), p), "lblElementMAC");
    lblElementMAC->setTextInteractionFlags(Qt::TextSelectableByMouse);
    addLeft(QStringLiteral("MAC address:"), lblElementMAC);
    lblVersion = named(new QLabel(QStringLiteral("-"), p), "lblVersion");
    addLeft(QStringLiteral("DSP version:"), lblVersion);
    lblSerialNumber = named(new QLabel(QStringLiteral("-"), p), "lblSerialNumber");
    addLeft(QStringLiteral("Serial number:"), lblSerialNumber);
    txtElementName = textField("txtElementName", 16, p);
    txtElementName->setToolTip(QStringLiteral("Max 16 chars"));
    addLeft(QStringLiteral("Device name:"), txtElementName);
    txtElementIP = textField("txtElementIP", 15, p);
    addLeft(QStringLiteral("Device IP:"), txtElementIP);
    txtElementGW = textField("txtElementGW", 15, p);
    addLeft(QStringLiteral("Gateway IP:"), txtElementGW);
    txtElementMask = textField("txtElementMask", 15, p);
    addLeft(QStringLiteral("Network mask:"), txtElementMask);
    cmbNMSIPAddr = named(new QComboBox(p), "cmbNMSIPAddr");
    lblNMSIPAddr = caption(QStringLiteral("NMS interface:"), cmbNMSIPAddr, p);
    left->addWidget(lblNMSIPAddr, r, 0);
    left->addWidget(cmbNMSIPAddr, r++, 1);

    auto vlanField = [&](const char* name) {
        QLineEdit* e = named(new QLineEdit(QStringLiteral("1"), p), name);
        e->setMaxLength(4);
        e->setToolTip(QStringLiteral("Range: 1-4095"));
        e->setEnabled(false);
        e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("40950")) + 12);
        return e;
    };
    txtVLAN_OM = vlanField("txtVLAN_OM");
    txtVLAN_Audio = vlanField("txtVLAN_Audio");
    QLabel* vlanAudio = caption(QStringLiteral("Audio:"), txtVLAN_Audio, p);
    auto* vlanRow = new QHBoxLayout;
    vlanRow->addWidget(txtVLAN_OM);
    vlanRow->addWidget(vlanAudio);
    vlanRow->addWidget(txtVLAN_Audio);
    vlanRow->addStretch(1);
    left->addWidget(caption(QStringLiteral("VLAN O&&M:"), txtVLAN_OM, p), r, 0);
    left->addLayout(vlanRow, r++, 1);
    left->setRowStretch(r, 1);
    left->setColumnStretch(1, 1);

    // Right column: audio, buffer, silence detector.
    r = 0;
    auto addRight = [&](QLabel* label, QLayout* controls) {
        right->addWidget(label, r, 0);
        right->addLayout(controls, r, 1);
        ++r;
    };
    cmbAudioType =
        dropDown("cmbAudioType", {QStringLiteral("Left/Right"), QStringLiteral("MPX")}, p);
    addRight(caption(QStringLiteral("Audio type:"), cmbAudioType, p), row({cmbAudioType}));

    cmbAudioInput =
        dropDown("cmbAudioInput", {QStringLiteral("Digital"), QStringLiteral("Analog")}, p);
    scrlAtten = bar("scrlAtten", PanelRanges::AttenMin, PanelRanges::AttenMax, p);
    scrlAtten->setAccessibleName(QStringLiteral("Audio atten"));
    lblAttenDB = valueLabel("lblAttenDB", QStringLiteral("dB"), QStringLiteral("-120.5 dB"),
                            QStringLiteral("Attenuation"), p);
    Label9 = named(caption(QStringLiteral("Audio source:"), cmbAudioInput, p), "Label9");
    scrlAtten->setVisible(false);
    lblAttenDB->setVisible(false);
    addRight(Label9, row({cmbAudioInput, scrlAtten, lblAttenDB}));

    cmbAudioTX =
        dropDown("cmbAudioTX", {QStringLiteral("Unicast"), QStringLiteral("Multicast")}, p);
    Label15 = named(new QLabel(QStringLiteral("Unicast / Multicast"), p), "Label15");
    Label15->setVisible(false);
    addRight(caption(QStringLiteral("TX type:"), cmbAudioTX, p), row({cmbAudioTX, Label15}));

    txtRemoteIP = textField("txtRemoteIP", 15, p);
    lblRemoteNA = named(new QLabel(QStringLiteral("N/A"), p), "lblRemoteNA");
    lblRemoteNA->setAccessibleDescription(QStringLiteral("Remote IP"));
    lblRemoteNA->setVisible(false);
    Label7 = named(caption(QStringLiteral("Decoder IP:"), txtRemoteIP, p), "Label7");
    addRight(Label7, row({txtRemoteIP, lblRemoteNA}));

    chkSFNEnabled = named(new QCheckBox(QStringLiteral("On"), p), "chkSFNEnabled");
    chkSFNEnabled->setToolTip(QStringLiteral("Enable PTP Sync"));
    cmdAdjust = named(new QPushButton(QStringLiteral("Adjust..."), p), "cmdAdjust");
    cmdAdjust->setEnabled(false);
    cmdAdjust->setAccessibleName(QStringLiteral("Adjust..."));
    QHBoxLayout* sfnRow = row({chkSFNEnabled, cmdAdjust});
    sfnRow->addStretch(1);
    addRight(caption(QStringLiteral("SFN option:"), chkSFNEnabled, p), sfnRow);

    scrlBuffer = bar("scrlBuffer", PanelRanges::BufferMin, 22, p);
    scrlBuffer->setEnabled(false);
    lblLatency = valueLabel("lblLatency", QStringLiteral("0mS"), QStringLiteral("115.25mS"),
                            QStringLiteral("Latency"), p);
    lblBufferSize = caption(QStringLiteral("Buffer size:"), scrlBuffer, p);
    addRight(lblBufferSize, row({scrlBuffer, lblLatency}));

    cmbSilDetMode = dropDown("cmbSilDetMode",
                             {QStringLiteral("Auto detect"), QStringLiteral("Force internal"),
                              QStringLiteral("Force external")},
                             p);
    addRight(caption(QStringLiteral("Audio routing:"), cmbSilDetMode, p), row({cmbSilDetMode}));

    scrlSilDetLevel =
        bar("scrlSilDetLevel", PanelRanges::SilDetLevelMin, PanelRanges::SilDetLevelMax, p);
    lblSilDetLevel = valueLabel("lblSilDetLevel", QStringLiteral("0dBu"),
                                QStringLiteral("-49.8dBu"), QStringLiteral("Threshold"), p);
    lblThreshold = caption(QStringLiteral("Threshold:"), scrlSilDetLevel, p);
    lblThreshold->setToolTip(QStringLiteral("Silence detector trigger level"));
    addRight(lblThreshold, row({scrlSilDetLevel, lblSilDetLevel}));

    scrlSilDetTime =
        bar("scrlSilDetTime", PanelRanges::SilDetTimeMin, PanelRanges::SilDetTimeMax, p);
    lblSilDetTime = valueLabel("lblSilDetTime", QStringLiteral("0Sec"), QStringLiteral("100.1Sec"),
                               QStringLiteral("Timeout"), p);
    lblTimeout = caption(QStringLiteral("Timeout:"), scrlSilDetTime, p);
    lblTimeout->setToolTip(QStringLiteral("Silence detector time countdown"));
    addRight(lblTimeout, row({scrlSilDetTime, lblSilDetTime}));

    chkLowLatency = named(new QCheckBox(QStringLiteral("Enabled"), p), "chkLowLatency");
    chkLowLatency->setToolTip(QStringLiteral("Enable low latency (1.25mS) option"));
    QHBoxLayout* llRow = row({chkLowLatency});
    llRow->addStretch(1);
    addRight(caption(QStringLiteral("Low latency:"), chkLowLatency, p), llRow);

    cmbEncoders = named(new QComboBox(p), "cmbEncoders");
    cmbEncoders->setAccessibleName(QStringLiteral("Encoders"));
    cmbEncoders->setVisible(false);
    right->addWidget(cmbEncoders, r, 1);
    // Rows as tall as a drop-down list, so the column does not shift when the role
    // layout swaps a list for a text or a bar.
    const int rowHeight = cmbAudioType->sizeHint().height();
    for (int i = 0; i < r; ++i)
        right->setRowMinimumHeight(i, rowHeight);
    right->setRowStretch(r + 1, 1);
    right->setColumnStretch(1, 1);
    return frmProperties;
}

QWidget* MainWindowUi::buildDiagnostics(QWidget* parent) {
    frmDiagnostics = named(new QGroupBox(QStringLiteral("Diagnostics:"), parent), "frmDiagnostics");
    QWidget* p = frmDiagnostics;
    auto* grid = new QGridLayout(frmDiagnostics);

    cmdPing = named(new QPushButton(QStringLiteral("<Click to test>"), p), "cmdPing");
    cmdPing->setToolTip(QStringLiteral("Test ping from NMS"));
    setButtonBackground(cmdPing, pingResetColour());
    grid->addWidget(valueCaption(QStringLiteral("Ping:"), cmdPing, p), 0, 0);
    grid->addWidget(cmdPing, 0, 1);

    cmdGetStats = named(new QPushButton(QStringLiteral("Get..."), p), "cmdGetStats");
    cmdGetStats->setToolTip(QStringLiteral("Fetch statistical counters"));
    cmdGetStats->setEnabled(false);
    grid->addWidget(caption(QStringLiteral("Statistics:"), cmdGetStats, p), 1, 0);
    grid->addWidget(cmdGetStats, 1, 1);

    VUMeter = new LevelBar(p); // object name "VUMeter"
    lblVolume = valueLabel("lblVolume", QStringLiteral("-oodBFS"), QStringLiteral("-138.5dBFS"),
                           QStringLiteral("Audio level"), p);
    chkGetVolume = named(new QCheckBox(QStringLiteral("?"), p), "chkGetVolume");
    chkGetVolume->setToolTip(QStringLiteral("Show audio level"));
    chkGetVolume->setAccessibleName(QStringLiteral("Show audio level"));
    chkGetVolume->setVisible(false);
    auto* levelLabel = new QLabel(QStringLiteral("Audio level:"), p);
    levelLabel->setBuddy(lblVolume); // the level text is what the caption names for a reader
    VUMeter->setAccessibleName(QStringLiteral("Audio level"));
    grid->addWidget(levelLabel, 0, 3, 1, 2);
    grid->addLayout(row({VUMeter, lblVolume, chkGetVolume}), 1, 3, 1, 2);

    Slider1 = named(new QSlider(Qt::Horizontal, p), "Slider1");
    Slider1->setRange(20, 1000);
    Slider1->setSingleStep(10);
    Slider1->setPageStep(50);
    Slider1->setValue(50);
    Slider1->setToolTip(QStringLiteral("Audio level request interval, 20 to 1000 mS"));
    grid->addWidget(caption(QStringLiteral("Level refresh:"), Slider1, p), 2, 3);
    grid->addWidget(Slider1, 2, 4);
    grid->setColumnMinimumWidth(2, 16);
    grid->setColumnStretch(4, 1);

    lstHidden = named(new QListWidget(p), "lstHidden");
    lstHidden->setAccessibleName(QStringLiteral("Section names"));
    lstHidden->setVisible(false);
    grid->addWidget(lstHidden, 3, 0);
    return frmDiagnostics;
}
