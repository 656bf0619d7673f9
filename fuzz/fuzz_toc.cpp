// libFuzzer target: the table-of-contents parse on an arbitrary READ TOC
// reply of any length, and the position text for positions around every
// start the reply gave. The parse must stay inside the reply and the
// table, every track it accepts must have its start and its end from the
// reply, and the text must keep its form.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cdrom/TrackTable.h"

using namespace zirpel;

namespace {

// "Track no. N Time H:M:S s" with 1 <= N <= max(count, 1). (A TOC whose
// starts go backwards may show a negative time; that is what its table
// says, and only the form is checked.)
bool WellFormed(const std::string& text, std::int32_t count) {
    int track = 0, used = 0;
    long long h = 0, m = 0, s = 0;
    if (std::sscanf(text.c_str(), "Track no. %d Time %lld:%lld:%lld s%n", &track, &h, &m, &s,
                    &used) != 4 ||
        static_cast<std::size_t>(used) != text.size())
        return false;
    return track >= 1 && track <= std::max(count, 1) && m > -60 && m < 60 && s > -60 && s < 60;
}

std::int32_t BE32(const std::uint8_t* p) {
    return static_cast<std::int32_t>((std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                                     (std::uint32_t{p[2]} << 8) | p[3]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The reply in a buffer of its own size, so reading past it is caught.
    TrackTable table;
    table.FTrackCount = 77;  // an earlier disc's count must not survive
    ParseToc(data, size, table);
    if (table.FTrackCount < 0 || table.FTrackCount >= kMaxTocEntries) std::abort();
    if (size < 4) {
        if (table.FTrackCount != 0) std::abort();
        return 0;
    }
    const int first = data[2], last = data[3];
    if (table.FTrackCount > std::max(last - first + 1, 0)) std::abort();
    for (std::int32_t t = 1; t <= table.FTrackCount + 1 && table.FTrackCount > 0; ++t) {
        const std::size_t at = 4 + 8 * static_cast<std::size_t>(t - 1) + 4;
        if (at + 4 > size) std::abort();  // a start taken from outside the reply
        if (table.FTrackStarts[static_cast<std::size_t>(t)] != BE32(data + at)) std::abort();
    }

    // Positions the read loop can show: from a start up to 2^32 + 10.
    const std::int64_t limit = (std::int64_t{1} << 32) + 10;
    for (std::int32_t t = 0; t <= table.FTrackCount + 1; ++t) {
        const std::int64_t start = table.FTrackStarts[static_cast<std::size_t>(t)];
        for (const std::int64_t p : {start - 1, start, start + 1, start + 4499, limit}) {
            if (p < 0 || p > limit) continue;
            if (!WellFormed(ChangeSecText(table, p), table.FTrackCount)) std::abort();
        }
    }
    return 0;
}
