#include "playback/SoundBuffer.h"

#include <algorithm>
#include <cstring>

namespace zirpel {

WaveFormatEx MakePlayFormat() {
    WaveFormatEx f{};
    f.wFormatTag = kWaveFormatPcm;
    f.nChannels = 2;
    f.nSamplesPerSec = 44100;
    f.nAvgBytesPerSec = 176400;
    f.nBlockAlign = 4;
    f.wBitsPerSample = 16;
    f.cbSize = 0;
    return f;
}

SoundBufferDesc MakePlayBufferDesc(std::uint32_t bytes, const WaveFormatEx* format) {
    SoundBufferDesc d{};
    d.dwSize = sizeof(SoundBufferDesc);
    d.dwFlags = kBufferStatic | kBufferCtrlPositionNotify | kBufferGlobalFocus;
    d.dwBufferBytes = bytes;
    d.dwReserved = 0;
    d.lpwfxFormat = format;
    return d;
}

namespace {
constexpr std::uint32_t kMaxBufferBytes = 1u << 24;
}

SoundResult LoopingSoundBuffer::CheckDesc(const SoundBufferDesc& desc) {
    if (desc.dwSize != sizeof(SoundBufferDesc) || desc.lpwfxFormat == nullptr)
        return SoundResult::InvalidParam;
    const WaveFormatEx& f = *desc.lpwfxFormat;
    if (f.wFormatTag != kWaveFormatPcm || f.nChannels == 0 || f.nBlockAlign == 0 ||
        (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) ||
        f.nBlockAlign != f.nChannels * (f.wBitsPerSample / 8))
        return SoundResult::BadFormat;
    if (desc.dwBufferBytes < 4 || desc.dwBufferBytes > kMaxBufferBytes ||
        desc.dwBufferBytes % f.nBlockAlign != 0)
        return SoundResult::InvalidParam;
    return SoundResult::Ok;
}

SoundResult LoopingSoundBuffer::Create(const SoundBufferDesc& desc,
                                       std::shared_ptr<LoopingSoundBuffer>& out) {
    out.reset();
    const SoundResult r = CheckDesc(desc);
    if (r != SoundResult::Ok) return r;
    out.reset(new LoopingSoundBuffer(desc));
    return SoundResult::Ok;
}

LoopingSoundBuffer::LoopingSoundBuffer(const SoundBufferDesc& desc)
    : format_(*desc.lpwfxFormat), flags_(desc.dwFlags), data_(desc.dwBufferBytes, 0) {}

LoopingSoundBuffer::~LoopingSoundBuffer() {
    // A caller that never unlocked must not leave a locked mutex behind.
    if (HeldByThisThread()) mutex_.unlock();
}

SoundResult LoopingSoundBuffer::Lock(std::uint32_t offset, std::uint32_t bytes, void** first,
                                     std::uint32_t* firstBytes, void** second,
                                     std::uint32_t* secondBytes, std::uint32_t flags) {
    if (first) *first = nullptr;
    if (firstBytes) *firstBytes = 0;
    if (second) *second = nullptr;
    if (secondBytes) *secondBytes = 0;
    if (!first || !firstBytes) return SoundResult::InvalidParam;
    if (HeldByThisThread()) return SoundResult::InvalidCall;

    const std::uint32_t size = Size();
    if (flags & kLockEntireBuffer) {
        offset = 0;
        bytes = size;
    }
    if (offset >= size || bytes == 0 || bytes > size) return SoundResult::InvalidParam;
    const std::uint32_t tail = std::min(bytes, size - offset);
    if (tail < bytes && (!second || !secondBytes)) return SoundResult::InvalidParam;

    mutex_.lock();
    if (lost_) {
        mutex_.unlock();
        return SoundResult::BufferLost;
    }
    lockOwner_.store(std::this_thread::get_id());
    *first = data_.data() + offset;
    *firstBytes = tail;
    if (tail < bytes) {
        *second = data_.data();
        *secondBytes = bytes - tail;
    }
    return SoundResult::Ok;
}

SoundResult LoopingSoundBuffer::Unlock(void* first, std::uint32_t firstBytes, void* /*second*/,
                                       std::uint32_t /*secondBytes*/) {
    if (!HeldByThisThread()) return SoundResult::InvalidCall;
    const auto* p = static_cast<const std::uint8_t*>(first);
    const bool matches = p >= data_.data() && p < data_.data() + data_.size() &&
                         firstBytes <= data_.size() - static_cast<std::size_t>(p - data_.data());
    lockOwner_.store(std::thread::id{});
    mutex_.unlock();
    return matches ? SoundResult::Ok : SoundResult::InvalidParam;
}

SoundResult LoopingSoundBuffer::Play(std::uint32_t /*reserved*/, std::uint32_t /*priority*/,
                                     std::uint32_t flags) {
    if (HeldByThisThread()) return SoundResult::InvalidCall;
    std::lock_guard lock(mutex_);
    if (lost_) return SoundResult::BufferLost;
    playing_ = true;
    looping_ = (flags & kPlayLooping) != 0;
    return SoundResult::Ok;
}

SoundResult LoopingSoundBuffer::Stop() {
    if (HeldByThisThread()) return SoundResult::InvalidCall;
    std::lock_guard lock(mutex_);
    playing_ = false;
    return lost_ ? SoundResult::BufferLost : SoundResult::Ok;
}

SoundResult LoopingSoundBuffer::GetCurrentPosition(std::uint32_t* playPosition) const {
    if (!playPosition) return SoundResult::InvalidParam;
    if (HeldByThisThread()) return SoundResult::InvalidCall;
    std::lock_guard lock(mutex_);
    *playPosition = position_;
    return SoundResult::Ok;
}

bool LoopingSoundBuffer::IsPlaying() const {
    if (HeldByThisThread()) return false;
    std::lock_guard lock(mutex_);
    return playing_;
}

SoundResult LoopingSoundBuffer::QueryNotify(std::shared_ptr<SoundNotify>& out) {
    out.reset();
    if (!(flags_ & kBufferCtrlPositionNotify)) return SoundResult::InvalidCall;
    out = std::make_shared<SoundNotify>(shared_from_this());
    return SoundResult::Ok;
}

SoundResult LoopingSoundBuffer::SetNotificationPositions(std::uint32_t count,
                                                         const PositionNotify* positions) {
    if (count > 0 && !positions) return SoundResult::InvalidParam;
    if (HeldByThisThread()) return SoundResult::InvalidCall;
    std::vector<PositionNotify> list(positions, positions + count);
    for (const PositionNotify& n : list)
        if (n.dwOffset >= Size() || !n.hEventNotify) return SoundResult::InvalidParam;
    std::lock_guard lock(mutex_);
    if (lost_) return SoundResult::BufferLost;
    if (playing_) return SoundResult::InvalidCall;
    notifications_ = std::move(list);
    return SoundResult::Ok;
}

void LoopingSoundBuffer::Render(std::uint8_t* out, std::size_t bytes) {
    std::vector<PlayEvent*> fired;
    {
        std::lock_guard lock(mutex_);
        std::size_t done = 0;
        const std::size_t size = data_.size();
        const std::uint64_t from = position_;  // unwrapped start of this block
        while (done < bytes && playing_ && !lost_) {
            const std::size_t n = std::min(bytes - done, size - position_);
            std::memcpy(out + done, data_.data() + position_, n);
            done += n;
            position_ += static_cast<std::uint32_t>(n);
            if (position_ == size) {
                position_ = 0;
                if (!looping_) playing_ = false;
            }
        }
        std::memset(out + done, 0, bytes - done);  // silence while stopped

        // The position moved over (from, from + done]; an offset is reached
        // when one of its repetitions lies in that interval.
        if (done > 0) {
            for (const PositionNotify& n : notifications_) {
                const std::uint64_t first = n.dwOffset > from ? n.dwOffset
                                                              : n.dwOffset + ((from - n.dwOffset) / size + 1) * size;
                if (first <= from + done) fired.push_back(n.hEventNotify.get());
            }
        }
        // The events outlive this block: notifications_ holds them.
        for (PlayEvent* e : fired) e->Set();
    }
}

void LoopingSoundBuffer::MarkLost() {
    std::vector<std::shared_ptr<PlayEvent>> events;
    {
        std::lock_guard lock(mutex_);
        lost_ = true;
        playing_ = false;
        for (const PositionNotify& n : notifications_) events.push_back(n.hEventNotify);
    }
    for (const auto& e : events) e->Abandon();
}

std::vector<std::shared_ptr<PlayEvent>> LoopingSoundBuffer::NotificationEvents() const {
    std::vector<std::shared_ptr<PlayEvent>> events;
    if (HeldByThisThread()) return events;
    std::lock_guard lock(mutex_);
    for (const PositionNotify& n : notifications_) events.push_back(n.hEventNotify);
    return events;
}

bool LoopingSoundBuffer::IsLost() const {
    std::lock_guard lock(mutex_);
    return lost_;
}

SoundNotify::SoundNotify(std::shared_ptr<LoopingSoundBuffer> buffer) : buffer_(std::move(buffer)) {}

SoundResult SoundNotify::SetNotificationPositions(std::uint32_t count,
                                                  const PositionNotify* positions) {
    return buffer_->SetNotificationPositions(count, positions);
}

}  // namespace zirpel
