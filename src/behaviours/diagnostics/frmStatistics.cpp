#include "frmStatistics.h"

#include "core/common/MessageBoxes.h"
#include "core/common/ProgramEnd.h"
#include "core/diagnostics/DiagnosticsPort.h"
#include "core/diagnostics/DiagnosticsRecord.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kPortFailure = QStringLiteral("Error 2: Unable to use UDP port 2978: occupied.");
const QString kDecodeFailure =
    QStringLiteral("Error 5 while retrieving values. Please reset the device and try again.");

QChar localeDecimalSeparator() { return QLocale().decimalPoint().at(0); }
} // namespace

frmStatistics::frmStatistics(DiagnosticsContext context, QWidget* parent)
    : QDialog(parent), ctx_(std::move(context)), udpClient2_(new DiagnosticsPort(this)),
      boxes_(ctx_.messages) {
    // One box at a time; the records that queued up behind an error are stale when it
    // closes.
    ctx_.messages = &boxes_;
    boxes_.afterEachBox = [this] { udpClient2_->discardPending(); };
    setObjectName(QStringLiteral("frmStatistics"));
    setWindowTitle(QStringLiteral("Statistics"));
    setModal(true);
    buildControls();
    connect(udpClient2_, &DiagnosticsPort::datagramArrived, this, &frmStatistics::recordArrived);
    connect(cmdRefreshStats, &QPushButton::clicked, this, &frmStatistics::Refresh);
    connect(cmdResetStats, &QPushButton::clicked, this, &frmStatistics::ResetCounters);
}

frmStatistics::~frmStatistics() = default;

void frmStatistics::buildControls() {
    frmStats = new QGroupBox(QStringLiteral("[DEVICE]"), this);
    frmStats->setObjectName(QStringLiteral("frmStats"));
    auto* grid = new QGridLayout(frmStats);
    struct Row {
        const char* caption;
        const char* name;
        QLabel** label;
        StatisticsRow row;
    };
    const Row rows[] = {
        {"Good TX Frames:", "lblMACTxOK", &lblMACTxOK, StatisticsRow::MACTxOK},
        {"Bad TX Frames:", "lblMACTxErr", &lblMACTxErr, StatisticsRow::MACTxErr},
        {"Good RX Frames:", "lblMACRxOK", &lblMACRxOK, StatisticsRow::MACRxOK},
        {"Bad RX Frames:", "lblMACRxErr", &lblMACRxErr, StatisticsRow::MACRxErr},
        {"OK Audio Frames:", "lblAudioRxFramesOK", &lblAudioRxFramesOK, StatisticsRow::AudioRxFramesOK},
        {"Bad Audio Frames:", "lblAudioRxFramesErr", &lblAudioRxFramesErr, StatisticsRow::AudioRxFramesErr},
        {"Good PTP Sync:", "lblPTPRxOK", &lblPTPRxOK, StatisticsRow::PTPRxOK},
        {"Bad PTP Sync:", "lblPTPRxErr", &lblPTPRxErr, StatisticsRow::PTPRxErr},
        {"Clock Difference:", "lblPTPClkAdj", &lblPTPClkAdj, StatisticsRow::PTPClkAdj},
        {"Measured delay:", "lblPTPLatency", &lblPTPLatency, StatisticsRow::PTPLatency},
    };
    int line = 0;
    for (const Row& r : rows) {
        const QString caption = QString::fromLatin1(r.caption);
        auto* captionLabel = new QLabel(caption, frmStats);
        auto* value = new QLabel(QStringLiteral("-"), frmStats);
        value->setObjectName(QString::fromLatin1(r.name));
        // The count is what a screen reader reads; the row caption is tied to it.
        captionLabel->setBuddy(value);
        value->setAccessibleDescription(caption.chopped(1));
        grid->addWidget(captionLabel, line, 0);
        grid->addWidget(value, line, 1);
        ++line;
        *r.label = value;
        rowLabels_[r.row] = value;
    }
    grid->setColumnMinimumWidth(1, 140);

    cmdRefreshStats = new QPushButton(QStringLiteral("&Refresh"), this);
    cmdRefreshStats->setObjectName(QStringLiteral("cmdRefreshStats"));
    cmdRefreshStats->setToolTip(QStringLiteral("Fetch counters"));
    cmdRefreshStats->setAccessibleName(QStringLiteral("Refresh"));
    cmdRefreshStats->setAutoDefault(false);
    cmdResetStats = new QPushButton(QStringLiteral("&Clear"), this);
    cmdResetStats->setObjectName(QStringLiteral("cmdResetStats"));
    cmdResetStats->setToolTip(QStringLiteral("Reset counters to zero"));
    cmdResetStats->setAccessibleName(QStringLiteral("Clear"));
    cmdResetStats->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdRefreshStats);
    buttons->addWidget(cmdResetStats);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frmStats);
    layout->addLayout(buttons);
}

bool frmStatistics::openWindow() {
    // 1. The window's own endpoint.
    if (!ctx_.openPort(*udpClient2_, kPortFailure))
        return false;
    // 2. The element's name, trailing blanks and all.
    frmStats->setTitle(ctx_.readElement(QStringLiteral("name"), QString()) + u':');
    // 3. The first request.  The port failing here is fatal; an element without a usable
    // stored address is only reported, like every later send.
    return ctx_.sendOpeningRequest(*udpClient2_, DiagnosticsRequest::GetStats, kPortFailure);
}

bool frmStatistics::sendToElement(const QByteArray& request) {
    const QString host = ctx_.readElement(QStringLiteral("ip"), QString());
    if (udpClient2_->send(host, request) == DiagnosticsPort::SendResult::Sent)
        return true;
    ctx_.reportSendFailure(udpClient2_->errorString());
    return false;
}

void frmStatistics::Refresh() { sendToElement(DiagnosticsRequest::GetStats); }

void frmStatistics::ResetCounters() {
    if (!ctx_.messages->question(DiagnosticsTexts::ResetQuestion, DiagnosticsTexts::ResetTitle))
        return;
    sendToElement(DiagnosticsRequest::RstStats);
}

void frmStatistics::recordArrived(const QByteArray& datagram) {
    if (datagram.size() > DiagnosticsRecord::kFullLength || boxes_.errorIsOpen())
        return;
    const StatisticsDecoding d = StatisticsDecoder::decode(datagram, ctx_.sfnOn(), ctx_.isDecoder(),
                                                           values_, localeDecimalSeparator());
    for (const auto& [row, text] : d.rows)
        rowLabels_.at(row)->setText(text);
    if (d.failed)
        ctx_.messages->error(kDecodeFailure);
}
