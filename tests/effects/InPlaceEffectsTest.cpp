#include <gtest/gtest.h>

#include "EffectClips.h"
#include "effects/Echo.h"
#include "effects/Reverse.h"
#include "effects/Volume.h"

namespace zirpel {
namespace {

using test::Clip16;
using test::Clip8;
using test::Values;
using V = std::vector<std::int32_t>;

TEST(Maximize, PeakMapsToTheExtremesStartsAtOneAndServesBothChannels) {
    Clip c = Clip16({16384, -16384, 8192, 0});
    Maximize(c.mutableSpan(), {});
    EXPECT_EQ(Values(c), (V{32767, -32768, 16384, 0}));
    Clip tiny = Clip16({0, 1, -1, 0});  // a silent range would stay silent
    Maximize(tiny.mutableSpan(), {});
    EXPECT_EQ(Values(tiny), (V{0, 32767, -32768, 0}));
    Clip bytes = Clip8({192, 64, 160});
    Maximize(bytes.mutableSpan(), {});
    EXPECT_EQ(Values(bytes), (V{255, 0, 192}));
    Clip st = Clip16({1000, 500, -500, 250}, true);
    Maximize(st.mutableSpan(), {});
    EXPECT_EQ(Values(st), (V{32767, 16384, -16384, 8192}));
    // Frames 0..2 with frame hi; the louder frame 3 is neither measured nor scaled.
    Clip s = Clip16({100, 200, 50, 400});
    Maximize(s.mutableSpan(), {2, 0});
    EXPECT_EQ(Values(s), (V{16384, 32767, 8192, 400}));
}

TEST(Volume, LouderLimitsAndQuieterTruncatesTowardZero) {
    Clip up = Clip16({30000, -30000, 101, -101, 1});
    Louder(up.mutableSpan(), {});
    EXPECT_EQ(Values(up), (V{32767, -32768, 111, -111, 1}));
    Clip up8 = Clip8({250, 1, 127, 129});
    Louder(up8.mutableSpan(), {});
    EXPECT_EQ(Values(up8), (V{255, 0, 127, 129}));
    Clip down = Clip16({11, -11, 1, 32767, -32768});
    Quieter(down.mutableSpan(), {});
    EXPECT_EQ(Values(down), (V{10, -10, 0, 29788, -29789}));
    Clip down8 = Clip8({255, 0, 126});
    Quieter(down8.mutableSpan(), {});
    EXPECT_EQ(Values(down8), (V{243, 12, 127}));
}

// Delays are 1 s at a rate equal to the delay in frames.
TEST(Echo, RepeatsFeedBackAtHalfLevelPerChannel) {
    Clip c = Clip16({100, -60, 0, 0, 0, 0, 0, -4}, true, 1);
    Echo(c.mutableSpan(), {}, 1.0L);
    EXPECT_EQ(Values(c), (V{100, -60, 50, -30, 25, -15, 12, -9}));  // (-4 - 15) / 2 truncates to -9

    Clip b = Clip8({228, 128, 128, 128, 127}, false, 2);
    Echo(b.mutableSpan(), {}, 1.0L);
    EXPECT_EQ(Values(b), (V{228, 128, 178, 128, 152}));  // bytes round down
}

TEST(Echo, StereoSelectionPastTheEndIncludesFrameHi) {
    // Indices 10000..20000 on 12000 stereo frames: frames 5000..10000.
    V v(2 * 12000, 0);
    v[2 * 5000] = 1000;
    v[2 * 11000] = 8;
    Clip c = Clip16(v, true, 1000);
    Echo(c.mutableSpan(), {10000, 20000}, 1.0L);
    const V out = Values(c);
    EXPECT_EQ(out[2 * 6000], 500);
    EXPECT_EQ(out[2 * 10000], 31);
    EXPECT_EQ(out[2 * 11000], 8);  // beyond the range

    const Clip original = Clip16({5, 6, 7, 8}, false, 8000);
    Clip same = original;
    Echo(same.mutableSpan(), {}, 0.5L);  // delay longer than the clip
    Echo(same.mutableSpan(), {}, 1e-06L);  // no delay
    EXPECT_EQ(same.bytes, original.bytes);
}

TEST(Reverse, ReversesFramesLoThroughHiWhole) {
    Clip sel = Clip8({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    Reverse(sel.mutableSpan(), {2, 5});  // frame hi is part of the block
    EXPECT_EQ(Values(sel), (V{0, 1, 5, 4, 3, 2, 6, 7, 8, 9}));

    Clip end = Clip8({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    Reverse(end.mutableSpan(), {10, 2});  // up to the clip's last frame
    EXPECT_EQ(Values(end), (V{0, 1, 9, 8, 7, 6, 5, 4, 3, 2}));

    Clip c = Clip16({1000, -1000, 2000, -2000, 0x1234, -0x1234}, true);
    Reverse(c.mutableSpan(), {});
    EXPECT_EQ(Values(c), (V{0x1234, -0x1234, 2000, -2000, 1000, -1000}));
}

}  // namespace
}  // namespace zirpel
