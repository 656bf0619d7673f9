#include "codec/Mp3SideInfo.h"

namespace zirpel {
namespace {

// Reads bits most significant first; past the end it reads ones, so that
// cut side information never looks empty.
class Bits {
public:
    Bits(const std::uint8_t* data, int bytes) : data_(data), bits_(bytes * 8) {}
    std::uint32_t Take(int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i, ++at_) {
            const bool bit = at_ >= bits_ || ((data_[at_ / 8] >> (7 - at_ % 8)) & 1u) != 0;
            v = (v << 1) | (bit ? 1u : 0u);
        }
        return v;
    }
    int At() const { return at_; }

private:
    const std::uint8_t* data_;
    int bits_;
    int at_ = 0;
};

// Main data begin, private bits and (MPEG-1) scale factor selection.
int FrameFieldsBits(bool mpeg1, int channels) {
    return mpeg1 ? 9 + (channels == 1 ? 5 : 3) + 4 * channels : 8 + channels;
}

// The side information of one granule and channel.
int GranuleBits(bool mpeg1) { return mpeg1 ? 59 : 63; }

void SetBit(std::vector<std::uint8_t>& bytes, int bit, bool on) {
    const auto at = static_cast<std::size_t>(bit / 8);
    if (at >= bytes.size()) return;
    const auto mask = static_cast<std::uint8_t>(0x80u >> (bit % 8));
    bytes[at] = static_cast<std::uint8_t>(on ? bytes[at] | mask : bytes[at] & ~mask);
}

}  // namespace

unsigned Mp3GranulesWithData(const std::uint8_t* side, int sideInfoBytes, bool mpeg1, int channels) {
    const int granules = mpeg1 ? 2 : 1;
    if (channels < 1 || channels > 2) return (1u << granules) - 1;
    Bits bits(side, sideInfoBytes);
    bits.Take(FrameFieldsBits(mpeg1, channels));
    unsigned withData = 0;
    for (int gr = 0; gr < granules; ++gr) {
        for (int ch = 0; ch < channels; ++ch) {
            const std::uint32_t part23 = bits.Take(12);
            const std::uint32_t bigValues = bits.Take(9);
            bits.Take(8);  // global gain
            const std::uint32_t scalefacCompress = bits.Take(mpeg1 ? 4 : 9);
            const std::uint32_t windowSwitching = bits.Take(1);
            bits.Take(GranuleBits(mpeg1) - (12 + 9 + 8 + (mpeg1 ? 4 : 9) + 1));  // tables, regions, flags
            if (part23 != 0 || bigValues != 0 || scalefacCompress != 0 || windowSwitching != 0)
                withData |= 1u << gr;
        }
    }
    if (bits.At() > sideInfoBytes * 8) withData = (1u << granules) - 1;
    return withData;
}

std::vector<std::uint8_t> Mp3RefusedSideInfo(const std::uint8_t* side, int sideInfoBytes, bool mpeg1,
                                             int channels) {
    std::vector<std::uint8_t> out(side, side + sideInfoBytes);
    // The window switching flag follows part2_3_length, big_values, global
    // gain and the scale factor compression; the block type follows it.
    const int flag = FrameFieldsBits(mpeg1, channels) + 12 + 9 + 8 + (mpeg1 ? 4 : 9);
    SetBit(out, flag, true);
    SetBit(out, flag + 1, false);
    SetBit(out, flag + 2, false);
    return out;
}

std::vector<std::uint8_t> Mp3SilencedGranule(const std::uint8_t* side, int sideInfoBytes, bool mpeg1,
                                             int channels, int granule) {
    std::vector<std::uint8_t> out(side, side + sideInfoBytes);
    const int from = FrameFieldsBits(mpeg1, channels) + granule * channels * GranuleBits(mpeg1);
    for (int bit = from; bit < from + channels * GranuleBits(mpeg1); ++bit) SetBit(out, bit, false);
    return out;
}

}  // namespace zirpel
