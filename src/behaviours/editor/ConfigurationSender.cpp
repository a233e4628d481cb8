#include "ConfigurationSender.h"

#include "core/common/MessageBoxes.h"
#include "core/database/IniStore.h"
#include "core/database/MacSection.h"
#include "core/editor/ConfigCommand.h"
#include "core/editor/FieldRules.h"
#include "core/protocol/DatagramDispatch.h"
#include "core/protocol/ElementSender.h"
#include "views/MainWindowUi.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTimer>

namespace {
const QString kErrorTitle = QStringLiteral("Error!");
}

ConfigurationSender::ConfigurationSender(Context context, QObject* parent)
    : QObject(parent), ctx_(std::move(context)) {
    QTimer& t = *ctx_.timerRemoteSent;
    t.setInterval(3000);
    t.setSingleShot(true);
    t.setTimerType(Qt::PreciseTimer);
    connect(&t, &QTimer::timeout, this, &ConfigurationSender::timedOut);
}

QString ConfigurationSender::sendQuestion() {
    return QStringLiteral("This configuration will be sent to selected Network Element and\r"
                          "will also be saved to local database in your computer. \r"
                          "Are you sure?");
}

void ConfigurationSender::SaveChanges() {
    const MainWindowUi& ui = *ctx_.ui;
    auto refuse = [&](const char* firstLine) {
        ctx_.messages->error(QLatin1String(firstLine) + QStringLiteral("\rCannot save."), kErrorTitle);
    };
    if (ui.lblElementMAC->text() == QLatin1String("-"))
        return refuse("No Network Element selected!");
    if (ui.cmbAudioTX->currentIndex() < 0 || ui.cmbAudioType->currentIndex() < 0 ||
        ui.cmbAudioInput->currentIndex() < 0)
        return refuse("Please verify that all audio fields are correct!");
    if (ui.txtElementName->text().isEmpty())
        return refuse("Please verify that the name field is correct!");
    for (const QLineEdit* field : {ui.txtElementIP, ui.txtElementMask, ui.txtElementGW, ui.txtRemoteIP}) {
        if (!FieldRules::IsValidIP(field->text()))
            return refuse("Please verify that all IP fields are correct!");
    }
    if (!QFileInfo::exists(ctx_.iniPath))
        return refuse("The local database in your computer, is corrupted!");
    // The command goes to the address the element has now, as stored: without a usable one
    // it could reach nobody, and the edits stay in the panel.
    const QString stored = IniStore::ReadFromINI(MacSection::Encode_MAC(ui.lblElementMAC->text()),
                                                 QStringLiteral("ip"), ctx_.iniPath, QString());
    if (!FieldRules::ipv4Address(stored))
        return refuse("The address stored for this element is missing or invalid!\r"
                      "Run 'Auto discover elements' to read it from the element again.");

    const MsgAnswer answer = ctx_.messages->show({sendQuestion(), QStringLiteral("Send configuration"),
                                                  MsgIcon::Question, MsgButtons::YesNo});
    if (answer == MsgAnswer::Yes)
        SendConfiguration();
}

ConfigCommandInput ConfigurationSender::panelValues() const {
    const MainWindowUi& ui = *ctx_.ui;
    ConfigCommandInput in;
    in.roleCaption = ui.lblElementType->text();
    in.firmwareVersion = IniStore::ReadFromINI(MacSection::Encode_MAC(ui.lblElementMAC->text()),
                                               QStringLiteral("ver"), ctx_.iniPath, QStringLiteral("2.0"));
    in.elementIP = ui.txtElementIP->text();
    in.elementMask = ui.txtElementMask->text();
    in.elementGW = ui.txtElementGW->text();
    in.remoteIP = ui.txtRemoteIP->text();
    in.audioInput = ui.cmbAudioInput->currentIndex();
    in.audioType = ui.cmbAudioType->currentIndex();
    in.audioTX = ui.cmbAudioTX->currentIndex();
    in.sfnEnabled = ui.chkSFNEnabled->isChecked();
    in.elementName = ui.txtElementName->text();
    in.lowLatency = ui.chkLowLatency->isChecked();
    in.buffer = ui.scrlBuffer->value();
    in.silDetMode = ui.cmbSilDetMode->currentIndex();
    in.silDetLevel = ui.scrlSilDetLevel->value();
    in.silDetTime = ui.scrlSilDetTime->value();
    return in;
}

void ConfigurationSender::SendConfiguration() {
    const QByteArray command = ConfigCommand::build(panelValues());
    QTimer* timer = ctx_.timerRemoteSent;
    if (!ctx_.sender->send(command, Ports::ElementConfig, 101, [timer] { timer->start(); }))
        timer->stop(); // nothing left: no answer to wait for (the failure was reported)
}

void ConfigurationSender::timedOut() {
    ctx_.timerRemoteSent->stop();
    ctx_.messages->error(
        QStringLiteral("Waiting for a response from Network Element has timed out!\rCannot save."), kErrorTitle);
}
