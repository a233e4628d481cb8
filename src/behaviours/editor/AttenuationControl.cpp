#include "AttenuationControl.h"

#include "ElementPanel.h"
#include "core/common/MessageBoxes.h"
#include "core/database/ElementRecord.h"
#include "core/database/IniStore.h"
#include "core/editor/PanelTexts.h"
#include "core/protocol/AttenuationCommand.h"
#include "core/protocol/DatagramSend.h"
#include "core/protocol/ElementSender.h"
#include "views/OperatorScrollBar.h"

AttenuationControl::AttenuationControl(Context context, QObject* parent)
    : QObject(parent), ctx_(std::move(context)), writes_(ctx_.messages) {
    OperatorScrollBar* bar = ctx_.scrlAtten;
    // Raised before the value moves; sliderPosition() already holds the new value.
    connect(bar, &QScrollBar::actionTriggered, this, [this, bar] {
        if (!bar->isSliderDown() && bar->sliderPosition() != bar->value())
            operatorStep_ = true;
    });
    // A step, or the bar's context menu ("Scroll here" raises no action).
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int v) {
        if (!operatorStep_ && !bar->inContextMenu())
            return;
        operatorStep_ = false;
        operatorMoved(v);
    });
    connect(bar, &QScrollBar::sliderPressed, this, [this, bar] { valueAtPress_ = bar->value(); });
    connect(bar, &QScrollBar::sliderReleased, this, [this, bar] {
        if (bar->value() != valueAtPress_)
            operatorMoved(bar->value());
    });
}

void AttenuationControl::operatorMoved(int value) {
    if (ctx_.panel->elementType() != ElementPanel::Decoder)
        return;
    if (!SendAttenuation(quint8(value))) {
        // Nothing reached the element: the bar shows again what it holds.
        const QString stored = IniStore::ReadFromINI(
            ctx_.panel->selectedSection(), ElementKeys::Att, ctx_.iniPath, ElementDefaults::Att);
        ctx_.panel->setBarValue(
            ctx_.scrlAtten, ElementRecord::barValue(stored, PanelRanges::AttenMin,
                                                    PanelRanges::AttenMax, ElementDefaults::Att));
        return;
    }
    // Told once for a run of steps that cannot be stored, again after one that could.
    if (writes_.check(IniStore::WriteToINI(ctx_.panel->selectedSection(), ElementKeys::Att,
                                           QString::number(value), ctx_.iniPath),
                      QStringLiteral("The attenuation could not be saved in the local database:")))
        writes_.begin();
}

bool AttenuationControl::SendAttenuation(quint8 value) {
    // No usable stored address: told once for a run of steps on this element, again
    // after a step that was sent.
    const QString reason = DatagramSend::unusableAddressReason(ctx_.sender->selectedElementIp());
    const QString section = ctx_.panel->selectedSection();
    if (!reason.isEmpty()) {
        if (unreachableToldFor_ != section)
            ctx_.messages->error(
                DatagramSend::unreachableText(AttenuationCommand::RemotePort, reason));
        unreachableToldFor_ = section;
        return false;
    }
    unreachableToldFor_.reset();
    return ctx_.sender->send(AttenuationCommand::encode(value), AttenuationCommand::RemotePort,
                             AttenuationCommand::ErrorCode);
}
