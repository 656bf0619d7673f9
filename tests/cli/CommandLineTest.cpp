// Reading the words and planning the outputs: order, naming, and what is refused.
#include <gtest/gtest.h>

#include "cli/CommandLine.h"
#include "cli/OutputPlan.h"
#include "cli/PrintableText.h"

namespace zirpel::cli {
namespace {

TEST(CommandLine, WordsBecomeInputsAndOperationsInOrder) {
    const auto p = ParseCommandLine({"a.mp3", "--select", "4.5s:100", "crop", "b.wav", "fade-in=0,5",
                                     "format=stereo,16,8000", "-o", "x.mp3", "--bitrate=64", "--",
                                     "crop", "--help"});
    ASSERT_TRUE(p.ok()) << p.usageError;
    const CliRequest& r = p.request;
    EXPECT_EQ(r.action, CliRequest::Action::Run);  // "--help" after "--" is a file
    EXPECT_EQ(r.inputs, (std::vector<std::string>{"a.mp3", "b.wav", "crop", "--help"}));
    ASSERT_EQ(r.operations.size(), 4u);
    EXPECT_TRUE(r.operations[0].select.anchor.inSeconds);
    EXPECT_EQ(r.operations[0].select.caret.index, 100);
    EXPECT_EQ(r.operations[1].effect->name, "crop");
    EXPECT_EQ(r.operations[2].parameter, "0,5");
    EXPECT_EQ(r.operations[3].effect->name, "format");
    EXPECT_EQ(r.bitRate, 64);
    EXPECT_EQ(ParseCommandLine({"--bogus", "-h"}).request.action, CliRequest::Action::Help);
}

TEST(CommandLine, MalformedWordsAreUsageErrors) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--rate", "44101"}, {"--rate", "+44100"}, {"--bitrate", "320"}, {"--bitrate"},
             {"--select", "1:2:3"}, {"--select", "1.5:2"},  // an index without "s" is whole
             {"fade-in"}, {"fade-out=2s"}, {"echo=abc"},    // T is plain seconds
             {"crop=1"}, {"format=quad,8,8000"}, {"format=mono,8,fast"}, {"--frobnicate"}}) {
        EXPECT_FALSE(ParseCommandLine(args).ok()) << args[0];
    }
    // A value the window's field would hold at its limit is refused here,
    // naming the value and the limits; the limits themselves are taken.
    for (const char* word : {"fade-in=250", "echo=-1", "echo=1e-7", "format=mono,16,999999", "format=mono,8,-8000",
                             "format=mono,8,0"}) {
        Operation op;
        EXPECT_EQ(ParseOperationWord(word, op), WordStatus::OutOfRange) << word;
    }
    for (const char* word : {"echo=100", "fade-in=0,000001", "format=mono,8,1", "format=stereo,16,200000"}) {
        Operation op;
        EXPECT_EQ(ParseOperationWord(word, op), WordStatus::Operation) << word;
    }
    EXPECT_EQ(ParseCommandLine({"a.wav", "echo=-1"}).usageError,
              "„echo=-1“: die Zeit -1 liegt nicht zwischen 0,000001 und 100 Sekunden");
    EXPECT_EQ(ParseCommandLine({"a.wav", "format=mono,8,-8000"}).usageError,
              "„format=mono,8,-8000“: die Samplerate -8000 liegt nicht zwischen 1 und 200000 Hz");
}

TEST(PrintableText, EscapesControlsAndBrokenUtf8AndKeepsUmlauts) {
    EXPECT_EQ(PrintableText("Lied für Jörg ♪.mp3"), "Lied für Jörg ♪.mp3");
    EXPECT_EQ(PrintableText("a\nb\rc\td\\e"), "a\\nb\\rc\\td\\\\e");
    EXPECT_EQ(PrintableText("\x1b[2J\x7f"), "\\x1b[2J\\x7f");
    EXPECT_EQ(PrintableText("\xc2\x9b" "1m"), "\\xc2\\x9b1m");          // C1 control in UTF-8
    EXPECT_EQ(PrintableText("\xff\xc3" "x\xe2\x82"), "\\xff\\xc3x\\xe2\\x82");  // broken or cut short
    EXPECT_EQ(PrintableText("\xc0\xaf\xed\xa0\x80"), "\\xc0\\xaf\\xed\\xa0\\x80");  // overlong, surrogate
}

TEST(OutputPlan, OutDirNamesFollowTheInputAndTheChosenKind) {
    CliRequest r;
    r.inputs = {"music/Song.MP3", "x/take.one.wav", "/abs/.hidden"};
    r.outDir = "rings/";
    Plan p = PlanJobs(r);
    ASSERT_TRUE(p.ok()) << p.usageError;
    EXPECT_EQ(p.jobs[0].output, "rings/Song.mp3");
    EXPECT_EQ(p.jobs[0].kind, OutputKind::Mp3);
    EXPECT_EQ(p.jobs[1].output, "rings/take.one.wav");
    EXPECT_EQ(p.jobs[2].output, "rings/.hidden.wav");

    r.ringtone = true;
    p = PlanJobs(r);
    EXPECT_EQ(p.jobs[1].output, "rings/take.one.mp3");
    EXPECT_EQ(p.jobs[1].mp3Rate, 11025);
    EXPECT_EQ(p.jobs[1].bitRate, 8);
}

TEST(OutputPlan, ConflictsAreUsageErrors) {
    const auto ok = [](std::vector<std::string> args) {
        const auto parsed = ParseCommandLine(args);
        EXPECT_TRUE(parsed.ok()) << parsed.usageError;
        return PlanJobs(parsed.request).ok();
    };
    EXPECT_TRUE(ok({"a.wav", "-o", "b.MP3", "--ringtone"}));
    EXPECT_FALSE(ok({"a.wav"}));                                   // no output
    EXPECT_FALSE(ok({"a.wav", "b.wav", "-o", "c.wav"}));           // -o takes one input
    EXPECT_FALSE(ok({"a.wav", "-o", "c.flac"}));                   // an ending that is not written
    EXPECT_FALSE(ok({"a.wav", "-o", "c.wav", "--bitrate", "64"})); // MP3 settings on a WAV
    EXPECT_FALSE(ok({"a.wav", "-o", "c.mp3", "--ringtone", "--rate", "11025"}));
    EXPECT_FALSE(ok({"x/a.wav", "y/a.mp3", "--out-dir", "d", "--mp3"}));  // same output twice
    EXPECT_TRUE(ok({"a.mp3", "-o", "ring.OGG", "--rate", "22050", "--bitrate", "64"}));
    EXPECT_FALSE(ok({"a.mp3", "-o", "ring.ogg", "--ringtone"}));  // the small ringtone is MP3
    EXPECT_FALSE(ParseCommandLine({"a.mp3", "--out-dir", "d", "--ogg", "--wav"}).ok());
}

TEST(OutputPlan, OggOutputsAndInputsTheProgramCannotWrite) {
    CliRequest r;
    r.inputs = {"a/track.flac", "b/ring.ogg"};
    r.outDir = "d";
    Plan p = PlanJobs(r);
    ASSERT_TRUE(p.ok()) << p.usageError;
    EXPECT_EQ(p.jobs[0].output, "d/track.wav");  // FLAC is read, not written
    EXPECT_EQ(p.jobs[1].output, "d/ring.ogg");
    EXPECT_EQ(p.jobs[1].kind, OutputKind::OggVorbis);
    r.outDirKind = OutputKind::OggVorbis;
    EXPECT_EQ(PlanJobs(r).jobs[0].output, "d/track.ogg");
}

}  // namespace
}  // namespace zirpel::cli
