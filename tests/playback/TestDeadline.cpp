// Every playback test gets a deadline of its own: the play loop waits on
// events that another thread signals, so a broken event would otherwise
// hang the test until the whole run's time-out. A test still running after
// the deadline ends the program with its name, in seconds rather than
// minutes. ZIRPEL_TEST_DEADLINE (seconds) changes the deadline.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace {

char gRunning[512];  // "Suite.Test", written before the alarm is set

extern "C" void OnDeadline(int) {
    const char tail[] = ": still running after its deadline\n";
    [[maybe_unused]] ssize_t n = ::write(STDERR_FILENO, gRunning, std::strlen(gRunning));
    n = ::write(STDERR_FILENO, tail, sizeof tail - 1);
    ::_exit(1);
}

class Deadline final : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo& info) override {
        std::snprintf(gRunning, sizeof gRunning, "\n%s.%s", info.test_suite_name(), info.name());
        const char* text = std::getenv("ZIRPEL_TEST_DEADLINE");
        const long seconds = text ? std::strtol(text, nullptr, 10) : 0;
        ::signal(SIGALRM, OnDeadline);
        ::alarm(static_cast<unsigned>(seconds > 0 ? seconds : 20));
    }
    void OnTestEnd(const ::testing::TestInfo&) override { ::alarm(0); }
};

// Registered before main runs; the listener list owns it.
const bool kRegistered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new Deadline);
    return true;
}();

}  // namespace
