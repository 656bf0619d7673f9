// The ASPI layer on Linux: the generic SCSI devices /dev/sgN, addressed by
// host adapter, target and LUN as SG_GET_SCSI_ID reports them (host_no,
// scsi_id, lun). "Loading the layer" means finding the sg driver; the
// support query lists its devices. Commands go through SG_IO on the
// device at the address and return an ASPI completion status.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cdrom/CdCommands.h"
#include "cdrom/CdPlatform.h"
#include "cdrom/SgRequest.h"

namespace zirpel {

// ASPI completion and support statuses.
inline constexpr std::uint8_t kSrbPending = 0x00;
inline constexpr std::uint8_t kSrbCompleted = 0x01;
inline constexpr std::uint8_t kSrbError = 0x04;
inline constexpr std::uint8_t kSrbNoDevice = 0x82;
inline constexpr std::uint8_t kSrbNoAdapters = 0xE8;
inline constexpr std::uint8_t kCdRomDeviceType = 5;
inline constexpr int kTargetsPerAdapter = 16;

class AspiLayer {
public:
    explicit AspiLayer(CdPlatform& platform);
    AspiLayer(const AspiLayer&) = delete;
    AspiLayer& operator=(const AspiLayer&) = delete;

    // True when the sg driver is there: /proc/scsi/sg exists or the device
    // folder holds an sgN node.
    bool Load();
    // Bits 8..15: status (1 = ready, 0xE8 = no host adapter); bits 0..7:
    // the number of host adapters (highest host number + 1).
    std::uint32_t GetSupportInfo();
    // Device query for one address: kSrbCompleted with its peripheral type,
    // or kSrbNoDevice.
    std::uint8_t GetDeviceType(std::uint8_t ha, std::uint8_t target, std::uint8_t lun,
                               std::uint8_t& deviceType) const;
    // Sends `command` to the device at the address, the request built anew.
    // Returns kSrbCompleted, kSrbError or kSrbNoDevice; the data is then in
    // TransferBuffer().
    std::uint8_t ExecScsiCmd(std::uint8_t ha, std::uint8_t target, std::uint8_t lun,
                             const CdCommand& command);
    const std::uint8_t* TransferBuffer() const { return request_->Data(); }
    std::uint8_t* TransferBuffer() { return request_->Data(); }

private:
    struct Device {
        int host = 0, target = 0, lun = 0, type = 0;
        std::string path;
    };

    CdPlatform& platform_;
    std::vector<Device> devices_;
    // The device of the last command stays open for the next one.
    DeviceHandle open_;
    int openIndex_ = -1;
    std::unique_ptr<SgRequest> request_;
};

}  // namespace zirpel
