// The one number formatter of every display text.

#include "core/common/DisplayNumber.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

TEST(DisplayNumberTest, ShortestFormWithoutTrailingZeros) {
    using DisplayNumber::format;
    EXPECT_EQ(format(5.0), "5");
    EXPECT_EQ(format(7.5), "7.5");
    EXPECT_EQ(format(28.75), "28.75");
    EXPECT_EQ(format(-120.0), "-120");
    EXPECT_EQ(format(-0.5), "-0.5");
    EXPECT_EQ(format(0.0), "0");
    EXPECT_EQ(format(-0.0), "0");
    EXPECT_EQ(format(0.1 + 0.2), "0.30000000000000004"); // no hidden rounding without decimals
    EXPECT_EQ(format(1e6), "1000000");
}

TEST(DisplayNumberTest, DecimalsRoundHalfToEven) {
    using DisplayNumber::format;
    struct Case {
        double v;
        int decimals;
        const char* text;
    };
    const Case cases[] = {
        {20 * std::log10(1 * 2.04870129870129) - 56, 1, "-49.8"},
        {20 * std::log10(37 * 2.04870129870129) - 56, 1, "-18.4"},
        {20 * std::log10(154 * 2.04870129870129) - 56, 1, "-6"},
        {1 * 0.455104166666667, 1, "0.5"},
        {43 * 0.455104166666667, 1, "19.6"},
        {220 * 0.455104166666667, 1, "100.1"},
        {0.25, 1, "0.2"},   {0.35, 1, "0.4"},   {0.45, 1, "0.4"}, {2.5, 0, "2"},
        {3.5, 0, "4"},      {-2.5, 0, "-2"},    {-0.04, 1, "0"},  {9.96, 1, "10"},
        {99.95, 1, "100"},  {19.65, 1, "19.6"}, {19.75, 1, "19.8"}, {-6.0, 1, "-6"},
        {-138.46, 1, "-138.5"}, {0.251, 1, "0.3"}, {12.5, 2, "12.5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(format(c.v, c.decimals).toStdString(), c.text) << c.v << " to " << c.decimals;
}

TEST(DisplayNumberTest, LocaleSeparator) {
    EXPECT_EQ(DisplayNumber::format(-6.25, 1, u','), "-6,2");
    EXPECT_EQ(DisplayNumber::format(-6.0, 1, u','), "-6");
}

} // namespace
