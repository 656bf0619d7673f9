// The real program `zirpel` as a process: exit statuses, messages, and no
// progress when stderr is not a terminal.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CliFixture.h"

namespace zirpel::test {
namespace {

class ProcessTest : public CliTest {
protected:
    // stdout and stderr go to files, so neither is a terminal. A file-size
    // limit of `limitBytes` applies when it is given (as `ulimit -f` sets it).
    Result RunProcess(const std::vector<std::string>& args, rlim_t limitBytes = RLIM_INFINITY) {
        const std::string out = file("stdout"), err = file("stderr");
        std::vector<char*> argv{const_cast<char*>(ZIRPEL_CLI_EXE)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
            ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
            ::setenv("TMPDIR", tempFolder().c_str(), 1);
            const rlimit limit{limitBytes, limitBytes};
            if (limitBytes != RLIM_INFINITY) ::setrlimit(RLIMIT_FSIZE, &limit);
            ::execv(ZIRPEL_CLI_EXE, argv.data());
            ::_exit(127);
        }
        int ws = 0;
        while (::waitpid(pid, &ws, 0) < 0) {
        }
        const auto slurp = [](const std::string& path) {
            std::ifstream in(path, std::ios::binary);
            return std::string(std::istreambuf_iterator<char>(in), {});
        };
        return {WIFEXITED(ws) ? WEXITSTATUS(ws) : -1, slurp(out), slurp(err)};
    }
};

TEST_F(ProcessTest, UsageErrorExitsWithOneAndTouchesNothing) {
    const Result p = RunProcess({file("a.wav"), "--rate", "44000", "-o", file("b.mp3")});
    EXPECT_EQ(p.code, 1);
    EXPECT_EQ(p.out, "");
    EXPECT_EQ(p.err.rfind("zirpel: --rate „44000“: erlaubt sind 48000", 0), 0u) << p.err;
    EXPECT_NE(p.err.find("Aufruf: zirpel"), std::string::npos);
    EXPECT_FALSE(Exists(file("b.mp3")));
}

TEST_F(ProcessTest, ThreeMp3sBecomeRingtonesAndABadOneExitsWithTwo) {
    const std::string a = WriteMp3("a.mp3", 44100, 2, 1.0);
    const std::string b = WriteMp3("b.mp3", 22050, 1, 0.5);
    const std::string c = WriteMp3("c.MP3", 32000, 2, 0.5);
    const std::vector<std::string> ops{"--select", "0s:0.3s", "crop", "maximize", "--ringtone",
                                       "--out-dir", file("rings")};
    std::vector<std::string> args{a, b, c};
    args.insert(args.end(), ops.begin(), ops.end());
    Result p = RunProcess(args);
    EXPECT_EQ(p.code, 0);
    EXPECT_EQ(p.err, "");  // no progress: stderr is a file
    for (const char* name : {"rings/a.mp3", "rings/b.mp3", "rings/c.mp3"}) EXPECT_TRUE(Exists(file(name)));

    const std::string bad = file("broken.mp3");
    WriteBytes(bad, std::vector<std::uint8_t>(3000, 0));  // no frame header anywhere
    args = {a, bad, b};
    args.insert(args.end(), ops.begin(), ops.end());
    p = RunProcess(args);
    EXPECT_EQ(p.code, 2);
    EXPECT_EQ(p.err, "zirpel: " + bad + ": Konnte Datei nicht öffnen\n");
    EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(ProcessTest, AFileSizeLimitFailsTheWriteInsteadOfKillingTheProgram) {
    // The saved file would pass the limit (an MP3 is decoded straight into
    // the output here, a WAV saved from memory; the editor's temporary file
    // meets the limit in its own tests).
    const std::string mp3 = WriteMp3("long.mp3", 44100, 2, 8.0);
    const std::string wav = WriteWav("short.wav", MakeClip(8000, false, false, 20000));
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{mp3, "-o", file("out.wav")}, "Konnte Datei nicht speichern"},
        {{wav, "format=stereo,16,44100", "-o", file("out.wav")}, "Konnte Datei nicht speichern"},
    };
    for (const auto& c : cases) {
        const Result p = RunProcess(c.args, 200000);
        EXPECT_EQ(p.code, 2) << c.args[0] << " (-1: killed by a signal)";
        EXPECT_NE(p.err.find(c.message), std::string::npos) << p.err;
        EXPECT_TRUE(TempFolderEmpty());
    }
    // Nothing but the inputs and the temporary folder is left.
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(file("")))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"long.mp3", "short.wav", "stderr", "stdout", "tmp"}));
}

}  // namespace
}  // namespace zirpel::test
