// A simulated machine for the CD import: device nodes, CD drives that
// answer INQUIRY, READ TOC and READ CD through SG_IO, generic SCSI devices
// that report their address, and failures injected with chosen status and
// sense bytes. Every command sent is recorded.
//
// The disc's audio encodes its own sector numbers: every 4-byte frame of
// sector s holds s as a little-endian 32-bit value, so order and gaps show.
#pragma once

#include <scsi/sg.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cdrom/CdCommands.h"
#include "cdrom/CdPlatform.h"
#include "clip/LittleEndian.h"
#include "clip/LongTask.h"

namespace zirpel::testing {

// CHECK CONDITION with fixed-format sense, or (ioctlFails) a call that does
// not get through at all.
struct SimFailure {
    std::uint8_t status = 2, senseKey = 3, asc = 0x11, ascq = 0x05;
    bool ioctlFails = false;
};

struct SimDevice {
    std::string name;  // "sr0", "sg3", ...
    bool opens = true;
    bool scsi = true;  // false: every ioctl fails (not a SCSI device)
    std::string product = "SIMULATED CD    ";
    bool inquiryFails = false;
    int host = 0, target = 0, lun = 0, type = 5;  // what SG_GET_SCSI_ID reports
    std::vector<std::int32_t> starts = {0, 15000, 30000, 45000, 60000};  // tracks, lead-out
    int firstTrack = 1;
    bool tocFails = false;
    // May fail READ CD number n (counted from 0).
    std::function<std::optional<SimFailure>(int n, std::uint32_t lba)> readFailure;
    int shortBy = 0;    // READ CD delivers this many bytes less,
    int shortFrom = 0;  // from READ CD number shortFrom on
};

struct SentCommand {
    std::array<std::uint8_t, 16> cdb{};
    unsigned cdbLength = 0, dxferLen = 0, timeoutMs = 0;
    const void* header = nullptr;
    const void* data = nullptr;
};

inline std::uint32_t SectorOfFrame(const std::uint8_t* p) { return GetLE32(p); }

class SimulatedCdPlatform final : public CdPlatform {
public:
    std::vector<SimDevice> devices;
    bool procScsiSg = false;
    std::vector<SentCommand> sent;
    std::vector<std::string> pathsAsked;
    std::set<int> openFds;
    int opens = 0, readCdCount = 0, scsiIdQueries = 0;

    std::string DeviceFolder() const override { return "/sim/dev"; }
    std::vector<std::string> DeviceNames() override {
        std::vector<std::string> names = {"null", "sda", "srx", "sg", "tty0"};
        for (const SimDevice& d : devices) names.insert(names.begin(), d.name);
        return names;
    }
    bool PathExists(const std::string& path) override {
        pathsAsked.push_back(path);
        return procScsiSg && path == "/proc/scsi/sg";
    }
    int Open(const std::string& path) override {
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if (DeviceFolder() + "/" + devices[i].name != path || !devices[i].opens) continue;
            const int fd = 100 + ++opens;
            fdDevice_[fd] = i;
            openFds.insert(fd);
            return fd;
        }
        return -1;
    }
    void Close(int fd) override { openFds.erase(fd); }
    int Ioctl(int fd, unsigned long request, void* arg) override {
        if (!openFds.count(fd) || !devices[fdDevice_[fd]].scsi) return -1;
        SimDevice& d = devices[fdDevice_[fd]];
        if (request == SG_GET_SCSI_ID) {
            ++scsiIdQueries;
            auto* id = static_cast<sg_scsi_id*>(arg);
            *id = sg_scsi_id{};
            id->host_no = d.host;
            id->scsi_id = d.target;
            id->lun = d.lun;
            id->scsi_type = d.type;
            return 0;
        }
        return request == SG_IO ? Command(d, *static_cast<sg_io_hdr*>(arg)) : -1;
    }

    std::vector<SentCommand> SentWithOpcode(std::uint8_t op) const {
        std::vector<SentCommand> r;
        std::copy_if(sent.begin(), sent.end(), std::back_inserter(r),
                     [op](auto& c) { return c.cdb[0] == op; });
        return r;
    }

    // The TOC reply for a disc: 4 header bytes, one 8-byte descriptor each.
    static std::vector<std::uint8_t> Toc(const SimDevice& d) {
        const int n = static_cast<int>(d.starts.size());
        std::vector<std::uint8_t> toc = {0, static_cast<std::uint8_t>(2 + 8 * n),
                                         static_cast<std::uint8_t>(d.firstTrack),
                                         static_cast<std::uint8_t>(d.firstTrack + n - 2)};
        for (int i = 0; i < n; ++i) {
            const auto lba = static_cast<std::uint32_t>(d.starts[static_cast<std::size_t>(i)]);
            const auto number = static_cast<std::uint8_t>(i == n - 1 ? 0xAA : d.firstTrack + i);
            toc.insert(toc.end(),
                       {0, 0x10, number, 0, std::uint8_t(lba >> 24), std::uint8_t(lba >> 16),
                        std::uint8_t(lba >> 8), std::uint8_t(lba)});
        }
        return toc;
    }

private:
    std::map<int, std::size_t> fdDevice_;

    static int Fail(sg_io_hdr& h, const SimFailure& f) {
        if (f.ioctlFails) return -1;
        const std::uint8_t sense[18] = {0x70, 0, f.senseKey, 0, 0, 0,     0,
                                        10,   0, 0,          0, 0, f.asc, f.ascq};
        h.status = f.status;
        h.sb_len_wr = static_cast<unsigned char>(std::min<unsigned>(sizeof sense, h.mx_sb_len));
        std::memcpy(h.sbp, sense, h.sb_len_wr);
        h.driver_status = 0x08;  // sense data present
        return 0;
    }

    static int Deliver(sg_io_hdr& h, const std::vector<std::uint8_t>& reply) {
        const std::size_t n = std::min<std::size_t>(reply.size(), h.dxfer_len);
        std::memcpy(h.dxferp, reply.data(), n);
        h.resid = static_cast<int>(h.dxfer_len - n);
        return 0;
    }

    int Command(SimDevice& d, sg_io_hdr& h) {
        SentCommand c{{}, h.cmd_len, h.dxfer_len, h.timeout, &h, h.dxferp};
        std::memcpy(c.cdb.data(), h.cmdp, std::min<std::size_t>(h.cmd_len, 16));
        sent.push_back(c);
        const std::uint8_t* cdb = h.cmdp;
        if (cdb[0] == 0x12) {
            if (d.inquiryFails) return Fail(h, {2, 5, 0x24, 0});
            std::vector<std::uint8_t> reply(36, ' ');
            std::copy_n(d.product.begin(), std::min<std::size_t>(16, d.product.size()),
                        reply.begin() + 16);
            return Deliver(h, reply);
        }
        if (cdb[0] == 0x43) return d.tocFails ? Fail(h, {2, 2, 0x3A, 0}) : Deliver(h, Toc(d));
        if (cdb[0] != 0xBE) return Fail(h, {2, 5, 0x20, 0});
        const int n = readCdCount++;
        const std::uint32_t lba =
            (std::uint32_t{cdb[2]} << 24) | (cdb[3] << 16) | (cdb[4] << 8) | cdb[5];
        const std::uint32_t count = (std::uint32_t{cdb[6]} << 16) | (cdb[7] << 8) | cdb[8];
        if (d.readFailure)
            if (auto f = d.readFailure(n, lba)) return Fail(h, *f);
        if (lba + count > static_cast<std::uint32_t>(d.starts.back()))
            return Fail(h, {2, 5, 0x21, 0});
        const std::size_t bytes =
            std::min<std::size_t>(count * kRawSectorBytes, h.dxfer_len) - (n >= d.shortFrom ? d.shortBy : 0);
        auto* out = static_cast<std::uint8_t*>(h.dxferp);
        for (std::size_t i = 0; i + 4 <= bytes; i += 4)
            PutLE32(out + i, lba + static_cast<std::uint32_t>(i / kRawSectorBytes));
        h.resid = static_cast<int>(h.dxfer_len - bytes);
        return 0;
    }
};

// Counts its rounds; stops, or reports its owner gone, at a chosen round.
class FakeTask final : public LongTask {
public:
    int pumps = 0, stopAtPump = -1, goneAtPump = -1;  // rounds counted from 1
    bool stop = false;

    bool Pump() override {
        if (++pumps == stopAtPump) stop = true;
        return pumps != goneAtPump;
    }
    void ClearStop() override { stop = false; }
    bool StopRequested() const override { return stop; }
};

}  // namespace zirpel::testing
