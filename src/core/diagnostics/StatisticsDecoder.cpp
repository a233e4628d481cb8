#include "StatisticsDecoder.h"

#include "DiagnosticsRecord.h"
#include "core/common/DisplayNumber.h"

namespace StatisticsDecoder {

namespace {
QString number(qint64 v) { return DisplayNumber::format(double(v)); }
} // namespace

std::optional<float> errorRatio(qint32 withoutError, qint32 withError) {
    const auto sum = DiagnosticsRecord::checkedSum(withoutError, withError);
    if (!sum)
        return std::nullopt;
    if (*sum == 0)
        return 0.0f;
    const double percent = double(withError) / double(*sum) * 100.0;
    // Rounded as the decimal value reads (ties to even), then kept in single precision.
    const double rounded = DisplayNumber::format(percent, 2).toDouble();
    return float(rounded);
}

QString countWithRatio(qint32 count, float ratio, QChar decimalSeparator) {
    return number(count) + QStringLiteral(" (") + DisplayNumber::format(double(ratio), 2, decimalSeparator) +
           QStringLiteral("%)");
}

StatisticsDecoding decode(const QByteArray& record, bool sfnOn, bool isDecoder,
                          StatisticsValues& v, QChar decimalSeparator) {
    namespace R = DiagnosticsRecord;
    namespace O = DiagnosticsRecord::Offset;
    StatisticsDecoding out;
    auto fail = [&out] {
        out.failed = true;
        return out;
    };
    auto show = [&out](StatisticsRow row, QString text) { out.rows.emplace_back(row, std::move(text)); };

    const auto additional = R::field(record, O::AdditionalLatency);
    if (!additional)
        return fail();
    v.UDP_Response_Additional_Latency = *additional;

    const auto txOk = R::field(record, O::TxFramesOk);
    if (!txOk)
        return fail();
    v.UDP_Response_Tx_Frames_OK = *txOk;
    show(StatisticsRow::MACTxOK, number(*txOk));

    const auto rxOk = R::field(record, O::RxFramesOk);
    if (!rxOk)
        return fail();
    v.UDP_Response_Rx_Frames_OK = *rxOk;
    show(StatisticsRow::MACRxOK, number(*rxOk));

    const auto txErr = R::field(record, O::TxFramesErr);
    if (!txErr)
        return fail();
    v.UDP_Response_Tx_Frames_Err = *txErr;
    const auto txRatio = errorRatio(*txOk, *txErr);
    if (!txRatio)
        return fail();
    v.UDP_Response_Tx_Frames_Err_Ratio = *txRatio;
    show(StatisticsRow::MACTxErr, countWithRatio(*txErr, *txRatio, decimalSeparator));

    const auto rxErr = R::field(record, O::RxFramesErr);
    if (!rxErr)
        return fail();
    v.UDP_Response_Rx_Frames_Err = *rxErr;
    const auto rxRatio = errorRatio(*rxOk, *rxErr);
    if (!rxRatio)
        return fail();
    v.UDP_Response_Rx_Frames_Err_Ratio = *rxRatio;
    show(StatisticsRow::MACRxErr, countWithRatio(*rxErr, *rxRatio, decimalSeparator));

    if (sfnOn) {
        const auto syncOk = R::field(record, O::PtpSyncOk);
        if (!syncOk)
            return fail();
        v.UDP_Response_PTP_Sync_OK = *syncOk;
        show(StatisticsRow::PTPRxOK, number(*syncOk));

        const auto syncErr = R::field(record, O::PtpSyncErr);
        if (!syncErr)
            return fail();
        v.UDP_Response_PTP_Sync_Err = *syncErr;
        show(StatisticsRow::PTPRxErr, number(*syncErr));

        if (isDecoder) {
            const auto clock = R::field(record, O::ClockDifference);
            if (!clock)
                return fail();
            v.UDP_Response_PTP_Sync_Value = *clock;
            show(StatisticsRow::PTPClkAdj, number(*clock) + QStringLiteral(" nS"));

            const auto measured = R::field(record, O::MeasuredDelay);
            if (!measured)
                return fail();
            const auto latency = R::checkedSum(*measured, v.UDP_Response_Additional_Latency);
            if (!latency)
                return fail();
            v.UDP_Response_PTP_Sync_Latency = *latency;
            show(StatisticsRow::PTPLatency, number(*latency) + QStringLiteral(" nS"));
        }
    }

    const auto audioOk = R::field(record, O::AudioFramesOk);
    if (!audioOk)
        return fail();
    v.UDP_Response_Rx_Audio_Frames_OK = *audioOk;
    show(StatisticsRow::AudioRxFramesOK, number(*audioOk));

    const auto audioErr = R::field(record, O::AudioFramesErr);
    if (!audioErr)
        return fail();
    v.UDP_Response_Rx_Audio_Frames_Err = *audioErr;
    const auto audioRatio = errorRatio(*audioOk, *audioErr);
    if (!audioRatio)
        return fail();
    v.UDP_Response_Rx_Audio_Frames_Err_Ratio = *audioRatio;
    show(StatisticsRow::AudioRxFramesErr, countWithRatio(*audioErr, *audioRatio, decimalSeparator));
    return out;
}

} // namespace StatisticsDecoder
