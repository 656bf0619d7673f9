#include "view/Selection.h"

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

std::int32_t IndexUnderMouse(std::int32_t x, std::int32_t zoom, std::int32_t scrollPos,
                             std::int32_t n) {
    if (zoom < 1) zoom = 1;
    std::int64_t i = std::int64_t{zoom} * x + std::int64_t{zoom} * scrollPos;
    if (i < 0) i = 0;
    if (i >= n) i = std::int64_t{n} - 1;
    return static_cast<std::int32_t>(i);
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

}  // namespace zirpel
