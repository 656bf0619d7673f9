#include "effects/Volume.h"

#include <gtest/gtest.h>

#include "EffectClips.h"

namespace zirpel {
namespace {

using test::Clip16;
using test::Clip8;
using test::Values;
using V = std::vector<std::int32_t>;

TEST(Maximize, PeakMapsToTheExtremesAndStartsAtOne) {
    Clip c = Clip16({16384, -16384, 8192, 0});
    Maximize(c.mutableSpan(), {});
    EXPECT_EQ(Values(c), (V{32767, -32768, 16384, 0}));

    Clip tiny = Clip16({0, 1, -1, 0});
    Maximize(tiny.mutableSpan(), {});
    EXPECT_EQ(Values(tiny), (V{0, 32767, -32768, 0}));

    Clip silent = Clip16({0, 0, 0});
    EXPECT_EQ(Maximize(silent.mutableSpan(), {}), EffectStatus::Done);
    EXPECT_EQ(Values(silent), (V{0, 0, 0}));

    Clip bytes = Clip8({192, 64, 128, 160});
    Maximize(bytes.mutableSpan(), {});
    EXPECT_EQ(Values(bytes), (V{255, 0, 128, 192}));
}

TEST(Maximize, OnePeakForBothChannelsAndFrameHiBelongsToTheRange) {
    Clip c = Clip16({1000, 500, -500, 250}, true);
    Maximize(c.mutableSpan(), {});
    EXPECT_EQ(Values(c), (V{32767, 16384, -16384, 8192}));

    // Frames 0..2 (hi = 2 included); the louder frame 3 is neither measured nor scaled.
    Clip s = Clip16({100, 200, 50, 400, 25});
    Maximize(s.mutableSpan(), {2, 0});
    EXPECT_EQ(Values(s), (V{16384, 32767, 8192, 400, 25}));
}

TEST(Volume, LouderLimitsAndQuieterTruncatesTowardZero) {
    Clip up = Clip16({30000, -30000, 101, -101, 1, -1});
    Louder(up.mutableSpan(), {});
    EXPECT_EQ(Values(up), (V{32767, -32768, 111, -111, 1, -1}));
    Clip up8 = Clip8({250, 0, 1, 127, 129});
    Louder(up8.mutableSpan(), {});
    EXPECT_EQ(Values(up8), (V{255, 0, 0, 127, 129}));

    Clip down = Clip16({11, -11, 1, -1, 32767, -32768});
    Quieter(down.mutableSpan(), {});
    EXPECT_EQ(Values(down), (V{10, -10, 0, 0, 29788, -29789}));
    Clip down8 = Clip8({255, 0, 130, 126});
    Quieter(down8.mutableSpan(), {});
    EXPECT_EQ(Values(down8), (V{243, 12, 129, 127}));
}

TEST(Volume, StereoSelectionPastTheEndAndEmptyClips) {
    // Indices 2..50 on 3 stereo frames: frames 1..25, limited to 1..3.
    Clip c = Clip16({100, 100, 100, 100, 100, 100}, true);
    Louder(c.mutableSpan(), {50, 2});
    EXPECT_EQ(Values(c), (V{100, 100, 110, 110, 110, 110}));

    Clip empty;
    EXPECT_EQ(Louder(empty.mutableSpan(), {}), EffectStatus::Done);
    EXPECT_EQ(Maximize(empty.mutableSpan(), {3, 9}), EffectStatus::Done);
}

}  // namespace
}  // namespace zirpel
