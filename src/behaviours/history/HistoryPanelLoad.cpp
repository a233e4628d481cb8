#include "HistoryPanelLoad.h"

#include "behaviours/editor/ElementPanel.h"
#include "core/database/ElementRecord.h"
#include "core/database/IniStore.h"
#include "core/editor/PanelTexts.h"
#include "views/MainWindowUi.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

namespace {

QString roleName(std::optional<qint32> role) {
    if (role == ElementRecord::RoleEncoder)
        return QStringLiteral("an encoder");
    if (role == ElementRecord::RoleDecoder)
        return QStringLiteral("a decoder");
    return QStringLiteral("of no known role");
}

} // namespace

HistoryPanelLoad::HistoryPanelLoad(Context context, QObject* parent)
    : QObject(parent), ctx_(std::move(context)) {}

bool HistoryPanelLoad::isMarked(const QWidget* field) const {
    for (const Marked& m : marked_)
        if (m.field == field)
            return true;
    return false;
}

void HistoryPanelLoad::mark(QWidget* field) {
    if (isMarked(field))
        return;
    marked_.append({field, field->toolTip(), field->accessibleDescription()});
    QFont f = field->font();
    f.setBold(true);
    field->setFont(f);
    field->setToolTip(field->toolTip().isEmpty() ? Mark : field->toolTip() + u'\n' + Mark);
    field->setAccessibleDescription(field->accessibleDescription().isEmpty()
                                        ? Mark
                                        : field->accessibleDescription() + QStringLiteral(", ") +
                                              Mark);
}

void HistoryPanelLoad::clearMarks() {
    for (const Marked& m : std::exchange(marked_, {})) {
        QFont f = m.field->font();
        f.setBold(false);
        m.field->setFont(f);
        m.field->setToolTip(m.toolTip);
        m.field->setAccessibleDescription(m.description);
    }
    markedSection_.clear();
}

void HistoryPanelLoad::confirmed(const QString& section) {
    if (!marked_.isEmpty() && section.compare(markedSection_, Qt::CaseInsensitive) == 0)
        clearMarks();
}

QString HistoryPanelLoad::load(const HistoryVersion& v) {
    using namespace ElementKeys;
    MainWindowUi& u = *ctx_.ui;
    ElementPanel& panel = *ctx_.panel;
    const QString section = panel.selectedSection();
    if (panel.selectedMac() == ElementPanel::None || section.isEmpty())
        return QStringLiteral("Choose the element to load into in the main window first.");
    const auto role =
        ElementRecord::role(IniStore::ReadFromINI(section, Role, ctx_.iniPath, QString()));
    const auto versionRole = ElementRecord::role(v.value(Role));
    if (!role || role != versionRole ||
        (*role != ElementRecord::RoleEncoder && *role != ElementRecord::RoleDecoder))
        return QStringLiteral("Nothing loaded: this version is of %1 and %2 is %3.")
            .arg(roleName(versionRole), panel.selectedMac(), roleName(role));
    clearMarks();
    markedSection_ = section;
    const bool encoder = *role == ElementRecord::RoleEncoder;

    auto has = [&](const QString& key) {
        return std::any_of(v.keys.cbegin(), v.keys.cend(),
                           [&](const auto& entry) { return entry.first == key.toUpper(); });
    };
    auto text = [&](QLineEdit* field, const QString& key) {
        if (!has(key))
            return;
        field->setText(v.value(key).trimmed());
        mark(field);
    };
    auto list = [&](QComboBox* field, const QString& key, int none) {
        if (v.value(key).isEmpty())
            return;
        field->setCurrentIndex(ElementRecord::listIndex(v.value(key), field->count(), none));
        mark(field);
    };
    auto bar = [&](QScrollBar* field, const QString& key, const QString& fallback) {
        if (v.value(key).isEmpty())
            return;
        panel.setBarValue(field, ElementRecord::barValue(v.value(key), field->minimum(),
                                                         field->maximum(), fallback));
        mark(field);
    };
    auto tick = [&](QCheckBox* field, const QString& key) {
        if (v.value(key).isEmpty())
            return;
        field->setChecked(ElementRecord::isTicked(v.value(key)));
        mark(field);
    };

    text(u.txtElementName, Name);
    text(u.txtElementIP, Ip);
    text(u.txtElementMask, Mask);
    text(u.txtElementGW, Gw);
    list(u.cmbAudioInput, Input, -1);
    list(u.cmbAudioType, Type, -1);
    list(u.cmbAudioTX, Tx, -1);
    // The remote address is the one the transmission type uses, as the panel shows it.
    const bool unicast = encoder && u.cmbAudioTX->currentIndex() < 1;
    panel.setRemoteCaption(unicast ? QStringLiteral("Decoder IP:")
                                   : QStringLiteral("Multicast IP:"));
    text(u.txtRemoteIP, unicast ? Remote : Multi);
    tick(u.chkSFNEnabled, Sfn);
    tick(u.chkLowLatency, Llo);
    if (!encoder) {
        // Set by the program, the bar never sends the attenuation command.
        bar(u.scrlAtten, Att, ElementDefaults::Att);
        bar(u.scrlBuffer, Buf, ElementDefaults::Buf);
        list(u.cmbSilDetMode, Sdm, 0);
        bar(u.scrlSilDetLevel, Sdl, ElementDefaults::Sdl);
        bar(u.scrlSilDetTime, Sdt, ElementDefaults::Sdt);
        panel.applyAudioRouting();
    }
    panel.showLatency();
    u.cmdAdjust->setEnabled(!encoder && u.chkSFNEnabled->isChecked());
    return QStringLiteral("%1 values loaded into the panel of %2; \"Save changes\" sends them.")
        .arg(marked_.size())
        .arg(panel.selectedMac());
}
