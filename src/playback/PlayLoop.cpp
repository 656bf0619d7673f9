#include "playback/PlayLoop.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "playback/ChunkFill.h"

namespace zirpel {

namespace {

// Copies `bytes` bytes of `src` to the buffer at `offset` when the Lock
// succeeds; nothing is written through a pointer Lock did not return.
SoundResult CopyToBuffer(LoopingSoundBuffer& buffer, std::uint32_t offset, const std::uint8_t* src,
                         std::uint32_t bytes) {
    void* first = nullptr;
    void* second = nullptr;
    std::uint32_t firstBytes = 0;
    std::uint32_t secondBytes = 0;
    const SoundResult locked =
        buffer.Lock(0, 0, &first, &firstBytes, &second, &secondBytes, kLockEntireBuffer);
    if (locked != SoundResult::Ok || first == nullptr) return locked;
    if (offset < firstBytes) {
        const std::uint32_t n = std::min(bytes, firstBytes - offset);
        std::memcpy(static_cast<std::uint8_t*>(first) + offset, src, n);
    }
    return buffer.Unlock(first, firstBytes, second, secondBytes);
}

bool WaitAndReset(PlayEvent& waitOn, PlayEvent& a, PlayEvent& b) {
    if (!waitOn.Wait()) return false;
    a.Reset();
    b.Reset();
    return true;
}

}  // namespace

PlayResult RefillPlayBuffer(const PlayOutput& out, std::span<const std::uint8_t, kChunkBytes> chunk) {
    PlayResult r;
    if (!WaitAndReset(out.firstHalf, out.firstHalf, out.secondHalf)) return {PlayEnd::DeviceLost, r.lastCall};
    r.lastCall = CopyToBuffer(out.buffer, 0, chunk.data(), kHalfBufferBytes);
    if (!WaitAndReset(out.secondHalf, out.secondHalf, out.firstHalf)) return {PlayEnd::DeviceLost, r.lastCall};
    r.lastCall = CopyToBuffer(out.buffer, kHalfBufferBytes, chunk.data() + kHalfBufferBytes,
                              kChunkBytes - kHalfBufferBytes);
    return r;
}

PlayResult RunPlayLoop(const PlayOutput& out, FrameRange range, PlaySource& source, LongTask& task) {
    std::vector<std::uint8_t> chunkStore(kChunkBytes, 0);
    const std::span<std::uint8_t, kChunkBytes> chunk(chunkStore.data(), kChunkBytes);

    // Start from silence (the chunk is still all zero) so nothing of an
    // earlier play is heard.
    PlayResult result;
    result.lastCall = CopyToBuffer(out.buffer, 0, chunk.data(), kChunkBytes);
    result.lastCall = out.buffer.Play(0, 0, kPlayLooping);

    double pos = range.start;
    for (;;) {
        if (!task.Pump()) return {PlayEnd::WindowGone, result.lastCall};

        const ClipSpan clip = source.CurrentClip();
        const std::int32_t total = clip.frames();
        const ChunkFillResult filled = FillChunk(chunk, clip, pos, range.end);
        pos = filled.pos;
        source.DrawCursor(FrameToSampleIndex(filled.lastFrame, clip.format));

        const PlayResult refill = RefillPlayBuffer(out, chunk);
        result.lastCall = refill.lastCall;
        if (refill.end == PlayEnd::DeviceLost) {
            result.end = PlayEnd::DeviceLost;
            break;
        }
        if (source.LoopChecked() && (pos >= range.end || pos >= total)) pos = range.start;
        if (task.StopRequested()) {
            result.end = PlayEnd::Stopped;
            break;
        }
        if (pos >= range.end || pos >= total) break;
    }

    if (result.end == PlayEnd::RangeDone) {
        // The chunk handed over last is still waiting in the buffer: let it
        // play, writing silence behind it so nothing plays twice.
        std::fill(chunkStore.begin(), chunkStore.end(), std::uint8_t{0});
        const PlayResult last = RefillPlayBuffer(out, chunk);
        result.lastCall = last.lastCall;
        if (last.end == PlayEnd::DeviceLost) result.end = PlayEnd::DeviceLost;
    }
    out.buffer.Stop();
    return result;
}

}  // namespace zirpel
