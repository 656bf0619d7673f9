// Turning the clip into the fixed output format, one quarter second at a time.
#pragma once

#include <cstdint>
#include <span>

#include "playback/SoundBuffer.h"
#include "wave/AudioFormat.h"

namespace zirpel {

// The clip as the play loop sees it at one moment.
struct ClipView {
    const std::uint8_t* data = nullptr;  // null = no clip
    std::int32_t size = 0;               // bytes
    ClipFormat format;
};

// Frames of the clip; 0 without data.
std::int32_t ClipFrames(const ClipView& clip);

// Range of one play in frames: [start, end).
struct PlayRange {
    std::int32_t start = 0;
    std::int32_t end = 0;
};

// An empty selection (anchor = caret) plays the whole clip; otherwise the
// selected sample indices, turned into frames (halved for stereo).
PlayRange PlayRangeFor(const ClipView& clip, std::int32_t selAnchor, std::int32_t selCaret);

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
ChunkFillResult FillChunk(std::span<std::uint8_t, kChunkBytes> out, const ClipView& clip,
                          double pos, std::int32_t end);

// Sample index the play cursor marks for a source frame (doubled for stereo).
std::int64_t CursorSampleIndex(std::int64_t frame, const ClipFormat& format);

// View column of a sample index at the given scroll position and zoom
// factor (indices per column, at least 1): (index - scroll * zoom) / zoom,
// truncating, limited to the int range.
int CursorColumn(std::int64_t sampleIndex, std::int32_t scrollPos, std::int32_t zoom);

}  // namespace zirpel
