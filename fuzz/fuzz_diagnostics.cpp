// libFuzzer target: any bytes as a diagnostics record and as a level report.  Decoding
// must never fail; rows come in the window's order; the level stays within the bar.

#include "core/diagnostics/AdjustDecoder.h"
#include "core/diagnostics/LevelReport.h"
#include "core/diagnostics/StatisticsDecoder.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (bool sfn : {false, true}) {
        for (bool decoder : {false, true}) {
            StatisticsValues v;
            const StatisticsDecoding d = StatisticsDecoder::decode(bytes, sfn, decoder, v, u',');
            for (size_t i = 1; i < d.rows.size(); ++i) {
                // Strictly in the order of decoding: Ethernet, PTP, audio.
                static const StatisticsRow order[] = {
                    StatisticsRow::MACTxOK,  StatisticsRow::MACRxOK,  StatisticsRow::MACTxErr,
                    StatisticsRow::MACRxErr, StatisticsRow::PTPRxOK,  StatisticsRow::PTPRxErr,
                    StatisticsRow::PTPClkAdj, StatisticsRow::PTPLatency, StatisticsRow::AudioRxFramesOK,
                    StatisticsRow::AudioRxFramesErr};
                auto rank = [](StatisticsRow r) {
                    for (int k = 0; k < 10; ++k)
                        if (order[k] == r)
                            return k;
                    return -1;
                };
                if (rank(d.rows[i - 1].first) >= rank(d.rows[i].first))
                    std::abort();
            }
            if (!sfn && d.rows.size() > 6)
                std::abort();
        }
    }
    const AdjustDecoding a = AdjustDecoder::decode(bytes, true);
    if (a.sliderValue && (*a.sliderValue < 0 || *a.sliderValue > 25000))
        std::abort();
    if (a.lines.size() > 3)
        std::abort();
    const qint32 peak = LevelReport::peak(bytes);
    if (peak < 0 || peak > 8388607)
        std::abort();
    const LevelReport::Display shown = LevelReport::display(peak, u',');
    if (shown.widthTwips < 0 || shown.widthTwips > 2100 || !shown.text.endsWith(QLatin1String("dBFS")))
        std::abort();
    return 0;
}
