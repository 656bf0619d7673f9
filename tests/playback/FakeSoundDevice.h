// A deterministic stand-in for the audio device.
//
// It records everything it "plays". Advance(n) plays n bytes on demand. In
// lock-step mode a thread of its own plays the buffer in halves (22050
// bytes) and waits after each half until the play loop has reset the
// notification event, so the loop always refills in time and the recorded
// stream is exactly what an ideal device would have played.
#pragma once

#include <atomic>
#include <chrono>
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

    std::vector<std::uint8_t> Captured() const {
        std::lock_guard lock(mutex);
        return captured;
    }

    mutable std::mutex mutex;
    std::vector<std::uint8_t> captured;
};

// A buffer whose Lock can be told to fail.
class FakeBuffer final : public LoopingSoundBuffer {
public:
    FakeBuffer(const SoundBufferDesc& desc, std::shared_ptr<FakeAudio> audio)
        : LoopingSoundBuffer(desc), audio_(std::move(audio)) {}

    SoundResult Lock(std::uint32_t offset, std::uint32_t bytes, void** first,
                     std::uint32_t* firstBytes, void** second, std::uint32_t* secondBytes,
                     std::uint32_t flags) override {
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
};

class FakeSoundDevice final : public SoundDevice {
public:
    explicit FakeSoundDevice(std::shared_ptr<FakeAudio> audio, bool lockstep = true)
        : audio_(std::move(audio)) {
        audio_->deviceAlive = true;
        if (lockstep) thread_ = std::thread([this] { RunLockstep(); });
    }

    ~FakeSoundDevice() override {
        quit_ = true;
        if (thread_.joinable()) thread_.join();
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
        auto buffer = std::make_shared<FakeBuffer>(desc, audio_);
        {
            std::lock_guard lock(mutex_);
            buffer_ = buffer;
        }
        out = std::move(buffer);
        return SoundResult::Ok;
    }

    // Plays `bytes` bytes now (silence when nothing plays).
    // The block is recorded before anyone woken by its notifications can
    // look at the recording.
    void Advance(std::size_t bytes) {
        std::vector<std::uint8_t> block(bytes);
        std::shared_ptr<LoopingSoundBuffer> buffer = Buffer();
        std::lock_guard lock(audio_->mutex);
        if (buffer) buffer->Render(block.data(), bytes);
        audio_->captured.insert(audio_->captured.end(), block.begin(), block.end());
    }

    // The device goes away under the buffer (as when it is unplugged for good).
    void Disconnect() {
        if (std::shared_ptr<LoopingSoundBuffer> buffer = Buffer()) buffer->MarkLost();
    }

    std::shared_ptr<LoopingSoundBuffer> Buffer() const {
        std::lock_guard lock(mutex_);
        return buffer_.lock();
    }

private:
    void RunLockstep() {
        while (!quit_) {
            std::shared_ptr<LoopingSoundBuffer> buffer = Buffer();
            bool pending = false;
            if (buffer)
                for (const auto& e : buffer->NotificationEvents()) pending = pending || e->IsSet();
            if (buffer && buffer->IsPlaying() && !pending && !buffer->IsLost()) {
                buffer.reset();
                Advance(kHalfBufferBytes);
            } else {
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            }
        }
    }

    std::shared_ptr<FakeAudio> audio_;
    mutable std::mutex mutex_;
    std::weak_ptr<LoopingSoundBuffer> buffer_;
    std::atomic<bool> quit_{false};
    std::thread thread_;
};

}  // namespace zirpel::testing
