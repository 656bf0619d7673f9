// `--select`: seconds to frames in extended precision, stereo indices, and
// the mouse's clamp.
#include <gtest/gtest.h>

#include "cli/SelectSpec.h"

namespace zirpel::cli {
namespace {

std::int32_t Resolve(const char* end, std::int32_t size, ClipFormat f) {
    static const std::uint8_t dummy[1] = {0};  // only size and format are looked at
    const auto spec = ParseSelectSpec(std::string(end) + ":0");
    EXPECT_TRUE(spec) << end;
    return ResolveSelectEnd(spec->anchor, ClipSpan{size > 0 ? dummy : nullptr, size, f});
}

TEST(SelectSpec, SecondsBecomeTruncatedExtendedFrames) {
    const std::int32_t big = 1 << 30;
    // 0.7 s at 44100 Hz is 30870 frames in extended precision (30869 in double).
    EXPECT_EQ(Resolve("0,7s", big, {44100, false, true}), 30870);
    // 2.3 s at 48000 Hz: frame 110400, in stereo index 220800.
    EXPECT_EQ(Resolve("2.3s", big, {48000, true, true}), 220800);
    // No 100 s limit and no 1e-06 floor.
    EXPECT_EQ(Resolve("250S", big, {44100, false, true}), 250 * 44100);
    EXPECT_EQ(Resolve("1e-7s", big, {44100, false, true}), 0);
}

TEST(SelectSpec, EndsAreHeldLikeTheMouse) {
    const ClipFormat stereo16{8000, true, true};
    // 4000 bytes of 16-bit stereo: 2000 indices, the last is 1999.
    EXPECT_EQ(Resolve("5000", 4000, stereo16), 1999);
    EXPECT_EQ(Resolve("-3", 4000, stereo16), 0);
    EXPECT_EQ(Resolve("99999999999999999999", 4000, stereo16), 1999);
    EXPECT_EQ(Resolve("-1e4000s", 4000, stereo16), 0);
    // An empty clip gives -1, as the mouse does, also for an infinite time at 0 Hz.
    EXPECT_EQ(Resolve("1e4000s", 0, ClipFormat{0, false, false}), -1);
    EXPECT_FALSE(ParseSelectSpec("12"));
    EXPECT_FALSE(ParseSelectSpec("5:s"));
}

}  // namespace
}  // namespace zirpel::cli
