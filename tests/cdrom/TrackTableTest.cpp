// TOC parsing, the position text and the karaoke step.
#include <gtest/gtest.h>

#include "cdrom/Karaoke.h"
#include "cdrom/SimulatedCd.h"
#include "cdrom/TrackTable.h"

using zirpel::ChangeSecText;
using zirpel::ParseToc;
using zirpel::TrackTable;

namespace {

TrackTable TableOf(const zirpel::testing::SimDevice& d) {
    auto toc = zirpel::testing::SimulatedCdPlatform::Toc(d);
    toc.resize(2048);
    TrackTable t;
    ParseToc(toc.data(), toc.size(), t);
    return t;
}

}  // namespace

TEST(Toc, ReadsTrackStartsAndLeadOut) {
    const TrackTable t = TableOf({});  // 0, 15000, 30000, 45000, lead-out 60000
    EXPECT_EQ(t.FTrackCount, 4);
    EXPECT_EQ(std::vector<std::int32_t>(t.FTrackStarts.begin() + 1, t.FTrackStarts.begin() + 6),
              (std::vector<std::int32_t>{0, 15000, 30000, 45000, 60000}));
    // The numbers recorded on the disc do not matter, only the positions.
    zirpel::testing::SimDevice d;
    d.firstTrack = 7;
    d.starts = {150, 99000};
    EXPECT_EQ(TableOf(d).FTrackCount, 1);
    EXPECT_EQ(TableOf(d).FTrackStarts[2], 99000);
}

TEST(Toc, ImpossibleHeadersStayInsideReplyAndTable) {
    std::vector<std::uint8_t> toc(2048, 0x01);
    TrackTable t;
    for (auto [first, last, count] : {std::tuple{5, 3, 0}, {5, 4, 0}, {0, 255, 254}}) {
        toc[2] = static_cast<std::uint8_t>(first);
        toc[3] = static_cast<std::uint8_t>(last);
        ParseToc(toc.data(), toc.size(), t);
        EXPECT_EQ(t.FTrackCount, count) << first << ".." << last;
    }
    EXPECT_EQ(t.FTrackStarts[255], 0x01010101);  // 0..255 claims 257 entries; 255 fit the reply
    ParseToc(toc.data(), 4 + 8 * 3, t);          // a short reply limits the same way
    EXPECT_EQ(t.FTrackCount, 2);
    ParseToc(toc.data(), 3, t);
    EXPECT_EQ(t.FTrackCount, 0);
}

TEST(ChangeSec, ShowsTrackAndTimeIntoIt) {
    const TrackTable t = TableOf({});
    EXPECT_EQ(ChangeSecText(t, 34500), "Track no. 3 Time 00:01:00 s");
    EXPECT_EQ(ChangeSecText(t, 30000), "Track no. 3 Time 00:00:00 s");
    EXPECT_EQ(ChangeSecText(t, 29999), "Track no. 2 Time 00:03:19 s");
    EXPECT_EQ(ChangeSecText(t, 60010), "Track no. 1 Time 00:13:20 s");  // past the lead-out
    EXPECT_EQ(ChangeSecText(TrackTable{}, 75 * 3600 * 123), "Track no. 1 Time 123:00:00 s");
}

TEST(Karaoke, TwoThirdsOfTheDifferenceHeldInRange) {
    const std::vector<std::array<int, 3>> frames = {// left, right, result
                                                    {1000, -500, 1000},
                                                    {300, 301, 0},
                                                    {32767, -32768, 32767},
                                                    {-32768, 32767, -32768},
                                                    {-7, 0, -4}};
    std::vector<std::uint8_t> block(frames.size() * 4 + 3, 0xAB);  // and a partial frame
    for (std::size_t i = 0; i < frames.size(); ++i) {
        zirpel::PutSample16(block.data() + 4 * i, static_cast<std::int16_t>(frames[i][0]));
        zirpel::PutSample16(block.data() + 4 * i + 2, static_cast<std::int16_t>(frames[i][1]));
    }
    zirpel::ApplyKaraoke(block.data(), block.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(zirpel::GetSample16(block.data() + 4 * i), frames[i][2]) << i;
        EXPECT_EQ(zirpel::GetSample16(block.data() + 4 * i + 2), frames[i][2]) << i;
    }
    EXPECT_EQ(block.back(), 0xAB);
}
