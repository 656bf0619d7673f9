#include "view/WaveformGeometry.h"

#include <gtest/gtest.h>

#include "view/Progress.h"

namespace zirpel {
namespace {

constexpr ClipFormat kMono8{8000, false, false};
constexpr ClipFormat kStereo16{44100, true, true};

void Put16(std::vector<std::uint8_t>& b, std::size_t index, std::int16_t s) {
    b[2 * index] = static_cast<std::uint8_t>(s);
    b[2 * index + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8);
}

TEST(WaveformGeometry, SampleYTruncatesTowardZero) {
    // 8-bit: 0 at the top row, 255 at the bottom row.
    EXPECT_EQ(SampleY8(0, 144), 0);
    EXPECT_EQ(SampleY8(128, 144), 128 * 143 / 255);
    EXPECT_EQ(SampleY8(255, 144), 143);
    // 16-bit: a negative product divides toward zero, not toward minus infinity.
    EXPECT_EQ(SampleY16(-1, 144), 72);        // -143 div 65536 = 0
    EXPECT_EQ(SampleY16(-32768, 144), 1);     // -71.5 -> -71
    EXPECT_EQ(SampleY16(-459, 144), 72 - 1);  // -1.0016 -> -1
    EXPECT_EQ(SampleY16(0, 144), 72);
    EXPECT_EQ(SampleY16(32767, 144), 143);
    EXPECT_EQ(SampleY16(32767, 100000), 49997 + 50000);  // no 32-bit overflow
}

TEST(WaveformGeometry, ShortClipDrawsOnlyItsColumns) {
    std::vector<std::uint8_t> clip(500);
    for (std::size_t i = 0; i < clip.size(); ++i) clip[i] = static_cast<std::uint8_t>(i);
    const auto g = ComputeWaveform(ClipSpan{clip.data(), 500, kMono8}, Selection{0, 0}, ViewPosition{1, 0, 668, 144});
    EXPECT_EQ(g.start, (ViewPoint{0, 128}));
    ASSERT_EQ(g.lineTo.size(), 500u);
    for (std::size_t x = 0; x < 500; ++x) {
        ASSERT_EQ(g.lineTo[x], (ViewPoint{static_cast<std::int32_t>(x), SampleY8(clip[x], 144)}));
    }
    EXPECT_FALSE(g.hasBand);
    EXPECT_EQ(g.sizeLabel, "0 KBytes");

    // Scrolled: column x shows index zoom * (p + x).
    const auto s = ComputeWaveform(ClipSpan{clip.data(), 500, kMono8}, Selection{0, 0}, ViewPosition{3, 10, 668, 144});
    ASSERT_EQ(s.lineTo.size(), 157u);  // indices 30, 33, ..., 498
    EXPECT_EQ(s.lineTo.front(), (ViewPoint{0, SampleY8(30, 144)}));
    EXPECT_EQ(s.lineTo.back(), (ViewPoint{156, SampleY8(498 % 256, 144)}));
}

TEST(WaveformGeometry, StereoColumnsFollowTheZoomParity) {
    std::vector<std::uint8_t> clip(4 * 100);  // 100 frames: left -1000, right +1000
    for (std::size_t f = 0; f < 100; ++f) {
        Put16(clip, 2 * f, -1000);
        Put16(clip, 2 * f + 1, 1000);
    }
    const std::int32_t left = SampleY16(-1000, 144), right = SampleY16(1000, 144);
    auto g = ComputeWaveform(ClipSpan{clip.data(), 400, kStereo16}, Selection{0, 0}, ViewPosition{2, 0, 50, 144});
    ASSERT_EQ(g.lineTo.size(), 50u);
    for (const auto& p : g.lineTo) EXPECT_EQ(p.y, left);
    for (std::int32_t zoom : {1, 3}) {
        g = ComputeWaveform(ClipSpan{clip.data(), 400, kStereo16}, Selection{0, 0}, ViewPosition{zoom, 0, 50, 144});
        ASSERT_EQ(g.lineTo.size(), 50u);
        for (const auto& p : g.lineTo) EXPECT_EQ(p.y, p.x % 2 == 0 ? left : right);
    }
}

TEST(WaveformGeometry, OddSized16BitClipNeverReadsTheDanglingByte) {
    std::vector<std::uint8_t> clip(5, 0);
    const auto g = ComputeWaveform(ClipSpan{clip.data(), 5, ClipFormat{8000, false, true}}, Selection{0, 0}, ViewPosition{1, 0, 10, 144});
    EXPECT_EQ(g.lineTo.size(), 2u);
}

TEST(WaveformGeometry, BandAndAnchorColumns) {
    std::vector<std::uint8_t> clip(1000, 128);
    auto g = ComputeWaveform(ClipSpan{clip.data(), 1000, kMono8}, Selection{100, 300}, ViewPosition{2, 10, 668, 144});
    EXPECT_TRUE(g.hasBand);
    EXPECT_EQ(g.anchorColumn, 40);  // (100 - 20) div 2
    EXPECT_EQ(g.bandLeft, 40);
    EXPECT_EQ(g.bandRight, 140);
    g = ComputeWaveform(ClipSpan{clip.data(), 1000, kMono8}, Selection{300, 100}, ViewPosition{2, 10, 668, 144});
    EXPECT_EQ(g.anchorColumn, 140);
    EXPECT_EQ(g.bandLeft, 40);
    EXPECT_EQ(g.bandRight, 140);
    // Same column: no band, the anchor line remains.
    g = ComputeWaveform(ClipSpan{clip.data(), 1000, kMono8}, Selection{100, 101}, ViewPosition{2, 0, 668, 144});
    EXPECT_FALSE(g.hasBand);
    EXPECT_EQ(g.anchorColumn, 50);
    // Left of the view: truncation toward zero, (5 - 30) div 10 = -2.
    EXPECT_EQ(ColumnOfIndex(5, 10, 3), -2);
    EXPECT_EQ(ColumnOfIndex(0, 1000000, 2147483647), -2147483647);  // 64-bit, no overflow
}

TEST(WaveformGeometry, EmptyClipAndSizeLabel) {
    auto g = ComputeWaveform(ClipSpan{nullptr, 0, kMono8}, Selection{-1, 5}, ViewPosition{1, 0, 668, 144});
    EXPECT_TRUE(g.lineTo.empty());
    EXPECT_TRUE(g.hasBand);
    EXPECT_EQ(g.sizeLabel, "0 KBytes");
    std::vector<std::uint8_t> clip(3071);
    g = ComputeWaveform(ClipSpan{clip.data(), 3071, kMono8}, Selection{0, 0}, ViewPosition{1, 0, 0, 144});
    EXPECT_EQ(g.sizeLabel, "2 KBytes");
    EXPECT_TRUE(g.lineTo.empty());  // zero-width view
}

TEST(Progress, BoundaryAndValidRange) {
    EXPECT_EQ(ProgressBoundary(400, 680, 50), 540);
    EXPECT_EQ(ProgressBoundary(400, 680, 0), 400);
    EXPECT_EQ(ProgressBoundary(400, 680, 100), 680);
    EXPECT_EQ(ProgressBoundary(400, 680, 33), 400 + 280 * 33 / 100);
    EXPECT_EQ(ProgressBoundary(0, 0, 70), 0);  // panel never drawn yet
    EXPECT_TRUE(ProgressIsValid(0));
    EXPECT_TRUE(ProgressIsValid(100));
    EXPECT_FALSE(ProgressIsValid(-1));
    EXPECT_FALSE(ProgressIsValid(101));
}

}  // namespace
}  // namespace zirpel
