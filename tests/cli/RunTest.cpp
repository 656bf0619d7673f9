// A whole run: many files with a bad one among them, a failing operation,
// a stop request in the MP3 import and in the MP3 save, and the progress
// line.
#include <algorithm>
#include <atomic>
#include <sstream>
#include <string>

#include "CliFixture.h"
#include "cli/HelpText.h"
#include "effects/EffectTable.h"

namespace zirpel::test {
namespace {

TEST_F(CliTest, OneBadFileAmongGoodOnesIsReportedAndTheOthersRun) {
    const std::string a = WriteWav("a.wav", MakeClip(8000, false, true, 4000));
    const std::string bad = file("bad.wav");
    WriteBytes(bad, {'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v'});
    const std::string c = WriteMp3("c.mp3", 22050, 1, 0.5);
    const std::string missing = file("gone.mp3");

    const Result r = Run({a, bad, missing, c, "maximize", "--out-dir", file("out")});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "zirpel: " + bad + ": Konnte Datei nicht öffnen\n" +  // the MP3 import's
                         "zirpel: " + missing + ": Konnte Datei nicht öffnen!\n" +  // own message
                         "zirpel: " + missing + ": Konnte Datei nicht öffnen\n");
    EXPECT_TRUE(Exists(file("out/a.wav")));
    EXPECT_TRUE(Exists(file("out/c.mp3")));  // an MP3 input stays MP3
    EXPECT_FALSE(Exists(file("out/bad.wav")));
    EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(CliTest, FailedOperationWritesNothingAndKeepsAnExistingOutput) {
    const std::string in = WriteWav("in.wav", MakeClip(8000, true, true, 800));
    WriteBytes(file("out.wav"), {1, 2, 3});
    // 1e-06 s at 8000 Hz is a fade of 0 frames.
    const Result r = Run({in, "fade-in=0,000001", "-o", file("out.wav")});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "zirpel: " + in + ": Invalid floating point operation.\n");
    EXPECT_EQ(Bytes(file("out.wav")), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(CliTest, OutDirNeverOverwritesItsInput) {
    const std::string in = WriteWav("same.wav", MakeClip(8000, false, false, 100));
    const auto before = Bytes(in);
    const Result r = Run({in, "reverse", "--out-dir", dir_.path()});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Eingabedatei selbst"), std::string::npos) << r.err;
    EXPECT_EQ(Bytes(in), before);
}

TEST_F(CliTest, StopDuringTheMp3ImportSavesNothingAndSkipsTheRest) {
    const std::string in = WriteMp3("long.mp3", 44100, 2, 3.0);
    const std::string other = WriteWav("other.wav", MakeClip(8000, false, false, 100));
    int asked = 0;
    // Lets the import start, then asks it to stop between two blocks.
    const Result r = Run({in, other, "--out-dir", file("out")}, false, [&] { return ++asked > 3; });
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "zirpel: " + in + ": Abgebrochen\n");
    EXPECT_FALSE(Exists(file("out/other.wav")));
    EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(CliTest, StopDuringTheMp3SaveKeepsTheOldFile) {
    const std::string in = WriteWav("in.wav", MakeClip(44100, true, true, 44100));
    WriteBytes(file("out.mp3"), {7, 7, 7});
    int asked = 0;
    // The first few questions come before the encoding; the 10th is inside it.
    const Result r = Run({in, "-o", file("out.mp3")}, false, [&] { return ++asked >= 10; });
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "zirpel: " + file("out.mp3") + ": Abgebrochen\n");
    EXPECT_EQ(Bytes(file("out.mp3")), (std::vector<std::uint8_t>{7, 7, 7}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 3)
        << "in.wav, out.mp3 and tmp only: no temporary file left";
}

TEST_F(CliTest, ParallelFilesGiveTheBytesAndMessagesOfOneAfterTheOther) {
    const std::vector<std::string> inputs = {
        WriteMp3("a.mp3", 44100, 2, 2.0), WriteWav("b.wav", MakeClip(8000, true, false, 3000)),
        file("gone.mp3"), WriteMp3("c.mp3", 22050, 1, 1.0), WriteMp3("d.mp3", 32000, 2, 1.5)};
    auto run = [&](const std::string& jobs, const std::string& out) {
        std::vector<std::string> args = inputs;
        for (const char* a : {"maximize", "--ringtone", "-j"}) args.push_back(a);
        args.push_back(jobs);
        args.push_back("--out-dir");
        args.push_back(file(out));
        return Run(args);
    };
    const Result one = run("1", "one"), many = run("3", "many");
    EXPECT_EQ(many.code, one.code);
    EXPECT_EQ(one.code, 2);
    EXPECT_EQ(many.err, one.err);
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Bytes(file(std::string("many/") + name)), Bytes(file(std::string("one/") + name)));
    }
    EXPECT_EQ(Run({inputs[0], "-j", "0", "-o", file("x.wav")}).code, 1);
}

TEST_F(CliTest, AStopInAParallelRunLeavesTheFilesAfterItAlone) {
    const std::string first = WriteMp3("long.mp3", 44100, 2, 30.0);
    std::vector<std::string> args = {first};
    std::filesystem::create_directories(file("out"));
    for (const char* name : {"p", "q", "r"}) {
        args.push_back(WriteWav(std::string(name) + ".wav", MakeClip(8000, false, true, 2000)));
        WriteBytes(file(std::string("out/") + name + ".wav"), {1, 2, 3});  // older outputs
    }
    for (const char* a : {"reverse", "--wav", "-j", "4", "--out-dir"}) args.push_back(a);
    args.push_back(file("out"));
    // The stop comes, and stays, once the small files are written (their
    // temporary files stand beside the old outputs), while the long import
    // of the first one still runs.
    std::atomic<bool> stop{false};
    const Result r = Run(args, false, [&] {
        if (!stop && std::distance(std::filesystem::directory_iterator(file("out")), {}) >= 6) stop = true;
        return stop.load();
    });
    EXPECT_EQ(r.code, 2);
    // Stopped in its import, or in its save.
    EXPECT_TRUE(r.err == "zirpel: " + first + ": Abgebrochen\n" ||
                r.err == "zirpel: " + file("out/long.wav") + ": Abgebrochen\n")
        << r.err;
    for (const char* name : {"p", "q", "r"})
        EXPECT_EQ(Bytes(file(std::string("out/") + name + ".wav")), (std::vector<std::uint8_t>{1, 2, 3})) << name;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file("out")), {}), 3)
        << "no output of the stopped file and no temporary file";
    EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(CliTest, StopDuringTheWavSaveKeepsTheOldFile) {
    const std::string in = WriteWav("in.wav", MakeClip(44100, true, true, 44100));
    WriteBytes(file("out.wav"), {7, 7, 7});
    int asked = 0;
    // Three questions come before the save, the 4th with its first bytes.
    const Result r = Run({in, "-o", file("out.wav")}, false, [&] { return ++asked >= 4; });
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "zirpel: " + file("out.wav") + ": Abgebrochen\n");
    EXPECT_EQ(Bytes(file("out.wav")), (std::vector<std::uint8_t>{7, 7, 7}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 3);
}

TEST_F(CliTest, NamesInMessagesCannotForgeALine) {
    const std::string name = file("a\nzirpel: b.wav: fertig\x1b[2K.wav");
    const Result r = Run({name, "-o", file("out.wav")});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "zirpel: " + file("a\\nzirpel: b.wav: fertig\\x1b[2K.wav") + ": Konnte Datei nicht öffnen\n");
}

TEST_F(CliTest, ProgressOnlyOnATerminalAndNotWhenQuiet) {
    const std::string in = WriteMp3("in.mp3", 44100, 2, 1.0);
    ASSERT_EQ(Run({in, "-o", file("a.mp3")}).err, "");
    const Result shown = Run({in, "-o", file("b.mp3")}, true);
    EXPECT_EQ(shown.code, 0);
    EXPECT_NE(shown.err.find("\rzirpel: " + in + ": Öffnen "), std::string::npos);
    EXPECT_NE(shown.err.find("\rzirpel: " + file("b.mp3") + ": Speichern "), std::string::npos);
    EXPECT_NE(shown.err.find(" %"), std::string::npos);
    // Each progress line is erased again: nothing stays on the terminal.
    EXPECT_EQ(shown.err.substr(shown.err.size() - 4), "\r\x1b[K");

    EXPECT_EQ(Run({in, "-q", "-o", file("c.mp3")}, true).err, "");
    EXPECT_EQ(Bytes(file("a.mp3")), Bytes(file("b.mp3")));
}

TEST_F(CliTest, HelpNamesEveryOperation) {
    const Result help = Run({"a.wav", "--help"});
    EXPECT_EQ(help.code, 0);
    for (const char* op : {"crop", "cut", "fade-in=T", "fade-out=T", "crossfade=T", "maximize",
                           "louder", "quieter", "echo=T", "reverse", "faster", "slower",
                           "format=K,B,R", "--select", "--ringtone", "--out-dir", "--rate", "--bitrate"})
        EXPECT_NE(help.out.find(op), std::string::npos) << op;
    EXPECT_EQ(Run({"--version"}).out, "zirpel (Zirpel-Editor) 1.0\n");
}

TEST(HelpText, ListsExactlyTheTablesOperationsInItsOrder) {
    const std::string help = cli::HelpText();
    const std::size_t from = help.find("Operationen:\n") + 13;
    const std::size_t to = help.find("  T liest sich");
    ASSERT_LT(from, to);
    std::vector<std::string> listed;
    std::istringstream lines(help.substr(from, to - from));
    for (std::string line; std::getline(lines, line);) {
        // Characters, not bytes: no line is wider than 78.
        EXPECT_LE(std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; }), 78) << line;
        if (line.size() > 2 && line[2] != ' ') listed.push_back(line.substr(2, line.find_first_of("= ", 2) - 2));
    }
    std::vector<std::string> rows;
    for (const EffectEntry& e : EffectTable()) rows.emplace_back(e.name);
    EXPECT_EQ(listed, rows);
}

}  // namespace
}  // namespace zirpel::test
