// The disc's table of contents as the import keeps it: the start sector of
// every TOC entry (the tracks, then the lead-out), and the position text
// shown while a track is read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zirpel {

inline constexpr int kMaxTocEntries = 256;
inline constexpr std::int32_t kSectorsPerSecond = 75;

struct TrackTable {
    // Indexed from 1, in TOC order; the entry after the last track is the
    // lead-out. Entry 0 is not used.
    std::array<std::int32_t, kMaxTocEntries + 1> FTrackStarts{};
    std::int32_t FTrackCount = 0;
};

// Reads a READ TOC (format 0, LBA) reply: byte 2 the first track number F,
// byte 3 the last L, then L - F + 2 descriptors of 8 bytes from byte 4,
// each with a big-endian start sector at its bytes 4..7. Only descriptors
// that lie wholly inside the reply and fit the table are read, and the
// track count never exceeds the descriptors read minus one, so every
// accepted track has its start and its end from this reply. A TOC with
// L < F - 1 gives no tracks.
void ParseToc(const std::uint8_t* reply, std::size_t replySize, TrackTable& table);

// The position label for a sector position: "Track no. 3 Time 00:01:00 s".
// The track is the one before the first entry that starts after the
// position (at least 1); with no such entry it is track 1 from sector 0.
std::string ChangeSecText(const TrackTable& table, std::int64_t position);

}  // namespace zirpel
