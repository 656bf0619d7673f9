// The extended-precision steps shared by the fades, the crossfade and the
// echo; the speed steps; the error texts.
#include <gtest/gtest.h>

#include "effects/EffectStatus.h"
#include "effects/FieldText.h"
#include "effects/Gain.h"
#include "effects/Speed.h"

namespace zirpel {
namespace {

TEST(FadeLength, ProductIsFormedInExtendedPrecision) {
    EXPECT_EQ(FadeFrames(ReadTimeText("0,7"), 44100), 30870);    // a double gives 30869
    EXPECT_EQ(FadeFrames(ReadTimeText("2,3"), 48000), 110400);   // a double gives 110399
    EXPECT_EQ(FadeFrames(kMinTime, 44100), 0);
    EXPECT_EQ(FadeFrames(2.0L, 0), 0);
    EXPECT_EQ(FadeFrames(2.0L, -44100), 0);
}

TEST(FadeGain, GainIsRoundedToADoubleAndTheProductTruncated) {
    const Extended g = FadeGain(3, 10);
    EXPECT_EQ(ScaleSample16(10, g), 2);
    EXPECT_EQ(ScaleSample8(138, g), 130);  // with the unrounded extended gain: 131
    const Extended third = FadeGain(1, 3);
    for (std::int32_t s = 3; s <= 32766; s += 3) ASSERT_EQ(ScaleSample16(s, third), s / 3 - 1) << s;
    EXPECT_EQ(ScaleSample16(-3, 0.5L), -1);
    EXPECT_EQ(ScaleSample8(255, 0.5L), 191);
}

TEST(Speed, TenPercentStepsStayWithinOneHertzAndTheOverflowLimit) {
    EXPECT_EQ(FasterRate(44100), 48510);
    EXPECT_EQ(SlowerRate(48510), 44100);
    EXPECT_EQ(FasterRate(SlowerRate(44100)), 44099);
    EXPECT_EQ(SlowerRate(8000), 7272);
    EXPECT_EQ(SlowerRate(1), 1);  // never 0 Hz
    EXPECT_EQ(FasterRate(kMaxSpeedRate), kMaxSpeedRate);
    EXPECT_EQ(FasterRate(2147483647), kMaxSpeedRate);  // no wrap-around
    EXPECT_GT(std::int64_t{kMaxSpeedRate + 1} * 110, 2147483647);
}

TEST(EffectStatus, ErrorsGoToTheGeneralErrorDisplay) {
    EXPECT_TRUE(NoticeFor(EffectStatus::Unchanged).empty());
    EXPECT_EQ(NoticeFor(EffectStatus::InvalidFloatingPointOperation).style, NoticeStyle::GeneralError);
    EXPECT_EQ(NoticeFor(EffectStatus::DivisionByZero).text, "Division by zero");
}

}  // namespace
}  // namespace zirpel
