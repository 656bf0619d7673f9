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
    // 101 stereo frames holding (k, -k), 44100 -> 8000 Hz: 73 bytes, 18 frames.
    V v;
    for (int k = 0; k < 101; ++k) v.insert(v.end(), {k, -k});
    const Clip in = Clip16(v, true, 44100);
    Clip out;
    ASSERT_EQ(ChangeFormat(in.span(), {true, true, 8000}, out), EffectStatus::Done);
    EXPECT_EQ(out.format, (ClipFormat{8000, true, true}));
    V expected;
    for (int k : {0, 5, 11, 16, 22, 27, 33, 38, 44, 49, 55, 60, 66, 71, 77, 82, 88, 93})
        expected.insert(expected.end(), {k, -k});
    EXPECT_EQ(Values(out), expected);

    // Up-sampling repeats: 8000 -> 44100 Hz, mono 8-bit to stereo 16-bit.
    V bytes;
    for (int k = 0; k < 8000; ++k) bytes.push_back(k % 256);
    Clip up;
    ASSERT_EQ(ChangeFormat(Clip8(bytes, false, 8000).span(), {true, true, 44100}, up), EffectStatus::Done);
    ASSERT_EQ(up.size(), 44100 * 4);
    const V u = Values(up);
    for (int f = 0; f < 6; ++f) EXPECT_EQ(u[2 * f], -32768) << f;  // source frame 0
    EXPECT_EQ(u[2 * 6], -32512);                                   // source frame 1
    EXPECT_EQ(u[2 * 7 + 1], -32512);
}

TEST(FormatChange, WidthsShiftByEightBitsAndChannelsKeepLeft) {
    Clip narrow;
    ASSERT_EQ(ChangeFormat(Clip16({-32768, -257, -256, -1, 0, 255, 256, 32767}).span(), {false, false, 8000},
                           narrow),
              EffectStatus::Done);
    EXPECT_EQ(Values(narrow), (V{0, 126, 127, 127, 128, 128, 129, 255}));

    Clip wide;
    ASSERT_EQ(ChangeFormat(Clip8({0, 128, 255}).span(), {false, true, 8000}, wide), EffectStatus::Done);
    EXPECT_EQ(Values(wide), (V{-32768, 0, 32512}));

    Clip mono;
    ASSERT_EQ(ChangeFormat(Clip16({0, 500, 0, -500}, true).span(), {false, true, 8000}, mono), EffectStatus::Done);
    EXPECT_EQ(Values(mono), (V{0, 0}));  // silent left, loud right

    Clip stereo;
    ASSERT_EQ(ChangeFormat(Clip8({10, 250}).span(), {true, false, 8000}, stereo), EffectStatus::Done);
    EXPECT_EQ(Values(stereo), (V{10, 10, 250, 250}));
}

TEST(FormatChange, SizeFollowsWidthChannelsAndRate) {
    const std::uint8_t byte = 0;
    // 10 s of 16-bit stereo at 44100 Hz to 8-bit mono at 8000 Hz: 80000 bytes.
    EXPECT_EQ(FormatChangeBytes({&byte, 1764000, {44100, true, true}}, {false, false, 8000}), 80000);
    EXPECT_EQ(FormatChangeBytes({&byte, 8000, {8000, false, false}}, {true, true, 44100}), 176400);
    EXPECT_EQ(FormatChangeBytes({&byte, 404, {44100, true, true}}, {true, true, 8000}), 72);
    // Quadrupling a 1 GiB clip does not wrap around 32 bits.
    EXPECT_EQ(FormatChangeBytes({&byte, 1 << 30, {8000, false, false}}, {true, true, 8000}), 4LL << 30);
}

TEST(FormatChange, SameFormatAndRateKeepsEverySample) {
    const Clip in = Clip16({1, -2, 300, -32768, 32767, 7}, true, 22050);
    Clip out;
    ASSERT_EQ(ChangeFormat(in.span(), {true, true, 22050}, out), EffectStatus::Done);
    EXPECT_EQ(out.bytes, in.bytes);
    EXPECT_EQ(out.format, in.format);
}

TEST(FormatChange, RefusalsLeaveTheClipAlone) {
    Clip out = Clip8({1, 2, 3});
    const Clip before = out;
    // A clip at 0 Hz divides by zero.
    EXPECT_EQ(ChangeFormat(Clip16({1, 2}, false, 0).span(), {false, true, 8000}, out), EffectStatus::DivisionByZero);
    // Nothing to convert.
    EXPECT_EQ(ChangeFormat(Clip().span(), {false, true, 8000}, out), EffectStatus::Unchanged);
    // More than 2^31 - 1 bytes: refused before anything is allocated or read
    // (the span claims far more bytes than it has).
    const std::uint8_t byte = 0;
    EXPECT_EQ(ChangeFormat({&byte, 1 << 30, {8000, false, false}}, {true, true, 8000}, out),
              EffectStatus::OutOfMemory);
    EXPECT_EQ(ChangeFormat({&byte, 1 << 30, {1, true, true}}, {true, true, 200000}, out),
              EffectStatus::OutOfMemory);
    EXPECT_EQ(ChangeFormat(Clip8({1}).span(), {false, false, 0}, out), EffectStatus::BadParameter);
    EXPECT_EQ(out.bytes, before.bytes);
    EXPECT_EQ(out.format, before.format);
}

TEST(FormatChange, PartialFrameReadsAsSilenceAndTinyResultsAreEmpty) {
    // Two 16-bit frames and a stray byte at 1 Hz, doubled to 2 Hz: output
    // frame 4 takes source frame 2, which is the partial one.
    Clip in = Clip16({1000, -1000}, false, 1);
    in.bytes.push_back(0x7F);
    Clip out;
    ASSERT_EQ(ChangeFormat(in.span(), {false, true, 2}, out), EffectStatus::Done);
    EXPECT_EQ(Values(out), (V{1000, 1000, -1000, -1000, 0}));
    // One 8-bit stereo frame and a stray byte: its silence is 128.
    ASSERT_EQ(ChangeFormat(Clip8({7, 9, 200}, true, 1).span(), {true, false, 2}, out), EffectStatus::Done);
    EXPECT_EQ(Values(out), (V{7, 9, 7, 9, 128, 128}));

    // One frame at 44100 Hz to 8000 Hz is less than a frame.
    Clip tiny;
    ASSERT_EQ(ChangeFormat(Clip16({5, 6}, true, 44100).span(), {false, false, 8000}, tiny), EffectStatus::Done);
    EXPECT_EQ(tiny.size(), 0);
    EXPECT_EQ(tiny.format, (ClipFormat{8000, false, false}));
}

}  // namespace
}  // namespace zirpel
