#include "effects/FieldText.h"

#include <gtest/gtest.h>

namespace zirpel {
namespace {

TEST(TimeField, CommaOrPointGiveTheExtendedValueAndAnythingElseTheMinimum) {
    EXPECT_EQ(ReadTimeText("0,7"), 0.7L);
    EXPECT_EQ(ReadTimeText(" 0.7\t"), 0.7L);
    EXPECT_NE(ReadTimeText("0,7"), static_cast<long double>(0.7));  // no double in between
    EXPECT_EQ(ReadTimeText("+2,5e1"), 25.0L);
    for (const char* text : {"", "abc", "12abc", "1,2,3", "0x10", "inf", "nan", "1e", "-", "1 000"}) {
        EXPECT_FALSE(ParseTimeText(text).has_value()) << text;
        EXPECT_EQ(ReadTimeText(text), kMinTime) << text;
    }
    EXPECT_EQ(ReadTimeText("-5"), kMinTime);
    EXPECT_EQ(ReadTimeText("100,5"), kMaxTime);
    EXPECT_EQ(ReadTimeText("1e99999"), kMaxTime);
    // Shown with two decimals; the shown minimum reads back as the minimum.
    EXPECT_EQ(FormatTimeText(0.5L), "0,50");
    EXPECT_EQ(FormatTimeText(1000.0L), "100,00");
    EXPECT_EQ(ReadTimeText(FormatTimeText(kMinTime)), kMinTime);
}

TEST(RateField, WholeNumbersHeldInRangeAndNonNumbersReadAsOne) {
    EXPECT_EQ(ReadRateText(" 8000 "), 8000);
    EXPECT_EQ(ReadRateText("0"), 1);
    EXPECT_EQ(ReadRateText("-5"), 1);
    EXPECT_EQ(ReadRateText("99999999999999999999999"), 200000);
    for (const char* text : {"", "abc", "44100,5", "+"}) {
        EXPECT_FALSE(ParseRateText(text).has_value()) << text;
        EXPECT_EQ(ReadRateText(text), 1) << text;
    }
}

}  // namespace
}  // namespace zirpel
