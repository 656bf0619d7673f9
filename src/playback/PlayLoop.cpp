#include "playback/PlayLoop.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zirpel {

namespace {

// Copies `bytes` bytes of `src` to the buffer at `offset` when the Lock
// succeeds; nothing is written through a pointer Lock did not return.
void CopyToBuffer(LoopingSoundBuffer& buffer, std::uint32_t offset, const std::uint8_t* src,
                  std::uint32_t bytes, SoundResult& result) {
    void* first = nullptr;
    void* second = nullptr;
    std::uint32_t firstBytes = 0;
    std::uint32_t secondBytes = 0;
    result = buffer.Lock(0, 0, &first, &firstBytes, &second, &secondBytes, kLockEntireBuffer);
    if (result != SoundResult::Ok || first == nullptr) return;
    if (offset < firstBytes) {
        const std::uint32_t n = std::min(bytes, firstBytes - offset);
        std::memcpy(static_cast<std::uint8_t*>(first) + offset, src, n);
    }
    result = buffer.Unlock(first, firstBytes, second, secondBytes);
}

bool WaitAndReset(PlayEvent& waitOn, PlayEvent& a, PlayEvent& b) {
    if (!waitOn.Wait()) return false;
    a.Reset();
    b.Reset();
    return true;
}

}  // namespace

bool RefillPlayBuffer(const PlayOutput& out, std::span<const std::uint8_t, kChunkBytes> chunk,
                      SoundResult& result) {
    if (!WaitAndReset(out.firstHalf, out.firstHalf, out.secondHalf)) return false;
    CopyToBuffer(out.buffer, 0, chunk.data(), kHalfBufferBytes, result);
    if (!WaitAndReset(out.secondHalf, out.secondHalf, out.firstHalf)) return false;
    CopyToBuffer(out.buffer, kHalfBufferBytes, chunk.data() + kHalfBufferBytes,
                 kChunkBytes - kHalfBufferBytes, result);
    return true;
}

PlayEnd RunPlayLoop(const PlayOutput& out, PlayRange range, const PlayCallbacks& cb,
                    SoundResult& result) {
    std::vector<std::uint8_t> chunkStore(kChunkBytes, 0);
    const std::span<std::uint8_t, kChunkBytes> chunk(chunkStore.data(), kChunkBytes);

    // Start from silence (the chunk is still all zero) so nothing of an
    // earlier play is heard.
    CopyToBuffer(out.buffer, 0, chunk.data(), kChunkBytes, result);
    result = out.buffer.Play(0, 0, kPlayLooping);

    double pos = range.start;
    PlayEnd end = PlayEnd::RangeDone;
    for (;;) {
        if (!cb.pumpEvents()) return PlayEnd::WindowGone;

        const ClipView clip = cb.currentClip();
        const std::int32_t total = ClipFrames(clip);
        const ChunkFillResult filled = FillChunk(chunk, clip, pos, range.end);
        pos = filled.pos;
        cb.drawCursor(CursorSampleIndex(filled.lastFrame, clip.format));

        if (!RefillPlayBuffer(out, chunk, result)) {
            end = PlayEnd::DeviceLost;
            break;
        }
        if (cb.loopChecked() && (pos >= range.end || pos >= total)) pos = range.start;
        if (cb.stopRequested()) {
            end = PlayEnd::Stopped;
            break;
        }
        if (pos >= range.end || pos >= total) break;
    }

    if (end == PlayEnd::RangeDone) {
        // The chunk handed over last is still waiting in the buffer: let it
        // play, writing silence behind it so nothing plays twice.
        std::fill(chunkStore.begin(), chunkStore.end(), std::uint8_t{0});
        if (!RefillPlayBuffer(out, chunk, result)) end = PlayEnd::DeviceLost;
    }
    out.buffer.Stop();
    return end;
}

}  // namespace zirpel
