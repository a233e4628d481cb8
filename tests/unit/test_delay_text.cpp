// The delay text of the SFN window and the set-delay command.

#include "core/diagnostics/DelayText.h"
#include "core/diagnostics/DiagnosticsRecord.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(DelayTextTest, MillisecondsMicrosecondsNanoseconds) {
    struct Case {
        qint64 ns;
        const char* text;
    };
    const Case cases[] = {
        {0, "0 nS"},
        {265, "265 nS"},
        {395833, "395 uS, 833 nS"},
        {1000050, "1 mS, 0 uS, 50 nS"},
        {2500000, "2 mS, 500 uS, 0 nS"},
        {-1500, "-1 uS, 500 nS"},
        {1500, "1 uS, 500 nS"},
        {397598, "397 uS, 598 nS"},
        {123400, "123 uS, 400 nS"},
        {999, "999 nS"},
        {1000, "1 uS, 0 nS"},
        {-265, "-265 nS"},
        {-2600000, "-2 mS, 600 uS, 0 nS"},
        {std::numeric_limits<qint32>::min(), "-2147 mS, 483 uS, 648 nS"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DelayText::format(c.ns).toStdString(), c.text) << c.ns;
}

TEST(DelayTextTest, SetDelayCommandBytes) {
    struct Case {
        int slider;
        bool servo;
        const char* hex;
    };
    const Case cases[] = {
        {25000, true, "53002625A001"},
        {0, false, "530000000000"},
        {1234, false, "530001E20800"}, // 123,400 ns
        {1, true, "530000006401"},     // 100 ns
    };
    for (const Case& c : cases)
        EXPECT_EQ(DiagnosticsRequest::setDelayCommand(c.slider, c.servo).toHex().toUpper().toStdString(), c.hex)
            << c.slider;
}

TEST(DelayTextTest, Requests) {
    EXPECT_EQ(DiagnosticsRequest::GetStats, QByteArray::fromHex("4765745374617473"));
    EXPECT_EQ(DiagnosticsRequest::RstStats, QByteArray::fromHex("5273745374617473"));
    EXPECT_EQ(DiagnosticsRequest::GetDel, QByteArray::fromHex("47657444656C"));
}

} // namespace
