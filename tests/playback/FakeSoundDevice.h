// A deterministic stand-in for the audio device.
//
// It records everything it "plays". Advance(n) plays n bytes on demand. In
// lock-step mode it plays the buffer in halves (22050 bytes), each exactly
// when the play loop has asked for it, so the loop always refills in time
// and the recorded stream is what an ideal device would have played:
//
// - Every Lock of the playing buffer plays the next half at once, on the
//   loop's own thread, before the lock is taken. The loop locks right after
//   it has reset both half events, so the event that half signals can never
//   be cleared by a reset meant for the half before.
// - A Lock of the stopped buffer prepares a play (the loop writes its
//   silence before it starts the buffer). Unless an event is still
//   signalled from an earlier play (the loop's first wait then returns at
//   once), the first half is owed: the device's own thread plays it as soon
//   as the buffer runs, while the loop waits for it and touches nothing.
//
// A guard turns a hang into a failure: when a playing buffer sees no step
// for kStallLimit, the device marks `stalled` and goes away, which ends
// every wait on the buffer's events.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "playback/SoundBuffer.h"

namespace zirpel::testing {

// What a test and the fake device it made share (the device itself may be
// owned by the window under test).
struct FakeAudio {
    SoundResult createResult = SoundResult::Ok;       // answer of CreateSoundBuffer
    SoundResult cooperativeResult = SoundResult::Ok;  // answer of SetCooperativeLevel
    std::atomic<int> locksToFail{0};                  // the next n Locks fail
    std::atomic<int> locks{0};                        // Locks attempted
    std::atomic<bool> deviceAlive{false};
    std::atomic<bool> stalled{false};                 // the lock-step guard gave up

    std::vector<std::uint8_t> Captured() const {
        std::lock_guard lock(mutex);
        return captured;
    }

    // Plays `bytes` bytes of `buffer` now (silence without one). The block
    // is recorded before anyone woken by its notifications can look at the
    // recording.
    void Play(LoopingSoundBuffer* buffer, std::size_t bytes) {
        std::vector<std::uint8_t> block(bytes);
        std::lock_guard lock(mutex);
        if (buffer) buffer->Render(block.data(), bytes);
        captured.insert(captured.end(), block.begin(), block.end());
    }

    mutable std::mutex mutex;
    std::vector<std::uint8_t> captured;
};

// The lock-step schedule, shared by the device and its buffer.
struct Lockstep {
    static constexpr std::chrono::seconds kStallLimit{20};

    std::mutex mutex;
    std::condition_variable changed;
    bool firstHalfOwed = false;
    bool quit = false;
    std::chrono::steady_clock::time_point lastStep = std::chrono::steady_clock::now();

    static bool AnyEventSet(const LoopingSoundBuffer& buffer) {
        for (const auto& e : buffer.NotificationEvents())
            if (e->IsSet()) return true;
        return false;
    }

    // Called on the loop's thread by each Lock, before the lock is taken.
    void OnLock(LoopingSoundBuffer& buffer, FakeAudio& audio) {
        std::lock_guard lock(mutex);
        lastStep = std::chrono::steady_clock::now();
        if (!buffer.IsPlaying()) {
            firstHalfOwed = !AnyEventSet(buffer);
        } else {
            firstHalfOwed = false;
            audio.Play(&buffer, kHalfBufferBytes);
        }
        changed.notify_all();
    }
};

// A buffer whose Lock can be told to fail.
class FakeBuffer final : public LoopingSoundBuffer {
public:
    FakeBuffer(const SoundBufferDesc& desc, std::shared_ptr<FakeAudio> audio,
               std::shared_ptr<Lockstep> lockstep)
        : LoopingSoundBuffer(desc), audio_(std::move(audio)), lockstep_(std::move(lockstep)) {}

    SoundResult Lock(std::uint32_t offset, std::uint32_t bytes, void** first,
                     std::uint32_t* firstBytes, void** second, std::uint32_t* secondBytes,
                     std::uint32_t flags) override {
        // The loop asks for the next half even when its Lock then fails.
        if (lockstep_) lockstep_->OnLock(*this, *audio_);
        ++audio_->locks;
        if (audio_->locksToFail > 0) {
            --audio_->locksToFail;
            if (first) *first = nullptr;
            if (firstBytes) *firstBytes = 0;
            if (second) *second = nullptr;
            if (secondBytes) *secondBytes = 0;
            return SoundResult::InvalidCall;
        }
        return LoopingSoundBuffer::Lock(offset, bytes, first, firstBytes, second, secondBytes,
                                        flags);
    }

private:
    std::shared_ptr<FakeAudio> audio_;
    std::shared_ptr<Lockstep> lockstep_;  // null when the test plays by hand
};

class FakeSoundDevice final : public SoundDevice {
public:
    explicit FakeSoundDevice(std::shared_ptr<FakeAudio> audio, bool lockstep = true)
        : audio_(std::move(audio)) {
        audio_->deviceAlive = true;
        if (lockstep) {
            lockstep_ = std::make_shared<Lockstep>();
            thread_ = std::thread([this] { RunLockstep(); });
        }
    }

    ~FakeSoundDevice() override {
        if (lockstep_) {
            {
                std::lock_guard lock(lockstep_->mutex);
                lockstep_->quit = true;
            }
            lockstep_->changed.notify_all();
            thread_.join();
        }
        Disconnect();
        audio_->deviceAlive = false;
    }

    SoundResult SetCooperativeLevel(int) override { return audio_->cooperativeResult; }

    SoundResult CreateSoundBuffer(const SoundBufferDesc& desc,
                                  std::shared_ptr<LoopingSoundBuffer>& out) override {
        out.reset();
        if (audio_->createResult != SoundResult::Ok) return audio_->createResult;
        const SoundResult r = LoopingSoundBuffer::CheckDesc(desc);
        if (r != SoundResult::Ok) return r;
        auto buffer = std::make_shared<FakeBuffer>(desc, audio_, lockstep_);
        {
            std::lock_guard lock(mutex_);
            buffer_ = buffer;
        }
        out = std::move(buffer);
        return SoundResult::Ok;
    }

    // Plays `bytes` bytes now (silence when nothing plays).
    void Advance(std::size_t bytes) { audio_->Play(Buffer().get(), bytes); }

    // The device goes away under the buffer (as when it is unplugged for good).
    void Disconnect() {
        if (std::shared_ptr<LoopingSoundBuffer> buffer = Buffer()) buffer->MarkLost();
    }

    std::shared_ptr<LoopingSoundBuffer> Buffer() const {
        std::lock_guard lock(mutex_);
        return buffer_.lock();
    }

private:
    // Plays the first half of each play once the buffer runs (Play itself
    // cannot be observed, so it looks every 50 µs while that half is owed),
    // and watches for a loop that no longer moves.
    void RunLockstep() {
        Lockstep& s = *lockstep_;
        std::unique_lock lock(s.mutex);
        while (!s.quit) {
            std::shared_ptr<LoopingSoundBuffer> buffer = Buffer();
            const bool playing = buffer && buffer->IsPlaying();
            if (s.firstHalfOwed && playing) {
                s.firstHalfOwed = false;
                s.lastStep = std::chrono::steady_clock::now();
                audio_->Play(buffer.get(), kHalfBufferBytes);
                continue;
            }
            if (playing && std::chrono::steady_clock::now() - s.lastStep > Lockstep::kStallLimit) {
                std::fprintf(stderr, "FakeSoundDevice: no step for %lld s, the device goes away\n",
                             static_cast<long long>(Lockstep::kStallLimit.count()));
                audio_->stalled = true;
                buffer->MarkLost();
                s.lastStep = std::chrono::steady_clock::now();
            }
            buffer.reset();
            s.changed.wait_for(lock, s.firstHalfOwed ? std::chrono::microseconds(50)
                                                     : std::chrono::microseconds(100000));
        }
    }

    std::shared_ptr<FakeAudio> audio_;
    std::shared_ptr<Lockstep> lockstep_;  // null without lock-step
    mutable std::mutex mutex_;
    std::weak_ptr<LoopingSoundBuffer> buffer_;
    std::thread thread_;
};

}  // namespace zirpel::testing
