#include "frmAdjust.h"

#include "core/common/MessageBoxes.h"
#include "core/common/ProgramEnd.h"
#include "core/database/IniStore.h"
#include "core/diagnostics/AdjustDecoder.h"
#include "core/diagnostics/DelayText.h"
#include "core/diagnostics/DiagnosticsPort.h"
#include "core/diagnostics/DiagnosticsRecord.h"
#include "core/shell/SettingsStore.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const QString kPortFailure = QStringLiteral("Unable to use UDP port 2978: occupied.");
const QString kDecodeFailure =
    QStringLiteral("Error 4 while retrieving values. Please reset the device and try again.");
const QString kSaveReminder =
    QStringLiteral("There are unsaved parameters. Don't forget to click the 'Save' button.");

// A measurement: its text is what a screen reader reads, the caption is said with it.
QLabel* valueLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* l = new QLabel(QStringLiteral("-"), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setAccessibleDescription(caption.chopped(caption.endsWith(u':') ? 1 : 0));
    return l;
}
} // namespace

frmAdjust::frmAdjust(DiagnosticsContext context, QWidget* parent)
    : QDialog(parent), ctx_(std::move(context)), udpClient3_(new DiagnosticsPort(this)),
      boxes_(ctx_.messages) {
    // One box at a time; the replies that queued up behind it are stale when it closes.
    ctx_.messages = &boxes_;
    boxes_.afterEachBox = [this] { udpClient3_->discardPending(); };
    setObjectName(QStringLiteral("frmAdjust"));
    setWindowTitle(QStringLiteral("SFN Adjustment"));
    setModal(true);
    buildControls();
    // Precise: a coarse timer may fire up to 5 % early.
    Timer1 = new QTimer(this);
    Timer1->setInterval(250);
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer2 = new QTimer(this);
    Timer2->setInterval(1000);
    Timer2->setTimerType(Qt::PreciseTimer);
    connectControls();
}

frmAdjust::~frmAdjust() = default;

void frmAdjust::buildControls() {
    frmMeasurements = new QGroupBox(QStringLiteral("Measurements:"), this);
    auto* m = new QGridLayout(frmMeasurements);
    struct Row {
        const char* caption;
        const char* name;
        QLabel** label;
    };
    const Row rows[] = {
        {"Network latency (MIN):", "lblCurrentDelayMIN", &lblCurrentDelayMIN},
        {"Network latency (MAX):", "lblCurrentDelayMAX", &lblCurrentDelayMAX},
        {"Network latency (AVG):", "lblCurrentDelayAVG", &lblCurrentDelayAVG},
        {"MAC interface latency:", "lblFixedLatencyMAC", &lblFixedLatencyMAC},
        {"Audio interface latency:", "lblFixedLatencyAUDIO", &lblFixedLatencyAUDIO},
        {"Latency summary (MIN):", "lblDelaySumMIN", &lblDelaySumMIN},
        {"Latency summary (MAX):", "lblDelaySumMAX", &lblDelaySumMAX},
        {"Latency summary (AVG):", "lblDelaySumAVG", &lblDelaySumAVG},
    };
    int line = 0;
    for (const Row& r : rows) {
        const QString caption = QString::fromLatin1(r.caption);
        *r.label = valueLabel(frmMeasurements, r.name, caption);
        auto* captionLabel = new QLabel(caption, frmMeasurements);
        captionLabel->setBuddy(*r.label);
        m->addWidget(captionLabel, line, 0);
        m->addWidget(*r.label, line, 1);
        ++line;
    }
    m->setColumnMinimumWidth(1, 160);
    cmdResetStats = new QPushButton(QStringLiteral("&Clear"), frmMeasurements);
    cmdResetStats->setObjectName(QStringLiteral("cmdResetStats"));
    cmdResetStats->setToolTip(QStringLiteral("Reset counters to zero"));
    cmdResetStats->setAccessibleName(QStringLiteral("Clear"));
    cmdRefresh = new QPushButton(QStringLiteral("&Refresh"), frmMeasurements);
    cmdRefresh->setObjectName(QStringLiteral("cmdRefresh"));
    cmdRefresh->setAccessibleName(QStringLiteral("Refresh"));
    chkAutoUpdate = new QCheckBox(QStringLiteral("&Auto"), frmMeasurements);
    chkAutoUpdate->setObjectName(QStringLiteral("chkAutoUpdate"));
    chkAutoUpdate->setToolTip(QStringLiteral("Auto refresh (every 1 sec)"));
    chkAutoUpdate->setAccessibleName(QStringLiteral("Auto"));
    auto* measurementButtons = new QHBoxLayout;
    measurementButtons->addWidget(cmdResetStats);
    measurementButtons->addWidget(cmdRefresh);
    measurementButtons->addWidget(chkAutoUpdate);
    measurementButtons->addStretch();
    m->addLayout(measurementButtons, line, 0, 1, 2);

    frmAdjustments = new QGroupBox(QStringLiteral("Adjustments:"), this);
    auto* a = new QGridLayout(frmAdjustments);
    const QString compensation = QStringLiteral("Latency compensation:");
    lblAdditionalDelay = valueLabel(frmAdjustments, "lblAdditionalDelay", compensation);
    scrlAdditionalDelay = new QSlider(Qt::Horizontal, frmAdjustments);
    scrlAdditionalDelay->setObjectName(QStringLiteral("scrlAdditionalDelay"));
    scrlAdditionalDelay->setAccessibleName(compensation);
    scrlAdditionalDelay->setRange(0, DiagnosticsRequest::kDelayMaximumUnits);
    scrlAdditionalDelay->setSingleStep(1);
    scrlAdditionalDelay->setPageStep(100);
    auto* compensationLabel = new QLabel(compensation, frmAdjustments);
    compensationLabel->setBuddy(scrlAdditionalDelay);
    chkAutoServo = new QCheckBox(QStringLiteral("Auto &delay compensation"), frmAdjustments);
    chkAutoServo->setObjectName(QStringLiteral("chkAutoServo"));
    chkAutoServo->setToolTip(QStringLiteral("Enables auto compansation of Network latency"));
    // No fixed name: the caption carries the element's servo correction once it answers.
    chkAutoClear = new QCheckBox(QStringLiteral("Auto clea&r counters"), frmAdjustments);
    chkAutoClear->setObjectName(QStringLiteral("chkAutoClear"));
    chkAutoClear->setToolTip(QStringLiteral("Clear counters after each 'Set' command"));
    chkAutoClear->setAccessibleName(QStringLiteral("Auto clear counters"));
    cmdSet = new QPushButton(QStringLiteral("&Set"), frmAdjustments);
    cmdSet->setObjectName(QStringLiteral("cmdSet"));
    cmdSet->setAccessibleName(QStringLiteral("Set"));
    a->addWidget(compensationLabel, 0, 0);
    a->addWidget(lblAdditionalDelay, 0, 1);
    a->addWidget(scrlAdditionalDelay, 1, 0, 1, 2);
    a->addWidget(chkAutoServo, 2, 0, 1, 2);
    a->addWidget(chkAutoClear, 3, 0);
    a->addWidget(cmdSet, 3, 1, Qt::AlignRight);

    for (QPushButton* b : {cmdResetStats, cmdRefresh, cmdSet})
        b->setAutoDefault(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frmMeasurements);
    layout->addWidget(frmAdjustments);
}

void frmAdjust::connectControls() {
    connect(udpClient3_, &DiagnosticsPort::datagramArrived, this, &frmAdjust::recordArrived);
    connect(cmdRefresh, &QPushButton::clicked, this, &frmAdjust::Refresh);
    connect(cmdSet, &QPushButton::clicked, this, &frmAdjust::Set);
    connect(cmdResetStats, &QPushButton::clicked, this, &frmAdjust::ResetCounters);
    connect(Timer2, &QTimer::timeout, this, &frmAdjust::Refresh);
    connect(Timer1, &QTimer::timeout, this, [this] {
        Timer1->stop(); // one reset per Set, without confirmation
        sendToElement(DiagnosticsRequest::RstStats);
    });
    connect(chkAutoUpdate, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            Timer2->start();
        else
            Timer2->stop();
    });
    // A change of the slider, by the operator or by a reply, and dragging it.
    auto sliderMoved = [this] {
        switchAutoRefreshOff();
        showAdditionalDelay();
    };
    connect(scrlAdditionalDelay, &QSlider::valueChanged, this, sliderMoved);
    connect(scrlAdditionalDelay, &QSlider::sliderMoved, this, sliderMoved);
    connect(chkAutoServo, &QCheckBox::toggled, this, [this] { switchAutoRefreshOff(); });
    connect(chkAutoClear, &QCheckBox::toggled, this, [this](bool on) {
        switchAutoRefreshOff();
        ctx_.settings->setValue(SettingKeys::AutoClearCounters, on ? QStringLiteral("1") : QStringLiteral("0"));
    });
}

void frmAdjust::switchAutoRefreshOff() {
    chkAutoUpdate->setChecked(false);
    Timer2->stop();
}

void frmAdjust::showAdditionalDelay() {
    additionalDelay_ = scrlAdditionalDelay->value() * DiagnosticsRequest::kDelayUnitNs;
    lblAdditionalDelay->setText(DelayText::format(additionalDelay_));
}

bool frmAdjust::openWindow() {
    // 1, 2.
    parametersSent_ = false;
    for (QLabel* l : {lblCurrentDelayMIN, lblCurrentDelayMAX, lblCurrentDelayAVG, lblDelaySumMIN, lblDelaySumMAX,
                      lblDelaySumAVG, lblAdditionalDelay, lblFixedLatencyAUDIO, lblFixedLatencyMAC})
        l->setText(QStringLiteral("-"));
    {
        // 3, 4: the stored state, read safely (a value the controls cannot take gives the
        // nearest limit, or clear); this writes nothing and starts nothing.
        const QSignalBlocker b1(chkAutoClear), b2(scrlAdditionalDelay), b3(chkAutoServo);
        chkAutoClear->setChecked(settingAsNumber(*ctx_.settings, SettingKeys::AutoClearCounters) == 1);
        const qint32 dly = IniStore::LeadingInteger(ctx_.readElement(QStringLiteral("dly"), QStringLiteral("0")));
        scrlAdditionalDelay->setValue(std::clamp(dly, 0, DiagnosticsRequest::kDelayMaximumUnits));
        chkAutoServo->setChecked(
            IniStore::LeadingInteger(ctx_.readElement(QStringLiteral("srv"), QStringLiteral("0"))) == 1);
    }
    // 5.
    showAdditionalDelay();
    // 6.
    if (!ctx_.openPort(*udpClient3_, kPortFailure))
        return false;
    // 7.  The port failing here is fatal; an element without a usable stored address is
    // only reported, like every later send.
    return ctx_.sendOpeningRequest(*udpClient3_, DiagnosticsRequest::GetDel, kPortFailure);
}

bool frmAdjust::sendToElement(const QByteArray& request) {
    const QString host = ctx_.readElement(QStringLiteral("ip"), QString());
    if (udpClient3_->send(host, request) == DiagnosticsPort::SendResult::Sent)
        return true;
    // Auto refresh would repeat the failure every second, one message over the other.
    switchAutoRefreshOff();
    ctx_.reportSendFailure(udpClient3_->errorString());
    return false;
}

void frmAdjust::Refresh() { sendToElement(DiagnosticsRequest::GetDel); }

void frmAdjust::Set() {
    switchAutoRefreshOff();
    const QByteArray command =
        DiagnosticsRequest::setDelayCommand(scrlAdditionalDelay->value(), chkAutoServo->isChecked());
    if (!sendToElement(command))
        return; // nothing reached the element: no reset follows and nothing is to be stored
    if (chkAutoClear->isChecked())
        Timer1->start();
    parametersSent_ = true;
}

void frmAdjust::ResetCounters() {
    switchAutoRefreshOff();
    if (!ctx_.messages->question(DiagnosticsTexts::ResetQuestion, DiagnosticsTexts::ResetTitle))
        return;
    sendToElement(DiagnosticsRequest::RstStats);
}

void frmAdjust::recordArrived(const QByteArray& datagram) {
    if (datagram.size() != DiagnosticsRecord::kFullLength || boxes_.errorIsOpen())
        return;
    decodeReply(datagram);
}

void frmAdjust::decodeReply(const QByteArray& record) {
    // 1. The fixed latencies, for every element.
    lblFixedLatencyMAC->setText(DelayText::format(DelayText::kMacInterfaceNs));
    lblFixedLatencyAUDIO->setText(DelayText::format(DelayText::kAudioInterfaceNs));
    // 2.
    const AdjustDecoding d = AdjustDecoder::decode(record, ctx_.sfnOn() && ctx_.isDecoder());
    // 3. The element's additional latency moves the slider; auto refresh goes off only
    // when the position actually changes.
    if (d.sliderValue) {
        UDP_Response_PTP_Additional_Delay = *d.additionalDelayUnits;
        if (scrlAdditionalDelay->value() != *d.sliderValue)
            scrlAdditionalDelay->setValue(*d.sliderValue);
        else
            showAdditionalDelay();
    }
    // 4. Auto servo; a change of the check box switches auto refresh off.
    if (d.servo) {
        UDP_Response_PTP_Auto_Servo = d.servo->state;
        chkAutoServo->setChecked(d.servo->on);
        chkAutoServo->setText(d.servo->caption);
    }
    // 5. Average, minimum, maximum.
    for (const LatencyLine& line : d.lines) {
        switch (line.row) {
        case LatencyRow::Average:
            UDP_Response_PTP_Propagation_Delay_Average = line.network;
            lblCurrentDelayAVG->setText(line.networkText);
            lblDelaySumAVG->setText(line.summaryText);
            break;
        case LatencyRow::Minimum:
            UDP_Response_PTP_Propagation_Delay_Minimum = line.network;
            lblCurrentDelayMIN->setText(line.networkText);
            lblDelaySumMIN->setText(line.summaryText);
            break;
        case LatencyRow::Maximum:
            UDP_Response_PTP_Propagation_Delay_Maximum = line.network;
            lblCurrentDelayMAX->setText(line.networkText);
            lblDelaySumMAX->setText(line.summaryText);
            break;
        }
    }
    if (d.failed) {
        // Auto refresh would go on asking behind the box, each answer another box.
        switchAutoRefreshOff();
        ctx_.messages->error(kDecodeFailure);
    }
}

void frmAdjust::done(int result) {
    // The window's timers and port go with it; a pending reset after Set is dropped.
    Timer1->stop();
    Timer2->stop();
    udpClient3_->close();
    if (parametersSent_) {
        parametersSent_ = false;
        const IniWriteResult dly = ctx_.writeElement(
            QStringLiteral("dly"), QString::number(additionalDelay_ / DiagnosticsRequest::kDelayUnitNs));
        const IniWriteResult srv = ctx_.writeElement(
            QStringLiteral("srv"), chkAutoServo->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
        if (!dly || !srv)
            ctx_.messages->error(
                QStringLiteral("The latency compensation could not be saved in the local database:\r") +
                (dly ? srv.error : dly.error));
        ctx_.messages->information(kSaveReminder);
    }
    QDialog::done(result);
}
