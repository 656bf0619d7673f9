// The command line writes exactly the bytes the editor writes: each
// operation and each output kind against the editor's own calls on the
// same generated clip.
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "CliFixture.h"
#include "cli/OutputWaveTarget.h"
#include "codec/Mp3Import.h"
#include "export/SafeFile.h"
#include "clip/Selection.h"
#include "effects/Crossfade.h"
#include "effects/Echo.h"
#include "effects/Fade.h"
#include "effects/FieldText.h"
#include "effects/FormatChange.h"
#include "effects/Reverse.h"
#include "effects/Speed.h"
#include "effects/Volume.h"
#include "view/Selection.h"

namespace zirpel::test {
namespace {

// What the window's command does to its clip and selection.
using EditorStep = std::function<void(Clip&, Selection&)>;

// Crop and cut: nothing without a selection, else the new clip, nothing selected.
template <Clip (*Fn)(const ClipSpan&, ByteRange)>
EditorStep Edit() {
    return [](Clip& c, Selection& s) {
        if (auto r = SelectedBytes(s, c.size(), c.format)) {
            c = Fn(c.span(), *r);
            s = {0, 0};
        }
    };
}
template <EffectStatus (*Fn)(MutableClipSpan, const Selection&, Extended)>
EditorStep Timed(const char* fieldText) {
    return [fieldText](Clip& c, Selection& s) {
        ASSERT_EQ(Fn(c.mutableSpan(), s, ReadTimeText(fieldText)), EffectStatus::Done);
    };
}
template <EffectStatus (*Fn)(MutableClipSpan, const Selection&)>
EditorStep Plain() {
    return [](Clip& c, Selection& s) { Fn(c.mutableSpan(), s); };
}

struct OperationCase {
    const char* word;
    EditorStep editor;
};

const std::vector<OperationCase>& Cases() {
    static const std::vector<OperationCase> cases{
        {"crop", Edit<CropBytes>()},
        {"cut", Edit<CutBytes>()},
        {"fade-in=0,3", Timed<FadeIn>("0,3")},
        {"fade-out=0.3", Timed<FadeOut>("0.3")},
        {"crossfade=0.2",
         [](Clip& c, Selection& s) {
             Clip out;
             ASSERT_EQ(Crossfade(c.span(), ReadTimeText("0.2"), out), EffectStatus::Done);
             c = std::move(out);
             s = {0, 0};
         }},
        {"maximize", Plain<Maximize>()},
        {"louder", Plain<Louder>()},
        {"quieter", Plain<Quieter>()},
        {"echo=0.1", Timed<Echo>("0.1")},
        {"reverse", Plain<Reverse>()},
        {"faster", [](Clip& c, Selection&) { c.format.sampleRate = FasterRate(c.format.sampleRate); }},
        {"slower", [](Clip& c, Selection&) { c.format.sampleRate = SlowerRate(c.format.sampleRate); }},
        {"format=mono,8,11025",
         [](Clip& c, Selection& s) {
             Clip out;
             ASSERT_EQ(ChangeFormat(c.span(), {false, false, 11025}, out), EffectStatus::Done);
             c = std::move(out);
             s = {0, 0};
         }},
    };
    return cases;
}

TEST_F(CliTest, EveryOperationWritesTheEditorsBytes) {
    // An odd anchor (a right-channel index in stereo) and a selection that
    // does not reach the end, on both extremes of the clip format.
    for (const Clip& input : {MakeClip(8000, true, true, 8000), MakeClip(8000, false, false, 8000)}) {
        const std::string in = WriteWav("in.wav", input);
        for (const OperationCase& op : Cases()) {
            SCOPED_TRACE(std::string(op.word) + (input.format.stereo ? " stereo 16" : " mono 8"));
            const Result r = Run({in, "--select", "1001:6000", op.word, "-o", file("cli.wav")});
            ASSERT_EQ(r.code, 0) << r.err;
            EXPECT_EQ(r.err, "");

            Clip clip = EditorOpen(in);
            Selection sel{1001, 6000};
            op.editor(clip, sel);
            ASSERT_EQ(SaveClipAsWaveFile(file("editor.wav"), clip.span()), SaveStatus::Saved);
            EXPECT_NE(Bytes(file("editor.wav")), Bytes(in)) << "the operation changed nothing";
            EXPECT_EQ(Bytes(file("cli.wav")), Bytes(file("editor.wav")));
        }
    }
}

TEST_F(CliTest, ChainOfOperationsToMp3MatchesTheEditor) {
    const std::string in = WriteWav("song.wav", MakeClip(22050, true, true, 22050 * 2));
    const Result r = Run({in, "--select", "0.1s:1.9s", "crop", "fade-in=0.05", "fade-out=0,2",
                          "maximize", "-o", file("ring.mp3"), "--rate", "22050", "--bitrate", "64"});
    ASSERT_EQ(r.code, 0) << r.err;

    Clip clip = EditorOpen(in);
    // Frames trunc(t x rate) in extended precision, as sample indices of a stereo clip.
    Selection sel{2 * static_cast<std::int32_t>(truncl(0.1L * 22050)),
                  2 * static_cast<std::int32_t>(truncl(1.9L * 22050))};
    Edit<CropBytes>()(clip, sel);
    Timed<FadeIn>("0.05")(clip, sel);
    Timed<FadeOut>("0,2")(clip, sel);
    Plain<Maximize>()(clip, sel);
    EditorSaveMp3(file("editor.mp3"), clip, 22050, 64);
    EXPECT_EQ(Bytes(file("ring.mp3")), Bytes(file("editor.mp3")));
}

TEST_F(CliTest, EachOutputKindMatchesTheEditorsSaveCommand) {
    const std::string in = WriteWav("in.wav", MakeClip(16000, false, true, 16000));
    const Clip opened = EditorOpen(in);
    struct Kind {
        std::vector<std::string> options;
        int rate, kbps;
    };
    for (const Kind& k : std::vector<Kind>{{{}, 44100, 128},  // the lists' initial selections
                                           {{"--rate", "48000", "--bitrate", "160"}, 48000, 160},
                                           {{"--ringtone"}, 11025, 8}}) {  // the small ringtone
        std::vector<std::string> args{in, "-o", file("cli.MP3")};
        args.insert(args.end(), k.options.begin(), k.options.end());
        ASSERT_EQ(Run(args).code, 0);
        EditorSaveMp3(file("editor.mp3"), opened, k.rate, k.kbps);
        EXPECT_EQ(Bytes(file("cli.MP3")), Bytes(file("editor.mp3"))) << k.rate;
    }
    // A WAV output of an untouched WAV input is the input itself.
    ASSERT_EQ(Run({in, "-o", file("copy.Wav")}).code, 0);
    EXPECT_EQ(Bytes(file("copy.Wav")), Bytes(in));
}

TEST_F(CliTest, OggOutputIsTheEditorsOggSave) {
    const std::string in = WriteWav("in.wav", MakeClip(22050, true, true, 22050));
    ASSERT_EQ(Run({in, "reverse", "-o", file("ring.ogg"), "--rate", "32000", "--bitrate", "96"}).code, 0);
    Clip clip = EditorOpen(in);
    Selection sel;
    Plain<Reverse>()(clip, sel);
    LongTask task;
    const SaveOutcome saved = SaveClipAs({Writer::OggVorbis, file("editor.ogg"), 32000, 96}, clip.span(),
                                         encoder_, task);
    ASSERT_EQ(saved.status, SaveStatus::Saved);
    EXPECT_EQ(Bytes(file("ring.ogg")), Bytes(file("editor.ogg")));
}

TEST_F(CliTest, Mp3InputIsOpenedAsTheEditorOpensIt) {
    const std::string in = WriteMp3("Tone.Mp3", 44100, 2, 1.0);
    const Result r = Run({in, "reverse", "-o", file("out.wav")});
    ASSERT_EQ(r.code, 0) << r.err;
    Clip clip = EditorOpen(in);
    Selection sel;
    Plain<Reverse>()(clip, sel);
    ASSERT_EQ(SaveClipAsWaveFile(file("editor.wav"), clip.span()), SaveStatus::Saved);
    EXPECT_EQ(Bytes(file("out.wav")), Bytes(file("editor.wav")));
    EXPECT_TRUE(TempFolderEmpty()) << "the temporary WAV file must be gone";
}

TEST_F(CliTest, SelectionInSecondsEqualsTheSameSampleIndices) {
    const std::string in = WriteWav("in.wav", MakeClip(8000, true, true, 8000));
    // 0.25 s and 0.5 s at 8000 Hz are frames 2000 and 4000: indices 4000 and 8000.
    ASSERT_EQ(Run({in, "--select", "0,25s:0.5s", "crop", "-o", file("seconds.wav")}).code, 0);
    ASSERT_EQ(Run({in, "--select", "4000:8000", "crop", "-o", file("indices.wav")}).code, 0);
    EXPECT_EQ(Bytes(file("seconds.wav")), Bytes(file("indices.wav")));
    // Beyond the end holds at the last index, as a drag past the last column.
    ASSERT_EQ(Run({in, "--select", "0.5s:250s", "crop", "-o", file("far.wav")}).code, 0);
    ASSERT_EQ(Run({in, "--select", "8000:15999", "crop", "-o", file("last.wav")}).code, 0);
    EXPECT_EQ(Bytes(file("far.wav")), Bytes(file("last.wav")));
}

}  // namespace
}  // namespace zirpel::test

namespace zirpel::test {
namespace {

// An MP3 turned into a WAV with nothing done between is written straight
// into the output; it must say and write exactly what the way through a
// clip says and writes ("reverse" twice changes nothing but takes that way):
// good files, a file with no MPEG audio over an old output, a missing one.
TEST_F(CliTest, PlainMp3ToWavSaysAndWritesWhatTheWayThroughTheClipDoes) {
    const std::vector<std::uint8_t> old{1, 2, 3};
    const std::string noAudio = file("text.mp3");
    WriteBytes(noAudio, std::vector<std::uint8_t>(5000, 'x'));
    const std::string inputs[] = {WriteMp3("stereo.mp3", 44100, 2, 2.5), WriteMp3("mono.mp3", 22050, 1, 1.0),
                                  WriteMp3("low.mp3", 8000, 1, 0.7), noAudio, file("gone.mp3")};
    for (const std::string& in : inputs) {
        SCOPED_TRACE(in);
        WriteBytes(file("plain.wav"), old);
        WriteBytes(file("clip.wav"), old);
        const Result plain = Run({in, "-o", file("plain.wav")});
        const Result viaClip = Run({in, "reverse", "reverse", "-o", file("clip.wav")});
        EXPECT_EQ(plain.code, viaClip.code);
        EXPECT_EQ(plain.err, viaClip.err);
        EXPECT_EQ(Bytes(file("plain.wav")), Bytes(file("clip.wav")));
        EXPECT_TRUE(TempFolderEmpty());
    }
    EXPECT_EQ(Bytes(file("plain.wav")), old) << "a failed conversion keeps the old file";
}

// The pieces decoded on several cores fill the output side by side.
TEST_F(CliTest, PiecesWriteTheOutputAsTheEditorsOpenAndSave) {
    const std::string in = WriteMp3("long.mp3", 44100, 2, 12.0);
    TACMConvertor mp3wav;
    mp3wav.LoadMp3WavStoredValues();
    std::vector<FormatBlock> formats;
    std::int32_t count = 0;
    EnumerateMp3Formats(acm::DefaultAcmRegistry(), formats, count, nullptr);
    for (int pieces : {2, 3}) {
        SCOPED_TRACE(pieces);
        Mp3Codec codec{mp3wav, formats, count, pieces};
        SafeFile out;
        ASSERT_TRUE(out.open(file("pieces.wav")));
        cli::OutputWaveTarget target(out);
        LongTask task;
        ASSERT_EQ(ConvertMP3WAV(in, target, codec, task), Mp3ConvertResult::Converted);
        const cli::OutputWaveTarget::Finished finished = target.Finish();
        ASSERT_EQ(finished.wave.status, WaveStatus::Ok);
        ASSERT_TRUE(finished.written && out.commit());
        ASSERT_EQ(SaveClipAsWaveFile(file("editor.wav"), EditorOpen(in).span()), SaveStatus::Saved);
        EXPECT_EQ(Bytes(file("pieces.wav")), Bytes(file("editor.wav")));
    }
}

}  // namespace
}  // namespace zirpel::test
