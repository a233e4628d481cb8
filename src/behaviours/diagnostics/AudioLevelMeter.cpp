#include "AudioLevelMeter.h"

#include "core/diagnostics/LevelReport.h"
#include "core/editor/FieldRules.h"
#include "core/protocol/DatagramDispatch.h"
#include "core/protocol/ElementSender.h"
#include "core/protocol/ManagementEndpoint.h"
#include "views/LevelBar.h"

#include <QCheckBox>
#include <QLabel>
#include <QLocale>
#include <QTimer>

namespace {
constexpr int kLevelRequestError = 104;
} // namespace

AudioLevelMeter::AudioLevelMeter(Controls controls, ElementSender* sender, ManagementEndpoint* endpoint,
                                 QObject* parent)
    : QObject(parent), c_(controls), sender_(sender) {
    // Checked or cleared by the operator, the toolbar or the element display alike.
    connect(c_.chkGetVolume, &QCheckBox::toggled, this, &AudioLevelMeter::switched);
    connect(c_.tmrVolume, &QTimer::timeout, this, &AudioLevelMeter::requestLevel);
    if (endpoint)
        connect(endpoint, &ManagementEndpoint::levelReportArrived, this, &AudioLevelMeter::showReport);
}

void AudioLevelMeter::switched(bool on) {
    if (on) {
        // The element shown: only its reports move the bar (taken again at each request).
        asked_ = FieldRules::ipv4Address(sender_->selectedElementIp()).value_or(0);
        c_.tmrVolume->start(); // the first request goes out on the first tick
        return;
    }
    c_.tmrVolume->stop();
    showSilence();
}

void AudioLevelMeter::showSilence() {
    c_.VUMeter->setWidthTwips(0);
    c_.lblVolume->setText(LevelReport::kSilentText);
}

void AudioLevelMeter::requestLevel() {
    // A failure's message box keeps the event loop running: the ticks behind it send
    // nothing (and stack no further boxes).
    if (sending_)
        return;
    sending_ = true;
    asked_ = FieldRules::ipv4Address(sender_->selectedElementIp()).value_or(0);
    const bool sent = sender_->send(LevelReport::Request, Ports::ElementShort, kLevelRequestError);
    sending_ = false;
    if (!sent) {
        // The element cannot be reached (or the program is ending): the meter stops.
        c_.tmrVolume->stop();
        c_.chkGetVolume->setChecked(false);
    }
}

void AudioLevelMeter::showReport(const QByteArray& report, quint32 senderIpv4) {
    // A late report after the meter stopped only clears the display.
    if (!c_.tmrVolume->isActive()) {
        ++reportsShown_;
        showSilence();
        return;
    }
    if (senderIpv4 != asked_) {
        ++reportsPassedOver_;
        return;
    }
    const qint32 peak = LevelReport::peak(report);
    ++reportsShown_;
    const LevelReport::Display d = LevelReport::display(peak, QLocale().decimalPoint().at(0));
    c_.VUMeter->setWidthTwips(d.widthTwips);
    c_.lblVolume->setText(d.text);
}
