#include <gtest/gtest.h>

#include "EffectClips.h"
#include "effects/Echo.h"
#include "effects/Reverse.h"

namespace zirpel {
namespace {

using test::Clip16;
using test::Clip8;
using test::Values;
using V = std::vector<std::int32_t>;

// Delays are whole seconds at a rate equal to the delay in frames.
TEST(Echo, RepeatsFeedBackAtHalfLevel) {
    Clip c = Clip16({100, 0, 0, 0, 0, 0}, false, 2);
    Echo(c.mutableSpan(), {}, 1.0L);
    EXPECT_EQ(Values(c), (V{100, 0, 50, 0, 25, 0}));

    Clip b = Clip8({228, 128, 128, 128, 128, 128}, false, 2);
    Echo(b.mutableSpan(), {}, 1.0L);
    EXPECT_EQ(Values(b), (V{228, 128, 178, 128, 153, 128}));

    // 16-bit truncates toward zero; bytes round down.
    Clip r = Clip16({0, -3}, false, 1);
    Echo(r.mutableSpan(), {}, 1.0L);
    EXPECT_EQ(Values(r), (V{0, -1}));
    Clip r8 = Clip8({128, 127}, false, 1);
    Echo(r8.mutableSpan(), {}, 1.0L);
    EXPECT_EQ(Values(r8), (V{128, 127}));
}

TEST(Echo, ChannelsEchoThemselves) {
    Clip c = Clip16({100, -60, 0, 0, 0, 0}, true, 1);
    Echo(c.mutableSpan(), {}, 1.0L);
    EXPECT_EQ(Values(c), (V{100, -60, 50, -30, 25, -15}));
}

TEST(Echo, StereoSelectionPastTheEndIncludesFrameHi) {
    // Indices 10000..20000 on 12000 stereo frames: frames 5000..10000.
    V v(2 * 12000, 0);
    v[2 * 5000] = 1000;
    v[2 * 5000 + 1] = -1000;
    v[2 * 11000] = 8;
    Clip c = Clip16(v, true, 1000);  // 1 s = 1000 frames
    Echo(c.mutableSpan(), {10000, 20000}, 1.0L);
    const V out = Values(c);
    EXPECT_EQ(out[2 * 6000], 500);
    EXPECT_EQ(out[2 * 6000 + 1], -500);
    EXPECT_EQ(out[2 * 9000], 62);
    EXPECT_EQ(out[2 * 10000], 31);
    EXPECT_EQ(out[2 * 11000], 8);  // beyond the range
}

TEST(Echo, DelayLongerThanTheRangeOrZeroChangesNothing) {
    const Clip original = Clip16({5, 6, 7, 8}, false, 8000);
    Clip c = original;
    EXPECT_EQ(Echo(c.mutableSpan(), {}, 0.5L), EffectStatus::Done);  // d = 4000
    EXPECT_EQ(Echo(c.mutableSpan(), {}, 1e-06L), EffectStatus::Done);  // d = 0
    EXPECT_EQ(c.bytes, original.bytes);
    Clip empty;
    EXPECT_EQ(Echo(empty.mutableSpan(), {}, 0.5L), EffectStatus::Done);
}

TEST(Reverse, ReversesFramesLoThroughHi) {
    Clip whole = Clip8({1, 2, 3, 4, 5});
    Reverse(whole.mutableSpan(), {});
    EXPECT_EQ(Values(whole), (V{5, 4, 3, 2, 1}));

    // The frame at hi, the first after the selection, is part of the block.
    Clip sel = Clip8({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    Reverse(sel.mutableSpan(), {2, 5});
    EXPECT_EQ(Values(sel), (V{0, 1, 5, 4, 3, 2, 6, 7, 8, 9}));

    // Up to the clip's end the last frame closes the block.
    Clip end = Clip8({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    Reverse(end.mutableSpan(), {10, 2});
    EXPECT_EQ(Values(end), (V{0, 1, 9, 8, 7, 6, 5, 4, 3, 2}));
}

TEST(Reverse, StereoFramesMoveWhole) {
    Clip c = Clip16({1000, -1000, 2000, -2000, 0x1234, -0x1234}, true);
    Reverse(c.mutableSpan(), {});
    EXPECT_EQ(Values(c), (V{0x1234, -0x1234, 2000, -2000, 1000, -1000}));

    Clip empty;
    EXPECT_EQ(Reverse(empty.mutableSpan(), {}), EffectStatus::Done);
}

}  // namespace
}  // namespace zirpel
