// The document's operations: what each leaves in the fields and what it
// reports. The effects' arithmetic is tested with the effects.
#include "document/EditorDocument.h"

#include <gtest/gtest.h>

#include <vector>

namespace zirpel {
namespace {

using Kind = DocumentChange::Kind;

struct Recorder {
    std::vector<DocumentChange> changes;
    void Attach(EditorDocument& doc) {
        doc.SetListener([this](const DocumentChange& c) { changes.push_back(c); });
    }
    std::vector<Kind> Kinds() const {
        std::vector<Kind> k;
        for (const auto& c : changes) k.push_back(c.kind);
        return k;
    }
};

Clip Mono8(std::vector<std::uint8_t> bytes, std::int32_t rate = 8000) { return {std::move(bytes), {rate, false, false}}; }

TEST(EditorDocument, ReplaceInstallsTheClipAndClearsTheSelection) {
    EditorDocument doc;
    Recorder rec;
    rec.Attach(doc);
    EXPECT_EQ(doc.SampleSize(), 0);
    EXPECT_EQ(doc.Span().data, nullptr);

    doc.SetSelection({3, 1});
    EXPECT_EQ(doc.SelAnchor(), 3);
    EXPECT_EQ(doc.SelCaret(), 1);
    doc.Replace({std::vector<std::uint8_t>(8, 7), {22050, true, true}}, "Öffnen");
    EXPECT_EQ(doc.SampleSize(), 8);
    EXPECT_EQ(doc.Format(), (ClipFormat{22050, true, true}));
    EXPECT_EQ(doc.SampleIndexCount(), 4);
    EXPECT_EQ(doc.CurrentSelection().anchor, 0);
    EXPECT_EQ(doc.CurrentSelection().caret, 0);
    EXPECT_EQ(rec.Kinds(), (std::vector<Kind>{Kind::SelectionChanged, Kind::ClipReplaced}));
}

TEST(EditorDocument, InPlaceChangesReportTheirBytesAndFailuresReportNothing) {
    EditorDocument doc;
    doc.Replace(Mono8({1, 2, 3, 4, 5, 6}), "Öffnen");
    doc.SetSelection({4, 2});
    Recorder rec;
    rec.Attach(doc);
    const auto twice = [](MutableClipSpan c, const Selection& s) {
        EXPECT_EQ(s.anchor, 4);  // the effect sees the selection
        for (int i = 2; i < 5; ++i) c.data[i] *= 2;
        return EffectStatus::Done;
    };
    EXPECT_EQ(doc.ChangeSamples("Lauter 10%", {2, 5}, twice), EffectStatus::Done);
    EXPECT_EQ(doc.SampleData(), (std::vector<std::uint8_t>{1, 2, 6, 8, 10, 6}));
    ASSERT_EQ(rec.changes.size(), 1u);
    EXPECT_EQ(rec.changes[0].kind, Kind::SamplesChanged);
    EXPECT_EQ(rec.changes[0].from, 2);
    EXPECT_EQ(rec.changes[0].to, 5);
    EXPECT_EQ(doc.SelCaret(), 2);

    const auto refuse = [](MutableClipSpan, const Selection&) { return EffectStatus::InvalidFloatingPointOperation; };
    EXPECT_EQ(doc.ChangeSamples("Weich einblenden", {0, 6}, refuse), EffectStatus::InvalidFloatingPointOperation);
    EXPECT_EQ(rec.changes.size(), 1u);
}

TEST(EditorDocument, NewClipsReplaceOnlyWhenDoneAndTheRateChangesAlone) {
    EditorDocument doc;
    doc.Replace(Mono8({1, 2, 3, 4}), "Öffnen");
    doc.SetSelection({1, 3});
    Recorder rec;
    rec.Attach(doc);
    const auto keep = [](ClipSpan, const Selection&, Clip&) { return EffectStatus::Unchanged; };
    EXPECT_EQ(doc.BuildClip("Ende auf Anfang überblenden", keep), EffectStatus::Unchanged);
    EXPECT_EQ(doc.SelCaret(), 3);
    EXPECT_TRUE(rec.changes.empty());

    const auto half = [](ClipSpan in, const Selection&, Clip& out) {
        out = Clip({in.data, in.data + 2}, {11025, true, false});
        return EffectStatus::Done;
    };
    EXPECT_EQ(doc.BuildClip("Sampleformat ändern", half), EffectStatus::Done);
    EXPECT_EQ(doc.SampleData(), (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(doc.Format(), (ClipFormat{11025, true, false}));
    EXPECT_EQ(doc.SelCaret(), 0);

    doc.SetRate(12127, "Schneller 10%");
    EXPECT_EQ(doc.SampleRate(), 12127);
    EXPECT_EQ(doc.SampleSize(), 2);
    EXPECT_EQ(rec.Kinds(), (std::vector<Kind>{Kind::ClipReplaced, Kind::RateChanged}));
}

}  // namespace
}  // namespace zirpel
