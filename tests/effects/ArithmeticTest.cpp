// The extended-precision steps shared by the fades, the crossfade and the
// echo, and the status texts.
#include <gtest/gtest.h>

#include "effects/EffectStatus.h"
#include "effects/FieldText.h"
#include "effects/Gain.h"
#include "effects/Speed.h"

namespace zirpel {
namespace {

TEST(FadeLength, ProductIsFormedInExtendedPrecision) {
    EXPECT_EQ(FadeFrames(ReadTimeText("0,7"), 44100), 30870);
    EXPECT_EQ(FadeFrames(ReadTimeText("2,3"), 48000), 110400);
    // What a double would have given, so the cases above mean something.
    EXPECT_EQ(static_cast<long>(0.7 * 44100.0), 30869);
    EXPECT_EQ(static_cast<long>(2.3 * 48000.0), 110399);
    EXPECT_EQ(FadeFrames(2.0L, 8000), 16000);
    EXPECT_EQ(FadeFrames(kMinTime, 44100), 0);
    EXPECT_EQ(FadeFrames(2.0L, 0), 0);
    EXPECT_EQ(FadeFrames(2.0L, -44100), 0);
    EXPECT_EQ(FadeFrames(100.0L, 2147483647), 214748364700);
}

TEST(FadeGain, ScalingTruncatesTheExtendedProduct) {
    const Extended g = FadeGain(3, 10);
    EXPECT_EQ(ScaleSample16(10, g), 2);    // a double product gives 3
    EXPECT_EQ(ScaleSample8(138, g), 130);  // a double sum gives 131
    const Extended third = FadeGain(1, 3);
    for (std::int32_t s = 3; s <= 32766; s += 3) {
        ASSERT_EQ(ScaleSample16(s, third), s / 3 - 1) << s;
    }
    // Toward zero on both sides; 8-bit around the silence at 128.
    EXPECT_EQ(ScaleSample16(-3, 0.5L), -1);
    EXPECT_EQ(ScaleSample16(3, 0.5L), 1);
    EXPECT_EQ(ScaleSample8(0, 0.5L), 64);
    EXPECT_EQ(ScaleSample8(255, 0.5L), 191);
    EXPECT_EQ(ScaleSample8(128, 0.5L), 128);
}

TEST(Speed, TenPercentStepsStayWithinOneHertzAndTheOverflowLimit) {
    EXPECT_EQ(FasterRate(44100), 48510);
    EXPECT_EQ(SlowerRate(48510), 44100);
    EXPECT_EQ(SlowerRate(44100), 40090);
    EXPECT_EQ(FasterRate(40090), 44099);
    EXPECT_EQ(FasterRate(8000), 8800);
    EXPECT_EQ(SlowerRate(8000), 7272);
    EXPECT_EQ(SlowerRate(1), 1);  // never 0 Hz
    EXPECT_EQ(SlowerRate(0), 1);
    EXPECT_EQ(FasterRate(kMaxSpeedRate), kMaxSpeedRate);
    EXPECT_EQ(FasterRate(2147483647), kMaxSpeedRate);  // no wrap-around
    EXPECT_EQ(SlowerRate(2147483647), kMaxSpeedRate);
    EXPECT_LE(std::int64_t{kMaxSpeedRate} * 110, 2147483647);
    EXPECT_GT(std::int64_t{kMaxSpeedRate + 1} * 110, 2147483647);
}

TEST(EffectStatus, ErrorsGoToTheGeneralErrorDisplay) {
    EXPECT_TRUE(NoticeFor(EffectStatus::Done).empty());
    EXPECT_TRUE(NoticeFor(EffectStatus::Unchanged).empty());
    const Notice fp = NoticeFor(EffectStatus::InvalidFloatingPointOperation);
    EXPECT_EQ(fp.text, "Invalid floating point operation");
    EXPECT_EQ(fp.style, NoticeStyle::GeneralError);
    EXPECT_EQ(NoticeFor(EffectStatus::DivisionByZero).text, "Division by zero");
    EXPECT_EQ(NoticeFor(EffectStatus::OutOfMemory).text, "Out of memory");
    EXPECT_EQ(NoticeFor(EffectStatus::OutOfMemory).style, NoticeStyle::GeneralError);
    EXPECT_FALSE(NoticeFor(EffectStatus::BadParameter).empty());
}

}  // namespace
}  // namespace zirpel
