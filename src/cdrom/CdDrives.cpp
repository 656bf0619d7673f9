#include "cdrom/CdDrives.h"

#include <memory>
#include <utility>

#include "cdrom/AspiLayer.h"
#include "cdrom/CdCommands.h"
#include "cdrom/CdTexts.h"
#include "cdrom/DeviceNames.h"
#include "cdrom/SgRequest.h"

namespace zirpel {

namespace {

// INQUIRY bytes are single-byte characters; each becomes one character of
// the item text.
std::string Latin1ToUtf8(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// INQUIRY on an open block device: the product identification, or "CD-DRIVE".
std::string SptiDriveName(const DeviceHandle& device) {
    auto request = std::make_unique<SgRequest>();
    request->Build(InquiryCommand());
    if (!request->Send(device).succeeded) return kUnnamedDrive;
    return ProductIdentification(request->Data());
}

// SPTI phase: every CD block device that opens, named by INQUIRY.
void FindSptiDrives(CdPlatform& platform, CdDriveTable& table) {
    for (const std::string& name : NumberedDevices(platform.DeviceNames(), "sr")) {
        if (table.FCDDriveCount >= kMaxCdDrives) return;
        DeviceHandle device(platform, platform.DeviceFolder() + "/" + name);
        if (!device.valid()) continue;
        TCDDriveInfo drive;
        drive.DeviceName = name;
        drive.Name = SptiDriveName(device);
        table.Add(std::move(drive));
    }
}

// ASPI phase: CD-ROM devices at host adapter h, target 0..15, LUN 0.
void FindAspiDrives(CdPlatform& platform, CdDriveTable& table, const CdLog& log) {
    AspiLayer layer(platform);
    if (!layer.Load()) {
        log(AspiNotLoadedLine());
        return;
    }
    const std::uint32_t info = layer.GetSupportInfo();
    const std::uint8_t status = static_cast<std::uint8_t>(info >> 8);
    if (status != kSrbCompleted && status != kSrbNoDevice) {
        log(AspiNotInitializedLine());
        return;
    }
    const int adapters = static_cast<int>(info & 0xFF);
    for (int h = 0; h < adapters; ++h) {
        for (int t = 0; t < kTargetsPerAdapter; ++t) {
            if (table.FCDDriveCount >= kMaxCdDrives) return;
            const auto ha = static_cast<std::uint8_t>(h);
            const auto target = static_cast<std::uint8_t>(t);
            std::uint8_t type = 0;
            if (layer.GetDeviceType(ha, target, 0, type) != kSrbCompleted ||
                type != kCdRomDeviceType)
                continue;
            TCDDriveInfo drive;
            drive.HaId = ha;
            drive.Target = target;
            drive.Lun = 0;
            drive.Name = kUnnamedDrive;
            const std::uint8_t s = layer.ExecScsiCmd(ha, target, 0, InquiryCommand());
            if (s == kSrbCompleted)
                drive.Name = ProductIdentification(layer.TransferBuffer());
            else
                log(AspiCommandFailedLine(s));
            table.Add(std::move(drive));
        }
    }
}

}  // namespace

bool CdDriveTable::Add(TCDDriveInfo drive) {
    if (FCDDriveCount < 0 || FCDDriveCount >= kMaxCdDrives) return false;
    if (drive.Name.size() > 16) drive.Name.resize(16);
    FCDDrives[static_cast<std::size_t>(FCDDriveCount++)] = std::move(drive);
    return true;
}

const TCDDriveInfo* CdDriveTable::At(int index) const {
    if (index < 0 || index >= FCDDriveCount || index >= kMaxCdDrives) return nullptr;
    return &FCDDrives[static_cast<std::size_t>(index)];
}

void FindAllCDDrives(CdPlatform& platform, CdDriveTable& table, const CdLog& log) {
    table = CdDriveTable{};
    table.FUseSPTI = true;
    FindSptiDrives(platform, table);
    if (table.FCDDriveCount > 0) return;
    table.FUseSPTI = false;
    FindAspiDrives(platform, table, log);
}

std::vector<std::string> DriveItemTexts(const CdDriveTable& table) {
    std::vector<std::string> items;
    for (int i = 0; i < table.FCDDriveCount && i < kMaxCdDrives; ++i) {
        const TCDDriveInfo& d = table.FCDDrives[static_cast<std::size_t>(i)];
        const std::string name = Latin1ToUtf8(d.Name);
        items.push_back(table.FUseSPTI ? d.DeviceName + ": " + name : name);
    }
    return items;
}

std::string ProductIdentification(const std::uint8_t* inquiryData) {
    return std::string(reinterpret_cast<const char*>(inquiryData) + kProductIdOffset,
                       kProductIdLength);
}

}  // namespace zirpel
