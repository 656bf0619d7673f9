// One way of carrying commands to the chosen CD drive for one import run.
//
// Two transports exist: SPTI (the drive's block device /dev/srN, SG_IO on
// it) and ASPI (the generic SCSI device /dev/sgN with the drive's host,
// target and LUN). The run sends single commands with Execute and the reads
// with PrepareRead + ReadAt; the data of a successful command stays in the
// transport's data area (Data()) until the next command.
#pragma once

#include <cstdint>

#include "cdrom/CdCommands.h"

namespace zirpel {

struct CommandResult {
    bool succeeded = false;
    // SPTI: the SCSI status byte. ASPI: the completion status (1 = done
    // without error).
    std::uint8_t status = 0;
    // SPTI: bytes 2, 12 and 13 of the sense data (sense key byte, ASC, ASCQ).
    std::uint8_t senseKey = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
};

class CdTransport {
public:
    virtual ~CdTransport() = default;

    // Builds the request for `command` afresh and sends it.
    virtual CommandResult Execute(const CdCommand& command) = 0;
    // Sets up the READ CD request of the read loop (address 0 for now).
    virtual void PrepareRead() = 0;
    // Sends the prepared READ CD for 10 sectors at `lba`.
    virtual CommandResult ReadAt(std::uint32_t lba) = 0;
    // The data area: what the last successful command delivered. The read
    // loop's karaoke step works on it in place.
    virtual std::uint8_t* Data() = 0;
};

}  // namespace zirpel
