#include "clip/Selection.h"

#include <algorithm>

namespace zirpel {
namespace {

// Orders and clamps a byte range into 0..size.
ByteRange Sanitize(std::int32_t size, ByteRange r) {
    size = std::max(size, 0);
    r.from = std::clamp(r.from, 0, size);
    r.to = std::clamp(r.to, r.from, size);
    return r;
}

}  // namespace

std::optional<ByteRange> SelectedBytes(const Selection& sel, std::int32_t size, const ClipFormat& f) {
    if (sel.empty()) return std::nullopt;
    const auto a = static_cast<std::uint32_t>(sel.anchor);
    const auto c = static_cast<std::uint32_t>(sel.caret);
    const auto n = static_cast<std::uint32_t>(std::max(SampleIndexCount(size, f), 0));
    std::uint32_t lo = std::min({a, c, n});
    std::uint32_t hi = std::min(std::max(a, c), n);
    if (f.stereo) {
        lo /= 2;
        hi /= 2;
    }
    // hi * e never exceeds size: n is size for 8-bit, size / 2 for 16-bit,
    // and stereo halves the index before the frame size doubles it again.
    const auto e = static_cast<std::uint32_t>(FrameBytes(f));
    return ByteRange{static_cast<std::int32_t>(lo * e), static_cast<std::int32_t>(hi * e)};
}

Clip CropBytes(const ClipSpan& clip, ByteRange r) {
    if (clip.empty()) return Clip({}, clip.format);
    r = Sanitize(clip.size, r);
    return Clip(std::vector<std::uint8_t>(clip.data + r.from, clip.data + r.to), clip.format);
}

Clip CutBytes(const ClipSpan& clip, ByteRange r) {
    if (clip.empty()) return Clip({}, clip.format);
    r = Sanitize(clip.size, r);
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(clip.size - r.Length()));
    out.insert(out.end(), clip.data, clip.data + r.from);
    out.insert(out.end(), clip.data + r.to, clip.data + clip.size);
    return Clip(std::move(out), clip.format);
}

FrameRange PlayFrames(const Selection& sel, std::int32_t frames, const ClipFormat& f) {
    if (sel.empty()) return {0, frames};
    FrameRange r{std::min(sel.anchor, sel.caret), std::max(sel.anchor, sel.caret)};
    if (f.stereo) {
        r.start /= 2;
        r.end /= 2;
    }
    return r;
}

EffectRange EffectFrames(const Selection& sel, std::int32_t frames, const ClipFormat& f) {
    const auto n = static_cast<std::uint32_t>(std::max(frames, 0));
    if (sel.empty()) return {0, n};
    const auto a = static_cast<std::uint32_t>(sel.anchor);
    const auto c = static_cast<std::uint32_t>(sel.caret);
    EffectRange r{std::min(a, c), std::max(a, c)};
    if (f.stereo) {
        r.lo /= 2;
        r.hi /= 2;
    }
    r.lo = std::min(r.lo, n);
    r.hi = std::min(r.hi, n);
    return r;
}

}  // namespace zirpel
