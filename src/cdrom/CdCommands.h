// The three SCSI/MMC commands the CD import sends, all data-in: INQUIRY
// (drive name), READ TOC/PMA/ATIP format 0 with LBA addresses (track
// starts) and READ CD of 10 raw 2352-byte sectors (the audio itself).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zirpel {

// One data-in command: its descriptor block, the bytes the drive may send
// back, and how long the drive may take before the call gives up.
struct CdCommand {
    std::array<std::uint8_t, 16> cdb{};  // unused bytes stay 0
    std::uint8_t cdbLength = 0;          // 6, 10 or 12
    std::uint32_t transferLength = 0;
    std::uint32_t timeoutSeconds = 0;
};

inline constexpr std::uint32_t kRawSectorBytes = 2352;
inline constexpr std::uint32_t kSectorsPerRead = 10;
inline constexpr std::uint32_t kReadBytes = kRawSectorBytes * kSectorsPerRead;  // 23520
// Data area of a request: one read plus one byte.
inline constexpr std::uint32_t kDataAreaBytes = kReadBytes + 1;
inline constexpr std::uint32_t kTocBytes = 2048;
inline constexpr std::uint32_t kInquiryBytes = 255;
// Sense bytes a drive may return per command.
inline constexpr std::uint8_t kSenseBytes = 24;

// INQUIRY, allocation length 255, 2 s.
CdCommand InquiryCommand();
// READ TOC/PMA/ATIP, format 0, LBA, from track 0, 2048 bytes, 2 s.
CdCommand ReadTocCommand();
// READ CD of 10 sectors of any type, user data only, no sub-channel, 200 s.
CdCommand ReadCdCommand(std::uint32_t lba);
// Writes the start sector into bytes 2..5 of a READ CD block, most
// significant byte first: all a read round changes.
void SetReadCdAddress(std::uint8_t* cdb, std::uint32_t lba);

// Product identification of INQUIRY data: bytes 16..31 as they are.
inline constexpr std::size_t kProductIdOffset = 16;
inline constexpr std::size_t kProductIdLength = 16;

}  // namespace zirpel
