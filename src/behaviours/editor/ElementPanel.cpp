#include "ElementPanel.h"

#include "core/common/MessageBoxes.h"
#include "core/database/ElementRecord.h"
#include "core/database/IniSnapshot.h"
#include "core/database/IniStore.h"
#include "core/database/MacSection.h"
#include "core/editor/PanelTexts.h"
#include "views/ElementTree.h"
#include "views/LevelBar.h"
#include "views/MainWindowUi.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

ElementPanel::ElementPanel(Context context, QObject* parent)
    : QObject(parent), ctx_(std::move(context)) {
    for (QScrollBar* bar :
         {ui().scrlAtten, ui().scrlBuffer, ui().scrlSilDetLevel, ui().scrlSilDetTime})
        connect(bar, &QScrollBar::valueChanged, this, [this, bar] { refreshBarText(bar); });
}

QString ElementPanel::selectedMac() const {
    return ui().lblElementMAC->text();
}

QString ElementPanel::selectedSection() const {
    return MacSection::Encode_MAC(selectedMac());
}

QString ElementPanel::elementType() const {
    return ui().lblElementType->text();
}

void ElementPanel::setElementType(const QString& caption) {
    if (ui().lblElementType->text() == caption)
        return;
    ui().lblElementType->setText(caption);
    applyRoleLayout();
}

void ElementPanel::setRemoteCaption(const QString& caption) {
    ui().Label7->setText(caption);
    ui().txtRemoteIP->setAccessibleName(caption.chopped(caption.endsWith(u':') ? 1 : 0));
}

QString ElementPanel::latencyText(int v) const {
    return PanelTexts::latency(v, *ctx_.GPSDOEdition, ui().chkSFNEnabled->isChecked(),
                               *ctx_.LowLatencyOn);
}

void ElementPanel::showLatency() {
    ui().lblLatency->setText(latencyText(ui().scrlBuffer->value()));
}

void ElementPanel::setBarValue(QScrollBar* bar, int value) {
    bar->setValue(std::clamp(value, bar->minimum(), bar->maximum()));
    refreshBarText(bar); // also when the value was already there
}

void ElementPanel::refreshBarText(QScrollBar* bar) {
    const int v = bar->value();
    if (bar == ui().scrlAtten)
        ui().lblAttenDB->setText(PanelTexts::attenuation(v));
    else if (bar == ui().scrlBuffer)
        showLatency();
    else if (bar == ui().scrlSilDetLevel)
        ui().lblSilDetLevel->setText(PanelTexts::silenceLevel(v));
    else if (bar == ui().scrlSilDetTime)
        ui().lblSilDetTime->setText(PanelTexts::silenceTime(v));
}

void ElementPanel::applyRoleLayout() {
    const QString role = elementType();
    const bool encoder = role == Encoder;
    if (!encoder && role != Decoder)
        return; // "UNKNOWN" and "-" keep the layout there is
    MainWindowUi& u = ui();
    u.cmbAudioInput->setVisible(encoder);
    u.cmbAudioTX->setVisible(encoder);
    u.Label15->setVisible(!encoder);
    u.scrlAtten->setVisible(!encoder);
    u.lblAttenDB->setVisible(!encoder);
    u.Label9->setText(encoder ? QStringLiteral("Audio source:") : QStringLiteral("Audio atten:"));
    u.Label9->setBuddy(encoder ? static_cast<QWidget*>(u.cmbAudioInput) : u.scrlAtten);

    // The level meter stops whenever the role shown changes.
    ctx_.tmrVolume->stop();
    u.chkGetVolume->setChecked(false);
    u.chkGetVolume->setVisible(false);
    u.toolbarButton[Toolbar::StartAudioMonitoring]->setEnabled(encoder);
    u.toolbarButton[Toolbar::StopAudioMonitoring]->setEnabled(false);
    u.VUMeter->setEnabled(encoder);
    u.VUMeter->setWidthTwips(0);
    u.lblVolume->setText(QStringLiteral("-oodBFS"));

    if (encoder) {
        setBarValue(u.scrlBuffer, 0);
        u.scrlBuffer->setEnabled(false);
        u.lblLatency->setText(PanelTexts::encoderLatency());
    } else {
        u.scrlBuffer->setEnabled(true);
        showLatency();
    }
    const bool decoder = !encoder;
    for (QWidget* w : std::initializer_list<QWidget*>{
             u.cmbSilDetMode, u.scrlSilDetLevel, u.scrlSilDetTime, u.lblSilDetLevel,
             u.lblSilDetTime, u.lblLatency, u.lblBufferSize, u.lblThreshold, u.lblTimeout})
        w->setEnabled(decoder);
}

void ElementPanel::applyAudioRouting() {
    MainWindowUi& u = ui();
    const bool on = u.cmbSilDetMode->isEnabled() && u.cmbSilDetMode->currentIndex() <= 0;
    for (QWidget* w :
         std::initializer_list<QWidget*>{u.scrlSilDetLevel, u.scrlSilDetTime, u.lblSilDetLevel,
                                         u.lblSilDetTime, u.lblThreshold, u.lblTimeout})
        w->setEnabled(on);
}

void ElementPanel::ClearElementPanel() {
    MainWindowUi& u = ui();
    setElementType(None);
    u.lblElementMAC->setText(None);
    u.lblSerialNumber->setText(None);
    u.cmdPing->setText(QStringLiteral("<Unknown>"));
    u.lblVersion->setText(None);
    u.lblLatency->setText(QStringLiteral("-mS"));
    setButtonBackground(u.cmdPing, pingResetColour());
    for (QLineEdit* e :
         {u.txtElementName, u.txtElementIP, u.txtElementMask, u.txtElementGW, u.txtRemoteIP})
        e->clear();
    for (QComboBox* c : {u.cmbAudioInput, u.cmbAudioType, u.cmbAudioTX})
        c->setCurrentIndex(-1);
    // Nothing is shown now: the level meter stops (its next tick would find no element to
    // ask), and the diagnostics that need an element wait for the next selection.
    ctx_.tmrVolume->stop();
    u.toolbarButton[Toolbar::StartAudioMonitoring]->setEnabled(false);
    u.toolbarButton[Toolbar::StopAudioMonitoring]->setEnabled(false);
    u.chkGetVolume->setChecked(false);
    u.cmdGetStats->setEnabled(false);
    u.cmdAdjust->setEnabled(false);
}

void ElementPanel::NodeClick(const QTreeWidgetItem* node) {
    if (node != nullptr)
        showElement(ElementTree::nodeKey(node), node->text(0));
}

void ElementPanel::showElement(const QString& key, const QString& text) {
    using namespace ElementKeys;
    MainWindowUi& u = ui();
    setButtonBackground(u.cmdPing, pingResetColour());
    u.toolbarButton[Toolbar::StartAudioMonitoring]->setEnabled(false);
    u.toolbarButton[Toolbar::StopAudioMonitoring]->setEnabled(false);
    u.chkGetVolume->setChecked(false);
    if (text.isEmpty()) {
        u.cmdGetStats->setEnabled(false);
        return;
    }

    // One read of the file serves every key of the record; nothing writes to it in
    // between except the attenuation repair below, which is read back from the file.
    const QString section = MacSection::Encode_MAC(key);
    const IniSnapshot db = IniSnapshot::load(ctx_.iniPath);
    if (db.keyCount(section) > ElementRecord::MaxKeysShown) {
        ctx_.messages->error(QStringLiteral("The data stored in your computer about this element, "
                                            "is corrupted (1).\rCannot load this element info."));
        return;
    }
    auto read = [&](const QString& k, const QString& fallback) {
        return db.value(section, k, fallback);
    };
    // A list position; `none` where the stored text gives no entry of the list.
    auto showList = [&](QComboBox* list, const QString& k, const QString& fallback, int none) {
        list->setCurrentIndex(ElementRecord::listIndex(read(k, fallback), list->count(), none));
    };
    auto showBar = [&](QScrollBar* bar, const QString& k, const QString& fallback) {
        setBarValue(bar, ElementRecord::barValue(read(k, fallback), bar->minimum(), bar->maximum(),
                                                 fallback));
    };

    u.txtElementName->setText(read(Name, QString()));
    u.txtElementIP->setText(read(Ip, QString()));
    u.txtElementMask->setText(read(Mask, QString()));
    u.txtElementGW->setText(read(Gw, QString()));
    showList(u.cmbAudioInput, Input, QString(), -1);
    showList(u.cmbAudioType, Type, QString(), -1);
    showList(u.cmbAudioTX, Tx, QString(), -1);
    u.lblVersion->setText(read(Ver, ElementDefaults::Ver));
    showList(u.cmbEncoders, Bound, ElementDefaults::Bound, 0);
    u.cmdGetStats->setEnabled(true);

    const auto role = ElementRecord::role(read(Role, QString()));
    if (role == ElementRecord::RoleEncoder) {
        setElementType(Encoder);
        u.toolbarButton[Toolbar::StartAudioMonitoring]->setEnabled(true);
        if (u.cmbAudioTX->currentIndex() < 1) {
            setRemoteCaption(QStringLiteral("Decoder IP:"));
            u.txtRemoteIP->setText(read(Remote, ElementDefaults::Remote));
        } else {
            setRemoteCaption(QStringLiteral("Multicast IP:"));
            u.txtRemoteIP->setText(read(Multi, ElementDefaults::Multi));
        }
    } else if (role == ElementRecord::RoleDecoder) {
        setElementType(Decoder);
        setRemoteCaption(QStringLiteral("Multicast IP:"));
        u.txtRemoteIP->setText(read(Multi, ElementDefaults::Multi));
        // A stored attenuation below the bar's minimum (or no number at all) is repaired
        // in the record to the minimum, "Mute".
        QString att = read(Att, ElementDefaults::Att);
        if (ElementRecord::number(att).value_or(0) < PanelRanges::AttenMin) {
            const IniWriteResult repaired = IniStore::WriteToINI(
                section, Att, QString::number(PanelRanges::AttenMin), ctx_.iniPath);
            if (!repaired)
                ctx_.messages->error(
                    QStringLiteral("The attenuation could not be saved in the local database:\r") +
                    repaired.error);
            att = IniStore::ReadFromINI(section, Att, ctx_.iniPath, ElementDefaults::Att);
        }
        setBarValue(u.scrlAtten,
                    ElementRecord::barValue(att, PanelRanges::AttenMin, PanelRanges::AttenMax,
                                            ElementDefaults::Att));
        showBar(u.scrlBuffer, Buf, ElementDefaults::Buf);
        showBar(u.scrlSilDetLevel, Sdl, ElementDefaults::Sdl);
        showBar(u.scrlSilDetTime, Sdt, ElementDefaults::Sdt);
        showList(u.cmbSilDetMode, Sdm, ElementDefaults::Sdm, 0);
        applyRoleLayout();
        applyAudioRouting();
    } else {
        setElementType(Unknown); // the remote address keeps what it showed
    }

    u.lblElementMAC->setText(key);
    u.lblSerialNumber->setText(read(Sn, QString()));
    u.chkSFNEnabled->setChecked(ElementRecord::isTicked(read(Sfn, ElementDefaults::Sfn)));
    u.chkLowLatency->setChecked(ElementRecord::isTicked(read(Llo, ElementDefaults::Llo)));

    *ctx_.LowLatencyOn = u.chkLowLatency->isChecked();
    showLatency();
    u.cmdAdjust->setEnabled(elementType() == Decoder && u.chkSFNEnabled->isChecked());
    applyRoleLayout();
    applyAudioRouting();
    u.cmdPing->setText(QStringLiteral("<Click to test>"));
}
