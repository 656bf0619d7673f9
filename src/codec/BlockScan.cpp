#include "codec/BlockScan.h"

#include <algorithm>
#include <cstring>

namespace zirpel {

namespace {
// A match needs its lead byte and three more.
constexpr std::size_t kMatchBytes = 4;
}  // namespace

std::size_t FirstNonZeroByte(const std::uint8_t* p, std::size_t n) {
    std::size_t i = 0;
    // 64 bytes per step: one OR over eight words decides a whole step.
    for (; i + 64 <= n; i += 64) {
        std::uint64_t w[8];
        std::memcpy(w, p + i, sizeof w);
        if ((w[0] | w[1] | w[2] | w[3] | w[4] | w[5] | w[6] | w[7]) != 0) break;
    }
    for (; i < n; ++i)
        if (p[i] != 0) return i;
    return n;
}

BlockScanner::BlockScanner(ByteSource& source, LongTask* task, const BlockScanLimits& limits)
    : source_(source), task_(task), limits_(limits) {
    limits_.blockBytes = std::max<std::size_t>(limits_.blockBytes, 1);
    limits_.pumpEveryBytes = std::max<std::uint64_t>(limits_.pumpEveryBytes, 1);
}

std::uint8_t* BlockScanner::Buffer(std::size_t bytes) {
    // Grown on demand only: most files need no scan at all, and a short
    // file never gets a full block.
    if (buffer_.size() < bytes) buffer_.resize(bytes);
    return buffer_.data();
}

bool BlockScanner::Account(std::uint64_t bytes) {
    if (stopped_) return false;
    sincePump_ += bytes;
    if (task_ == nullptr || sincePump_ < limits_.pumpEveryBytes) return true;
    sincePump_ = 0;
    ++pumps_;
    // Pump() first: it is what lets a STOP click arrive. When it reports the
    // owner gone, StopRequested() must not be asked any more.
    if (!task_->Pump() || task_->StopRequested()) stopped_ = true;
    return !stopped_;
}

std::optional<std::uint64_t> BlockScanner::FirstNonZero(std::uint64_t from) {
    if (stopped_) return std::nullopt;
    const std::uint64_t size = source_.size();
    std::uint64_t pos = from;
    while (pos < size) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(limits_.blockBytes, size - pos));
        std::uint8_t* buffer = Buffer(want);
        source_.seek(pos);
        const std::size_t got = source_.read(buffer, want);
        if (got == 0) break;  // the input ended early: the scan stops there
        const std::size_t i = FirstNonZeroByte(buffer, got);
        if (i < got) return pos + i;
        pos += got;
        if (!Account(got)) return std::nullopt;
    }
    return pos;
}

std::optional<std::uint64_t> BlockScanner::FirstAccepted(std::uint64_t from, std::uint64_t last,
                                                         std::uint8_t lead,
                                                         bool (*accept)(const std::uint8_t*)) {
    if (stopped_) return std::nullopt;
    std::uint64_t pos = from;
    while (pos <= last) {
        const std::size_t candidates =
            static_cast<std::size_t>(std::min<std::uint64_t>(limits_.blockBytes - 1, last - pos)) + 1;
        // Each block holds `candidates` start positions plus the three bytes
        // that complete a match starting on its last position.
        const std::size_t want = candidates + kMatchBytes - 1;
        std::uint8_t* buffer = Buffer(want);
        source_.seek(pos);
        const std::size_t got = source_.read(buffer, want);
        // Only positions with all four bytes read can match.
        const std::size_t usable = got >= kMatchBytes ? std::min(candidates, got - (kMatchBytes - 1)) : 0;
        const std::uint8_t* p = buffer;
        const std::uint8_t* const end = buffer + usable;
        while (p < end) {
            const void* hit = std::memchr(p, lead, static_cast<std::size_t>(end - p));
            if (hit == nullptr) break;
            const auto* h = static_cast<const std::uint8_t*>(hit);
            if (accept(h)) return pos + static_cast<std::uint64_t>(h - buffer);
            p = h + 1;
        }
        if (got < want) return std::nullopt;  // the input ended inside this block
        if (last - pos < candidates) return std::nullopt;  // `last` was in this block
        pos += candidates;
        if (!Account(candidates)) return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace zirpel
