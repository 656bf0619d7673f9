// Times of the selection: the typed forms, the shown form, and the one
// conversion to sample indices (extended precision, whole frames, held
// within the clip).
#include <gtest/gtest.h>

#include "view/SelectionTime.h"

namespace zirpel {
namespace {

TEST(SelectionTime, TypedFormsAndShownForm) {
    EXPECT_EQ(*ParseClockTime("1:23,450"), 83.45L);
    EXPECT_EQ(*ParseClockTime(" 1:23.45 "), 83.45L);
    EXPECT_EQ(*ParseClockTime("01:05"), 65.0L);
    EXPECT_EQ(*ParseClockTime("83,45"), 83.45L);
    EXPECT_EQ(*ParseClockTime("0,7"), 0.7L);  // no double in between
    for (const char* bad : {"", "1:", ":5", "1:60", "1:5:3", "-1:05", "1:+5", "1:5e1", "a:05", "1:123"})
        EXPECT_FALSE(ParseClockTime(bad)) << bad;
    EXPECT_EQ(FormatClockTime(83.4505L), "1:23,451");
    EXPECT_EQ(FormatClockTime(-3), "0:00,000");
    EXPECT_EQ(FormatClockTime(3600), "60:00,000");
    EXPECT_EQ(FormatSeconds(30), "30,000");
}

TEST(SelectionTime, IndicesAreWholeFramesHeldWithinTheClip) {
    static const std::uint8_t data[1] = {0};  // only size and format are looked at
    struct Case {
        ClipFormat format;
        std::int32_t bytes;
        Extended start, length;
        std::int32_t anchor, caret;
    };
    const Case cases[] = {
        // 0.7 s at 44100 Hz is frame 30870 in extended precision (30869 in double).
        {{44100, false, true}, 1 << 24, 0.7L, 1.0L, 30870, 30870 + 44100},
        // Stereo: frames become even indices; 8 bit: a byte per value.
        {{8000, true, false}, 1 << 20, 1.5L, 0.5L, 24000, 32000},
        {{8000, true, true}, 1 << 20, 0.00099L, 0.5L, 14, 8014},  // 7.92 frames: frame 7
        // Held at the clip's last whole frame (a trailing half frame does not count) and at 0.
        {{1000, true, true}, 4002, 0.5L, 10.0L, 1000, 2000},
        {{1000, false, false}, 300, -1.0L, 0.1L, 0, 0},
        {{1000, false, false}, 300, 0.25L, -0.1L, 250, 150},  // a negative length selects backwards
        {{1000, false, false}, 300, 1e4000L, 1.0L, 300, 300},
        {{0, false, false}, 300, 1e4000L, 1.0L, 0, 0},  // an infinite time at 0 Hz
    };
    for (const Case& c : cases) {
        const Selection s = SelectionFromTimes(c.start, c.length, ClipSpan{data, c.bytes, c.format});
        EXPECT_EQ(s.anchor, c.anchor) << static_cast<double>(c.start);
        EXPECT_EQ(s.caret, c.caret) << static_cast<double>(c.start);
    }
    const ClipSpan stereo{data, 4002, {1000, true, true}};
    EXPECT_EQ(FramesOfSelection({1001, 7}, stereo).start, 3);
    EXPECT_EQ(FramesOfSelection({1001, 7}, stereo).end, 500);
    EXPECT_TRUE(FramesOfSelection({5, 5}, stereo).whole);
    EXPECT_EQ(FramesOfSelection({5, 5}, stereo).end, 1000);
}

}  // namespace
}  // namespace zirpel
