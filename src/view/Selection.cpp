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

std::optional<ByteRange> SelectedBytes(std::int32_t anchor, std::int32_t caret, std::int32_t size,
                                       const ClipFormat& f) {
    if (anchor == caret) return std::nullopt;
    const auto a = static_cast<std::uint32_t>(anchor);
    const auto c = static_cast<std::uint32_t>(caret);
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

std::vector<std::uint8_t> CropBytes(const std::uint8_t* data, std::int32_t size, ByteRange r) {
    r = Sanitize(size, r);
    if (data == nullptr) return {};
    return std::vector<std::uint8_t>(data + r.from, data + r.to);
}

std::vector<std::uint8_t> CutBytes(const std::uint8_t* data, std::int32_t size, ByteRange r) {
    r = Sanitize(size, r);
    if (data == nullptr) return {};
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(size - r.Length()));
    out.insert(out.end(), data, data + r.from);
    out.insert(out.end(), data + r.to, data + size);
    return out;
}

}  // namespace zirpel
