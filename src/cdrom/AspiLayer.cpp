#include "cdrom/AspiLayer.h"

#include <algorithm>

#include "cdrom/DeviceNames.h"

namespace zirpel {

AspiLayer::AspiLayer(CdPlatform& platform)
    : platform_(platform), request_(std::make_unique<SgRequest>()) {}

bool AspiLayer::Load() {
    if (platform_.PathExists("/proc/scsi/sg")) return true;
    return !NumberedDevices(platform_.DeviceNames(), "sg").empty();
}

std::uint32_t AspiLayer::GetSupportInfo() {
    devices_.clear();
    open_.Reset();
    openIndex_ = -1;
    int adapters = 0;
    for (const std::string& name : NumberedDevices(platform_.DeviceNames(), "sg")) {
        const std::string path = platform_.DeviceFolder() + "/" + name;
        DeviceHandle device(platform_, path);
        sg_scsi_id id{};
        if (!device.valid() || device.Ioctl(SG_GET_SCSI_ID, &id) != 0) continue;
        if (id.host_no < 0 || id.host_no > 254) continue;
        devices_.push_back({id.host_no, id.scsi_id, id.lun, id.scsi_type, path});
        adapters = std::max(adapters, id.host_no + 1);
    }
    if (devices_.empty()) return std::uint32_t{kSrbNoAdapters} << 8;
    return (std::uint32_t{kSrbCompleted} << 8) | static_cast<std::uint32_t>(adapters);
}

std::uint8_t AspiLayer::GetDeviceType(std::uint8_t ha, std::uint8_t target, std::uint8_t lun,
                                      std::uint8_t& deviceType) const {
    for (const Device& d : devices_) {
        if (d.host == ha && d.target == target && d.lun == lun) {
            deviceType = static_cast<std::uint8_t>(d.type);
            return kSrbCompleted;
        }
    }
    return kSrbNoDevice;
}

std::uint8_t AspiLayer::ExecScsiCmd(std::uint8_t ha, std::uint8_t target, std::uint8_t lun,
                                    const CdCommand& command) {
    request_->Build(command);
    int index = -1;
    for (std::size_t i = 0; i < devices_.size(); ++i)
        if (devices_[i].host == ha && devices_[i].target == target && devices_[i].lun == lun) {
            index = static_cast<int>(i);
            break;
        }
    if (index < 0) return kSrbNoDevice;
    if (index != openIndex_ || !open_.valid()) {
        open_ = DeviceHandle(platform_, devices_[static_cast<std::size_t>(index)].path);
        openIndex_ = index;
    }
    if (!open_.valid()) return kSrbNoDevice;
    return request_->Send(open_).succeeded ? kSrbCompleted : kSrbError;
}

}  // namespace zirpel
