#include "FieldEditor.h"

#include "ElementPanel.h"
#include "core/database/ElementRecord.h"
#include "core/database/IniStore.h"
#include "core/editor/FieldRules.h"
#include "views/MainWindowUi.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QValidator>

namespace {

// Only characters the 8-bit code page carries reach the name; pasted text with others is
// refused as a whole rather than changed silently.
class NameValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        for (QChar c : input) {
            if (!FieldRules::isNameCharacter(c))
                return Invalid;
        }
        return Acceptable;
    }
};

} // namespace

FieldEditor::FieldEditor(Context context, QObject* parent)
    : QObject(parent), ctx_(std::move(context)) {
    MainWindowUi& u = ui();
    normalPalette_ = u.txtElementIP->palette();
    u.txtElementName->setValidator(new NameValidator(u.txtElementName));

    for (QLineEdit* e :
         {u.txtElementName, u.txtElementIP, u.txtElementMask, u.txtElementGW, u.txtRemoteIP})
        e->installEventFilter(this);
    for (QLineEdit* e : {u.txtElementIP, u.txtElementMask, u.txtElementGW, u.txtRemoteIP})
        connect(e, &QLineEdit::textChanged, this, [this, e] { colourAddressField(e); });
    connect(u.txtElementIP, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty())
            ui().cmdGetStats->setEnabled(false);
        else if (ctx_.panel->selectedMac() != ElementPanel::None)
            ui().cmdGetStats->setEnabled(true);
    });

    // The operator's choice of transmission type (activated is never raised by the
    // program's own setCurrentIndex, so a selection does not reload the address twice).
    connect(u.cmbAudioTX, &QComboBox::activated, this, [this] { cmbAudioTX_Click(); });
    connect(u.cmbSilDetMode, &QComboBox::currentIndexChanged, this,
            [this] { ctx_.panel->applyAudioRouting(); });
    connect(u.chkLowLatency, &QCheckBox::toggled, this, [this](bool ticked) {
        *ctx_.LowLatencyOn = ticked;
        ctx_.panel->showLatency();
    });
    // The latency shown is the one of the settings about to be sent (cmdAdjust keeps
    // following the stored SFN state).
    connect(u.chkSFNEnabled, &QCheckBox::toggled, this, [this] {
        if (ctx_.panel->elementType() == ElementPanel::Decoder)
            ctx_.panel->showLatency();
    });
    connect(u.Slider1, &QSlider::valueChanged, this, [this] { Slider1_Click(); });
}

void FieldEditor::colourAddressField(QLineEdit* field) {
    const QString text = field->text();
    if (text.isEmpty() || FieldRules::IsValidIP(text)) {
        field->setPalette(normalPalette_);
        return;
    }
    QPalette pal = normalPalette_;
    pal.setColor(QPalette::Base, invalidColour());
    field->setPalette(pal);
}

void FieldEditor::cmbAudioTX_Click() {
    if (ctx_.panel->elementType() != ElementPanel::Encoder)
        return;
    const QString section = ctx_.panel->selectedSection();
    // Reloaded from the record: an unsaved edit of the address is dropped on a switch.
    if (ui().cmbAudioTX->currentIndex() > 0) {
        ctx_.panel->setRemoteCaption(QStringLiteral("Multicast IP:"));
        ui().txtRemoteIP->setText(IniStore::ReadFromINI(section, ElementKeys::Multi, ctx_.iniPath,
                                                        ElementDefaults::Multi));
    } else {
        ctx_.panel->setRemoteCaption(QStringLiteral("Decoder IP:"));
        ui().txtRemoteIP->setText(IniStore::ReadFromINI(section, ElementKeys::Remote, ctx_.iniPath,
                                                        ElementDefaults::Remote));
    }
}

void FieldEditor::Slider1_Click() {
    ctx_.tmrVolume->setInterval(ui().Slider1->value());
}

bool FieldEditor::eventFilter(QObject* watched, QEvent* event) {
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (field != nullptr && event->type() == QEvent::FocusIn) {
        // After the click that gave the focus has placed the cursor.
        QTimer::singleShot(0, field, [field] {
            if (field->hasFocus())
                field->selectAll();
        });
    } else if (field == ui().txtElementName && event->type() == QEvent::FocusOut) {
        const QString upper = FieldRules::upperLatin1(field->text());
        if (upper != field->text())
            field->setText(upper);
    }
    return QObject::eventFilter(watched, event);
}
