// Karaoke mode: removes what both channels share (usually the voice) by
// putting two thirds of the difference left - right into both channels.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zirpel {

// On the whole frames of 16-bit little-endian stereo data, in place:
// v = (2 * (left - right)) / 3, truncated toward zero and held within
// -32768..32767 (so a loud passage saturates instead of wrapping into a
// full-scale click), stored in both channels.
void ApplyKaraoke(std::uint8_t* data, std::size_t bytes);

}  // namespace zirpel
