#include "view/Selection.h"

#include <limits>
#include <numeric>

#include <gtest/gtest.h>

namespace zirpel {
namespace {

constexpr ClipFormat kMono8{8000, false, false};
constexpr ClipFormat kStereo8{8000, true, false};
constexpr ClipFormat kStereo16{44100, true, true};

std::vector<std::uint8_t> Numbered(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i);
    return v;
}

TEST(IndexUnderMouse, MapsColumnsAndClampsToTheClip) {
    EXPECT_EQ(IndexUnderMouse(5, 10, 2, 1000), 70);
    EXPECT_EQ(IndexUnderMouse(-3, 10, 0, 1000), 0);
    EXPECT_EQ(IndexUnderMouse(-3, 10, 1, 1000), 0);    // 10 * -3 + 10 < 0
    EXPECT_EQ(IndexUnderMouse(-3, 10, 5, 1000), 20);   // still inside the clip
    EXPECT_EQ(IndexUnderMouse(200, 10, 0, 1000), 999);  // right of the last column
    EXPECT_EQ(IndexUnderMouse(0, 1, 0, 0), -1);        // empty clip
    EXPECT_EQ(IndexUnderMouse(100, 1, 0, 0), -1);
    EXPECT_EQ(IndexUnderMouse(3, 0, 0, 10), 3);        // zoom 0 used as 1
    // Products far beyond 32 bits clamp instead of wrapping.
    constexpr auto kMax32 = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin32 = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(IndexUnderMouse(kMax32, 1000000, kMax32, 1000), 999);
    EXPECT_EQ(IndexUnderMouse(kMin32, 1000000, 0, 1000), 0);
}

TEST(SelectedBytes, EmptySelectionDoesNothing) {
    EXPECT_FALSE(SelectedBytes(Selection{0, 0}, 1000, kMono8));
    EXPECT_FALSE(SelectedBytes(Selection{77, 77}, 1000, kStereo16));
    EXPECT_FALSE(SelectedBytes(Selection{-1, -1}, 0, kMono8));  // mouse on an empty clip
}

TEST(CropCut, EightBitMonoSelection100To300) {
    const auto data = Numbered(1000);
    for (auto [a, c] : {std::pair{100, 300}, std::pair{300, 100}}) {
        const auto r = SelectedBytes(Selection{a, c}, 1000, kMono8);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->from, 100);
        EXPECT_EQ(r->to, 300);
        const auto crop = CropBytes(ClipSpan{data.data(), 1000, kMono8}, *r).bytes;
        EXPECT_EQ(crop, std::vector<std::uint8_t>(data.begin() + 100, data.begin() + 300));
        const auto cut = CutBytes(ClipSpan{data.data(), 1000, kMono8}, *r).bytes;
        ASSERT_EQ(cut.size(), 800u);
        EXPECT_TRUE(std::equal(data.begin(), data.begin() + 100, cut.begin()));
        EXPECT_TRUE(std::equal(data.begin() + 300, data.end(), cut.begin() + 100));
    }
}

TEST(CropCut, StereoRoundsEndsDownToWholeFrames) {
    const auto data = Numbered(4000);  // 16-bit stereo: 2000 indices, 1000 frames
    auto r = SelectedBytes(Selection{101, 300}, 4000, kStereo16);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->from, 200);  // frame 50
    EXPECT_EQ(r->to, 600);    // frame 150
    EXPECT_EQ(CropBytes(ClipSpan{data.data(), 4000, kMono8}, *r).bytes.size(), 400u);
    const auto cut = CutBytes(ClipSpan{data.data(), 4000, kMono8}, *r).bytes;
    ASSERT_EQ(cut.size(), 3600u);
    EXPECT_EQ(cut[199], data[199]);
    EXPECT_EQ(cut[200], data[600]);

    // Indices 4 and 5 are the same frame: an empty range, not "no selection".
    r = SelectedBytes(Selection{4, 5}, 4000, kStereo16);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Length(), 0);
    EXPECT_TRUE(CropBytes(ClipSpan{data.data(), 4000, kMono8}, *r).bytes.empty());
    EXPECT_EQ(CutBytes(ClipSpan{data.data(), 4000, kMono8}, *r).bytes, data);

    r = SelectedBytes(Selection{5, 9}, 100, kStereo8);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->from, 4);
    EXPECT_EQ(r->to, 8);
}

TEST(CropCut, EndsAreComparedUnsignedAndClampedToTheClip) {
    // -1 is the largest unsigned value: it becomes the clip's end.
    auto r = SelectedBytes(Selection{-1, 10}, 100, kMono8);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->from, 10);
    EXPECT_EQ(r->to, 100);
    r = SelectedBytes(Selection{50, 5000}, 100, kMono8);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->to, 100);
    // 16-bit clip of odd size: 2 indices, so at most 4 bytes are selected.
    r = SelectedBytes(Selection{0, 9}, 5, ClipFormat{8000, false, true});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->to, 4);
    // A range outside the buffer is clamped, never read past the end.
    const auto data = Numbered(10);
    EXPECT_EQ(CropBytes(ClipSpan{data.data(), 10, kMono8}, ByteRange{8, 50}).bytes.size(), 2u);
    EXPECT_EQ(CutBytes(ClipSpan{data.data(), 10, kMono8}, ByteRange{-5, 3}).bytes.size(), 7u);
}

}  // namespace
}  // namespace zirpel
