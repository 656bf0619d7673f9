#include "cdrom/AspiTransport.h"

namespace zirpel {

AspiTransport::AspiTransport(CdPlatform& platform, std::uint8_t ha, std::uint8_t target,
                             std::uint8_t lun)
    : layer_(platform), ha_(ha), target_(target), lun_(lun) {}

CommandResult AspiTransport::Execute(const CdCommand& command) {
    CommandResult result;
    result.status = layer_.ExecScsiCmd(ha_, target_, lun_, command);
    result.succeeded = result.status == kSrbCompleted;
    return result;
}

}  // namespace zirpel
