// The diagnostics record as the statistics and SFN windows decode it.  Records are written
// out byte by byte from the record layout (big-endian signed 32-bit fields).

#include "core/diagnostics/AdjustDecoder.h"
#include "core/diagnostics/DiagnosticsRecord.h"
#include "core/diagnostics/StatisticsDecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::pair<StatisticsRow, std::string>>;

// A 61-byte record: zero bytes, with hex fields written at their offsets.
QByteArray record61(std::initializer_list<std::pair<int, const char*>> fields) {
    QByteArray r(61, '\0');
    for (const auto& [offset, hex] : fields) {
        const QByteArray bytes = QByteArray::fromHex(hex);
        r.replace(offset, bytes.size(), bytes);
    }
    return r;
}

Rows rowsOf(const StatisticsDecoding& d) {
    Rows out;
    for (const auto& [row, text] : d.rows)
        out.emplace_back(row, text.toStdString());
    return out;
}

TEST(DiagnosticsRecordTest, FieldsPassThroughSinglePrecision) {
    struct Case {
        const char* hex;
        std::optional<qint32> value;
    };
    const Case cases[] = {
        {"00000064", 100},
        {"FFFFFF88", -120},
        {"00FFFFFF", 16777215},
        {"01000000", 16777216},
        {"01000001", 16777216},           // 16,777,217 is not a single-precision value
        {"01000003", 16777220},           // a tie goes to the even neighbour
        {"FEFFFFFF", -16777216},          // -16,777,217
        {"7FFFFFBF", 2147483520},         // the largest that still fits
        {"7FFFFFC0", std::nullopt},       // rounds to 2^31: outside the signed 32-bit range
        {"7FFFFFFF", std::nullopt},
        {"80000000", -2147483647 - 1},    // -2^31 is exact
    };
    for (const Case& c : cases) {
        const QByteArray r = QByteArray::fromHex(c.hex);
        EXPECT_EQ(DiagnosticsRecord::field(r, 0), c.value) << c.hex;
    }
    // A field the datagram does not fully hold reads 0.
    EXPECT_EQ(DiagnosticsRecord::field(QByteArray::fromHex("000001"), 0), 0);
    EXPECT_EQ(DiagnosticsRecord::field(QByteArray::fromHex("0000000100"), 4), 0);
    EXPECT_EQ(DiagnosticsRecord::byteAt(QByteArray(60, '\1'), 60), 0);
}

TEST(StatisticsDecoderTest, RowsInTheirOrder) {
    struct Case {
        const char* what;
        QByteArray record;
        bool sfn;
        bool decoder;
        Rows rows;
    };
    using R = StatisticsRow;
    const Case cases[] = {
        {"a 16-byte record fills the Ethernet rows, the rest reads 0",
         QByteArray::fromHex("00000064" "000000C8" "00000001" "00000002"), false, false,
         {{R::MACTxOK, "100"}, {R::MACRxOK, "200"}, {R::MACTxErr, "1 (0.99%)"}, {R::MACRxErr, "2 (0.99%)"},
          {R::AudioRxFramesOK, "0"}, {R::AudioRxFramesErr, "0 (0%)"}}},
        {"1 error against 2 good frames", record61({{0, "00000002"}, {8, "00000001"}}), false, false,
         {{R::MACTxOK, "2"}, {R::MACRxOK, "0"}, {R::MACTxErr, "1 (33.33%)"}, {R::MACRxErr, "0 (0%)"},
          {R::AudioRxFramesOK, "0"}, {R::AudioRxFramesErr, "0 (0%)"}}},
        {"16,777,217 shows as 16777216", record61({{0, "01000001"}, {32, "01000001"}, {36, "00000001"}}), false, false,
         {{R::MACTxOK, "16777216"}, {R::MACRxOK, "0"}, {R::MACTxErr, "0 (0%)"}, {R::MACRxErr, "0 (0%)"},
          {R::AudioRxFramesOK, "16777216"}, {R::AudioRxFramesErr, "1 (0%)"}}}, // 5.96e-6 % rounds to 0
        {"ties of the ratio go to the even neighbour",
         record61({{0, "0000031F"}, {8, "00000001"}, {4, "0000031D"}, {12, "00000003"}}), false, false,
         {{R::MACTxOK, "799"}, {R::MACRxOK, "797"}, {R::MACTxErr, "1 (0.12%)"}, {R::MACRxErr, "3 (0.38%)"},
          {R::AudioRxFramesOK, "0"}, {R::AudioRxFramesErr, "0 (0%)"}}},
        {"negative counts: a sum of 0 gives 0%, a sum of 1 a large ratio",
         record61({{0, "FFFFFFFF"}, {8, "00000001"}, {4, "FFFFFF9D"}, {12, "00000064"}}), false, false,
         {{R::MACTxOK, "-1"}, {R::MACRxOK, "-99"}, {R::MACTxErr, "1 (0%)"}, {R::MACRxErr, "100 (10000%)"},
          {R::AudioRxFramesOK, "0"}, {R::AudioRxFramesErr, "0 (0%)"}}},
        {"SFN decoder: PTP rows, measured delay with the additional latency",
         record61({{16, "0000000A"}, {20, "00000003"}, {24, "FFFFFF06"}, {28, "000003E8"}, {52, "000001F4"},
                   {32, "00000007"}}),
         true, true,
         {{R::MACTxOK, "0"}, {R::MACRxOK, "0"}, {R::MACTxErr, "0 (0%)"}, {R::MACRxErr, "0 (0%)"},
          {R::PTPRxOK, "10"}, {R::PTPRxErr, "3"}, {R::PTPClkAdj, "-250 nS"}, {R::PTPLatency, "1500 nS"},
          {R::AudioRxFramesOK, "7"}, {R::AudioRxFramesErr, "0 (0%)"}}},
        {"SFN encoder: no clock difference, no measured delay",
         record61({{16, "0000000A"}, {20, "00000003"}, {24, "FFFFFF06"}, {28, "000003E8"}}), true, false,
         {{R::MACTxOK, "0"}, {R::MACRxOK, "0"}, {R::MACTxErr, "0 (0%)"}, {R::MACRxErr, "0 (0%)"},
          {R::PTPRxOK, "10"}, {R::PTPRxErr, "3"}, {R::AudioRxFramesOK, "0"}, {R::AudioRxFramesErr, "0 (0%)"}}},
        {"decoder without SFN: no PTP rows", record61({{16, "0000000A"}, {28, "000003E8"}}), false, true,
         {{R::MACTxOK, "0"}, {R::MACRxOK, "0"}, {R::MACTxErr, "0 (0%)"}, {R::MACRxErr, "0 (0%)"},
          {R::AudioRxFramesOK, "0"}, {R::AudioRxFramesErr, "0 (0%)"}}},
    };
    for (const Case& c : cases) {
        StatisticsValues v;
        const StatisticsDecoding d = StatisticsDecoder::decode(c.record, c.sfn, c.decoder, v);
        EXPECT_FALSE(d.failed) << c.what;
        EXPECT_EQ(rowsOf(d), c.rows) << c.what;
    }
}

TEST(StatisticsDecoderTest, ValuesKeptByTheWindow) {
    StatisticsValues v;
    const QByteArray r = record61({{0, "00000002"}, {8, "00000001"}, {28, "000003E8"}, {52, "000001F4"},
                                   {24, "00000011"}, {32, "00000063"}, {36, "00000001"}});
    ASSERT_FALSE(StatisticsDecoder::decode(r, true, true, v).failed);
    EXPECT_EQ(v.UDP_Response_Additional_Latency, 500);
    EXPECT_EQ(v.UDP_Response_PTP_Sync_Latency, 1500);
    EXPECT_EQ(v.UDP_Response_PTP_Sync_Value, 17);
    EXPECT_FLOAT_EQ(v.UDP_Response_Tx_Frames_Err_Ratio, 33.33f);
    EXPECT_FLOAT_EQ(v.UDP_Response_Rx_Audio_Frames_Err_Ratio, 1.0f);
}

TEST(StatisticsDecoderTest, AnOverflowStopsTheDecodingAfterTheRowsAlreadyShown) {
    struct Case {
        const char* what;
        QByteArray record;
        Rows rows;
    };
    using R = StatisticsRow;
    const Case cases[] = {
        {"TX sum above the 32-bit range", record61({{0, "7FFFFF00"}, {8, "00001000"}}),
         {{R::MACTxOK, "2147483392"}, {R::MACRxOK, "0"}}},
        {"RX sum below it", record61({{4, "80000000"}, {12, "FFFFFFFF"}}),
         {{R::MACTxOK, "0"}, {R::MACRxOK, "-2147483648"}, {R::MACTxErr, "0 (0%)"}}},
        {"measured delay plus additional latency", record61({{28, "7FFFFF00"}, {52, "00001000"}}),
         {{R::MACTxOK, "0"}, {R::MACRxOK, "0"}, {R::MACTxErr, "0 (0%)"}, {R::MACRxErr, "0 (0%)"},
          {R::PTPRxOK, "0"}, {R::PTPRxErr, "0"}, {R::PTPClkAdj, "0 nS"}}},
        {"audio sum", record61({{32, "7FFFFF00"}, {36, "7FFFFF00"}}),
         {{R::MACTxOK, "0"}, {R::MACRxOK, "0"}, {R::MACTxErr, "0 (0%)"}, {R::MACRxErr, "0 (0%)"},
          {R::PTPRxOK, "0"}, {R::PTPRxErr, "0"}, {R::PTPClkAdj, "0 nS"}, {R::PTPLatency, "0 nS"},
          {R::AudioRxFramesOK, "2147483392"}}},
        {"an additional latency that single precision rounds to 2^31", record61({{52, "7FFFFFFF"}}), {}},
    };
    for (const Case& c : cases) {
        StatisticsValues v;
        const StatisticsDecoding d = StatisticsDecoder::decode(c.record, true, true, v);
        EXPECT_TRUE(d.failed) << c.what;
        EXPECT_EQ(rowsOf(d), c.rows) << c.what;
    }
}

TEST(StatisticsDecoderTest, RatioUsesTheLocaleDecimalSeparator) {
    StatisticsValues v;
    const StatisticsDecoding d =
        StatisticsDecoder::decode(record61({{0, "00000002"}, {8, "00000001"}}), false, false, v, u',');
    ASSERT_GE(d.rows.size(), 3u);
    EXPECT_EQ(d.rows[2].second, "1 (33,33%)");
}

struct Lines {
    std::string avg, avgSum, min, minSum, max, maxSum;
};

Lines linesOf(const AdjustDecoding& d) {
    Lines l;
    for (const LatencyLine& line : d.lines) {
        const std::string n = line.networkText.toStdString(), s = line.summaryText.toStdString();
        switch (line.row) {
        case LatencyRow::Average: l.avg = n; l.avgSum = s; break;
        case LatencyRow::Minimum: l.min = n; l.minSum = s; break;
        case LatencyRow::Maximum: l.max = n; l.maxSum = s; break;
        }
    }
    return l;
}

TEST(AdjustDecoderTest, NetworkLatencyAndSummary) {
    // Average 1000, minimum 900, maximum 1100, additional latency 500, auto servo off.
    const QByteArray r = record61({{40, "000003E8"}, {44, "00000384"}, {48, "0000044C"}, {52, "000001F4"},
                                   {56, "00000999"}, {60, "00"}});
    const AdjustDecoding d = AdjustDecoder::decode(r, true);
    ASSERT_FALSE(d.failed);
    ASSERT_EQ(d.lines.size(), 3u);
    EXPECT_EQ(d.lines[0].row, LatencyRow::Average); // average, minimum, maximum, in this order
    EXPECT_EQ(d.lines[1].row, LatencyRow::Minimum);
    EXPECT_EQ(d.lines[2].row, LatencyRow::Maximum);
    const Lines l = linesOf(d);
    EXPECT_EQ(l.avg, "1 uS, 500 nS");
    EXPECT_EQ(l.avgSum, "397 uS, 598 nS");
    EXPECT_EQ(l.min, "1 uS, 400 nS");
    EXPECT_EQ(l.minSum, "397 uS, 498 nS");
    EXPECT_EQ(l.max, "1 uS, 600 nS");
    EXPECT_EQ(l.maxSum, "397 uS, 698 nS");
    EXPECT_EQ(d.lines[0].network, 1500);
    EXPECT_EQ(d.sliderValue, 5);
    ASSERT_TRUE(d.servo);
    EXPECT_FALSE(d.servo->on);
    EXPECT_EQ(d.servo->correction, 0); // offset 56 counts only with auto servo on
    EXPECT_EQ(d.servo->caption, "Auto servo");
}

TEST(AdjustDecoderTest, AutoServoCorrectionLowersEachLatency) {
    const QByteArray r = record61({{40, "000003E8"}, {44, "000003E8"}, {48, "000003E8"}, {56, "FFFFFF88"}, {60, "01"}});
    const AdjustDecoding d = AdjustDecoder::decode(r, true);
    ASSERT_TRUE(d.servo);
    EXPECT_TRUE(d.servo->on);
    EXPECT_EQ(d.servo->state, 1);
    EXPECT_EQ(d.servo->caption, "Auto servo (-120 nS)");
    EXPECT_EQ(linesOf(d).avg, "880 nS");
    EXPECT_EQ(linesOf(d).max, "880 nS");
    // Any state byte other than 1 is off.
    const AdjustDecoding two = AdjustDecoder::decode(record61({{56, "FFFFFF88"}, {60, "02"}}), true);
    EXPECT_FALSE(two.servo->on);
    EXPECT_EQ(two.servo->state, 2);
    EXPECT_EQ(linesOf(two).avg, "0 nS");
}

TEST(AdjustDecoderTest, AdditionalLatencyBecomesASliderPosition) {
    struct Case {
        const char* hex;
        int slider;
    };
    const Case cases[] = {
        {"00000096", 2},     // 150 ns: 1.5 units, the tie goes to 2
        {"000000FA", 2},     // 250 ns: 2.5 units, the tie goes to 2
        {"00000032", 0},     // 50 ns
        {"00000033", 1},     // 51 ns
        {"0027AC40", 25000}, // 2,600,000 ns: limited to the slider's range
        {"FFFFFC18", 0},     // -1000 ns
        {"0001E208", 1234},
    };
    for (const Case& c : cases) {
        const AdjustDecoding d = AdjustDecoder::decode(record61({{52, c.hex}}), true);
        EXPECT_EQ(d.sliderValue, c.slider) << c.hex;
    }
    // The latencies use the element's 2,600,000 ns, not the limited slider value.
    const AdjustDecoding d = AdjustDecoder::decode(record61({{52, "0027AC40"}}), true);
    EXPECT_EQ(linesOf(d).avg, "2 mS, 600 uS, 0 nS");
    EXPECT_DOUBLE_EQ(*d.additionalDelayUnits, 25000.0);
}

TEST(AdjustDecoderTest, NotForAnElementOutsideAnSfnOrNotADecoder) {
    const AdjustDecoding d = AdjustDecoder::decode(record61({{40, "000003E8"}, {52, "000001F4"}}), false);
    EXPECT_FALSE(d.sliderValue);
    EXPECT_FALSE(d.servo);
    EXPECT_TRUE(d.lines.empty());
    EXPECT_FALSE(d.failed);
}

TEST(AdjustDecoderTest, ALatencyOutsideTheRangeStopsTheDecoding) {
    // Average overflows at once: nothing shown, slider and servo already taken.
    AdjustDecoding d = AdjustDecoder::decode(record61({{40, "7FFF0000"}, {52, "00100000"}}), true);
    EXPECT_TRUE(d.failed);
    EXPECT_TRUE(d.lines.empty());
    EXPECT_TRUE(d.sliderValue);
    EXPECT_TRUE(d.servo);
    // The minimum's summary leaves the range: the average is shown, nothing after it.
    d = AdjustDecoder::decode(record61({{40, "000003E8"}, {44, "7FFFFF00"}}), true);
    EXPECT_TRUE(d.failed);
    ASSERT_EQ(d.lines.size(), 1u);
    EXPECT_EQ(d.lines[0].row, LatencyRow::Average);
    // A negative latency that stays in range is shown with its sign.
    d = AdjustDecoder::decode(record61({{40, "FFFFFC18"}}), true);
    EXPECT_FALSE(d.failed);
    EXPECT_EQ(linesOf(d).avg, "-1 uS, 0 nS");
    EXPECT_EQ(linesOf(d).avgSum, "395 uS, 98 nS");
}

} // namespace
