// The play loop against the lock-step fake device: the recorded output
// stream must hold exactly the expected chunks in order.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <map>
#include <thread>
#include <vector>

#include "playback/FakeSoundDevice.h"
#include "playback/LoopCallbacks.h"
#include "playback/PlaybackRig.h"

using namespace zirpel;
using namespace zirpel::testing;
using Bytes = std::vector<std::uint8_t>;

namespace {

void Put16(Bytes& v, int s) {
    v.push_back(static_cast<std::uint8_t>(s & 0xFF));
    v.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
}

// 44100 Hz 16-bit stereo; frame i = (i + 1, 0x1234): never silent, all different.
Bytes NumberedClip(int frames) {
    Bytes v;
    for (int i = 0; i < frames; ++i) {
        Put16(v, i + 1);
        Put16(v, 0x1234);
    }
    return v;
}

// Chunk c of a 44100 Hz stereo `clip` played over [start, end).
Bytes ExpectedChunk(const Bytes& clip, int start, int end, int c) {
    Bytes chunk(kChunkBytes, 0);
    const int frames = static_cast<int>(clip.size() / 4);
    for (int k = 0; k < static_cast<int>(kChunkFrames); ++k) {
        const int j = start + c * static_cast<int>(kChunkFrames) + k;
        if (j < end && j < frames) std::copy_n(clip.begin() + 4 * j, 4, chunk.begin() + 4 * k);
    }
    return chunk;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

const Bytes kSilentPass(kChunkBytes, 0);

// The stream starts with the silent pass that precedes the first chunk,
// then `expected`; after it at most `tail` more bytes, which must equal
// `tailBytes` (silence when empty).
void ExpectStream(const Bytes& captured, const Bytes& expected, std::size_t tail = kHalfBufferBytes,
                  const Bytes& tailBytes = {}) {
    const Bytes head = Concat({kSilentPass, expected});
    ASSERT_GE(captured.size(), head.size());
    ASSERT_LE(captured.size(), head.size() + tail);
    ASSERT_TRUE(std::equal(head.begin(), head.end(), captured.begin()))
        << "stream differs at byte "
        << (std::mismatch(head.begin(), head.end(), captured.begin()).first - head.begin());
    for (std::size_t i = head.size(); i < captured.size(); ++i) {
        const std::uint8_t want = tailBytes.empty() ? 0 : tailBytes[i - head.size()];
        ASSERT_EQ(captured[i], want) << "tail byte " << i - head.size();
    }
}

// A window stand-in: a clip, the loop box and the stop flag, with actions
// run at given pump numbers (1 = the first round).
struct Window {
    Bytes clip;
    ClipFormat format{44100, true, true};
    bool loop = true;
    bool stop = false;
    int pumps = 0;
    int gonePump = 0;  // the window is destroyed during this pump
    std::map<int, std::function<void()>> at;
    std::vector<std::int64_t> cursor;

    PlayCallbacks Callbacks() {
        return {
            [this] {
                ++pumps;
                if (auto it = at.find(pumps); it != at.end()) it->second();
                return pumps != gonePump;
            },
            [this] {
                return ClipSpan{clip.empty() ? nullptr : clip.data(),
                                static_cast<std::int32_t>(clip.size()), format};
            },
            [this] { return loop; },
            [this] { return stop; },
            [this](std::int64_t i) { cursor.push_back(i); },
        };
    }
};

class PlayLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(rig.SetUp(std::make_unique<FakeSoundDevice>(audio)), SoundResult::Ok);
    }
    void TearDown() override { EXPECT_FALSE(audio->stalled) << "the fake device saw the loop stall"; }
    PlayEnd Play(Window& w, FrameRange range) {
        return RunPlayLoop(rig.Output(), range, w.Callbacks(), result);
    }

    std::shared_ptr<FakeAudio> audio = std::make_shared<FakeAudio>();
    PlaybackRig rig;
    SoundResult result = SoundResult::Ok;
};

}  // namespace

TEST_F(PlayLoopTest, WithoutLoopingPlaysTheRangeOnceToItsEnd) {
    Window w;
    w.clip = NumberedClip(40000);
    w.loop = false;
    EXPECT_EQ(Play(w, {0, 30000}), PlayEnd::RangeDone);
    EXPECT_EQ(w.pumps, 3);
    // 11025 + 11025 + 7950 frames, then 3075 frames of silence; the last
    // chunk is played out completely before the buffer stops.
    ExpectStream(audio->Captured(), Concat({ExpectedChunk(w.clip, 0, 30000, 0),
                                            ExpectedChunk(w.clip, 0, 30000, 1),
                                            ExpectedChunk(w.clip, 0, 30000, 2)}));
    EXPECT_FALSE(rig.buffer->IsPlaying());
    // The cursor marks the last frame of each chunk, as a sample index.
    EXPECT_EQ(w.cursor, (std::vector<std::int64_t>{2 * 11024, 2 * 22049, 2 * 33074}));
}

TEST_F(PlayLoopTest, ARangeShorterThanOneChunkIsHeard) {
    Window w;
    w.clip = NumberedClip(1000);
    w.loop = false;
    EXPECT_EQ(Play(w, {100, 600}), PlayEnd::RangeDone);
    ExpectStream(audio->Captured(), ExpectedChunk(w.clip, 100, 600, 0));
}

TEST_F(PlayLoopTest, LoopingRepeatsFromTheStartUntilStop) {
    Window w;
    w.clip = NumberedClip(40000);
    w.at[5] = [&] { w.stop = true; };  // STOP pressed during the fifth round
    EXPECT_EQ(Play(w, {5000, 35000}), PlayEnd::Stopped);
    EXPECT_EQ(w.pumps, 5);  // the round under way ends the play
    const auto c = [&](int i) { return ExpectedChunk(w.clip, 5000, 35000, i); };
    // The fifth chunk was handed over; the output may stop before or after
    // its first half.
    ExpectStream(audio->Captured(), Concat({c(0), c(1), c(2), c(0)}), kHalfBufferBytes, c(1));
    EXPECT_FALSE(rig.buffer->IsPlaying());
}

TEST_F(PlayLoopTest, UntickingTheLoopBoxEndsThePassUnderWay) {
    Window w;
    w.clip = NumberedClip(30000);
    w.at[4] = [&] { w.loop = false; };  // during the second pass
    EXPECT_EQ(Play(w, {0, 30000}), PlayEnd::RangeDone);
    EXPECT_EQ(w.pumps, 6);
    const auto c = [&](int i) { return ExpectedChunk(w.clip, 0, 30000, i); };
    ExpectStream(audio->Captured(), Concat({c(0), c(1), c(2), c(0), c(1), c(2)}));
}

TEST_F(PlayLoopTest, ClosingTheWindowEndsThePlay) {
    Window w;
    w.clip = NumberedClip(30000);
    w.at[2] = [&] { w.stop = true; };  // closing sets the stop request
    EXPECT_EQ(Play(w, {0, 30000}), PlayEnd::Stopped);
    EXPECT_EQ(w.pumps, 2);

    // A window destroyed inside the pump: the loop leaves without touching
    // the clip, the cursor or the buffer.
    Window gone;
    gone.clip = NumberedClip(30000);
    gone.gonePump = 2;
    EXPECT_EQ(Play(gone, {0, 30000}), PlayEnd::WindowGone);
    EXPECT_EQ(gone.cursor.size(), 1u);
}

TEST_F(PlayLoopTest, ClipReplacedBetweenRoundsIsNeverReadPastItsEnd) {
    Window w;
    w.clip = NumberedClip(30000);
    w.at[2] = [&] {
        // A crop installs a shorter 8-bit mono clip at 22050 Hz; the old
        // buffer is freed (ASan reports any read of it).
        Bytes replacement(3000);
        for (std::size_t i = 0; i < replacement.size(); ++i)
            replacement[i] = static_cast<std::uint8_t>(129 + i % 100);
        w.clip = std::move(replacement);
        w.format = ClipFormat{22050, false, false};
    };
    w.at[4] = [&] { w.stop = true; };
    EXPECT_EQ(Play(w, {0, 30000}), PlayEnd::Stopped);

    // Round 2 starts at frame 11025, past the new clip: silence, and the
    // loop restarts at the range start. Round 3 plays the new clip at half rate.
    Bytes third;
    for (int k = 0; k < static_cast<int>(kChunkFrames); ++k) {
        const int j = static_cast<int>(std::nearbyint(k * 0.5));
        const int s = j < 3000 ? (129 + j % 100 - 128) * 256 : 0;
        Put16(third, s);
        Put16(third, s);
    }
    ExpectStream(audio->Captured(),
                 Concat({ExpectedChunk(NumberedClip(30000), 0, 30000, 0), Bytes(kChunkBytes, 0), third}),
                 kHalfBufferBytes, third);  // the stop may come before or after a half of round 4's chunk
    EXPECT_EQ(w.cursor[2], 5512);           // 8-bit mono: the frame is the sample index
}

TEST_F(PlayLoopTest, EmptyClipPlaysOneRoundOfSilenceEvenWhenLooping) {
    Window w;
    EXPECT_EQ(Play(w, FrameRange{0, 0}), PlayEnd::RangeDone);
    EXPECT_EQ(w.pumps, 1);
    ExpectStream(audio->Captured(), kSilentPass);
}

TEST_F(PlayLoopTest, AFailingLockCopiesNothingAndThePlayGoesOn) {
    Window w;
    w.clip = NumberedClip(30000);
    w.loop = false;
    w.at[2] = [&] { audio->locksToFail = 1; };  // the first half of chunk 1 cannot be written
    EXPECT_EQ(Play(w, {0, 30000}), PlayEnd::RangeDone);
    EXPECT_EQ(result, SoundResult::Ok);  // later calls succeeded again
    const Bytes c0 = ExpectedChunk(w.clip, 0, 30000, 0);
    const Bytes c1 = ExpectedChunk(w.clip, 0, 30000, 1);
    Bytes mixed = c1;  // the buffer's first half still holds chunk 0's
    std::copy_n(c0.begin(), kHalfBufferBytes, mixed.begin());
    ExpectStream(audio->Captured(), Concat({c0, mixed, ExpectedChunk(w.clip, 0, 30000, 2)}));
}

TEST(PlayLoop, DeviceLostWhileWaitingEndsThePlay) {
    auto audio = std::make_shared<FakeAudio>();
    auto device = std::make_unique<FakeSoundDevice>(audio, /*lockstep=*/false);
    FakeSoundDevice* fake = device.get();
    PlaybackRig rig;
    ASSERT_EQ(rig.SetUp(std::move(device)), SoundResult::Ok);
    Window w;
    w.clip = NumberedClip(30000);
    std::thread unplug([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        fake->Disconnect();
    });
    SoundResult result = SoundResult::Ok;
    EXPECT_EQ(RunPlayLoop(rig.Output(), {0, 30000}, w.Callbacks(), result), PlayEnd::DeviceLost);
    unplug.join();
    EXPECT_EQ(w.pumps, 1);
}

TEST(PlayLoop, SetUpFailuresAreReported) {
    auto audio = std::make_shared<FakeAudio>();
    audio->createResult = SoundResult::NoDriver;
    PlaybackRig rig;
    EXPECT_EQ(rig.SetUp(std::make_unique<FakeSoundDevice>(audio)), SoundResult::NoDriver);
    EXPECT_EQ(rig.buffer, nullptr);
}
