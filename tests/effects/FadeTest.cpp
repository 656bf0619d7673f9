// Fades at 8 Hz with a time of 1 s: d = 8 and every gain i/8 is exact, so
// the expected values are plain multiples.
#include "effects/Fade.h"

#include <gtest/gtest.h>

#include "EffectClips.h"

namespace zirpel {
namespace {

using test::Clip16;
using test::Values;
using V = std::vector<std::int32_t>;

TEST(FadeIn, RisesOverDFramesAndNeverTouchesFrameHi) {
    Clip c = Clip16(V(12, 800), false, 8);
    ASSERT_EQ(FadeIn(c.mutableSpan(), {}, 1.0L), EffectStatus::Done);
    EXPECT_EQ(Values(c), (V{0, 100, 200, 300, 400, 500, 600, 700, 800, 800, 800, 800}));

    Clip s = Clip16(V(8, 800), false, 8);
    FadeIn(s.mutableSpan(), {5, 2}, 1.0L);
    EXPECT_EQ(Values(s), (V{800, 800, 0, 100, 200, 800, 800, 800}));
}

TEST(FadeOut, LastFrameGetsOneDthAtTheClipEndButSilenceAfterASelection) {
    Clip c = Clip16(V(12, 800), false, 8);
    ASSERT_EQ(FadeOut(c.mutableSpan(), {}, 1.0L), EffectStatus::Done);
    EXPECT_EQ(Values(c), (V{800, 800, 800, 800, 800, 700, 600, 500, 400, 300, 200, 100}));

    Clip s = Clip16(V(12, 800), false, 8);
    FadeOut(s.mutableSpan(), {2, 8}, 1.0L);  // positions 0..8, frames 2..8
    EXPECT_EQ(Values(s), (V{800, 800, 600, 500, 400, 300, 200, 100, 0, 800, 800, 800}));

    Clip shortClip = Clip16(V(5, 800), false, 8);  // longer than the clip
    FadeOut(shortClip.mutableSpan(), {}, 1.0L);
    EXPECT_EQ(Values(shortClip), (V{500, 400, 300, 200, 100}));
}

TEST(Fade, StereoSelectionPastTheEndIsHalvedBeforeItIsLimitedAndBytesScaleAroundSilence) {
    // Indices 4..100 on 6 stereo frames: frames 2..50, limited to 2..6.
    Clip c = Clip16({800, -800, 800, -800, 800, -800, 800, -800, 800, -800, 800, -800}, true, 8);
    FadeIn(c.mutableSpan(), {100, 4}, 1.0L);
    EXPECT_EQ(Values(c), (V{800, -800, 800, -800, 0, 0, 100, -100, 200, -200, 300, -300}));

    Clip b = test::Clip8({0, 0, 255, 128, 200}, false, 4);  // gains 0, 1/4, 1/2, 3/4, 1
    FadeIn(b.mutableSpan(), {}, 1.0L);
    EXPECT_EQ(Values(b), (V{128, 96, 191, 128, 200}));
}

TEST(Fade, ZeroLengthIsAnErrorEvenForAnEmptyRangeAndChangesNothing) {
    const Clip original = Clip16(V(12, 800), false, 8);
    for (const Selection sel : {Selection{}, Selection{3, 3}, Selection{2, 6}}) {
        Clip c = original;
        EXPECT_EQ(FadeIn(c.mutableSpan(), sel, 1e-06L), EffectStatus::InvalidFloatingPointOperation);
        EXPECT_EQ(FadeOut(c.mutableSpan(), sel, 1e-06L), EffectStatus::InvalidFloatingPointOperation);
        EXPECT_EQ(c.bytes, original.bytes);
    }
    Clip empty;  // the empty document has rate 0
    EXPECT_EQ(FadeOut(empty.mutableSpan(), {}, 2.0L), EffectStatus::InvalidFloatingPointOperation);
}

}  // namespace
}  // namespace zirpel
