#include "cdrom/SptiTransport.h"

namespace zirpel {

SptiTransport::SptiTransport(CdPlatform& platform, const std::string& path)
    : device_(platform, path) {}

CommandResult SptiTransport::Execute(const CdCommand& command) {
    request_.Build(command);
    return request_.Send(device_);
}

void SptiTransport::PrepareRead() {
    request_.Build(ReadCdCommand(0));
    request_.FillData(0xFF);
}

CommandResult SptiTransport::ReadAt(std::uint32_t lba) {
    SetReadCdAddress(request_.Cdb(), lba);
    return request_.Send(device_);
}

}  // namespace zirpel
