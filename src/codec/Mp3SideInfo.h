// Reading and changing the side information of an MPEG audio Layer III
// frame, as far as the decoding in pieces needs it: which granules carry
// audio data a decoder could give up on, a form of the side information
// that a decoder must refuse, and one with a granule silenced.
#pragma once

#include <cstdint>
#include <vector>

namespace zirpel {

// The granules of `side` (`sideInfoBytes` long, after header and CRC) that
// carry audio data in any channel, as bits (bit g for granule g; MPEG-1
// has two granules, MPEG-2 and 2.5 one). A granule without any (no Huffman
// data, no scale factors, no big values, long blocks) decodes as silence
// plus what the granules before it left in the filter bank: a decoder has
// nothing in it to give up on. Side information cut short counts as data.
unsigned Mp3GranulesWithData(const std::uint8_t* side, int sideInfoBytes, bool mpeg1, int channels);

// `side` with the first granule's first channel switching windows with
// block type 0, which the standard does not allow: a decoder refuses the
// frame and fills it with silence without running its filter bank.
std::vector<std::uint8_t> Mp3RefusedSideInfo(const std::uint8_t* side, int sideInfoBytes, bool mpeg1,
                                             int channels);

// `side` with every channel's side information of `granule` cleared: that
// granule decodes as silence, the others as before.
std::vector<std::uint8_t> Mp3SilencedGranule(const std::uint8_t* side, int sideInfoBytes, bool mpeg1,
                                             int channels, int granule);

}  // namespace zirpel
