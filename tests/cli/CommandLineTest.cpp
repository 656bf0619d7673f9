// Reading the words: operations in order, options, and what is refused.
#include <gtest/gtest.h>

#include "cli/CommandLine.h"
#include "cli/OutputPlan.h"

namespace zirpel::cli {
namespace {

using Kind = Operation::Kind;

TEST(CommandLine, WordsBecomeInputsAndOperationsInOrder) {
    const auto p = ParseCommandLine({"a.mp3", "--select", "4.5s:100", "crop", "b.wav", "fade-in=0,5",
                                     "--select=1:2", "format=stereo,16,8000", "-o", "x.mp3",
                                     "--rate", "22050", "--bitrate=64", "-q", "--", "crop", "-x"});
    ASSERT_TRUE(p.ok()) << p.usageError;
    const CliRequest& r = p.request;
    EXPECT_EQ(r.inputs, (std::vector<std::string>{"a.mp3", "b.wav", "crop", "-x"}));
    ASSERT_EQ(r.operations.size(), 5u);
    EXPECT_EQ(r.operations[0].kind, Kind::Select);
    EXPECT_TRUE(r.operations[0].select.anchor.inSeconds);
    EXPECT_EQ(r.operations[0].select.caret.index, 100);
    EXPECT_EQ(r.operations[1].kind, Kind::Crop);
    EXPECT_EQ(r.operations[2].effect->name, "fade-in");
    EXPECT_EQ(r.operations[2].parameter, "0,5");
    EXPECT_EQ(r.operations[3].kind, Kind::Select);
    EXPECT_EQ(r.operations[4].effect->name, "format");
    EXPECT_EQ(r.output, "x.mp3");
    EXPECT_EQ(r.mp3Rate, 22050);
    EXPECT_EQ(r.bitRate, 64);
    EXPECT_TRUE(r.quiet);
}

TEST(CommandLine, HelpAndVersionWinOverEverythingBeforeTheFileMarker) {
    EXPECT_EQ(ParseCommandLine({"--bogus", "-h"}).request.action, CliRequest::Action::Help);
    EXPECT_EQ(ParseCommandLine({"x", "--version"}).request.action, CliRequest::Action::Version);
    const auto p = ParseCommandLine({"--", "--help"});
    EXPECT_EQ(p.request.action, CliRequest::Action::Run);
    EXPECT_EQ(p.request.inputs, std::vector<std::string>{"--help"});
}

TEST(CommandLine, MalformedWordsAreUsageErrors) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"a", "--rate", "44101"},        // not in the list
             {"a", "--rate", "+44100"},       // written otherwise than the list item
             {"a", "--bitrate", "320"},
             {"a", "--bitrate"},              // value missing
             {"a", "--select", "1:2:3"},
             {"a", "--select", "1.5:2"},      // an index without "s" is whole
             {"a", "--select", "xs:2s"},
             {"a", "fade-in"},                // value missing
             {"a", "fade-out=2s"},            // T is plain seconds
             {"a", "echo=abc"},
             {"a", "crop=1"},
             {"a", "maximize=2"},
             {"a", "format=quad,8,8000"},
             {"a", "format=mono,12,8000"},
             {"a", "format=mono,8,fast"},
             {"a", "--wav", "--mp3"},
             {"a", "--frobnicate"},
             {"a", "-o", "x.wav", "-o", "y.wav"},
         }) {
        const auto p = ParseCommandLine(args);
        EXPECT_FALSE(p.ok()) << args.back();
    }
}

TEST(CommandLine, TimesAndRatesAreReadAsTheDialogFieldsReadThem) {
    // Out-of-range values are held by the fields, not refused.
    for (const char* word : {"fade-in=250", "echo=-1", "crossfade=1e-9", "format=mono,16,999999"}) {
        Operation op;
        EXPECT_EQ(ParseOperationWord(word, op), WordStatus::Operation) << word;
    }
    Operation op;
    EXPECT_EQ(ParseOperationWord("song.wav", op), WordStatus::NotAnOperation);
    EXPECT_EQ(ParseOperationWord("fade-in=", op), WordStatus::BadValue);
}

TEST(OutputPlan, OutDirNamesFollowTheInputAndTheChosenKind) {
    CliRequest r;
    r.inputs = {"music/Song.MP3", "x/take.one.wav", "noext", "/abs/.hidden"};
    r.outDir = "rings/";
    Plan p = PlanJobs(r);
    ASSERT_TRUE(p.ok()) << p.usageError;
    EXPECT_EQ(p.jobs[0].output, "rings/Song.mp3");
    EXPECT_EQ(p.jobs[0].kind, OutputKind::Mp3);
    EXPECT_EQ(p.jobs[1].output, "rings/take.one.wav");
    EXPECT_EQ(p.jobs[2].output, "rings/noext.wav");
    EXPECT_EQ(p.jobs[3].output, "rings/.hidden.wav");
    EXPECT_EQ(p.jobs[1].mp3Rate, kDefaultMp3Rate);
    EXPECT_TRUE(p.jobs[0].mustDifferFromInput);

    r.ringtone = true;
    r.outDir = "rings";
    p = PlanJobs(r);
    ASSERT_TRUE(p.ok());
    for (const Job& job : p.jobs) {
        EXPECT_EQ(job.kind, OutputKind::Mp3);
        EXPECT_EQ(job.mp3Rate, 11025);
        EXPECT_EQ(job.bitRate, 8);
    }
    EXPECT_EQ(p.jobs[1].output, "rings/take.one.mp3");

    r.ringtone = false;
    r.outDirKind = OutputKind::Wave;
    p = PlanJobs(r);
    EXPECT_EQ(p.jobs[0].output, "rings/Song.wav");
}

TEST(OutputPlan, ConflictsAreUsageErrors) {
    const auto planFor = [](std::vector<std::string> args) {
        const auto parsed = ParseCommandLine(args);
        EXPECT_TRUE(parsed.ok()) << parsed.usageError;
        return PlanJobs(parsed.request);
    };
    EXPECT_TRUE(planFor({"a.wav", "-o", "b.MP3", "--ringtone"}).ok());
    EXPECT_FALSE(planFor({"-o", "b.wav"}).ok());                            // no input
    EXPECT_FALSE(planFor({"a.wav"}).ok());                                  // no output
    EXPECT_FALSE(planFor({"a.wav", "b.wav", "-o", "c.wav"}).ok());          // -o takes one
    EXPECT_FALSE(planFor({"a.wav", "-o", "c.wav", "--out-dir", "d"}).ok());
    EXPECT_FALSE(planFor({"a.wav", "-o", "c.ogg"}).ok());                   // unknown ending
    EXPECT_FALSE(planFor({"a.wav", "-o", "c.wav", "--bitrate", "64"}).ok());
    EXPECT_FALSE(planFor({"a.wav", "-o", "c.wav", "--ringtone"}).ok());
    EXPECT_FALSE(planFor({"a.wav", "-o", "c.mp3", "--ringtone", "--rate", "11025"}).ok());
    EXPECT_FALSE(planFor({"a.wav", "-o", "c.mp3", "--mp3"}).ok());
    EXPECT_FALSE(planFor({"a.wav", "--out-dir", "d", "--wav", "--rate", "48000"}).ok());
    EXPECT_FALSE(planFor({"x/a.wav", "y/a.mp3", "--out-dir", "d", "--mp3"}).ok());  // same output
}

}  // namespace
}  // namespace zirpel::cli
