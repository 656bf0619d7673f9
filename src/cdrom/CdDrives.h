// The CD drive table and its discovery.
//
// Discovery runs once per program run (the caller keeps the "searched"
// flag). It tries SPTI first: every CD block device /dev/srN that opens,
// named by INQUIRY. Only when that finds no drive does it fall back to the
// ASPI layer (the generic SCSI devices, CD-ROM type 5 at host adapter h,
// target 0..15, LUN 0). The transport chosen then serves the whole run.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cdrom/CdPlatform.h"

namespace zirpel {

inline constexpr int kMaxCdDrives = 32;
// The name of a drive that did not answer INQUIRY.
inline constexpr const char* kUnnamedDrive = "CD-DRIVE";

// One found drive.
struct TCDDriveInfo {
    std::string DeviceName;   // SPTI: the block device ("sr0"); not used with ASPI
    std::uint8_t HaId = 0;    // ASPI: host adapter number
    std::uint8_t Target = 0;  // ASPI: target id 0..15
    std::uint8_t Lun = 0;     // ASPI: logical unit, always 0
    std::string Name;         // product identification (16 bytes as sent) or "CD-DRIVE"
};

// The drives found, in the order found, and the transport for all commands.
struct CdDriveTable {
    bool FUseSPTI = true;
    std::int32_t FCDDriveCount = 0;
    std::array<TCDDriveInfo, kMaxCdDrives> FCDDrives;

    // Adds an entry; false (and nothing added) when the table is full.
    bool Add(TCDDriveInfo drive);
    // The entry at a list index, or null when there is none.
    const TCDDriveInfo* At(int index) const;
};

// Where discovery and the import write their log lines (UTF-8).
using CdLog = std::function<void(const std::string& line)>;

// Fills `table` from scratch, logging the ASPI layer's failures.
void FindAllCDDrives(CdPlatform& platform, CdDriveTable& table, const CdLog& log);

// The drive list's items, UTF-8: with SPTI the device name, ":", a blank and
// the name ("sr0: DVD-ROM XYZ    "); with ASPI the name alone.
std::vector<std::string> DriveItemTexts(const CdDriveTable& table);

// Bytes 16..31 of INQUIRY data, as they are (trailing blanks kept).
std::string ProductIdentification(const std::uint8_t* inquiryData);

}  // namespace zirpel
