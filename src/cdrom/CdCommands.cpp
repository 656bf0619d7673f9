#include "cdrom/CdCommands.h"

namespace zirpel {

CdCommand InquiryCommand() {
    CdCommand c;
    c.cdb[0] = 0x12;
    c.cdb[4] = 0xFF;
    c.cdbLength = 6;
    c.transferLength = kInquiryBytes;
    c.timeoutSeconds = 2;
    return c;
}

CdCommand ReadTocCommand() {
    CdCommand c;
    c.cdb[0] = 0x43;
    c.cdb[7] = 0x08;  // allocation length 0x0800 = 2048
    c.cdbLength = 10;
    c.transferLength = kTocBytes;
    c.timeoutSeconds = 2;
    return c;
}

CdCommand ReadCdCommand(std::uint32_t lba) {
    CdCommand c;
    c.cdb[0] = 0xBE;
    SetReadCdAddress(c.cdb.data(), lba);
    c.cdb[8] = static_cast<std::uint8_t>(kSectorsPerRead);
    c.cdb[9] = 0x10;  // user data only
    c.cdbLength = 12;
    c.transferLength = kReadBytes;
    c.timeoutSeconds = 200;
    return c;
}

void SetReadCdAddress(std::uint8_t* cdb, std::uint32_t lba) {
    cdb[2] = static_cast<std::uint8_t>(lba >> 24);
    cdb[3] = static_cast<std::uint8_t>(lba >> 16);
    cdb[4] = static_cast<std::uint8_t>(lba >> 8);
    cdb[5] = static_cast<std::uint8_t>(lba);
}

}  // namespace zirpel
