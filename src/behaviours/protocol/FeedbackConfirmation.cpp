#include "FeedbackConfirmation.h"

#include "behaviours/editor/PanelUpdates.h"
#include "core/common/MessageBoxes.h"
#include "core/database/IniStore.h"
#include "core/database/MacSection.h"
#include "core/editor/FieldRules.h"
#include "core/protocol/FeedbackRecord.h"
#include "views/MainWindowUi.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include <algorithm>

namespace {

// Blanks at both ends removed (only blanks, as the name is padded with them).
QString trimBlanks(const QString& text) {
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && text[b] == u' ')
        ++b;
    while (e > b && text[e - 1] == u' ')
        --e;
    return text.mid(b, e - b);
}

// Whether an address the element echoes is the one in the field: the same address, read
// decimal as every send reads it ("192.168.001.010" is the element's "192.168.1.10").
bool sameAddress(const QString& echoed, const QString& field) {
    const std::optional<quint32> a = FieldRules::ipv4Address(echoed);
    return a ? a == FieldRules::ipv4Address(field) : echoed == field;
}

QString cannotSave(const char* firstLine) {
    return QLatin1String(firstLine) + QStringLiteral("\rCannot save this element info.");
}

} // namespace

FeedbackConfirmation::FeedbackConfirmation(Context context) : ctx_(std::move(context)) {}

QString FeedbackConfirmation::savingFailureText(const QString& subject) {
    return QStringLiteral("An error occured while saving '%1':\rFeedback is corrupted.")
        .arg(subject);
}

void FeedbackConfirmation::write(const QString& key, const QString& value) {
    confirmed_.append({key, value});
}

IniWriteResult FeedbackConfirmation::storeConfirmed() {
    // One change of the file, as the single writes in their order would leave it: a
    // failure leaves the section as it was, never half old and half new.
    return IniStore::WriteSectionEntries(section_, confirmed_, ctx_.iniPath);
}

void FeedbackConfirmation::confirm(const FeedbackRecord& r) {
    MainWindowUi& ui = *ctx_.ui;
    MessageBoxes& messages = *ctx_.messages;

    if (ui.lblElementMAC->text() != r.UDP_Response_MAC) {
        messages.error(cannotSave("The response received does not match the selected element."));
        return;
    }
    section_ = MacSection::Encode_MAC(r.UDP_Response_MAC);
    confirmed_.clear();
    if (IniStore::GetSectionKeyCount(section_, ctx_.iniPath) >= 21) {
        messages.error(
            cannotSave("The data stored in your computer about this element, is corrupted."));
        return;
    }

    bool mismatch = false;
    auto compare = [&](bool equal, const QString& key, const QString& value, const char* subject) {
        if (equal) {
            write(key, value);
        } else {
            mismatch = true;
            messages.error(savingFailureText(QLatin1String(subject)));
        }
    };
    const QString name = ui.txtElementName->text();
    compare(FieldRules::upperLatin1(trimBlanks(r.UDP_Response_Name)) ==
                FieldRules::upperLatin1(trimBlanks(name)),
            QStringLiteral("name"), FieldRules::PadName16(name), "Element Name");
    // An address is stored as the element reports it: the field's text, but for leading
    // zeros the operator may have typed.
    compare(sameAddress(r.UDP_Response_IP, ui.txtElementIP->text()), QStringLiteral("ip"),
            r.UDP_Response_IP, "Element IP");
    compare(sameAddress(r.UDP_Response_Mask, ui.txtElementMask->text()), QStringLiteral("mask"),
            r.UDP_Response_Mask, "Element Mask");
    compare(sameAddress(r.UDP_Response_GW, ui.txtElementGW->text()), QStringLiteral("gw"),
            r.UDP_Response_GW, "Element GW");
    compare(r.UDP_Response_Audio_Input == ui.cmbAudioInput->currentIndex(), QStringLiteral("input"),
            QString::number(ui.cmbAudioInput->currentIndex()), "Audio Input");
    compare(r.UDP_Response_Audio_Type == ui.cmbAudioType->currentIndex(), QStringLiteral("type"),
            QString::number(ui.cmbAudioType->currentIndex()), "Audio Type");
    compare(r.UDP_Response_TX_Type == ui.cmbAudioTX->currentIndex(), QStringLiteral("tx"),
            QString::number(ui.cmbAudioTX->currentIndex()), "Audio TX");

    write(QStringLiteral("role"), QString::number(r.UDP_Response_Role));
    if (r.UDP_Response_Role == 1) {
        ctx_.panel->setElementType(PanelUpdates::Encoder);
    } else if (r.UDP_Response_Role == 2) {
        ctx_.panel->setElementType(PanelUpdates::Decoder);
    } else {
        ctx_.panel->setElementType(PanelUpdates::Unknown);
        mismatch = true;
    }

    if (sameAddress(r.UDP_Response_Remote_IP, ui.txtRemoteIP->text())) {
        write(r.remoteKey(), r.UDP_Response_Remote_IP);
    } else {
        mismatch = true;
        messages.error(savingFailureText(r.UDP_Response_TX_Type != 0
                                             ? QStringLiteral("Multicast IP")
                                             : QStringLiteral("Remote IP")));
    }

    // Stored as the element reports them, brought into what the panel can show.
    ui.lblSerialNumber->setText(QString::number(r.UDP_Response_SN));
    write(QStringLiteral("sn"), QString::number(r.UDP_Response_SN));
    ui.lblVersion->setText(r.versionText());
    write(QStringLiteral("ver"), r.versionText());

    const int att = std::max<int>(r.UDP_Response_Att, ui.scrlAtten->minimum());
    ctx_.panel->setBarValue(ui.scrlAtten, att);
    write(QStringLiteral("att"), QString::number(att));
    const int buffer = std::min<int>(r.UDP_Response_Buffer, ui.scrlBuffer->maximum());
    ctx_.panel->setBarValue(ui.scrlBuffer, buffer);
    write(QStringLiteral("buf"), QString::number(buffer));
    const int sfn = r.UDP_Response_SFN > 1 ? 0 : r.UDP_Response_SFN;
    write(QStringLiteral("sfn"), QString::number(sfn));
    // A routing the list cannot show leaves the list as it was: an empty list would send
    // "Auto detect" with the next save.
    if (r.UDP_Response_SilDet_Mode < ui.cmbSilDetMode->count())
        ui.cmbSilDetMode->setCurrentIndex(r.UDP_Response_SilDet_Mode);
    write(QStringLiteral("sdm"), QString::number(r.UDP_Response_SilDet_Mode));
    const int level =
        std::min<int>(std::max<int>(r.UDP_Response_SilDet_Level, ui.scrlSilDetLevel->minimum()),
                      ui.scrlSilDetLevel->maximum());
    ctx_.panel->setBarValue(ui.scrlSilDetLevel, level);
    write(QStringLiteral("sdl"), QString::number(level));
    const int time =
        std::min<int>(std::max<int>(r.UDP_Response_SilDet_Time, ui.scrlSilDetTime->minimum()),
                      ui.scrlSilDetTime->maximum());
    ctx_.panel->setBarValue(ui.scrlSilDetTime, time);
    write(QStringLiteral("sdt"), QString::number(time));
    const int llo = r.UDP_Response_Low_Latency > 1 ? 0 : r.UDP_Response_Low_Latency;
    write(QStringLiteral("llo"), QString::number(llo));

    // The panel keeps what the element confirmed; the operator learns it was not stored.
    const IniWriteResult stored = storeConfirmed();
    confirmed_.clear();
    if (stored)
        recordVersion(ctx_.recordVersion, section_, HistorySource::ConfirmedConfiguration);
    if (!stored)
        messages.error(
            QStringLiteral("The new configuration could not be saved in the local database:\r") +
            stored.error);
    else if (!mismatch)
        messages.show({QStringLiteral("New configuration has been sucessfuly saved and loaded!"),
                       QStringLiteral("Configuration changed"), MsgIcon::Information,
                       MsgButtons::Ok});
}
