// One SG_IO request record: the header the kernel reads and fills, the
// command block, the sense area and the data area, in one object that the
// header points into (so it can be neither copied nor moved).
//
// Built for a command it is zero-filled first, like every request. The read
// loop builds one record for READ CD and reuses it: each round rewrites the
// four address bytes of the command block and hands the header over as the
// previous request left it (the kernel does not change its data length).
#pragma once

#include <scsi/sg.h>

#include <array>
#include <cstdint>
#include <vector>

#include "cdrom/CdCommands.h"
#include "cdrom/CdPlatform.h"
#include "cdrom/CdTransport.h"

namespace zirpel {

class SgRequest {
public:
    SgRequest();
    SgRequest(const SgRequest&) = delete;
    SgRequest& operator=(const SgRequest&) = delete;

    // Zero-fills header, command block, sense and data area, then sets the
    // header up for `command` (data in, 24 sense bytes, time-out in ms).
    void Build(const CdCommand& command);
    // Fills the data area with `value` (READ CD record: 0xFF).
    void FillData(std::uint8_t value);
    std::uint8_t* Cdb() { return cdb_.data(); }

    // Sends the record through SG_IO. The result succeeded when the call
    // worked and the SCSI status is 0.
    CommandResult Send(const DeviceHandle& device);

    const std::uint8_t* Data() const { return data_.data(); }
    std::uint8_t* Data() { return data_.data(); }
    const sg_io_hdr& Header() const { return hdr_; }

private:
    sg_io_hdr hdr_{};
    std::array<std::uint8_t, 16> cdb_{};
    std::array<std::uint8_t, 32> sense_{};
    std::vector<std::uint8_t> data_;
};

// True when the SG_IO call itself worked: the ioctl returned 0 and neither
// the host adapter nor the driver reported a transport problem (the
// driver's "sense data present" flag alone is no problem).
bool SgCallWorked(int ioctlResult, const sg_io_hdr& hdr);

}  // namespace zirpel
