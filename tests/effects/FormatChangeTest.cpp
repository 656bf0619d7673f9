#include "effects/FormatChange.h"

#include <gtest/gtest.h>

#include "EffectClips.h"

namespace zirpel {
namespace {

using test::Clip16;
using test::Clip8;
using test::Values;
using V = std::vector<std::int32_t>;

TEST(FormatChange, RateChangeTakesTheEarlierSourceFrame) {
    // 101 stereo frames holding (k, -k), 44100 -> 8000 Hz: m = 73, 18 frames.
    V v;
    for (int k = 0; k < 101; ++k) v.insert(v.end(), {k, -k});
    Clip out;
    ASSERT_EQ(ChangeFormat(Clip16(v, true, 44100).span(), {true, true, 8000}, out), EffectStatus::Done);
    EXPECT_EQ(out.format, (ClipFormat{8000, true, true}));
    V expected;
    for (int k : {0, 5, 11, 16, 22, 27, 33, 38, 44, 49, 55, 60, 66, 71, 77, 82, 88, 93})
        expected.insert(expected.end(), {k, -k});
    EXPECT_EQ(Values(out), expected);

    // 8000 Hz 8-bit mono up to 44100 Hz 16-bit stereo repeats source frames.
    V bytes(8000, 0);
    bytes[1] = 1;
    ASSERT_EQ(ChangeFormat(Clip8(bytes, false, 8000).span(), {true, true, 44100}, out), EffectStatus::Done);
    ASSERT_EQ(out.size(), 44100 * 4);
    const V u = Values(out);
    EXPECT_EQ(u[2 * 5 + 1], -32768);  // frames 0..5 from source frame 0
    EXPECT_EQ(u[2 * 6], -32512);      // frames 6, 7 from source frame 1
    EXPECT_EQ(u[2 * 7 + 1], -32512);
}

TEST(FormatChange, WidthsShiftByEightBitsAndMonoKeepsLeft) {
    Clip out;
    ASSERT_EQ(ChangeFormat(Clip16({-32768, -257, -256, -1, 255, 256, 32767}).span(), {false, false, 8000}, out),
              EffectStatus::Done);
    EXPECT_EQ(Values(out), (V{0, 126, 127, 127, 128, 129, 255}));
    ASSERT_EQ(ChangeFormat(Clip8({0, 128, 255}).span(), {true, true, 8000}, out), EffectStatus::Done);
    EXPECT_EQ(Values(out), (V{-32768, -32768, 0, 0, 32512, 32512}));
    ASSERT_EQ(ChangeFormat(Clip16({0, 500, 0, -500}, true).span(), {false, true, 8000}, out), EffectStatus::Done);
    EXPECT_EQ(Values(out), (V{0, 0}));
}

TEST(FormatChange, RefusalsLeaveTheClipAloneAndNeverAllocateTooMuch) {
    Clip out = Clip8({1, 2, 3});
    EXPECT_EQ(ChangeFormat(Clip16({1, 2}, false, 0).span(), {false, true, 8000}, out), EffectStatus::DivisionByZero);
    EXPECT_EQ(ChangeFormat(Clip().span(), {false, true, 8000}, out), EffectStatus::Unchanged);
    // Spans claiming 1 GiB over one real byte: the size is refused before
    // anything is allocated or read. Quadrupling it must not wrap in 32 bits.
    const std::uint8_t byte = 0;
    EXPECT_EQ(FormatChangeBytes({&byte, 1 << 30, {8000, false, false}}, {true, true, 8000}), 4LL << 30);
    EXPECT_EQ(ChangeFormat({&byte, 1 << 30, {8000, false, false}}, {true, true, 8000}, out),
              EffectStatus::OutOfMemory);
    EXPECT_EQ(ChangeFormat({&byte, 1 << 30, {1, true, true}}, {true, true, 200000}, out), EffectStatus::OutOfMemory);
    EXPECT_EQ(Values(out), (V{1, 2, 3}));
    EXPECT_EQ(out.format.sampleRate, 8000);
}

TEST(FormatChange, PartialFrameReadsAsSilenceAndTinyResultsAreEmpty) {
    // Two 16-bit frames and a stray byte, 1 -> 2 Hz: output frame 4 takes the partial frame 2.
    Clip in = Clip16({1000, -1000}, false, 1);
    in.bytes.push_back(0x7F);
    Clip out;
    ASSERT_EQ(ChangeFormat(in.span(), {false, true, 2}, out), EffectStatus::Done);
    EXPECT_EQ(Values(out), (V{1000, 1000, -1000, -1000, 0}));
    ASSERT_EQ(ChangeFormat(Clip8({7, 9, 200}, true, 1).span(), {true, false, 2}, out), EffectStatus::Done);
    EXPECT_EQ(Values(out), (V{7, 9, 7, 9, 128, 128}));

    ASSERT_EQ(ChangeFormat(Clip16({5, 6}, true, 44100).span(), {false, false, 8000}, out), EffectStatus::Done);
    EXPECT_EQ(out.size(), 0);
    EXPECT_EQ(out.format, (ClipFormat{8000, false, false}));
}

}  // namespace
}  // namespace zirpel
