// ASPI for one import run: the layer is loaded and asked for its adapters
// when the run starts, every command is built anew and addressed by the
// drive's host adapter, target and LUN, and the layer is released with the
// transport.
#pragma once

#include <cstdint>

#include "cdrom/AspiLayer.h"
#include "cdrom/CdTransport.h"

namespace zirpel {

class AspiTransport final : public CdTransport {
public:
    AspiTransport(CdPlatform& platform, std::uint8_t ha, std::uint8_t target, std::uint8_t lun);

    AspiLayer& Layer() { return layer_; }

    CommandResult Execute(const CdCommand& command) override;
    void PrepareRead() override {}
    CommandResult ReadAt(std::uint32_t lba) override { return Execute(ReadCdCommand(lba)); }
    std::uint8_t* Data() override { return layer_.TransferBuffer(); }

private:
    AspiLayer layer_;
    std::uint8_t ha_, target_, lun_;
};

}  // namespace zirpel
