#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "clip/Selection.h"
#include "playback/ChunkFill.h"

using namespace zirpel;

namespace {

struct Frame {
    std::int16_t left, right;
    bool operator==(const Frame&) const = default;
};

std::vector<std::uint8_t> Chunk() { return std::vector<std::uint8_t>(kChunkBytes, 0xAA); }

std::span<std::uint8_t, kChunkBytes> Span(std::vector<std::uint8_t>& v) {
    return std::span<std::uint8_t, kChunkBytes>(v.data(), kChunkBytes);
}

Frame OutFrame(const std::vector<std::uint8_t>& chunk, std::size_t k) {
    auto rd = [&](std::size_t i) {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(chunk[i] | (chunk[i + 1] << 8)));
    };
    return {rd(4 * k), rd(4 * k + 2)};
}

void Put16(std::vector<std::uint8_t>& v, std::int16_t s) {
    v.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) & 0xFF));
    v.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8));
}

// 16-bit stereo clip whose frame i is (i + 1, -(i + 1)).
std::vector<std::uint8_t> NumberedStereo(int frames) {
    std::vector<std::uint8_t> v;
    for (int i = 0; i < frames; ++i) {
        Put16(v, static_cast<std::int16_t>(i + 1));
        Put16(v, static_cast<std::int16_t>(-(i + 1)));
    }
    return v;
}

// 16-bit mono clip whose frame i is i * 3.
std::vector<std::uint8_t> NumberedMono(int frames) {
    std::vector<std::uint8_t> v;
    for (int i = 0; i < frames; ++i) Put16(v, static_cast<std::int16_t>(i * 3));
    return v;
}

ClipSpan View(const std::vector<std::uint8_t>& v, std::int32_t rate, bool stereo, bool is16) {
    return {v.data(), static_cast<std::int32_t>(v.size()), ClipFormat{rate, stereo, is16}};
}

}  // namespace

TEST(ChunkFill, ClipAt44100IsCopiedFrameForFrame) {
    const auto clip = NumberedStereo(20000);
    auto out = Chunk();
    const auto r = FillChunk(Span(out), View(clip, 44100, true, true), 100, 20000);
    for (std::size_t k = 0; k < kChunkFrames; ++k) {
        const auto i = static_cast<std::int16_t>(100 + k + 1);
        ASSERT_EQ(OutFrame(out, k), (Frame{i, static_cast<std::int16_t>(-i)})) << k;
    }
    EXPECT_EQ(r.pos, 100.0 + kChunkFrames);
    EXPECT_EQ(r.lastFrame, 100 + 11024);
}

TEST(ChunkFill, HalfRateRepeatsFramesRoundingTiesToEven) {
    const auto clip = NumberedMono(20000);
    auto out = Chunk();
    const auto r = FillChunk(Span(out), View(clip, 22050, false, true), 0, 20000);
    const int expected[] = {0, 0, 1, 2, 2, 2, 3, 4, 4, 4, 5, 6, 6, 6};
    for (std::size_t k = 0; k < std::size(expected); ++k) {
        const auto s = static_cast<std::int16_t>(expected[k] * 3);
        EXPECT_EQ(OutFrame(out, k), (Frame{s, s})) << k;  // mono goes to both channels
    }
    EXPECT_EQ(r.pos, 5512.5);
    EXPECT_EQ(r.lastFrame, 5512);  // 5512.0 for k = 11024
}

TEST(ChunkFill, EightBitSamplesAreWidened) {
    const std::vector<std::uint8_t> mono = {200, 128, 0, 255};
    auto out = Chunk();
    FillChunk(Span(out), View(mono, 44100, false, false), 0, 4);
    EXPECT_EQ(OutFrame(out, 0), (Frame{18432, 18432}));
    EXPECT_EQ(OutFrame(out, 1), (Frame{0, 0}));
    EXPECT_EQ(OutFrame(out, 2), (Frame{-32768, -32768}));
    EXPECT_EQ(OutFrame(out, 3), (Frame{32512, 32512}));
    EXPECT_EQ(OutFrame(out, 4), (Frame{0, 0}));  // beyond the clip: silence

    const std::vector<std::uint8_t> stereo = {0, 255, 200, 128};
    FillChunk(Span(out), View(stereo, 44100, true, false), 0, 2);
    EXPECT_EQ(OutFrame(out, 0), (Frame{-32768, 32512}));
    EXPECT_EQ(OutFrame(out, 1), (Frame{18432, 0}));
    EXPECT_EQ(OutFrame(out, 2), (Frame{0, 0}));
}

TEST(ChunkFill, StereoSelectionPlaysItsFramesOnly) {
    const auto clip = NumberedStereo(1000);
    const ClipSpan view = View(clip, 44100, true, true);
    const FrameRange r = PlayFrames(Selection{300, 100}, view.frames(), view.format);  // sample indices, caret left of anchor
    EXPECT_EQ(r.start, 50);
    EXPECT_EQ(r.end, 150);

    auto out = Chunk();
    FillChunk(Span(out), view, r.start, r.end);
    for (std::size_t k = 0; k < 100; ++k) {
        const auto i = static_cast<std::int16_t>(50 + k + 1);
        ASSERT_EQ(OutFrame(out, k), (Frame{i, static_cast<std::int16_t>(-i)}));
    }
    for (std::size_t k = 100; k < kChunkFrames; ++k) ASSERT_EQ(OutFrame(out, k), (Frame{0, 0}));
}

TEST(ChunkFill, EmptySelectionPlaysTheWholeClipWhereverItIs) {
    const auto clip = NumberedStereo(1000);
    const ClipSpan view = View(clip, 44100, true, true);
    const FrameRange r = PlayFrames(Selection{777, 777}, view.frames(), view.format);
    EXPECT_EQ(r.start, 0);
    EXPECT_EQ(r.end, 1000);
    EXPECT_EQ(PlayFrames(Selection{0, 0}, ClipSpan{}.frames(), ClipFormat{}).end, 0);
    // Narrower than one stereo frame: both ends halve to the same frame.
    EXPECT_EQ(PlayFrames(Selection{101, 100}, view.frames(), view.format).end, 50);
}

TEST(ChunkFill, RangeOf30000FramesTakesThreeChunksEndingInSilence) {
    const auto clip = NumberedStereo(40000);
    const ClipSpan view = View(clip, 44100, true, true);
    auto out = Chunk();
    double pos = 0;
    int audible = 0;
    for (int c = 0; c < 3; ++c) {
        pos = FillChunk(Span(out), view, pos, 30000).pos;
        for (std::size_t k = 0; k < kChunkFrames; ++k)
            if (OutFrame(out, k) != Frame{0, 0}) ++audible;
        if (c < 2) {
            EXPECT_EQ(audible, 11025 * (c + 1));
        }
    }
    EXPECT_EQ(audible, 30000);  // 11025 + 11025 + 7950, then 3075 frames of silence
    EXPECT_EQ(OutFrame(out, 7949), (Frame{30000, -30000}));
    EXPECT_EQ(OutFrame(out, 7950), (Frame{0, 0}));
    EXPECT_GE(pos, 30000.0);
}

TEST(ChunkFill, FasterClipSkipsFramesAndNeverReadsOutsideTheClip) {
    // 48000 Hz: about 1.088 source frames per output frame.
    const auto clip = NumberedMono(100);
    auto out = Chunk();
    const auto r = FillChunk(Span(out), View(clip, 48000, false, true), 0, 1000000);
    EXPECT_EQ(OutFrame(out, 1), (Frame{3, 3}));   // pos 1.088 -> frame 1
    EXPECT_EQ(OutFrame(out, 11), (Frame{36, 36}));  // pos 11.97 -> frame 12
    EXPECT_EQ(OutFrame(out, 200), (Frame{0, 0}));   // past the clip
    EXPECT_EQ(r.lastFrame, 11999);                  // 11998.9 rounded, inside the clip or not

    // A negative rate walks backwards from the start: silence, no read before the data.
    FillChunk(Span(out), View(clip, -44100, false, true), 5, 100);
    EXPECT_EQ(OutFrame(out, 5), (Frame{0, 0}));
    EXPECT_EQ(OutFrame(out, 6), (Frame{0, 0}));
    EXPECT_EQ(OutFrame(out, 0), (Frame{15, 15}));

    // No clip at all.
    FillChunk(Span(out), ClipSpan{}, 0, 10);
    EXPECT_EQ(OutFrame(out, 0), (Frame{0, 0}));
}

