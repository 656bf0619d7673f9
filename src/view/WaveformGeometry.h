// Everything the waveform view's repaint needs, computed without any
// toolkit: the size label, the selection band, the anchor line's column and
// the polyline of the waveform. The window only draws what this returns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "clip/Clip.h"
#include "clip/Selection.h"

namespace zirpel {

struct ViewPoint {
    std::int32_t x;
    std::int32_t y;
    bool operator==(const ViewPoint&) const = default;
};

struct WaveformGeometry {
    std::string sizeLabel;                     // size div 1024 + " KBytes"
    bool hasBand = false;                      // anchor column != caret column
    std::int32_t bandLeft = 0, bandRight = 0;  // min/max of the two columns (right exclusive)
    std::int32_t anchorColumn = 0;             // where the vertical anchor line goes
    ViewPoint start{0, 128};                   // the pen starts here (fixed y 128)
    std::vector<ViewPoint> lineTo;             // one point per column inside the clip, in column order
};

// Column of sample index `index` in the view: (index - zoom * scrollPos) div zoom.
// Computed in 64-bit and clamped to the 32-bit range. It equals the 32-bit
// result whenever zoom * scrollPos fits in 32 bits, which holds for every
// position the scroll bar allows (its maximum is at most n div zoom).
std::int32_t ColumnOfIndex(std::int32_t index, std::int32_t zoom, std::int32_t scrollPos);

// Screen y of a sample value in a view `height` pixels high. Larger values
// lie lower. 16-bit: (s * (height - 1)) div 65536 + height div 2;
// 8-bit: (b * (height - 1)) div 255. Divisions truncate toward zero.
std::int32_t SampleY16(std::int16_t s, std::int32_t height);
std::int32_t SampleY8(std::uint8_t b, std::int32_t height);

// Where the view stands: sample indices per column (at least 1 is used),
// first visible column, and the view's size in pixels.
struct ViewPosition {
    std::int32_t zoom = 1;
    std::int32_t scrollPos = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Computes the view for columns 0..width-1. Column x shows the one sample
// value at index zoom * (scrollPos + x) (point sampling; in a stereo clip
// even indices are left, odd ones right). Columns past the clip's end get no
// point. A zoom below 1 counts as 1. A 16-bit clip of odd size has
// size div 2 indices: the dangling last byte is never read.
WaveformGeometry ComputeWaveform(const ClipSpan& clip, const Selection& sel, const ViewPosition& view);

}  // namespace zirpel
