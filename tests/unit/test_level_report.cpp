// The audio level report: its peak over every complete 3-byte sample, and the bar width
// and level text it gives.

#include "core/diagnostics/LevelReport.h"
#include "core/protocol/DatagramDispatch.h"

#include <gtest/gtest.h>

namespace {

// A report of `length` zero bytes with the given bytes written at `offset`.
QByteArray report(qsizetype length, qsizetype offset, const QByteArray& bytes) {
    QByteArray r(length, '\0');
    r.replace(offset, bytes.size(), bytes);
    return r;
}

TEST(LevelReportTest, PeakWidthAndText) {
    struct Case {
        const char* sampleHex; // one sample, most significant byte first
        int width;
        const char* text;
    };
    const Case cases[] = {
        {"400000", 1050, "-6dBFS"},    // 4,194,304
        {"0CCCCD", 210, "-20dBFS"},    // 838,861
        {"2D413D", 742, "-9dBFS"},     // 2,965,821
        {"000001", 0, "-138.5dBFS"},   // 1
        {"7FFFFF", 2100, "0dBFS"},     // 8,388,607: a full bar
        {"100000", 262, "-18.1dBFS"},  // 1,048,576: 262.5 twips, the tie goes to the even 262
        {"300000", 788, "-8.5dBFS"},   // 3,145,728: 787.5 twips goes to 788
    };
    for (const Case& c : cases) {
        const QByteArray r = report(1203, 600, QByteArray::fromHex(c.sampleHex));
        const qint32 peak = LevelReport::peak(r);
        const LevelReport::Display d = LevelReport::display(peak);
        EXPECT_EQ(d.widthTwips, c.width) << c.sampleHex;
        EXPECT_EQ(d.text.toStdString(), c.text) << c.sampleHex;
    }
}

TEST(LevelReportTest, TheHighestPositiveSampleWinsAndNegativeOnesAreSkipped) {
    // 0x7FFFFF, 0x800000 (-8,388,608), 0x400000, 0xFFFFFF (-1), 0x0CCCCD
    QByteArray r = QByteArray::fromHex("7FFFF0" "800000" "400000" "FFFFFF" "0CCCCD");
    r.append(QByteArray(1201 - r.size() + 2, '\0')); // 1203 bytes
    EXPECT_EQ(LevelReport::peak(r), 0x7FFFF0);

    // Every sample negative: nothing to show.
    QByteArray negative;
    for (int i = 0; i < 401; ++i)
        negative.append(QByteArray::fromHex(i % 2 ? "800000" : "FFFFFF"));
    EXPECT_EQ(LevelReport::peak(negative), 0);
    const LevelReport::Display d = LevelReport::display(LevelReport::peak(negative));
    EXPECT_EQ(d.widthTwips, 0);
    EXPECT_EQ(d.text, "-oodBFS");
}

TEST(LevelReportTest, EveryCompleteGroupIsReadAndATrailingPartialOneIsNot) {
    struct Case {
        qsizetype length;
        qsizetype offset;
        const char* hex;
        qint32 peak;
    };
    const Case cases[] = {
        {1203, 1200, "400000", 0x400000}, // the last complete group counts
        {1203, 0, "400000", 0x400000},    // and so does the first
        {1206, 1203, "000001", 1},
        {1202, 1200, "7FFF", 0},          // 2 bytes left over: not a sample
        {1201, 1200, "7F", 0},            // 1 byte left over
        {1204, 1200, "7FFFFF", 0x7FFFFF}, // complete group at 1200, one byte after it
    };
    for (const Case& c : cases)
        EXPECT_EQ(LevelReport::peak(report(c.length, c.offset, QByteArray::fromHex(c.hex))), c.peak)
            << c.length << " bytes, sample at " << c.offset;
}

TEST(LevelReportTest, AReportIsADatagramOfMoreThan1200Bytes) {
    EXPECT_EQ(classifyDatagram(1200), DatagramKind::Dropped);
    EXPECT_EQ(classifyDatagram(1201), DatagramKind::LevelReport);
    // 1201 bytes: 400 samples and one byte left over.
    EXPECT_EQ(LevelReport::peak(report(1201, 1197, QByteArray::fromHex("0CCCCD"))), 838861);
}

TEST(LevelReportTest, TheLevelUsesTheLocaleDecimalSeparator) {
    EXPECT_EQ(LevelReport::display(1, u',').text, "-138,5dBFS");
    EXPECT_EQ(LevelReport::display(0x400000, u',').text, "-6dBFS");
    EXPECT_EQ(LevelReport::display(0, u',').text, "-oodBFS");
}

TEST(LevelReportTest, TheRequestIsTheThreeLettersVOL) {
    EXPECT_EQ(LevelReport::Request, QByteArray::fromHex("564F4C"));
}

TEST(LevelReportTest, Log10) {
    EXPECT_DOUBLE_EQ(LevelReport::Log10(1000.0), 3.0);
    EXPECT_DOUBLE_EQ(LevelReport::Log10(0.5), -0.30102999566398120);
}

} // namespace
