// The document's operations: what each leaves in the fields and what it
// reports, and the history over them: long undo/redo sequences, the budget,
// and what adds no step. The effects' arithmetic is tested with the effects;
// every row of the effect table is undone once in EffectRowsTest.
#include "document/EditorDocument.h"

#include <gtest/gtest.h>

#include <vector>

#include "effects/EffectTable.h"

namespace zirpel {
namespace {

struct Recorder {
    std::vector<DocumentChange> changes;
    void Attach(EditorDocument& doc) {
        doc.SetListener([this](const DocumentChange& c) { changes.push_back(c); });
    }
};

TEST(EditorDocument, EachOperationReportsWhatItChangedAndNothingElse) {
    EditorDocument doc;
    Recorder rec;
    rec.Attach(doc);
    doc.SetSelection({3, 1});
    doc.Replace({{1, 2, 3, 4, 5, 6}, {22050, false, false}}, "Öffnen");
    EXPECT_EQ(doc.SelAnchor(), 0);  // a new clip: nothing selected
    EXPECT_EQ(doc.SelCaret(), 0);
    doc.SetSelection({4, 2});
    const auto twice = [](MutableClipSpan c, const Selection& s) {
        for (int i = s.caret; i < 5; ++i) c.data[i] *= 2;
        return EffectStatus::Done;
    };
    EXPECT_EQ(doc.ChangeSamples("Lauter 10%", {2, 5}, twice), EffectStatus::Done);
    EXPECT_EQ(doc.SampleData(), (std::vector<std::uint8_t>{1, 2, 6, 8, 10, 6}));
    // Refusals and failures report nothing.
    const auto refuse = [](MutableClipSpan, const Selection&) { return EffectStatus::InvalidFloatingPointOperation; };
    EXPECT_EQ(doc.ChangeSamples("Weich einblenden", {0, 6}, refuse), EffectStatus::InvalidFloatingPointOperation);
    const auto keep = [](ClipSpan, const Selection&, Clip&) { return EffectStatus::Unchanged; };
    EXPECT_EQ(doc.BuildClip("Ende auf Anfang überblenden", keep), EffectStatus::Unchanged);
    EXPECT_EQ(doc.SelAnchor(), 4);
    doc.SetRate(12127, "Schneller 10%");
    EXPECT_EQ(doc.Format(), (ClipFormat{12127, false, false}));

    using K = DocumentChange::Kind;
    ASSERT_EQ(rec.changes.size(), 5u);
    const std::vector<K> kinds{K::SelectionChanged, K::ClipReplaced, K::SelectionChanged, K::SamplesChanged,
                               K::RateChanged};
    for (std::size_t i = 0; i < kinds.size(); ++i) EXPECT_EQ(rec.changes[i].kind, kinds[i]) << i;
    EXPECT_EQ(rec.changes[3].from, 2);  // the bytes rewritten
    EXPECT_EQ(rec.changes[3].to, 5);
}

Clip Stereo16(std::size_t frames, std::int32_t rate = 8000) {
    Clip c({}, {rate, true, true});
    c.bytes.resize(frames * 4);
    for (std::size_t i = 0; i < c.bytes.size(); ++i) c.bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return c;
}

struct State {
    std::vector<std::uint8_t> bytes;
    ClipFormat format;
    std::int32_t anchor, caret;
    bool operator==(const State&) const = default;
};
State Of(const EditorDocument& d) { return {d.SampleData(), d.Format(), d.SelAnchor(), d.SelCaret()}; }

TEST(EditorDocumentHistory, UndoAndRedoWalkBackAndForthOverEveryKindOfStep) {
    EditorDocument doc;
    std::vector<State> before, after;  // around each step
    const auto step = [&](const char* name, const EffectArgument& argument) {
        before.push_back(Of(doc));
        ASSERT_EQ(doc.Apply(*FindEffect(name), argument), EffectStatus::Done) << name;
        after.push_back(Of(doc));
    };
    EffectArgument quarter;
    quarter.seconds = 0.25L;
    EffectArgument mono;
    mono.format = {false, false, 11025};

    before.push_back(Of(doc));
    doc.Replace(Stereo16(4000), "Öffnen");
    after.push_back(Of(doc));
    doc.SetSelection({801, 6000});
    step("fade-out", quarter);
    step("crop", {});
    doc.SetSelection({100, 900});
    step("reverse", {});
    step("faster", {});
    step("format", mono);
    doc.SetSelection({5, 3});
    step("maximize", {});
    ASSERT_EQ(doc.UndoCount(), before.size());
    EXPECT_EQ(doc.UndoName(), "Maximale Lautstärke");

    Recorder rec;
    rec.Attach(doc);
    doc.SetSelection({1, 2});  // moved after the last step: undo does not care
    for (std::size_t i = before.size(); i-- > 0;) {
        ASSERT_TRUE(doc.Undo());
        EXPECT_EQ(Of(doc), before[i]) << "undo of step " << i;
    }
    EXPECT_FALSE(doc.Undo());
    for (std::size_t i = 0; i < after.size(); ++i) {
        ASSERT_TRUE(doc.Redo());
        EXPECT_EQ(Of(doc), after[i]) << "redo of step " << i;
    }
    EXPECT_FALSE(doc.Redo());
    EXPECT_EQ(rec.changes.size(), 1 + 2 * before.size());
    for (std::size_t i = 1; i < rec.changes.size(); ++i)
        EXPECT_EQ(rec.changes[i].kind, DocumentChange::Kind::ClipReplaced);

    // A new step after an undo ends what could be redone.
    doc.Undo();
    doc.Undo();
    doc.Apply(*FindEffect("louder"), {});
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_EQ(doc.UndoName(), "Lauter 10%");
    doc.Undo();
    EXPECT_EQ(Of(doc), after[after.size() - 3]);
}

TEST(EditorDocumentHistory, TheBudgetDropsTheOldestStepsWhole) {
    EditorDocument doc(0);
    doc.Replace(Stereo16(1000), "Öffnen");
    doc.Apply(*FindEffect("reverse"), {});
    EXPECT_FALSE(doc.CanUndo());  // no budget, no history
    EXPECT_EQ(doc.HistoryBytes(), 0);

    // An in-place step keeps only the frames it rewrites.
    doc.SetHistoryBudget(std::int64_t{1} << 20);
    doc.SetSelection({200, 400});  // frames 100 .. 200, frame 200 included
    doc.Apply(*FindEffect("louder"), {});
    ASSERT_EQ(doc.UndoCount(), 1u);
    const std::int64_t louder = doc.HistoryBytes();
    EXPECT_GE(louder, 101 * 4);
    EXPECT_LT(louder, 101 * 4 + 512);

    // A budget for two such steps: the third pushes out the first, whole.
    doc.SetHistoryBudget(2 * louder + louder / 2);
    const State beforeSecond = Of(doc);
    doc.Apply(*FindEffect("louder"), {});
    doc.Apply(*FindEffect("louder"), {});
    EXPECT_EQ(doc.UndoCount(), 2u);
    EXPECT_LE(doc.HistoryBytes(), doc.HistoryBudget());
    doc.Undo();
    doc.Undo();
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_EQ(Of(doc), beforeSecond);

    // A new clip larger than the whole budget: the change happens, the
    // history is emptied, the old bytes are not kept.
    doc.Redo();
    doc.Replace(Stereo16(100000), "Öffnen");
    doc.Replace(Stereo16(10), "Öffnen");
    EXPECT_EQ(doc.SampleSize(), 40);
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_EQ(doc.HistoryBytes(), 0);
}

TEST(EditorDocumentHistory, FailedAndRefusedCommandsAddNoStepAndKeepTheHistory) {
    EditorDocument doc(64 << 10);
    doc.Replace(Stereo16(1000), "Öffnen");
    doc.SetSelection({0, 20});  // 11 frames
    doc.Apply(*FindEffect("reverse"), {});
    doc.SetSelection({0, 0});
    EffectArgument tooShort;
    tooShort.seconds = 1e-6L;  // no frame at 8000 Hz
    EXPECT_EQ(doc.Apply(*FindEffect("fade-in"), tooShort), EffectStatus::InvalidFloatingPointOperation);
    EXPECT_EQ(doc.Apply(*FindEffect("crop"), {}), EffectStatus::Unchanged);  // nothing selected
    EffectArgument whole;
    whole.seconds = 100;
    EXPECT_EQ(doc.Apply(*FindEffect("crossfade"), whole), EffectStatus::Unchanged);  // too short
    EXPECT_EQ(doc.UndoCount(), 2u);
    EXPECT_EQ(doc.UndoName(), "Rückwärts");

    // A step too large for the budget: failing, it leaves the history as it
    // is; succeeding, it empties it and still changes the clip.
    doc.SetHistoryBudget(2048);
    ASSERT_EQ(doc.UndoCount(), 2u);
    EXPECT_EQ(doc.Apply(*FindEffect("fade-in"), tooShort), EffectStatus::InvalidFloatingPointOperation);
    EXPECT_EQ(doc.UndoCount(), 2u);
    EffectArgument eighth;
    eighth.seconds = 0.125L;  // all 1000 frames: 4000 bytes to keep
    const std::uint8_t first = doc.SampleData()[1];
    ASSERT_NE(first, 0);
    EXPECT_EQ(doc.Apply(*FindEffect("fade-in"), eighth), EffectStatus::Done);
    EXPECT_EQ(doc.SampleData()[1], 0);  // frame 0 faded to silence
    EXPECT_FALSE(doc.CanUndo());
}

}  // namespace
}  // namespace zirpel
