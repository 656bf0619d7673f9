// `--select`: seconds to frames in extended precision, stereo indices, and
// the mouse's clamp.
#include <gtest/gtest.h>

#include "cli/SelectSpec.h"

namespace zirpel::cli {
namespace {

ClipSpan Span(std::int32_t size, ClipFormat f) {
    static const std::uint8_t dummy[1] = {0};
    return {size > 0 ? dummy : nullptr, size, f};  // only size and format are looked at
}

std::int32_t Resolve(const char* end, std::int32_t size, ClipFormat f) {
    const auto spec = ParseSelectSpec(std::string(end) + ":0");
    EXPECT_TRUE(spec) << end;
    return ResolveSelectEnd(spec->anchor, Span(size, f));
}

TEST(SelectSpec, SecondsBecomeTruncatedExtendedFrames) {
    const ClipFormat mono16{44100, false, true}, stereo16{48000, true, true};
    const std::int32_t big = 1 << 30;
    // 0.7 s at 44100 Hz is 30870 frames in extended precision (30869 in double).
    EXPECT_EQ(Resolve("0.7s", big, mono16), 30870);
    EXPECT_EQ(Resolve("0,7s", big, mono16), 30870);
    // 2.3 s at 48000 Hz: frame 110400, in stereo index 220800.
    EXPECT_EQ(Resolve("2.3s", big, stereo16), 220800);
    // No 100 s limit and no 1e-06 floor: 0 s is index 0, 250 s is far out.
    EXPECT_EQ(Resolve("0s", big, mono16), 0);
    EXPECT_EQ(Resolve("250S", big, mono16), 250 * 44100);
    EXPECT_EQ(Resolve("1e-7s", big, mono16), 0);
}

TEST(SelectSpec, EndsAreHeldLikeTheMouse) {
    const ClipFormat stereo16{8000, true, true}, mono8{8000, false, false};
    // 4000 bytes of 16-bit stereo: 2000 indices, the last is 1999.
    EXPECT_EQ(Resolve("5000", 4000, stereo16), 1999);
    EXPECT_EQ(Resolve("-3", 4000, stereo16), 0);
    EXPECT_EQ(Resolve("99999999999999999999", 4000, stereo16), 1999);
    EXPECT_EQ(Resolve("-1e4000s", 4000, stereo16), 0);
    EXPECT_EQ(Resolve("1e4000s", 4000, stereo16), 1999);
    EXPECT_EQ(Resolve("7", 4000, mono8), 7);
    // An empty clip gives -1 for both ends, as the mouse does.
    EXPECT_EQ(Resolve("5", 0, mono8), -1);
    EXPECT_EQ(Resolve("1e4000s", 0, ClipFormat{0, false, false}), -1);  // inf x 0 Hz
}

TEST(SelectSpec, AnchorAndCaretKeepTheirRoles) {
    const auto spec = ParseSelectSpec("300:0.01s");
    ASSERT_TRUE(spec);
    const Selection sel = ResolveSelection(*spec, Span(20000, {8000, true, true}));
    EXPECT_EQ(sel.anchor, 300);
    EXPECT_EQ(sel.caret, 160);  // frame 80, stereo index 160
    EXPECT_FALSE(ParseSelectSpec("12"));
    EXPECT_FALSE(ParseSelectSpec(":5"));
    EXPECT_FALSE(ParseSelectSpec("5:s"));
}

}  // namespace
}  // namespace zirpel::cli
