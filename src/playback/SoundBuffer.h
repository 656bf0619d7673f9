// The looping output buffer that playback streams into, its position
// notifications, and the seam to the audio device that plays it.
//
// The buffer holds 44100 bytes of 16-bit stereo PCM at 44100 Hz (a quarter
// of a second). The device consumes it round and round from its play
// position; when the position reaches a notification offset the device
// signals that offset's event, so the user-interface thread can overwrite
// the half that has just been played while the other half plays.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "playback/PlayEvent.h"

namespace zirpel {

// Result of a sound-device or buffer operation (0 = success).
enum class SoundResult : std::int32_t {
    Ok = 0,
    InvalidParam = 1,   // arguments or buffer description not acceptable
    InvalidCall = 2,    // not allowed in the current state (e.g. locked twice)
    BufferLost = 3,     // the device behind the buffer is gone
    NoDriver = 4,       // no audio device could be opened
    BadFormat = 5,      // the device cannot play this format
};

// Wave format record, laid out as the PCM format header of a WAV file.
struct WaveFormatEx {
    std::uint16_t wFormatTag = 0;
    std::uint16_t nChannels = 0;
    std::uint32_t nSamplesPerSec = 0;
    std::uint32_t nAvgBytesPerSec = 0;
    std::uint16_t nBlockAlign = 0;
    std::uint16_t wBitsPerSample = 0;
    std::uint16_t cbSize = 0;
};

inline constexpr std::uint16_t kWaveFormatPcm = 1;

// Capability flags of a sound buffer description.
inline constexpr std::uint32_t kBufferStatic = 0x2;
inline constexpr std::uint32_t kBufferCtrlPositionNotify = 0x100;
inline constexpr std::uint32_t kBufferGlobalFocus = 0x8000;

// Description used to create a sound buffer.
struct SoundBufferDesc {
    std::uint32_t dwSize = 0;          // sizeof(SoundBufferDesc)
    std::uint32_t dwFlags = 0;
    std::uint32_t dwBufferBytes = 0;
    std::uint32_t dwReserved = 0;
    const WaveFormatEx* lpwfxFormat = nullptr;
};

// One position notification: signal the event when the play position
// reaches the byte offset.
struct PositionNotify {
    std::uint32_t dwOffset = 0;
    std::shared_ptr<PlayEvent> hEventNotify;
};

inline constexpr std::uint32_t kPlayLooping = 1;       // Play flag
inline constexpr std::uint32_t kLockEntireBuffer = 2;  // Lock flag

// The fixed playback format and buffer layout.
inline constexpr std::uint32_t kPlayBufferBytes = 44100;
inline constexpr std::uint32_t kChunkFrames = 11025;
inline constexpr std::uint32_t kChunkBytes = kChunkFrames * 4;  // = kPlayBufferBytes
inline constexpr std::uint32_t kHalfBufferBytes = 22050;
inline constexpr std::uint32_t kFirstHalfNotifyOffset = 22050;
inline constexpr std::uint32_t kSecondHalfNotifyOffset = 44099;
static_assert(kChunkBytes == kPlayBufferBytes);

// PCM, 2 channels, 44100 Hz, 16 bits.
WaveFormatEx MakePlayFormat();
// Static buffer with position notification that keeps playing without the
// focus (flags 0x8102), `bytes` long, in `format` (which must outlive it).
SoundBufferDesc MakePlayBufferDesc(std::uint32_t bytes, const WaveFormatEx* format);

class SoundNotify;

// The looping sound buffer. Every method may be called from the
// user-interface thread while the device's thread calls Render.
class LoopingSoundBuffer : public std::enable_shared_from_this<LoopingSoundBuffer> {
public:
    // Checks the description (PCM, whole frames, 4 to 2^24 bytes) and makes
    // a silent, stopped buffer with its play position at 0.
    static SoundResult Create(const SoundBufferDesc& desc,
                              std::shared_ptr<LoopingSoundBuffer>& out);
    // The checks Create makes; Ok when a buffer can be made from `desc`.
    static SoundResult CheckDesc(const SoundBufferDesc& desc);

    virtual ~LoopingSoundBuffer();
    LoopingSoundBuffer(const LoopingSoundBuffer&) = delete;
    LoopingSoundBuffer& operator=(const LoopingSoundBuffer&) = delete;

    std::uint32_t Size() const { return static_cast<std::uint32_t>(data_.size()); }
    const WaveFormatEx& Format() const { return format_; }

    // Gives write access to `bytes` bytes from `offset` (with
    // kLockEntireBuffer: the whole buffer in *first). A range running past
    // the end continues at the start through *second. Until Unlock the
    // device waits before it reads the buffer, so the copy never races with
    // it; keep the lock short. On failure all four outputs are null/0.
    virtual SoundResult Lock(std::uint32_t offset, std::uint32_t bytes, void** first,
                             std::uint32_t* firstBytes, void** second,
                             std::uint32_t* secondBytes, std::uint32_t flags);
    // Ends the access that Lock gave; pass what Lock returned.
    SoundResult Unlock(void* first, std::uint32_t firstBytes, void* second,
                       std::uint32_t secondBytes);

    // Starts playing from the current position; with kPlayLooping round and
    // round, otherwise up to the end of the buffer.
    SoundResult Play(std::uint32_t reserved, std::uint32_t priority, std::uint32_t flags);
    // Stops playing; the play position stays where it is.
    SoundResult Stop();
    SoundResult GetCurrentPosition(std::uint32_t* playPosition) const;
    bool IsPlaying() const;

    // The notification interface of this buffer (requires a description with
    // kBufferCtrlPositionNotify).
    SoundResult QueryNotify(std::shared_ptr<SoundNotify>& out);

    // Device side: fills `out` with the next `bytes` bytes from the play
    // position and advances it; silence while stopped. Signals each
    // notification whose offset the position reaches, after the bytes
    // before it were copied.
    void Render(std::uint8_t* out, std::size_t bytes);
    // Device side: the device is gone. Stops the buffer, makes Lock and
    // Play fail and abandons the notification events, so nobody waits for
    // a position that will never come.
    void MarkLost();
    bool IsLost() const;
    // The events of the current notification points.
    std::vector<std::shared_ptr<PlayEvent>> NotificationEvents() const;

protected:
    // For devices that make their own kind of buffer; `desc` must pass CheckDesc.
    explicit LoopingSoundBuffer(const SoundBufferDesc& desc);

private:
    friend class SoundNotify;
    SoundResult SetNotificationPositions(std::uint32_t count, const PositionNotify* positions);

    const WaveFormatEx format_;
    const std::uint32_t flags_;
    mutable std::mutex mutex_;  // guards everything below; held from Lock to Unlock
    std::vector<std::uint8_t> data_;
    std::uint32_t position_ = 0;
    bool playing_ = false;
    bool looping_ = false;
    bool lost_ = false;
    std::vector<PositionNotify> notifications_;
    // The thread that holds the Lock, so that its own calls fail instead of
    // waiting for itself.
    std::atomic<std::thread::id> lockOwner_{};
    bool HeldByThisThread() const { return lockOwner_.load() == std::this_thread::get_id(); }
};

// Position-notification interface of a LoopingSoundBuffer.
class SoundNotify {
public:
    explicit SoundNotify(std::shared_ptr<LoopingSoundBuffer> buffer);
    // Replaces the notification points. Allowed only while the buffer is
    // stopped; offsets must lie inside the buffer and events must be set.
    SoundResult SetNotificationPositions(std::uint32_t count, const PositionNotify* positions);

private:
    std::shared_ptr<LoopingSoundBuffer> buffer_;
};

// An audio output device. The real one is SDL audio (SdlSoundDevice.h);
// tests put a fake in its place.
class SoundDevice {
public:
    virtual ~SoundDevice() = default;
    // The device is shared politely with other programs; nothing to set up.
    virtual SoundResult SetCooperativeLevel(int /*level*/) { return SoundResult::Ok; }
    // Creates a buffer that this device plays. The device keeps playing it
    // for as long as both exist; destroying the device marks it lost.
    virtual SoundResult CreateSoundBuffer(const SoundBufferDesc& desc,
                                          std::shared_ptr<LoopingSoundBuffer>& out) = 0;
};

inline constexpr int kCooperativePriority = 2;

}  // namespace zirpel
