// The seam audition's clip: the range's tail straight into its head, and
// its frames mapped back to the clip for the cursor.
#include <gtest/gtest.h>

#include "playback/Seam.h"

namespace zirpel {
namespace {

TEST(Seam, TailRunsIntoHeadAndMapsBack) {
    // 16-bit stereo at 10 Hz, frame i holds (i, -i): 2 s are 20 frames.
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 100; ++i)
        for (const int v : {i, -i}) {
            bytes.push_back(static_cast<std::uint8_t>(v));
            bytes.push_back(static_cast<std::uint8_t>(v >> 8));
        }
    const ClipSpan clip{bytes.data(), static_cast<std::int32_t>(bytes.size()), {10, true, true}};
    const SeamClip seam = BuildSeam(clip, {30, 70});
    ASSERT_EQ(seam.clip.span().frames(), 40);
    EXPECT_EQ(seam.clip.bytes[0], 50);        // tail: frames 50..69
    EXPECT_EQ(seam.clip.bytes[19 * 4], 69);
    EXPECT_EQ(seam.clip.bytes[20 * 4], 30);   // head: frames 30..49
    EXPECT_EQ(seam.SourceSampleIndex(0), 100);
    EXPECT_EQ(seam.SourceSampleIndex(21), 62);
    // A range shorter than 2 s plays whole, twice; an empty one gives nothing.
    EXPECT_EQ(BuildSeam(clip, {95, 200}).clip.span().frames(), 10);
    EXPECT_EQ(BuildSeam(clip, {5, 5}).clip.span().frames(), 0);
}

}  // namespace
}  // namespace zirpel
