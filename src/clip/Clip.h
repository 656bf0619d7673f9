// The audio clip as one value: its bytes and their format.
//
// `Clip` owns the bytes. `ClipSpan` and `MutableClipSpan` look at bytes that
// someone else owns (the main window's fields, a Clip, a test's buffer):
// readers take a ClipSpan, in-place effects a MutableClipSpan. A span never
// outlives what it looks at, and nothing keeps one across a command.
#pragma once

#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "clip/ClipFormat.h"

namespace zirpel {

// The largest clip: its byte count must fit the signed 32-bit size field.
inline constexpr std::int64_t kMaxClipBytes = std::numeric_limits<std::int32_t>::max();

// Read access to a clip's bytes.
struct ClipSpan {
    const std::uint8_t* data = nullptr;  // may be null when size is 0
    std::int32_t size = 0;               // bytes
    ClipFormat format;

    bool empty() const { return data == nullptr || size <= 0; }
    // Whole frames (0 without data).
    std::int32_t frames() const { return empty() ? 0 : FrameCount(size, format); }
    // Sample indices (0 without data).
    std::int32_t indices() const { return empty() ? 0 : SampleIndexCount(size, format); }
};

// Write access to a clip's bytes; the size and the format stay as they are.
struct MutableClipSpan {
    std::uint8_t* data = nullptr;
    std::int32_t size = 0;
    ClipFormat format;

    bool empty() const { return data == nullptr || size <= 0; }
    std::int32_t frames() const { return empty() ? 0 : FrameCount(size, format); }
    operator ClipSpan() const { return {data, size, format}; }
};

// An owned clip: what Open, crop, cut, the crossfade, the format change and
// the CD import build and hand to the main window as a whole.
struct Clip {
    std::vector<std::uint8_t> bytes;
    ClipFormat format;

    Clip() = default;
    Clip(std::vector<std::uint8_t> b, const ClipFormat& f) : bytes(std::move(b)), format(f) {}

    std::int32_t size() const { return static_cast<std::int32_t>(bytes.size()); }
    ClipSpan span() const { return {bytes.empty() ? nullptr : bytes.data(), size(), format}; }
    MutableClipSpan mutableSpan() { return {bytes.empty() ? nullptr : bytes.data(), size(), format}; }
};

}  // namespace zirpel
