#include "cdrom/TrackTable.h"

#include <algorithm>

namespace zirpel {

namespace {

constexpr std::size_t kTocHeaderBytes = 4;
constexpr std::size_t kDescriptorBytes = 8;

std::int32_t GetBE32(const std::uint8_t* p) {
    return static_cast<std::int32_t>((std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                                     (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]});
}

// Two digits at least: a leading "0" for a single character.
std::string TwoDigits(std::int64_t v) {
    std::string s = std::to_string(v);
    return s.size() == 1 ? "0" + s : s;
}

}  // namespace

void ParseToc(const std::uint8_t* reply, std::size_t replySize, TrackTable& table) {
    if (replySize < kTocHeaderBytes) {
        table.FTrackCount = 0;
        return;
    }
    const int first = reply[2];
    const int last = reply[3];
    const std::int64_t inReply =
        static_cast<std::int64_t>((replySize - kTocHeaderBytes) / kDescriptorBytes);
    const std::int64_t wanted = last - first + 2;
    const std::int64_t read =
        std::clamp<std::int64_t>(wanted, 0, std::min<std::int64_t>(inReply, kMaxTocEntries));
    for (std::int64_t i = 0; i < read; ++i) {
        const std::uint8_t* d =
            reply + kTocHeaderBytes + kDescriptorBytes * static_cast<std::size_t>(i);
        table.FTrackStarts[static_cast<std::size_t>(i + 1)] = GetBE32(d + 4);
    }
    table.FTrackCount = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(last - first + 1, 0, std::max<std::int64_t>(read - 1, 0)));
}

std::string ChangeSecText(const TrackTable& table, std::int64_t position) {
    std::int32_t track = 1;
    std::int64_t start = 0;
    const std::int32_t entries = std::clamp<std::int32_t>(table.FTrackCount + 1, 0, kMaxTocEntries);
    for (std::int32_t c = 1; c <= entries; ++c) {
        if (table.FTrackStarts[static_cast<std::size_t>(c)] > position) {
            track = std::max(c - 1, 1);
            start = table.FTrackStarts[static_cast<std::size_t>(track)];
            break;
        }
    }
    const std::int64_t s = (position - start) / kSectorsPerSecond;
    return "Track no. " + std::to_string(track) + " Time " + TwoDigits(s / 60 / 60) + ":" +
           TwoDigits(s / 60 % 60) + ":" + TwoDigits(s % 60) + " s";
}

}  // namespace zirpel
