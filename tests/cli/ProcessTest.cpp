// The real program `zirpel` as a process: exit statuses, messages, and
// progress that stays off when stderr is not a terminal.
#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CliFixture.h"

namespace zirpel::test {
namespace {

struct Process {
    int status = -1;
    std::string out, err;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

[[noreturn]] void Exec(const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(ZIRPEL_CLI_EXE)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(ZIRPEL_CLI_EXE, argv.data());
    ::_exit(127);
}

int ExitStatus(pid_t pid) {
    int ws = 0;
    while (::waitpid(pid, &ws, 0) < 0) {
    }
    return WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
}

class ProcessTest : public CliTest {
protected:
    // stdout and stderr go to files, so neither is a terminal.
    Process RunProcess(const std::vector<std::string>& args) {
        const std::string out = file("stdout"), err = file("stderr");
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(o, 1);
            ::dup2(e, 2);
            ::setenv("TMPDIR", tempFolder().c_str(), 1);
            Exec(args);
        }
        Process p;
        p.status = ExitStatus(pid);
        p.out = Slurp(out);
        p.err = Slurp(err);
        return p;
    }

    // stdout and stderr on a pseudo-terminal; returns everything it showed.
    Process RunOnTerminal(const std::vector<std::string>& args) {
        int master = -1;
        const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
        if (pid == 0) {
            ::setenv("TMPDIR", tempFolder().c_str(), 1);
            Exec(args);
        }
        Process p;
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0) p.err.append(buf, static_cast<std::size_t>(n));
            else if (n == 0 || errno != EINTR) break;  // EIO once the child has gone
        }
        ::close(master);
        p.status = ExitStatus(pid);
        return p;
    }
};

TEST_F(ProcessTest, UsageErrorExitsWithOneAndTouchesNothing) {
    const Process p = RunProcess({file("a.wav"), "--rate", "44000", "-o", file("b.mp3")});
    EXPECT_EQ(p.status, 1);
    EXPECT_EQ(p.out, "");
    EXPECT_EQ(p.err.rfind("zirpel: --rate „44000“: erlaubt sind 48000", 0), 0u) << p.err;
    EXPECT_NE(p.err.find("Aufruf: zirpel"), std::string::npos);
    EXPECT_FALSE(Exists(file("b.mp3")));
}

TEST_F(ProcessTest, BadFileAmongGoodOnesExitsWithTwoAfterDoingTheRest) {
    const std::string a = WriteMp3("a.mp3", 44100, 2, 0.5);
    const std::string b = WriteMp3("b.mp3", 22050, 1, 0.5);
    const std::string bad = file("broken.mp3");
    WriteBytes(bad, std::vector<std::uint8_t>(3000, 0));  // no frame header anywhere
    const Process p = RunProcess({a, bad, b, "--select", "0s:0.3s", "crop", "maximize",
                                  "--ringtone", "--out-dir", file("rings")});
    EXPECT_EQ(p.status, 2);
    EXPECT_NE(p.err.find("zirpel: " + bad + ": "), std::string::npos) << p.err;
    EXPECT_EQ(p.err.find("a.mp3"), std::string::npos) << p.err;  // only the bad file speaks
    EXPECT_TRUE(Exists(file("rings/a.mp3")));
    EXPECT_TRUE(Exists(file("rings/b.mp3")));
    EXPECT_FALSE(Exists(file("rings/broken.mp3")));
    EXPECT_TRUE(TempFolderEmpty());
}

TEST_F(ProcessTest, ProgressIsSilentUnlessStderrIsATerminal) {
    const std::string in = WriteMp3("in.mp3", 44100, 2, 1.0);
    const Process piped = RunProcess({in, "-o", file("piped.mp3")});
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.err, "");

    const Process tty = RunOnTerminal({in, "-o", file("tty.mp3")});
    EXPECT_EQ(tty.status, 0);
    EXPECT_NE(tty.err.find("Öffnen"), std::string::npos) << tty.err;
    EXPECT_NE(tty.err.find("Speichern"), std::string::npos) << tty.err;
    EXPECT_EQ(Bytes(file("piped.mp3")), Bytes(file("tty.mp3")));

    EXPECT_EQ(RunOnTerminal({in, "--quiet", "-o", file("quiet.mp3")}).err, "");
}

}  // namespace
}  // namespace zirpel::test
