#include "effects/Crossfade.h"

#include <gtest/gtest.h>

#include "EffectClips.h"

namespace zirpel {
namespace {

using test::Clip16;
using test::Clip8;
using test::Values;
using V = std::vector<std::int32_t>;

// d = 4 at 4 Hz (exact gains i/4); frame k holds byte 128 + 4 (k + 1).
const V kRamp{132, 136, 140, 144, 148, 152, 156, 160, 164, 168};

TEST(Crossfade, MixesTheEndIntoTheStartAndRotatesByHalfTheFade) {
    const Clip in = Clip8(kRamp, false, 4);
    Clip out;
    ASSERT_EQ(Crossfade(in.span(), 1.0L, out), EffectStatus::Done);
    // Mixed frame i: 128 + i (i + 1) + (7 + i) (4 - i) = 156, 154, 152, 150;
    // the new clip is old frames 2, 3, 4, 5, 0, 1.
    EXPECT_EQ(Values(out), (V{152, 150, 148, 152, 156, 154}));
    EXPECT_EQ(Values(in), kRamp);

    // Into the clip it reads.
    Clip self = Clip8(kRamp, false, 4);
    ASSERT_EQ(Crossfade(self.span(), 1.0L, self), EffectStatus::Done);
    EXPECT_EQ(Values(self), (V{152, 150, 148, 152, 156, 154}));
}

TEST(Crossfade, OddLengthInStereoKeepsChannelsInOrderAndDropsAPartialFrame) {
    // d = 3 at 3 Hz, h = 1; silent start, the end at +-3000, three stray bytes.
    Clip in = Clip16({0, 0, 0, 0, 0, 0, 7, -7, 8, -8, 3000, -3000, 3000, -3000, 3000, -3000}, true, 3);
    in.bytes.insert(in.bytes.end(), {1, 2, 3});
    Clip out;
    ASSERT_EQ(Crossfade(in.span(), 1.0L, out), EffectStatus::Done);
    // Old frames 1, 2, 3, 4, then 0; mixed frame i holds 3000 (1 - i/3).
    EXPECT_EQ(Values(out), (V{2000, -2000, 1000, -1000, 7, -7, 8, -8, 3000, -3000}));
}

TEST(Crossfade, EndFramesAreReadAsTheyWereAndMinusOneIsStoredAsZero) {
    // 6 frames, d = 4: the end frames 2 and 3 are mixed into 0 and 1 before
    // they would be mixed themselves.
    Clip out;
    ASSERT_EQ(Crossfade(Clip8({132, 136, 140, 144, 148, 152}, false, 4).span(), 1.0L, out), EffectStatus::Done);
    EXPECT_EQ(Values(out), (V{140, 142}));
    // All bytes 0 at d = 10: gains such as 3/10 give 89 + 38 - 128 = -1.
    ASSERT_EQ(Crossfade(Clip8(V(16, 0), false, 10).span(), 1.0L, out), EffectStatus::Done);
    EXPECT_EQ(Values(out), V(6, 0));
}

TEST(Crossfade, RefusalsLeaveTheClipAlone) {
    Clip out = Clip8({1, 2, 3});
    // d = 4 needs d + d div 2 = 6 frames: 5 and 3 (d >= n) are too short.
    EXPECT_EQ(Crossfade(Clip8(V(5, 0), false, 4).span(), 1.0L, out), EffectStatus::Unchanged);
    EXPECT_EQ(Crossfade(Clip8(V(3, 0), false, 4).span(), 1.0L, out), EffectStatus::Unchanged);
    EXPECT_EQ(Crossfade(Clip8(V(10, 0), false, 8000).span(), 1e-06L, out),
              EffectStatus::InvalidFloatingPointOperation);
    EXPECT_EQ(Values(out), (V{1, 2, 3}));
    // The empty document (rate 0, so d = 0) stays empty.
    EXPECT_EQ(Crossfade(Clip().span(), 2.0L, out), EffectStatus::Done);
    EXPECT_EQ(out.size(), 0);
}

}  // namespace
}  // namespace zirpel
