#include "cdrom/SgRequest.h"

#include <algorithm>

namespace zirpel {

namespace {
constexpr unsigned kDriverSenseFlag = 0x08;  // DRIVER_SENSE: sense data was returned
}

SgRequest::SgRequest() : data_(kDataAreaBytes) {}

void SgRequest::Build(const CdCommand& command) {
    hdr_ = sg_io_hdr{};
    cdb_.fill(0);
    sense_.fill(0);
    std::fill(data_.begin(), data_.end(), std::uint8_t{0});

    std::copy_n(command.cdb.begin(), command.cdbLength, cdb_.begin());
    hdr_.interface_id = 'S';
    hdr_.dxfer_direction = SG_DXFER_FROM_DEV;
    hdr_.cmd_len = command.cdbLength;
    hdr_.mx_sb_len = kSenseBytes;
    hdr_.dxfer_len = std::min<std::uint32_t>(command.transferLength, kDataAreaBytes);
    hdr_.dxferp = data_.data();
    hdr_.cmdp = cdb_.data();
    hdr_.sbp = sense_.data();
    hdr_.timeout = command.timeoutSeconds * 1000u;
}

void SgRequest::FillData(std::uint8_t value) { std::fill(data_.begin(), data_.end(), value); }

CommandResult SgRequest::Send(const DeviceHandle& device) {
    // The answer fields describe this request only.
    hdr_.status = 0;
    hdr_.masked_status = 0;
    hdr_.msg_status = 0;
    hdr_.sb_len_wr = 0;
    hdr_.host_status = 0;
    hdr_.driver_status = 0;
    hdr_.resid = 0;
    hdr_.duration = 0;
    hdr_.info = 0;
    sense_.fill(0);

    const int r = device.Ioctl(SG_IO, &hdr_);
    CommandResult result;
    result.status = hdr_.status;
    result.senseKey = sense_[2];
    result.asc = sense_[12];
    result.ascq = sense_[13];
    result.succeeded = SgCallWorked(r, hdr_) && hdr_.status == 0;
    return result;
}

bool SgCallWorked(int ioctlResult, const sg_io_hdr& hdr) {
    return ioctlResult == 0 && hdr.host_status == 0 &&
           (hdr.driver_status & ~kDriverSenseFlag & 0x0F) == 0;
}

}  // namespace zirpel
