// Scans a ByteSource in large blocks instead of one byte per read: the
// data start search of the MP3 import crosses whole files of zeros or junk,
// and a virtual read per byte made that crawl (tens of MB/s). Reading a
// block and searching it with memchr runs at memory speed.
//
// A long scan lets the window live: every `pumpEveryBytes` scanned it asks
// its LongTask to let pending events run, and ends when the owner was
// destroyed or a stop was requested.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "clip/LongTask.h"
#include "codec/ByteSource.h"

namespace zirpel {

struct BlockScanLimits {
    // Bytes read per block; tests use tiny blocks to reach the block seams.
    std::size_t blockBytes = std::size_t{1} << 20;
    // How much is scanned between two Pump() calls.
    std::uint64_t pumpEveryBytes = std::uint64_t{16} << 20;
};

class BlockScanner {
public:
    // `task` may be null: the scan then runs to its end uninterrupted.
    BlockScanner(ByteSource& source, LongTask* task, const BlockScanLimits& limits = {});

    // The first position at or after `from` whose byte is not zero; the
    // source's size when the rest is all zero (`from` itself when it lies
    // beyond the end). Empty when the scan was stopped.
    std::optional<std::uint64_t> FirstNonZero(std::uint64_t from);

    // The first position p in [from, last] where source[p] == `lead` and
    // accept(&source[p]) holds for the four bytes at p. Positions without
    // four bytes left are never accepted. Empty when there is none or the
    // scan was stopped (see Stopped()).
    std::optional<std::uint64_t> FirstAccepted(std::uint64_t from, std::uint64_t last,
                                               std::uint8_t lead,
                                               bool (*accept)(const std::uint8_t* four));

    // A Pump() returned false or a stop was requested: the owner wants the
    // scan over. After a false Pump() nothing of the task is touched again.
    bool Stopped() const { return stopped_; }
    // How often Pump() was called (for tests and the benchmark).
    std::uint64_t Pumps() const { return pumps_; }

private:
    // Counts `bytes` as scanned and pumps when another interval is full.
    // Returns false once the scan must end.
    bool Account(std::uint64_t bytes);
    std::uint8_t* Buffer(std::size_t bytes);

    ByteSource& source_;
    LongTask* task_;
    BlockScanLimits limits_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t sincePump_ = 0;
    std::uint64_t pumps_ = 0;
    bool stopped_ = false;
};

// Index of the first non-zero byte of p[0..n), or n when all are zero.
std::size_t FirstNonZeroByte(const std::uint8_t* p, std::size_t n);

}  // namespace zirpel
