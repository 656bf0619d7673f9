// The clip's unit arithmetic and the selection conversions of playback and
// the effects (crop/cut's are tested with crop and cut in the view tests):
// playback compares signed and never clamps, effects halve before clamping.
#include <gtest/gtest.h>

#include "clip/Clip.h"
#include "clip/Extended.h"
#include "clip/Samples.h"
#include "clip/Selection.h"

using namespace zirpel;

namespace {
constexpr ClipFormat kMono8{8000, false, false};
constexpr ClipFormat kStereo16{44100, true, true};
}  // namespace

TEST(ClipFormatTest, FramesAndIndicesDropPartialUnits) {
    EXPECT_EQ(FrameCount(1003, kStereo16), 250);
    EXPECT_EQ(SampleIndexCount(1003, kStereo16), 501);
    EXPECT_EQ(FrameCount(7, ClipFormat{8000, true, false}), 3);
    EXPECT_EQ(FrameBytes(kStereo16), 4);
    Clip empty;
    EXPECT_TRUE(empty.span().empty());
    EXPECT_EQ(empty.span().frames(), 0);
}

TEST(ClipFormatTest, SampleConversionsAndLimits) {
    EXPECT_EQ(Widen8(0), -32768);
    EXPECT_EQ(Widen8(255), 32512);
    EXPECT_EQ(Narrow16(-257), 126);
    EXPECT_EQ(Narrow16(-1), 127);
    EXPECT_EQ(Narrow16(256), 129);
    EXPECT_EQ(Clamp16(40000), 32767);
    EXPECT_EQ(Clamp8Offset(-200), 0);
    EXPECT_EQ(Clamp8Offset(127), 255);
}

TEST(ClipFormatTest, ExtendedPrecisionIsWhatTheResultsNeed) {
    // 0.7 s at 44100 Hz is 30870 frames only with a 64-bit mantissa.
    const Extended t = 0.7L;
    EXPECT_EQ(static_cast<long long>(t * 44100), 30870);
}

TEST(SelectionTest, PlayFramesAreSignedAndUnclamped) {
    EXPECT_EQ(PlayFrames({3, 3}, 500, kStereo16).end, 500);
    const FrameRange r = PlayFrames({2001, 99}, 500, kStereo16);
    EXPECT_EQ(r.start, 49);
    EXPECT_EQ(r.end, 1000);  // past the clip: the play loop plays silence there
    EXPECT_EQ(PlayFrames({-4, 10}, 500, kStereo16).start, -2);
}

TEST(SelectionTest, EffectFramesHalveBeforeLimiting) {
    // Stereo clip of 12000 frames, indices 10000..20000: frames 5000..10000.
    EffectRange r = EffectFrames({20000, 10000}, 12000, kStereo16);
    EXPECT_EQ(r.lo, 5000u);
    EXPECT_EQ(r.hi, 10000u);
    // Indices 30000..20000 halve to 15000..10000 and then limit to 12000.
    r = EffectFrames({30000, 20000}, 12000, kStereo16);
    EXPECT_EQ(r.lo, 10000u);
    EXPECT_EQ(r.hi, 12000u);
    r = EffectFrames({0, 0}, 12000, kStereo16);
    EXPECT_EQ(r.hi, 12000u);
    // A negative end is a large unsigned value: limited to n.
    r = EffectFrames({-2, 4}, 10, kMono8);
    EXPECT_EQ(r.lo, 4u);
    EXPECT_EQ(r.hi, 10u);
}
