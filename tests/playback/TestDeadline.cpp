// Every playback test gets a deadline of its own: the play loop waits on
// events that another thread signals, so a broken event would otherwise
// hang the test until the whole run's time-out. A test still running after
// the deadline ends the program with its name, in seconds rather than
// minutes. ZIRPEL_TEST_DEADLINE (seconds) changes the deadline.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace {

class Deadline final : public ::testing::EmptyTestEventListener {
public:
    explicit Deadline(std::chrono::seconds limit) : limit_(limit), watcher_([this] { Watch(); }) {}
    ~Deadline() override {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        changed_.notify_all();
        watcher_.join();
    }

    void OnTestStart(const ::testing::TestInfo& info) override {
        std::lock_guard lock(mutex_);
        name_ = std::string(info.test_suite_name()) + "." + info.name();
        due_ = std::chrono::steady_clock::now() + limit_;
        armed_ = true;
        changed_.notify_all();
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        std::lock_guard lock(mutex_);
        armed_ = false;
        changed_.notify_all();
    }

private:
    void Watch() {
        std::unique_lock lock(mutex_);
        while (!quit_) {
            if (!armed_) {
                changed_.wait(lock);
                continue;
            }
            const auto due = due_;
            if (changed_.wait_until(lock, due) == std::cv_status::timeout && armed_ && due == due_) {
                std::fprintf(stderr, "\n%s: still running after its deadline of %lld s\n",
                             name_.c_str(), static_cast<long long>(limit_.count()));
                std::fflush(stderr);
                std::_Exit(1);
            }
        }
    }

    const std::chrono::seconds limit_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string name_;
    std::chrono::steady_clock::time_point due_{};
    bool armed_ = false;
    bool quit_ = false;
    std::thread watcher_;  // last: starts once the rest is set up
};

std::chrono::seconds DeadlineFromEnvironment() {
    const char* text = std::getenv("ZIRPEL_TEST_DEADLINE");
    const long seconds = text ? std::strtol(text, nullptr, 10) : 0;
    return std::chrono::seconds(seconds > 0 ? seconds : 20);
}

// Registered before main runs; the listener list owns it.
const bool kRegistered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new Deadline(DeadlineFromEnvironment()));
    return true;
}();

}  // namespace
