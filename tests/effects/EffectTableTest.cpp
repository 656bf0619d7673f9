#include "effects/EffectTable.h"

#include <gtest/gtest.h>

#include "EffectClips.h"
#include "effects/Fade.h"

namespace zirpel {
namespace {

using test::Clip16;
using test::Constant16;
using test::Values;
using V = std::vector<std::int32_t>;

EffectStatus Apply(const char* name, Clip& clip, Selection& sel, std::string_view param = {}) {
    const EffectEntry* e = FindEffect(name);
    if (!e) ADD_FAILURE() << name;
    return e ? e->apply(clip, sel, param) : EffectStatus::BadParameter;
}

TEST(EffectTable, EveryEffectIsThereOnceWithItsParameterKind) {
    const std::pair<const char*, bool> expected[] = {
        {"fade-in", true},  {"fade-out", true}, {"crossfade", true}, {"maximize", false},
        {"louder", false},  {"quieter", false}, {"echo", true},      {"reverse", false},
        {"faster", false},  {"slower", false},  {"format", true}};
    ASSERT_EQ(EffectTable().size(), std::size(expected));
    for (const auto& [name, takes] : expected) {
        const EffectEntry* e = FindEffect(name);
        ASSERT_NE(e, nullptr) << name;
        EXPECT_EQ(e->takesParameter, takes) << name;
    }
    EXPECT_EQ(FindEffect("Fade-In"), nullptr);
    EXPECT_EQ(FindEffect(""), nullptr);
}

TEST(EffectTable, TimeIsReadAsTheTimeFieldReadsIt) {
    Clip comma = Constant16(12, 800, 8), point = comma, direct = comma;
    Selection sel{2, 9};
    EXPECT_EQ(Apply("fade-out", comma, sel, "0,5"), EffectStatus::Done);
    EXPECT_EQ(Apply("fade-out", point, sel, " 0.5 "), EffectStatus::Done);
    FadeOut(direct.mutableSpan(), sel, 0.5L);
    EXPECT_EQ(comma.bytes, direct.bytes);
    EXPECT_EQ(point.bytes, direct.bytes);
    EXPECT_EQ(sel.anchor, 2);  // in-place effects keep the selection

    // A non-number is the shortest time: 0 frames at 8 Hz.
    Clip c = Constant16(12, 800, 8);
    EXPECT_EQ(Apply("fade-in", c, sel, "zwei"), EffectStatus::InvalidFloatingPointOperation);
    // Out of range is held at 100 s.
    Clip far = Constant16(12, 800, 8), hundred = far;
    Apply("echo", far, sel, "1e6");
    Apply("echo", hundred, sel, "100");
    EXPECT_EQ(far.bytes, hundred.bytes);
}

TEST(EffectTable, NewClipsClearTheSelection) {
    Clip c = test::Clip8({132, 136, 140, 144, 148, 152, 156, 160, 164, 168}, false, 4);
    Selection sel{3, 7};
    ASSERT_EQ(Apply("crossfade", c, sel, "1"), EffectStatus::Done);
    EXPECT_EQ(c.size(), 6);
    EXPECT_EQ(sel.anchor, 0);
    EXPECT_EQ(sel.caret, 0);

    // Refused: neither clip nor selection change.
    sel = {1, 2};
    EXPECT_EQ(Apply("crossfade", c, sel, "100"), EffectStatus::Unchanged);
    EXPECT_EQ(c.size(), 6);
    EXPECT_EQ(sel.caret, 2);

    Clip f = Clip16({100, -100, 200, -200}, true, 8000);
    sel = {0, 3};
    ASSERT_EQ(Apply("format", f, sel, "mono,8,16000"), EffectStatus::Done);
    EXPECT_EQ(f.format, (ClipFormat{16000, false, false}));
    EXPECT_EQ(Values(f), (V{128, 128, 128, 128}));
    EXPECT_EQ(sel.caret, 0);
}

TEST(EffectTable, FormatParameterIsStrictButTheRateIsHeldInRange) {
    Selection sel;
    for (const char* bad : {"", "mono", "mono,8", "quad,8,8000", "mono,12,8000", "mono,8,abc",
                            "mono,8,8000,1", "Mono,8,8000", "mono,8,44.1"}) {
        Clip c = Clip16({1, 2});
        EXPECT_EQ(Apply("format", c, sel, bad), EffectStatus::BadParameter) << bad;
        EXPECT_EQ(c.format.sampleRate, 8000) << bad;
    }
    Clip low = Clip16({1, 2}), high = Clip16({1, 2});
    EXPECT_EQ(Apply("format", low, sel, "stereo,16,0"), EffectStatus::Done);
    EXPECT_EQ(low.format.sampleRate, 1);
    EXPECT_EQ(Apply("format", high, sel, "stereo,16, 999999"), EffectStatus::Done);
    EXPECT_EQ(high.format.sampleRate, 200000);
}

TEST(EffectTable, SpeedChangesOnlyTheRate) {
    Clip c = Clip16({1, 2, 3}, false, 44100);
    Selection sel{1, 2};
    Apply("faster", c, sel);
    EXPECT_EQ(c.format.sampleRate, 48510);
    Apply("slower", c, sel);
    Apply("slower", c, sel);
    EXPECT_EQ(c.format.sampleRate, 40090);
    EXPECT_EQ(Values(c), (V{1, 2, 3}));
    EXPECT_EQ(sel.caret, 2);
}

}  // namespace
}  // namespace zirpel
