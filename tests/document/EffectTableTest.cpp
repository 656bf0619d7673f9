#include "effects/EffectTable.h"

#include <gtest/gtest.h>

#include "document/EditorDocument.h"
#include "effects/EffectClips.h"
#include "effects/Fade.h"

namespace zirpel {
namespace {

using test::Clip16;
using test::Values;
using V = std::vector<std::int32_t>;

// Runs a row as the command line does: its text parameter read by the
// row, the clip and the selection in a document.
EffectStatus Apply(const char* name, Clip& clip, Selection& sel, std::string_view param = {}) {
    const EffectEntry* e = FindEffect(name);
    if (!e) ADD_FAILURE() << name;
    if (!e) return EffectStatus::BadParameter;
    const std::optional<EffectArgument> argument = ReadEffectArgument(*e, param);
    if (!argument) return EffectStatus::BadParameter;
    EditorDocument doc;
    doc.Replace(std::move(clip), "Öffnen");
    doc.SetSelection(sel);
    const EffectStatus status = doc.Apply(*e, *argument);
    clip = Clip(doc.SampleData(), doc.Format());
    sel = doc.CurrentSelection();
    return status;
}

TEST(EffectTable, TimeIsReadAsTheTimeFieldReadsIt) {
    ASSERT_EQ(EffectTable().size(), 14u);  // crop, cut, the ten effects, format, loudness
    EXPECT_EQ(FindEffect("reverse")->parameter, EffectParameter::None);
    EXPECT_EQ(FindEffect("Fade-In"), nullptr);
    Clip comma = Clip16(V(12, 800), false, 8), point = comma, direct = comma;
    Selection sel{2, 9};
    Apply("fade-out", comma, sel, "0,5");
    Apply("fade-out", point, sel, " 0.5 ");
    FadeOut(direct.mutableSpan(), sel, 0.5L);
    EXPECT_EQ(comma.bytes, direct.bytes);
    EXPECT_EQ(point.bytes, direct.bytes);
    EXPECT_EQ(sel.anchor, 2);  // in-place effects keep the selection
    // A non-number is the shortest time: 0 frames at 8 Hz.
    EXPECT_EQ(Apply("fade-in", comma, sel, "zwei"), EffectStatus::InvalidFloatingPointOperation);
}

TEST(EffectTable, NewClipsClearTheSelectionRefusalsKeepIt) {
    Clip c = test::Clip8({132, 136, 140, 144, 148, 152, 156, 160, 164, 168}, false, 4);
    Selection sel{3, 7};
    ASSERT_EQ(Apply("crossfade", c, sel, "1"), EffectStatus::Done);
    EXPECT_EQ(c.size(), 6);
    EXPECT_EQ(sel.caret, 0);
    sel = {1, 2};
    EXPECT_EQ(Apply("crossfade", c, sel, "100"), EffectStatus::Unchanged);
    EXPECT_EQ(sel.caret, 2);

    Clip f = Clip16({100, -100, 200, -200}, true, 8000);
    ASSERT_EQ(Apply("format", f, sel, "mono,8,16000"), EffectStatus::Done);
    EXPECT_EQ(f.format, (ClipFormat{16000, false, false}));
    EXPECT_EQ(Values(f), (V{128, 128, 128, 128}));
    EXPECT_EQ(sel.caret, 0);
}

TEST(EffectTable, FormatParameterIsStrictButTheRateIsHeldInRange) {
    Selection sel;
    for (const char* bad : {"", "mono,8", "quad,8,8000", "mono,12,8000", "mono,8,abc", "mono,8,8000,1"}) {
        Clip c = Clip16({1, 2});
        EXPECT_EQ(Apply("format", c, sel, bad), EffectStatus::BadParameter) << bad;
        EXPECT_EQ(c.format.sampleRate, 8000) << bad;
    }
    Clip low = Clip16({1, 2}), high = Clip16({1, 2});
    Apply("format", low, sel, "stereo,16,0");
    Apply("format", high, sel, "stereo,16, 999999");
    EXPECT_EQ(low.format.sampleRate, 1);
    EXPECT_EQ(high.format.sampleRate, 200000);
    Apply("slower", high, sel);
    EXPECT_EQ(high.format.sampleRate, 181818);
}

}  // namespace
}  // namespace zirpel
