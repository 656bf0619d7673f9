#include "effects/FieldText.h"

#include <clocale>
#include <string>

#include <gtest/gtest.h>

namespace zirpel {
namespace {

TEST(TimeField, CommaAndPointReadTheSameExtendedValue) {
    EXPECT_EQ(ReadTimeText("0,7"), 0.7L);
    EXPECT_EQ(ReadTimeText("0.7"), 0.7L);
    EXPECT_EQ(ReadTimeText("  2,3\t"), 2.3L);
    EXPECT_EQ(ReadTimeText("+2,5e1"), 25.0L);
    EXPECT_EQ(ReadTimeText(",5"), 0.5L);
    // The extended value, not a double widened afterwards.
    EXPECT_NE(ReadTimeText("0,7"), static_cast<long double>(0.7));
}

TEST(TimeField, NonNumbersReadAsTheMinimumAndValuesAreHeldInRange) {
    for (const char* text : {"", " ", "abc", "12abc", "1,2,3", "1.2.3", "0x10", "inf", "nan", "1e",
                             "e5", "--1", ",", "1 000"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseTimeText(text).has_value());
        EXPECT_EQ(ReadTimeText(text), kMinTime);
    }
    EXPECT_EQ(ReadTimeText("0"), kMinTime);
    EXPECT_EQ(ReadTimeText("-5"), kMinTime);
    EXPECT_EQ(ReadTimeText("1e-99999"), kMinTime);
    EXPECT_EQ(ReadTimeText("100,5"), kMaxTime);
    EXPECT_EQ(ReadTimeText("1e99999"), kMaxTime);
    EXPECT_EQ(ReadTimeText("100"), kMaxTime);
}

TEST(TimeField, ParsingIgnoresAGermanNumericLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no German locale installed";
    EXPECT_EQ(ReadTimeText("0.7"), 0.7L);
    EXPECT_EQ(ReadTimeText("0,7"), 0.7L);
    EXPECT_EQ(FormatTimeText(2.0L), "2,00");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(TimeField, FormatShowsTwoDecimalsWithAComma) {
    EXPECT_EQ(FormatTimeText(2.0L), "2,00");
    EXPECT_EQ(FormatTimeText(0.5L), "0,50");
    EXPECT_EQ(FormatTimeText(1.5L), "1,50");
    EXPECT_EQ(FormatTimeText(1000.0L), "100,00");
    // The minimum shows as 0,00, which reads back as the minimum.
    EXPECT_EQ(FormatTimeText(kMinTime), "0,00");
    EXPECT_EQ(ReadTimeText(FormatTimeText(kMinTime)), kMinTime);
}

TEST(RateField, WholeNumbersHeldInRangeAndNonNumbersReadAsOne) {
    EXPECT_EQ(ReadRateText("44100"), 44100);
    EXPECT_EQ(ReadRateText(" 8000 "), 8000);
    EXPECT_EQ(ReadRateText("+11025"), 11025);
    EXPECT_EQ(ReadRateText("0"), 1);
    EXPECT_EQ(ReadRateText("-5"), 1);
    EXPECT_EQ(ReadRateText("250000"), 200000);
    EXPECT_EQ(ReadRateText("99999999999999999999999"), 200000);
    for (const char* text : {"", "abc", "44100,5", "44.1", "+", "12 34"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseRateText(text).has_value());
        EXPECT_EQ(ReadRateText(text), 1);
    }
}

}  // namespace
}  // namespace zirpel
