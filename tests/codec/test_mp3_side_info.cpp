// The side information the decoding in pieces reads and rewrites, on
// hand-made MPEG-1 stereo and MPEG-2 mono side information.
#include <gtest/gtest.h>

#include <vector>

#include "codec/Mp3SideInfo.h"

using namespace zirpel;

namespace {

// Sets `width` bits at `bit` (most significant first) to `value`.
void Put(std::vector<std::uint8_t>& bytes, int bit, int width, std::uint32_t value) {
    for (int i = 0; i < width; ++i, ++bit) {
        const auto mask = static_cast<std::uint8_t>(0x80u >> (bit % 8));
        if ((value >> (width - 1 - i)) & 1u)
            bytes[static_cast<std::size_t>(bit / 8)] |= mask;
        else
            bytes[static_cast<std::size_t>(bit / 8)] &= static_cast<std::uint8_t>(~mask);
    }
}

struct Layout {
    bool mpeg1;
    int channels;
    int bytes;
    int first;    // where the first granule's first channel begins
    int granule;  // bits per granule and channel
};

}  // namespace

TEST(Mp3SideInfo, FindsTheGranulesWithDataAndRewritesThemAsAsked) {
    for (const Layout l : {Layout{true, 2, 32, 20, 59}, Layout{false, 1, 9, 9, 63}}) {
        SCOPED_TRACE(l.mpeg1 ? "MPEG-1 stereo" : "MPEG-2 mono");
        const int granules = l.mpeg1 ? 2 : 1;
        const unsigned all = (1u << granules) - 1;
        const auto at = [&](int gr, int ch) { return l.first + (gr * l.channels + ch) * l.granule; };
        // Silence: a main data begin, private bits and a global gain, nothing else.
        std::vector<std::uint8_t> silent(static_cast<std::size_t>(l.bytes), 0);
        Put(silent, 0, 8, 0xFF);
        for (int gr = 0; gr < granules; ++gr)
            for (int ch = 0; ch < l.channels; ++ch) Put(silent, at(gr, ch) + 21, 8, 210);
        EXPECT_EQ(Mp3GranulesWithData(silent.data(), l.bytes, l.mpeg1, l.channels), 0u);
        // Cut short, it must not pass for silence.
        EXPECT_EQ(Mp3GranulesWithData(silent.data(), l.bytes - 1, l.mpeg1, l.channels), all);

        // Each field that carries data, in the last granule's last channel.
        const int last = at(granules - 1, l.channels - 1);
        for (const auto& [offset, width] : {std::pair{0, 12}, {12, 9}, {29, l.mpeg1 ? 4 : 9}, {l.mpeg1 ? 33 : 38, 1}}) {
            std::vector<std::uint8_t> data = silent;
            Put(data, last + offset, width, 1);
            EXPECT_EQ(Mp3GranulesWithData(data.data(), l.bytes, l.mpeg1, l.channels), 1u << (granules - 1))
                << "field at " << offset;
            // Silencing that granule takes the data away and leaves the rest.
            const std::vector<std::uint8_t> silenced =
                Mp3SilencedGranule(data.data(), l.bytes, l.mpeg1, l.channels, granules - 1);
            EXPECT_EQ(Mp3GranulesWithData(silenced.data(), l.bytes, l.mpeg1, l.channels), 0u);
            for (int bit = 0; bit < at(granules - 1, 0); ++bit)
                EXPECT_EQ((silenced[bit / 8] >> (7 - bit % 8)) & 1, (data[bit / 8] >> (7 - bit % 8)) & 1) << bit;
        }

        // Refused: window switching with block type 0 in the first granule.
        std::vector<std::uint8_t> blocks = silent;
        Put(blocks, at(0, 0) + (l.mpeg1 ? 34 : 39), 2, 2);  // short blocks
        const std::vector<std::uint8_t> refused = Mp3RefusedSideInfo(blocks.data(), l.bytes, l.mpeg1, l.channels);
        const int flag = at(0, 0) + (l.mpeg1 ? 33 : 38);
        EXPECT_EQ((refused[flag / 8] >> (7 - flag % 8)) & 1, 1);
        for (int bit = flag + 1; bit <= flag + 2; ++bit) EXPECT_EQ((refused[bit / 8] >> (7 - bit % 8)) & 1, 0);
        EXPECT_EQ(Mp3GranulesWithData(refused.data(), l.bytes, l.mpeg1, l.channels), 1u);
    }
}
