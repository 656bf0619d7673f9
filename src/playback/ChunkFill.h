// Turning the clip into the fixed output format, one quarter second at a time.
#pragma once

#include <cstdint>
#include <span>

#include "clip/Clip.h"
#include "playback/SoundBuffer.h"

namespace zirpel {

struct ChunkFillResult {
    double pos = 0;             // read position after the chunk, in frames
    std::int64_t lastFrame = 0; // source frame of the chunk's last output frame
};

// Fills one chunk (11025 frames of 16-bit little-endian stereo) from the
// clip, starting at frame position `pos`. Each output frame takes source
// frame j = pos rounded to nearest (ties to even) when 0 <= j < end and
// j < the clip's frame count, else silence; 8-bit samples are widened and
// mono is written to both channels. pos advances by sampleRate / 44100 per
// frame (computed in extended precision, stored as double), so a 44100 Hz
// clip is copied frame for frame and others are resampled by nearest
// neighbour.
ChunkFillResult FillChunk(std::span<std::uint8_t, kChunkBytes> out, const ClipSpan& clip,
                          double pos, std::int32_t end);

}  // namespace zirpel
