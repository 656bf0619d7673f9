// The ringtone helpers on the command line: the new --select forms resolve
// as the exact-selection dialog does, the reports, the warning for a
// replaced bit rate, and loudness= through the effect table.
#include <string>

#include "CliFixture.h"
#include "cli/SelectSpec.h"
#include "effects/Loudness.h"
#include "view/SelectionTime.h"

namespace zirpel::test {
namespace {

TEST(SelectForms, StartLengthClockTimesAndAmbiguity) {
    static const std::uint8_t data[1] = {0};
    const ClipSpan stereo{data, 4 * 44100 * 90, {44100, true, true}};
    const auto resolve = [&](const char* text) { return cli::ResolveSelection(*cli::ParseSelectSpec(text), stereo); };
    // The same times select the same samples as the dialog's conversion.
    const Selection dialog = SelectionFromTimes(45, 30, stereo);
    for (const char* text : {"45s+30s", "0:45+0:30", "0:45,000s+30s"}) {
        EXPECT_EQ(resolve(text).anchor, dialog.anchor) << text;
        EXPECT_EQ(resolve(text).caret, dialog.caret) << text;
    }
    // The start-length form may reach the clip's end; A:C keeps the mouse's n - 1.
    EXPECT_EQ(resolve("80s+30s").caret, 2 * 44100 * 90);
    EXPECT_EQ(resolve("80s:110s").caret, 2 * 44100 * 90 - 1);
    EXPECT_EQ(resolve("1:23,500s:1:30s").anchor, 2 * 3682350);  // 83.5 s x 44100
    EXPECT_EQ(resolve("5:+10").caret, 10);                       // a signed index, still A:C
    EXPECT_FALSE(cli::ParseSelectSpec("1:2:3"));                 // two readings: refused
    EXPECT_EQ(cli::ParseSelectSpec("suggest")->form, cli::SelectSpec::Form::Suggest);
}

TEST_F(CliTest, ReportsWriteNothingAndWarnOfAReplacedBitRate) {
    const std::string in = WriteWav("song.wav", MakeClip(44100, true, true, 44100 * 4));
    const Result dry = Run({in, "--select", "1s+2s", "crop", "--dry-run", "--rate", "44100", "--bitrate", "8",
                            "-o", file("out.mp3")});
    EXPECT_EQ(dry.code, 0);
    EXPECT_FALSE(Exists(file("out.mp3")));
    EXPECT_EQ(dry.err, "zirpel: " + file("out.mp3") +
                           ": Warnung: 8 kbit/s gibt es bei 44100 Hz nicht: es werden 32 kbit/s geschrieben\n");
    EXPECT_NE(dry.out.find(in + ": Länge 0:02,000, nichts ausgewählt\n"), std::string::npos) << dry.out;
    const std::size_t bytesAt = dry.out.find("MP3 44100 Hz, 32 kbit/s, MPEG-1, ");
    ASSERT_NE(bytesAt, std::string::npos) << dry.out;

    // The same run for real writes the predicted size.
    ASSERT_EQ(Run({in, "--select", "1s+2s", "crop", "--rate", "44100", "--bitrate", "8", "-o", file("out.mp3")}).code, 0);
    std::string size = std::to_string(Bytes(file("out.mp3")).size());
    if (size.size() > 3) size.insert(size.size() - 3, ".");
    EXPECT_NE(dry.out.find(size + " Bytes"), std::string::npos) << dry.out << size;

    const Result measured = Run({in, "--measure", "--suggest", "2s"});
    EXPECT_EQ(measured.code, 0);
    EXPECT_NE(measured.out.find(in + ": Lautheit "), std::string::npos) << measured.out;
    EXPECT_NE(measured.out.find(in + ": Vorschlag "), std::string::npos) << measured.out;
    EXPECT_EQ(Run({in}).code, 1);  // without a report an output is still needed
}

TEST_F(CliTest, LoudnessOperationIsTheEditorsCommand) {
    const Clip clip = MakeClip(22050, false, true, 22050 * 3);
    const std::string in = WriteWav("in.wav", clip);
    ASSERT_EQ(Run({in, "--select", "0.5s+1s", "loudness=-20", "-o", file("out.wav")}).code, 0);
    Clip expected = clip;
    MatchLoudness(expected.mutableSpan(), SelectionFromTimes(0.5L, 1, expected.span()), -20);
    EXPECT_EQ(EditorOpen(file("out.wav")).bytes, expected.bytes);
    EXPECT_EQ(Run({in, "loudness=laut", "-o", file("x.wav")}).code, 1);
    EXPECT_EQ(Run({in, "loudness=-99", "-o", file("x.wav")}).code, 1);
}

}  // namespace
}  // namespace zirpel::test
