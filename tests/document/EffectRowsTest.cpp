// Every row of the effect table through the document: what it leaves in the
// clip and the selection, and that undo gives back the very bytes, format,
// rate and selection it found and redo its result. A row without a case
// here does not compile. The effects' arithmetic is tested with the effects.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string_view>

#include "document/EditorDocument.h"
#include "effects/EffectTable.h"

namespace zirpel {
namespace {

// 8-bit mono, frames 2 .. 7 selected (sample indices = frames).
constexpr std::array<std::uint8_t, 10> kInput{100, 110, 120, 130, 140, 150, 160, 170, 180, 190};
constexpr Selection kSelected{2, 7};

struct RowCase {
    std::string_view name;
    std::string_view parameter;  // as the command line gives it
    std::int32_t rate;           // of the input
    std::array<std::uint8_t, 10> out;
    std::int32_t outSize;
    std::int32_t outRate;
    bool clearsSelection;
    EffectStatus status = EffectStatus::Done;
};

// At 4 Hz, 0,5 s is 2 frames and 1 s is 4.
constexpr std::array kCases{
    RowCase{"crop", "", 4, {120, 130, 140, 150, 160}, 5, 4, true},
    RowCase{"cut", "", 4, {100, 110, 170, 180, 190}, 5, 4, true},
    RowCase{"echo", "0,5", 4, {100, 110, 120, 130, 130, 140, 145, 155, 180, 190}, 10, 4, false},
    RowCase{"fade-in", "1", 4, {100, 110, 128, 128, 134, 144, 160, 170, 180, 190}, 10, 4, false},
    RowCase{"fade-out", "1", 4, {100, 110, 120, 130, 137, 139, 136, 128, 180, 190}, 10, 4, false},
    // Mixed: old frames 0, 1 become 180 and 119 + 159 - 128; then frames 1 .. 7 and 0.
    RowCase{"crossfade", "0.5", 4, {150, 120, 130, 140, 150, 160, 170, 180}, 8, 4, true},
    RowCase{"maximize", "", 4, {100, 110, 104, 134, 164, 195, 225, 255, 180, 190}, 10, 4, false},
    RowCase{"louder", "", 4, {100, 110, 120, 130, 141, 152, 163, 174, 180, 190}, 10, 4, false},
    RowCase{"quieter", "", 4, {100, 110, 121, 129, 138, 148, 157, 166, 180, 190}, 10, 4, false},
    RowCase{"reverse", "", 4, {100, 110, 170, 160, 150, 140, 130, 120, 180, 190}, 10, 4, false},
    RowCase{"faster", "", 100, kInput, 10, 110, false},
    RowCase{"slower", "", 100, kInput, 10, 90, false},
    RowCase{"format", "mono,8,2", 4, {100, 120, 140, 160, 180}, 5, 2, true},
    // No loudness can be measured at 4 Hz: the clip stays (measured at real rates with the effects).
    RowCase{"loudness", "-14", 4, kInput, 10, 4, false, EffectStatus::Unchanged},
};

constexpr bool EveryRowHasACase() {
    for (const EffectEntry& e : kEffectTable) {
        bool found = false;
        for (const RowCase& c : kCases) found = found || c.name == e.name;
        if (!found) return false;
    }
    return kCases.size() == kEffectTable.size();
}
static_assert(EveryRowHasACase(), "every row of the effect table needs a case here");

TEST(EffectRows, EachRowChangesTheClipAndUndoRedoGiveItBack) {
    for (const RowCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const EffectEntry& row = *FindEffect(c.name);
        const std::optional<EffectArgument> argument = ReadEffectArgument(row, c.parameter);
        ASSERT_TRUE(argument);
        const std::vector<std::uint8_t> input(kInput.begin(), kInput.end());
        const std::vector<std::uint8_t> out(c.out.begin(), c.out.begin() + c.outSize);
        const Selection outSel = c.clearsSelection ? Selection{0, 0} : kSelected;

        EditorDocument doc;
        doc.Replace({input, {c.rate, false, false}}, "Öffnen");
        doc.SetSelection(kSelected);
        ASSERT_EQ(doc.Apply(row, *argument), c.status);
        const auto expect = [&](const std::vector<std::uint8_t>& bytes, std::int32_t rate, Selection sel) {
            EXPECT_EQ(doc.SampleData(), bytes);
            EXPECT_EQ(doc.SampleSize(), std::ssize(bytes));
            EXPECT_EQ(doc.SampleRate(), rate);
            EXPECT_FALSE(doc.Stereo() || doc.Is16Bit());
            EXPECT_EQ(doc.SelAnchor(), sel.anchor);
            EXPECT_EQ(doc.SelCaret(), sel.caret);
        };
        expect(out, c.outRate, outSel);
        if (c.status != EffectStatus::Done) {  // a refusal adds no step
            EXPECT_EQ(doc.UndoName(), "Öffnen");
            continue;
        }
        EXPECT_EQ(doc.UndoCount(), 2u);
        EXPECT_EQ(doc.UndoName(), row.StepName());

        // The user moves the selection: undo still puts back the one before the step.
        doc.SetSelection({1, 1});
        ASSERT_TRUE(doc.Undo());
        expect(input, c.rate, kSelected);
        EXPECT_EQ(doc.RedoName(), row.StepName());
        ASSERT_TRUE(doc.Redo());
        expect(out, c.outRate, outSel);
        EXPECT_FALSE(doc.CanRedo());
    }
}

TEST(EffectRows, InPlaceRowsWriteOnlyTheFramesTheyName) {
    // What undo copies must cover everything the effect writes: random
    // clips of every layout, random selections and times.
    std::mt19937 rng(16);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (const EffectEntry& row : kEffectTable) {
        if (row.kind != EffectKind::InPlace) continue;
        SCOPED_TRACE(row.name);
        for (int trial = 0; trial < 200; ++trial) {
            const ClipFormat f{pick(1, 20), pick(0, 1) == 1, pick(0, 1) == 1};
            Clip clip({}, f);
            clip.bytes.resize(static_cast<std::size_t>(pick(0, 60)));
            for (auto& b : clip.bytes) b = static_cast<std::uint8_t>(pick(0, 255));
            const int n = clip.span().indices();
            const Selection sel{pick(-2, n + 2), pick(-2, n + 2)};
            EffectArgument argument;
            argument.seconds = pick(1, 12) / 4.0L;
            const FrameSpan named = row.changes(clip.span(), sel, argument);
            const std::vector<std::uint8_t> before = clip.bytes;
            row.inPlace(clip.mutableSpan(), sel, argument);
            const std::int64_t p = FrameBytes(f);
            for (std::int64_t i = 0; i < std::ssize(before); ++i) {
                if (i >= named.first * p && i < named.end * p) continue;
                ASSERT_EQ(clip.bytes[static_cast<std::size_t>(i)], before[static_cast<std::size_t>(i)])
                    << "byte " << i << " of " << before.size() << ", frames " << named.first << ".." << named.end;
            }
        }
    }
}

}  // namespace
}  // namespace zirpel
