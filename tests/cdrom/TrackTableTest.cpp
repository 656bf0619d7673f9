// TOC parsing, the position text and the karaoke step.
#include <gtest/gtest.h>

#include <vector>

#include "cdrom/Karaoke.h"
#include "cdrom/TrackTable.h"
#include "cdrom/SimulatedCd.h"
#include "clip/LittleEndian.h"

using zirpel::ChangeSecText;
using zirpel::ParseToc;
using zirpel::TrackTable;

namespace {

TrackTable ExampleTable() {
    zirpel::testing::SimDevice d;  // starts 0, 15000, 30000, 45000, lead-out 60000
    auto toc = zirpel::testing::SimulatedCdPlatform::Toc(d);
    toc.resize(2048);
    TrackTable t;
    ParseToc(toc.data(), toc.size(), t);
    return t;
}

}  // namespace

TEST(Toc, ReadsTrackStartsAndLeadOut) {
    const TrackTable t = ExampleTable();
    EXPECT_EQ(t.FTrackCount, 4);
    EXPECT_EQ(t.FTrackStarts[1], 0);
    EXPECT_EQ(t.FTrackStarts[3], 30000);
    EXPECT_EQ(t.FTrackStarts[5], 60000);

    // Track numbers recorded on the disc do not matter, only the positions.
    zirpel::testing::SimDevice d;
    d.firstTrack = 7;
    d.starts = {150, 99000};
    auto toc = zirpel::testing::SimulatedCdPlatform::Toc(d);
    toc.resize(2048);
    TrackTable one;
    ParseToc(toc.data(), toc.size(), one);
    EXPECT_EQ(one.FTrackCount, 1);
    EXPECT_EQ(one.FTrackStarts[1], 150);
    EXPECT_EQ(one.FTrackStarts[2], 99000);
}

TEST(Toc, ImpossibleHeadersStayInsideReplyAndTable) {
    std::vector<std::uint8_t> toc(2048, 0x01);
    TrackTable t;
    toc[2] = 5;  // last < first - 1: no tracks
    toc[3] = 3;
    ParseToc(toc.data(), toc.size(), t);
    EXPECT_EQ(t.FTrackCount, 0);
    toc[3] = 4;  // last = first - 1: the lead-out alone
    ParseToc(toc.data(), toc.size(), t);
    EXPECT_EQ(t.FTrackCount, 0);

    // 0..255 claims 257 descriptors; the reply holds 255 of them.
    toc[2] = 0;
    toc[3] = 255;
    ParseToc(toc.data(), toc.size(), t);
    EXPECT_EQ(t.FTrackCount, 254);
    EXPECT_EQ(t.FTrackStarts[255], 0x01010101);

    // A short reply limits the descriptors the same way.
    TrackTable s;
    ParseToc(toc.data(), 4 + 8 * 3, s);
    EXPECT_EQ(s.FTrackCount, 2);
    ParseToc(toc.data(), 3, s);
    EXPECT_EQ(s.FTrackCount, 0);
}

TEST(ChangeSec, ShowsTrackAndTimeIntoIt) {
    const TrackTable t = ExampleTable();
    EXPECT_EQ(ChangeSecText(t, 34500), "Track no. 3 Time 00:01:00 s");
    EXPECT_EQ(ChangeSecText(t, 30000), "Track no. 3 Time 00:00:00 s");
    EXPECT_EQ(ChangeSecText(t, 29999), "Track no. 2 Time 00:03:19 s");
    EXPECT_EQ(ChangeSecText(t, 44074), "Track no. 3 Time 00:03:07 s");
    // Past the lead-out: track 1, counted from sector 0.
    EXPECT_EQ(ChangeSecText(t, 60010), "Track no. 1 Time 00:13:20 s");
    EXPECT_EQ(ChangeSecText(TrackTable{}, 75 * 3600 * 11), "Track no. 1 Time 11:00:00 s");
    EXPECT_EQ(ChangeSecText(TrackTable{}, 75 * 3600 * 123), "Track no. 1 Time 123:00:00 s");
}

TEST(Karaoke, TwoThirdsOfTheDifferenceHeldInRange) {
    const std::vector<std::pair<int, int>> in = {
        {1000, -500}, {300, 301}, {32767, -32768}, {-32768, 32767}, {100, 100}, {-7, 0}};
    const std::vector<int> out = {1000, 0, 32767, -32768, 0, -4};
    std::vector<std::uint8_t> block(in.size() * 4 + 3, 0xAB);  // a partial frame at the end
    for (std::size_t i = 0; i < in.size(); ++i) {
        zirpel::PutSample16(block.data() + 4 * i, static_cast<std::int16_t>(in[i].first));
        zirpel::PutSample16(block.data() + 4 * i + 2, static_cast<std::int16_t>(in[i].second));
    }
    zirpel::ApplyKaraoke(block.data(), block.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        EXPECT_EQ(zirpel::GetSample16(block.data() + 4 * i), out[i]) << i;
        EXPECT_EQ(zirpel::GetSample16(block.data() + 4 * i + 2), out[i]) << i;
    }
    EXPECT_EQ(block.back(), 0xAB);
}
