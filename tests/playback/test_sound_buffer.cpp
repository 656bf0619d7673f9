#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "playback/PlayEvent.h"
#include "playback/SoundBuffer.h"

using namespace zirpel;
using namespace std::chrono_literals;

namespace {

std::shared_ptr<LoopingSoundBuffer> MakeBuffer(const WaveFormatEx& format) {
    const SoundBufferDesc desc = MakePlayBufferDesc(kPlayBufferBytes, &format);
    std::shared_ptr<LoopingSoundBuffer> b;
    EXPECT_EQ(LoopingSoundBuffer::Create(desc, b), SoundResult::Ok);
    return b;
}

// Writes byte i = i % 251 + 1 into the whole buffer.
void FillPattern(LoopingSoundBuffer& b) {
    void *p1, *p2;
    std::uint32_t n1, n2;
    ASSERT_EQ(b.Lock(0, 0, &p1, &n1, &p2, &n2, kLockEntireBuffer), SoundResult::Ok);
    ASSERT_EQ(n1, kPlayBufferBytes);
    ASSERT_EQ(p2, nullptr);
    auto* d = static_cast<std::uint8_t*>(p1);
    for (std::uint32_t i = 0; i < n1; ++i) d[i] = static_cast<std::uint8_t>(i % 251 + 1);
    ASSERT_EQ(b.Unlock(p1, n1, p2, n2), SoundResult::Ok);
}

}  // namespace

TEST(SoundBuffer, RefusesDescriptionsItCannotPlay) {
    const WaveFormatEx f = MakePlayFormat();
    const SoundBufferDesc d = MakePlayBufferDesc(44100, &f);
    std::shared_ptr<LoopingSoundBuffer> b;
    SoundBufferDesc bad = d;
    bad.dwBufferBytes = 44102;  // not whole frames
    EXPECT_EQ(LoopingSoundBuffer::Create(bad, b), SoundResult::InvalidParam);
    bad = d;
    bad.lpwfxFormat = nullptr;
    EXPECT_EQ(LoopingSoundBuffer::Create(bad, b), SoundResult::InvalidParam);
    WaveFormatEx odd = f;
    odd.nBlockAlign = 3;
    bad = d;
    bad.lpwfxFormat = &odd;
    EXPECT_EQ(LoopingSoundBuffer::Create(bad, b), SoundResult::BadFormat);
    EXPECT_EQ(b, nullptr);
}

TEST(SoundBuffer, PlaysRoundAndRoundAndSignalsBothHalves) {
    const WaveFormatEx f = MakePlayFormat();
    auto b = MakeBuffer(f);
    FillPattern(*b);
    auto first = std::make_shared<PlayEvent>();
    auto second = std::make_shared<PlayEvent>();
    std::shared_ptr<SoundNotify> notify;
    ASSERT_EQ(b->QueryNotify(notify), SoundResult::Ok);
    const PositionNotify pn[2] = {{22050, first}, {44099, second}};
    ASSERT_EQ(notify->SetNotificationPositions(2, pn), SoundResult::Ok);

    std::vector<std::uint8_t> out(4096, 0xEE);
    b->Render(out.data(), out.size());  // stopped: silence, position kept
    EXPECT_EQ(out, std::vector<std::uint8_t>(4096, 0));
    std::uint32_t pos = 1;
    b->GetCurrentPosition(&pos);
    EXPECT_EQ(pos, 0u);

    ASSERT_EQ(b->Play(0, 0, kPlayLooping), SoundResult::Ok);
    EXPECT_EQ(notify->SetNotificationPositions(2, pn), SoundResult::InvalidCall);  // while playing
    std::vector<std::uint8_t> played;
    auto render = [&](std::size_t n) {
        std::vector<std::uint8_t> block(n);
        b->Render(block.data(), n);
        played.insert(played.end(), block.begin(), block.end());
    };
    render(22049);
    EXPECT_FALSE(first->IsSet());
    render(1);  // the position reaches 22050
    EXPECT_TRUE(first->IsSet());
    EXPECT_FALSE(second->IsSet());
    render(22048);  // position 44098
    EXPECT_FALSE(second->IsSet());
    render(4096);  // crosses 44099 and wraps
    EXPECT_TRUE(second->IsSet());
    ASSERT_EQ(played.size(), 44100u + 4094u);
    for (std::size_t i = 0; i < played.size(); ++i)
        ASSERT_EQ(played[i], static_cast<std::uint8_t>(i % 44100 % 251 + 1)) << i;

    EXPECT_EQ(b->Stop(), SoundResult::Ok);
    b->GetCurrentPosition(&pos);
    EXPECT_EQ(pos, 4094u);  // Stop keeps the position; Play goes on from it
    b->Play(0, 0, kPlayLooping);
    std::vector<std::uint8_t> one(1);
    b->Render(one.data(), 1);
    EXPECT_EQ(one[0], 4094 % 251 + 1);
}

TEST(SoundBuffer, LockIsExclusiveAndFailsWithoutWritingWhenLost) {
    const WaveFormatEx f = MakePlayFormat();
    auto b = MakeBuffer(f);
    void *p1, *p2, *q1, *q2;
    std::uint32_t n1, n2, m1, m2;
    ASSERT_EQ(b->Lock(44000, 200, &p1, &n1, &p2, &n2, 0), SoundResult::Ok);
    EXPECT_EQ(n1, 100u);  // wraps to the start
    EXPECT_EQ(n2, 100u);
    EXPECT_EQ(b->Lock(0, 0, &q1, &m1, &q2, &m2, kLockEntireBuffer), SoundResult::InvalidCall);
    EXPECT_EQ(q1, nullptr);
    EXPECT_EQ(b->Play(0, 0, kPlayLooping), SoundResult::InvalidCall);

    // The device thread waits for Unlock before it reads.
    b->Unlock(p1, n1, p2, n2);
    b->Play(0, 0, kPlayLooping);
    ASSERT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, kLockEntireBuffer), SoundResult::Ok);
    std::atomic<bool> rendered{false};
    std::thread device([&] {
        std::vector<std::uint8_t> block(64);
        b->Render(block.data(), block.size());
        rendered = true;
    });
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(rendered);
    b->Unlock(p1, n1, p2, n2);
    device.join();
    EXPECT_TRUE(rendered);

    b->MarkLost();
    EXPECT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, kLockEntireBuffer), SoundResult::BufferLost);
    EXPECT_EQ(p1, nullptr);
    EXPECT_EQ(n1, 0u);
    EXPECT_FALSE(b->IsPlaying());
}

TEST(PlayEvent, ManualResetAndAbandonReleaseWaiters) {
    PlayEvent e;
    EXPECT_FALSE(e.WaitFor(5ms));
    std::thread setter([&] {
        std::this_thread::sleep_for(10ms);
        e.Set();
    });
    EXPECT_TRUE(e.Wait());
    setter.join();
    EXPECT_TRUE(e.Wait());  // manual reset: stays signalled
    e.Reset();
    EXPECT_FALSE(e.IsSet());

    // A device that goes away wakes the waiter, who learns it is gone.
    std::thread closer([&] {
        std::this_thread::sleep_for(10ms);
        e.Abandon();
    });
    EXPECT_FALSE(e.Wait());
    closer.join();
    e.Reset();
    EXPECT_FALSE(e.Wait());
}

TEST(SoundBuffer, LosingTheDeviceReleasesAWaitingThread) {
    const WaveFormatEx f = MakePlayFormat();
    auto b = MakeBuffer(f);
    auto first = std::make_shared<PlayEvent>();
    std::shared_ptr<SoundNotify> notify;
    b->QueryNotify(notify);
    const PositionNotify pn[1] = {{22050, first}};
    notify->SetNotificationPositions(1, pn);
    b->Play(0, 0, kPlayLooping);
    std::thread device([&] {
        std::this_thread::sleep_for(10ms);
        b->MarkLost();
    });
    EXPECT_FALSE(first->Wait());
    device.join();
}
