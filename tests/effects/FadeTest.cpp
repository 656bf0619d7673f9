// Fades at 8 Hz with a time of 1 s: d = 8 and every gain i/8 is exact, so
// the expected values are plain multiples.
#include "effects/Fade.h"

#include <gtest/gtest.h>

#include "EffectClips.h"

namespace zirpel {
namespace {

using test::Clip16;
using test::Constant16;
using test::Values;
using V = std::vector<std::int32_t>;

TEST(FadeIn, RisesOverDFramesAndLeavesFramesFromHiAlone) {
    Clip c = Constant16(12, 800, 8);
    ASSERT_EQ(FadeIn(c.mutableSpan(), {}, 1.0L), EffectStatus::Done);
    EXPECT_EQ(Values(c), (V{0, 100, 200, 300, 400, 500, 600, 700, 800, 800, 800, 800}));

    // A range shorter than d stops below full gain; frame hi stays.
    Clip s = Constant16(8, 800, 8);
    ASSERT_EQ(FadeIn(s.mutableSpan(), {5, 2}, 1.0L), EffectStatus::Done);
    EXPECT_EQ(Values(s), (V{800, 800, 0, 100, 200, 800, 800, 800}));
}

TEST(FadeIn, TwoSecondsAt8000HzHalvesTheMiddleFrame) {
    V frames;
    for (int i = 0; i < 20000; ++i) frames.insert(frames.end(), {3, -3});
    Clip c = Clip16(frames, true, 8000);
    ASSERT_EQ(FadeIn(c.mutableSpan(), {}, 2.0L), EffectStatus::Done);
    const V v = Values(c);
    EXPECT_EQ(v[0], 0);
    EXPECT_EQ(v[2 * 8000], 1);
    EXPECT_EQ(v[2 * 8000 + 1], -1);
    EXPECT_EQ(v[2 * 16000], 3);
    EXPECT_EQ(v[2 * 19999 + 1], -3);
}

TEST(FadeOut, LastFrameGetsOneDthAtTheClipEndButSilenceAfterASelection) {
    Clip c = Constant16(12, 800, 8);
    ASSERT_EQ(FadeOut(c.mutableSpan(), {}, 1.0L), EffectStatus::Done);
    EXPECT_EQ(Values(c), (V{800, 800, 800, 800, 800, 700, 600, 500, 400, 300, 200, 100}));

    // Selection 2..8: positions 0..8, of which 2..8 lie in the range; frame 8
    // (the first after the selection) becomes silent.
    Clip s = Constant16(12, 800, 8);
    ASSERT_EQ(FadeOut(s.mutableSpan(), {2, 8}, 1.0L), EffectStatus::Done);
    EXPECT_EQ(Values(s), (V{800, 800, 600, 500, 400, 300, 200, 100, 0, 800, 800, 800}));

    // Longer than the clip: the first frame starts below full gain.
    Clip shortClip = Constant16(5, 800, 8);
    ASSERT_EQ(FadeOut(shortClip.mutableSpan(), {}, 1.0L), EffectStatus::Done);
    EXPECT_EQ(Values(shortClip), (V{500, 400, 300, 200, 100}));
}

TEST(FadeIn, StereoSelectionPastTheEndIsHalvedBeforeItIsLimited) {
    // Indices 4..100 on 6 stereo frames: frames 2..50, limited to 2..6.
    Clip c = Clip16({800, -800, 800, -800, 800, -800, 800, -800, 800, -800, 800, -800}, true, 8);
    ASSERT_EQ(FadeIn(c.mutableSpan(), {100, 4}, 1.0L), EffectStatus::Done);
    EXPECT_EQ(Values(c), (V{800, -800, 800, -800, 0, 0, 100, -100, 200, -200, 300, -300}));
}

TEST(Fade, EightBitScalesAroundTheSilence) {
    Clip c = test::Clip8({0, 0, 255, 128, 200}, false, 4);  // d = 4: gains 0, 1/4, 2/4, 3/4, 1
    ASSERT_EQ(FadeIn(c.mutableSpan(), {}, 1.0L), EffectStatus::Done);
    EXPECT_EQ(Values(c), (V{128, 96, 191, 128, 200}));
}

TEST(Fade, ZeroLengthIsAnErrorAndChangesNothing) {
    const Clip original = Constant16(12, 800, 8);
    for (const Selection sel : {Selection{}, Selection{3, 3}, Selection{2, 6}}) {
        Clip c = original;
        EXPECT_EQ(FadeIn(c.mutableSpan(), sel, 1e-06L), EffectStatus::InvalidFloatingPointOperation);
        EXPECT_EQ(FadeOut(c.mutableSpan(), sel, 1e-06L), EffectStatus::InvalidFloatingPointOperation);
        EXPECT_EQ(c.bytes, original.bytes);
    }
    // Also on the empty document, whose rate is 0.
    Clip empty;
    EXPECT_EQ(FadeOut(empty.mutableSpan(), {}, 2.0L), EffectStatus::InvalidFloatingPointOperation);
    Clip emptyAt8000({}, {8000, false, true});
    EXPECT_EQ(FadeIn(emptyAt8000.mutableSpan(), {}, 2.0L), EffectStatus::Done);
}

}  // namespace
}  // namespace zirpel
