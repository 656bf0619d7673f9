// SPTI on Linux: SG_IO on the drive's block device (/dev/srN), one device
// descriptor for the whole import run.
#pragma once

#include <string>

#include "cdrom/CdPlatform.h"
#include "cdrom/CdTransport.h"
#include "cdrom/SgRequest.h"

namespace zirpel {

class SptiTransport final : public CdTransport {
public:
    // Opens `path`; check IsOpen() before sending anything.
    SptiTransport(CdPlatform& platform, const std::string& path);

    bool IsOpen() const { return device_.valid(); }

    CommandResult Execute(const CdCommand& command) override;
    // Builds the READ CD record once: zero-filled, header and command block
    // set, the data area filled with 0xFF.
    void PrepareRead() override;
    // Rewrites the four address bytes and sends the record as it stands.
    CommandResult ReadAt(std::uint32_t lba) override;
    std::uint8_t* Data() override { return request_.Data(); }

    const SgRequest& Request() const { return request_; }

private:
    DeviceHandle device_;
    SgRequest request_;
};

}  // namespace zirpel
