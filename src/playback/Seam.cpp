#include "playback/Seam.h"

#include <algorithm>
#include <cmath>

namespace zirpel {

std::int64_t SeamClip::SourceSampleIndex(std::int64_t frame) const {
    const std::int64_t source = frame < tailFrames ? tailStart + frame : headStart + (frame - tailFrames);
    return FrameToSampleIndex(source, clip.format);
}

SeamClip BuildSeam(const ClipSpan& clip, FrameRange range, double seconds) {
    SeamClip seam;
    seam.clip.format = clip.format;
    const std::int64_t frames = clip.frames();
    const std::int64_t start = std::clamp<std::int64_t>(std::min(range.start, range.end), 0, frames);
    const std::int64_t end = std::clamp<std::int64_t>(std::max(range.start, range.end), start, frames);
    const std::int64_t length = end - start;
    if (length == 0) return seam;
    const double wanted = std::floor(std::max(seconds, 0.0) * clip.format.sampleRate);
    const std::int64_t part = std::min<std::int64_t>(length, static_cast<std::int64_t>(std::min(wanted, 1e12)));
    const std::int64_t e = FrameBytes(clip.format);
    seam.tailStart = end - part;
    seam.tailFrames = part;
    seam.headStart = start;
    const std::uint8_t* tail = clip.data + seam.tailStart * e;
    const std::uint8_t* head = clip.data + start * e;
    seam.clip.bytes.reserve(static_cast<std::size_t>(2 * part * e));
    seam.clip.bytes.insert(seam.clip.bytes.end(), tail, tail + part * e);
    seam.clip.bytes.insert(seam.clip.bytes.end(), head, head + part * e);
    return seam;
}

}  // namespace zirpel
