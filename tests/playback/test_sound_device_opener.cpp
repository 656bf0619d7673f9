// The sound output opened ahead of time on a thread of its own: the first
// Take hands over what that thread opened, after the work it was given to
// do first; later ones open anew where they are asked.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "playback/FakeSoundDevice.h"
#include "playback/SoundDeviceOpener.h"

using namespace zirpel;
using namespace zirpel::testing;

namespace {

struct Journal {
    std::mutex mutex;
    std::vector<std::string> steps;
    std::vector<std::thread::id> threads;
    void Note(const char* step) {
        std::lock_guard lock(mutex);
        steps.emplace_back(step);
        threads.push_back(std::this_thread::get_id());
    }
};

}  // namespace

TEST(SoundDeviceOpener, HandsOverTheDeviceOpenedAheadOnceAndThenOpensAnew) {
    auto audio = std::make_shared<FakeAudio>();
    Journal journal;
    SoundDeviceOpener opener([&] { journal.Note("beforehand"); },
                             [&](std::unique_ptr<SoundDevice>& out) {
                                 journal.Note("open");
                                 out = std::make_unique<FakeSoundDevice>(audio, false);
                                 return SoundResult::Ok;
                             });
    std::unique_ptr<SoundDevice> first;
    ASSERT_EQ(opener.Take(first), SoundResult::Ok);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(journal.steps, (std::vector<std::string>{"beforehand", "open"}));
    EXPECT_NE(journal.threads[0], std::this_thread::get_id());
    EXPECT_EQ(journal.threads[1], journal.threads[0]);

    first.reset();
    std::unique_ptr<SoundDevice> second;
    ASSERT_EQ(opener.Take(second), SoundResult::Ok);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(journal.steps.back(), "open");
    EXPECT_EQ(journal.threads.back(), std::this_thread::get_id());
}

TEST(SoundDeviceOpener, PassesAFailureOnAndClosesADeviceNobodyTook) {
    {
        SoundDeviceOpener failing({}, [](std::unique_ptr<SoundDevice>&) { return SoundResult::NoDriver; });
        std::unique_ptr<SoundDevice> device;
        EXPECT_EQ(failing.Take(device), SoundResult::NoDriver);
        EXPECT_EQ(device, nullptr);
    }
    auto audio = std::make_shared<FakeAudio>();
    bool opened = false;
    {
        SoundDeviceOpener untaken({}, [&](std::unique_ptr<SoundDevice>& out) {
            out = std::make_unique<FakeSoundDevice>(audio, false);
            opened = true;
            return SoundResult::Ok;
        });
    }
    EXPECT_TRUE(opened);
    EXPECT_FALSE(audio->deviceAlive);
}

// The suite runs with SDL's silent driver.
TEST(SoundDeviceOpener, OpensTheRealOutputByDefault) {
    SoundDeviceOpener opener;
    std::unique_ptr<SoundDevice> device;
    EXPECT_EQ(opener.Take(device), SoundResult::Ok);
    EXPECT_NE(device, nullptr);
}
