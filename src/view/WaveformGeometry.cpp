#include "view/WaveformGeometry.h"

#include <algorithm>
#include <limits>

#include "clip/LittleEndian.h"

namespace zirpel {

std::int32_t ColumnOfIndex(std::int32_t index, std::int32_t zoom, std::int32_t scrollPos) {
    if (zoom < 1) zoom = 1;
    const std::int64_t column = (std::int64_t{index} - std::int64_t{zoom} * scrollPos) / zoom;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        column, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::int32_t SampleY16(std::int16_t s, std::int32_t height) {
    return static_cast<std::int32_t>(std::int64_t{s} * (std::int64_t{height} - 1) / 65536 +
                                     height / 2);
}

std::int32_t SampleY8(std::uint8_t b, std::int32_t height) {
    return static_cast<std::int32_t>(std::int64_t{b} * (std::int64_t{height} - 1) / 255);
}

WaveformGeometry ComputeWaveform(const ClipSpan& clip, const Selection& sel, const ViewPosition& view) {
    const std::int32_t zoom = std::max(view.zoom, 1);
    const std::int32_t scrollPos = view.scrollPos, width = view.width, height = view.height;
    const std::uint8_t* data = clip.data;
    const std::int32_t size = clip.empty() ? 0 : clip.size;
    const ClipFormat& f = clip.format;

    WaveformGeometry g;
    g.sizeLabel = std::to_string(size / 1024) + " KBytes";

    const std::int32_t a = ColumnOfIndex(sel.anchor, zoom, scrollPos);
    const std::int32_t c = ColumnOfIndex(sel.caret, zoom, scrollPos);
    g.anchorColumn = a;
    g.hasBand = a != c;
    g.bandLeft = std::min(a, c);
    g.bandRight = std::max(a, c);

    // Only whole samples are shown (a 16-bit clip's odd last byte is not one).
    const std::int64_t n = SampleIndexCount(size, f);
    if (width <= 0 || n == 0) return g;

    // Index of column x is zoom * (scrollPos + x); the columns showing a
    // sample are those with 0 <= index < n. Work out that x range directly
    // so the loop touches only visible columns.
    const std::int64_t firstIndex = std::int64_t{zoom} * scrollPos;
    std::int64_t xFrom = 0;
    if (firstIndex < 0) xFrom = (-firstIndex + zoom - 1) / zoom;  // ceil
    std::int64_t xTo = width;                                     // exclusive
    if (firstIndex >= n) {
        xTo = 0;
    } else {
        xTo = std::min<std::int64_t>(xTo, (n - firstIndex + zoom - 1) / zoom);
    }
    if (xFrom >= xTo) return g;

    g.lineTo.reserve(static_cast<std::size_t>(xTo - xFrom));
    for (std::int64_t x = xFrom; x < xTo; ++x) {
        const std::int64_t i = firstIndex + std::int64_t{zoom} * x;
        std::int32_t y;
        if (f.is16Bit) {
            y = SampleY16(GetSample16(data + 2 * i), height);
        } else {
            y = SampleY8(data[i], height);
        }
        g.lineTo.push_back(ViewPoint{static_cast<std::int32_t>(x), y});
    }
    return g;
}

}  // namespace zirpel
