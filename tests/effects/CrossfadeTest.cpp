#include "effects/Crossfade.h"

#include <gtest/gtest.h>

#include "EffectClips.h"

namespace zirpel {
namespace {

using test::Clip16;
using test::Clip8;
using test::Values;
using V = std::vector<std::int32_t>;

TEST(Crossfade, EightBitMonoMixesTheEndIntoTheStartAndRotatesByHalfTheFade) {
    // d = 4 at 4 Hz (exact gains i/4); byte 128 + 4 (k + 1) in frame k.
    const Clip in = Clip8({132, 136, 140, 144, 148, 152, 156, 160, 164, 168}, false, 4);
    Clip out;
    ASSERT_EQ(Crossfade(in.span(), 1.0L, out), EffectStatus::Done);
    // Mixed frame i: 128 + i (i + 1) + (7 + i) (4 - i): 156, 154, 152, 150.
    // New clip: old frames 2, 3, 4, 5, 0, 1.
    EXPECT_EQ(Values(out), (V{152, 150, 148, 152, 156, 154}));
    EXPECT_EQ(out.format, in.format);
    EXPECT_EQ(in.bytes[0], 132);  // the input is left as it was
}

TEST(Crossfade, OddLengthInStereoKeepsChannelsAndReadsTheEndAsItWas) {
    // d = 3 at 3 Hz, h = 1; silent start, the end at +-3000.
    const Clip in = Clip16({0, 0, 0, 0, 0, 0, 7, -7, 8, -8, 3000, -3000, 3000, -3000, 3000, -3000},
                           true, 3);
    Clip out;
    ASSERT_EQ(Crossfade(in.span(), 1.0L, out), EffectStatus::Done);
    // Old frames 1, 2, 3, 4, then 0; mixed frame i holds 3000 (1 - i/3).
    EXPECT_EQ(Values(out), (V{2000, -2000, 1000, -1000, 7, -7, 8, -8, 3000, -3000}));
}

TEST(Crossfade, EightBitMinusOneIsStoredAsZero) {
    // All bytes 0 at d = 10: gains such as 3/10 give 89 + 38 - 128 = -1.
    const Clip in = Clip8(V(16, 0), false, 10);
    Clip out;
    ASSERT_EQ(Crossfade(in.span(), 1.0L, out), EffectStatus::Done);
    EXPECT_EQ(Values(out), V(6, 0));
}

TEST(Crossfade, TrailingPartialFrameIsDropped) {
    Clip in = Clip16(V(10, 100), false, 4);
    in.bytes.push_back(0x55);
    Clip out;
    ASSERT_EQ(Crossfade(in.span(), 1.0L, out), EffectStatus::Done);
    EXPECT_EQ(out.size(), 12);
}

TEST(Crossfade, ClipTooShortForTheRotationIsLeftAlone) {
    Clip out = Clip8({1, 2, 3});
    const Clip before = out;
    // d = 4 needs 6 frames: 5 and 3 (d >= n) are refused, 6 is done.
    EXPECT_EQ(Crossfade(Clip8(V(5, 0), false, 4).span(), 1.0L, out), EffectStatus::Unchanged);
    EXPECT_EQ(Crossfade(Clip8(V(3, 0), false, 4).span(), 1.0L, out), EffectStatus::Unchanged);
    EXPECT_EQ(out.bytes, before.bytes);
    // 6 frames: the end frames 2 and 3 are read before they are mixed themselves.
    EXPECT_EQ(Crossfade(Clip8({132, 136, 140, 144, 148, 152}, false, 4).span(), 1.0L, out),
              EffectStatus::Done);
    EXPECT_EQ(Values(out), (V{140, 142}));
}

TEST(Crossfade, ZeroLengthFailsOnAClipAndIsHarmlessOnAnEmptyOne) {
    Clip out = Clip8({1, 2, 3});
    EXPECT_EQ(Crossfade(Clip8(V(10, 0), false, 8000).span(), 1e-06L, out),
              EffectStatus::InvalidFloatingPointOperation);
    EXPECT_EQ(out.size(), 3);
    // The empty document (rate 0 too) stays empty.
    EXPECT_EQ(Crossfade(Clip().span(), 2.0L, out), EffectStatus::Done);
    EXPECT_EQ(out.size(), 0);
}

TEST(Crossfade, OutputMayBeTheInputClip) {
    Clip c = Clip8({132, 136, 140, 144, 148, 152, 156, 160, 164, 168}, false, 4);
    ASSERT_EQ(Crossfade(c.span(), 1.0L, c), EffectStatus::Done);
    EXPECT_EQ(Values(c), (V{152, 150, 148, 152, 156, 154}));
}

}  // namespace
}  // namespace zirpel
