#include "view/Zoom.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace zirpel {
namespace {

constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();

TEST(Zoom, KleinerAndGroesserStepByOneAndAHalfRoundingHalfToEven) {
    EXPECT_EQ(ZoomKleiner(1), 2);    // 1.5 -> 2
    EXPECT_EQ(ZoomKleiner(3), 4);    // 4.5 -> 4
    EXPECT_EQ(ZoomKleiner(5), 8);    // 7.5 -> 8
    EXPECT_EQ(ZoomKleiner(100), 150);
    EXPECT_EQ(ZoomKleiner(kZoomMax), kZoomMax);
    EXPECT_EQ(ZoomGroesser(100), 67);
    EXPECT_EQ(ZoomGroesser(4), 3);
    EXPECT_EQ(ZoomGroesser(2), 1);
    EXPECT_EQ(ZoomGroesser(1), 1);
    EXPECT_EQ(ZoomGroesser(kZoomMax), 666667);
}

TEST(Zoom, ClampRoundZoomClampsBeforeRounding) {
    EXPECT_EQ(ClampRoundZoom(2.5L), 2);
    EXPECT_EQ(ClampRoundZoom(3.5L), 4);
    EXPECT_EQ(ClampRoundZoom(2.4999L), 2);
    EXPECT_EQ(ClampRoundZoom(0.6L), 1);
    EXPECT_EQ(ClampRoundZoom(0.0L), 1);
    EXPECT_EQ(ClampRoundZoom(-7.0L), 1);
    EXPECT_EQ(ClampRoundZoom(1e12L), kZoomMax);
    EXPECT_EQ(ClampRoundZoom(std::numeric_limits<long double>::infinity()), kZoomMax);
    EXPECT_EQ(ClampRoundZoom(std::nanl("")), 1);
}

TEST(Zoom, ReadZoomTextNeverYieldsAZoomBelowOne) {
    EXPECT_EQ(ReadZoomText("100"), 100);
    EXPECT_EQ(ReadZoomText(" 42 "), 42);
    EXPECT_EQ(ReadZoomText("+7"), 7);
    EXPECT_EQ(ReadZoomText("12.9"), 12);
    EXPECT_EQ(ReadZoomText("1000000"), kZoomMax);
    EXPECT_EQ(ReadZoomText("1000001"), kZoomMax);
    EXPECT_EQ(ReadZoomText("99999999999999999999999"), kZoomMax);
    // Not a number, or a value the divisor cannot take.
    for (const char* text : {"", "  ", "abc", "12abc", "-", "0", "-5", "-99999999999999999"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ReadZoomText(text), 1);
    }
}

TEST(Zoom, WholeClipAndSelectionZoom) {
    EXPECT_EQ(ZoomFullValue(300, 668), 1);  // n < W: 0 is clamped to 1
    EXPECT_EQ(ScrollMaximum(300, 668, 1), 1);
    EXPECT_EQ(ZoomFullValue(668 * 250 + 667, 668), 250);
    EXPECT_EQ(ZoomFullValue(kMax32, 1), kZoomMax);
    EXPECT_EQ(ZoomFullValue(5000, 0), 5000);
    EXPECT_EQ(ZoomFullValue(5000, -3), 5000);

    EXPECT_EQ(ZoomSelValue(100, 300, 668), 1);
    EXPECT_EQ(ZoomSelValue(7000, 200, 68), 100);
    EXPECT_EQ(ZoomSelValue(kMin32, kMax32, 1), kZoomMax);  // no overflow in |a - c|

    // Left end of the selection goes to column 0.
    EXPECT_EQ(ZoomSelScrollPosition(300, 100, 1), 100);
    EXPECT_EQ(ZoomSelScrollPosition(1050, 2000, 100), 10);
    EXPECT_EQ(ZoomSelScrollPosition(1050, 2000, 0), 1050);
}

TEST(Zoom, ScrollMaximumAndProportionalPosition) {
    EXPECT_EQ(ScrollMaximum(100000, 668, 100), 332);
    EXPECT_EQ(ScrollMaximum(66800, 668, 100), 1);  // exactly one view: 0 -> 1
    EXPECT_EQ(ScrollMaximum(0, 668, 1), 1);
    EXPECT_EQ(ScrollMaximum(kMax32, 668, 1), kMax32 - 668);
    EXPECT_EQ(ScrollMaximum(1000, 10, 0), 990);  // zoom 0 is used as 1

    // Zoom 100 -> 150 at position 50 of maximum 300 (n = 40000, W = 100).
    const std::int64_t oldMax = ScrollMaximum(40000, 100, 100);
    const std::int64_t newMax = ScrollMaximum(40000, 100, 150);
    ASSERT_EQ(oldMax, 300);
    ASSERT_EQ(newMax, 166);
    EXPECT_EQ(ProportionalScrollPosition(50, 166, 300), 50 * 166 / 300);
    EXPECT_EQ(ProportionalScrollPosition(50, 166, 0), 0);
    // A 32-bit product would wrap here (a long clip at zoom 1); this stays exact.
    EXPECT_EQ(ProportionalScrollPosition(100000, 100000, 200000), 50000);
    EXPECT_EQ(ProportionalScrollPosition(kMin32, 1, -1), kMax32);  // clamps, no trap
}

}  // namespace
}  // namespace zirpel
