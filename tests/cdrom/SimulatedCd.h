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
#include <cstdint>
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

// A failed command: CHECK CONDITION with fixed-format sense, or (ioctlFails)
// a call that did not get through at all.
struct SimFailure {
    std::uint8_t status = 2;
    std::uint8_t senseKey = 3;
    std::uint8_t asc = 0x11;
    std::uint8_t ascq = 0x05;
    bool ioctlFails = false;
};

struct SimDevice {
    std::string name;  // "sr0", "sg3", ...
    bool opens = true;
    bool scsi = true;  // false: SG_IO and SG_GET_SCSI_ID fail (not a SCSI device)
    std::string product = "SIMULATED CD    ";
    bool inquiryFails = false;
    // Generic SCSI devices: what SG_GET_SCSI_ID reports.
    int host = 0, target = 0, lun = 0, type = 5;
    // The disc: track starts, then the lead-out.
    std::vector<std::int32_t> starts = {0, 15000, 30000, 45000, 60000};
    int firstTrack = 1;
    std::optional<std::vector<std::uint8_t>> rawToc;  // replaces the generated TOC
    bool tocFails = false;
    // Read n (0-based count of READ CD commands) may fail.
    std::function<std::optional<SimFailure>(int read, std::uint32_t lba)> readFailure;
    int shortBy = 0;  // READ CD delivers this many bytes less (resid)
};

struct SentCommand {
    std::string device;
    std::array<std::uint8_t, 16> cdb{};
    unsigned cdbLength = 0;
    unsigned dxferLen = 0;
    unsigned timeoutMs = 0;
    const void* header = nullptr;
    const void* data = nullptr;
};

inline std::uint32_t SectorOfFrame(const std::uint8_t* p) { return GetLE32(p); }

class SimulatedCdPlatform final : public CdPlatform {
public:
    std::vector<SimDevice> devices;
    std::vector<std::string> otherNames = {"null", "sda", "srx", "sg", "tty0"};
    bool procScsiSg = false;

    std::vector<SentCommand> sent;
    std::vector<std::string> pathsAsked;
    int opens = 0;
    std::set<int> openFds;
    int readCdCount = 0;
    int scsiIdQueries = 0;

    std::string DeviceFolder() const override { return "/sim/dev"; }
    std::vector<std::string> DeviceNames() override {
        std::vector<std::string> names = otherNames;
        for (const SimDevice& d : devices) names.push_back(d.name);
        std::reverse(names.begin(), names.end());  // no order promised
        return names;
    }
    bool PathExists(const std::string& path) override {
        pathsAsked.push_back(path);
        return procScsiSg && path == "/proc/scsi/sg";
    }
    int Open(const std::string& path) override {
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if (DeviceFolder() + "/" + devices[i].name != path || !devices[i].opens) continue;
            ++opens;
            const int fd = 100 + opens;
            fdDevice_[fd] = i;
            openFds.insert(fd);
            return fd;
        }
        return -1;
    }
    void Close(int fd) override {
        openFds.erase(fd);
        fdDevice_.erase(fd);
    }
    int Ioctl(int fd, unsigned long request, void* arg) override {
        auto it = fdDevice_.find(fd);
        if (it == fdDevice_.end()) return -1;
        SimDevice& d = devices[it->second];
        if (!d.scsi) return -1;
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
        if (request != SG_IO) return -1;
        return Command(d, *static_cast<sg_io_hdr*>(arg));
    }

    std::vector<SentCommand> SentWithOpcode(std::uint8_t op) const {
        std::vector<SentCommand> r;
        for (const auto& c : sent)
            if (c.cdb[0] == op) r.push_back(c);
        return r;
    }

    // The TOC reply of a disc.
    static std::vector<std::uint8_t> Toc(const SimDevice& d) {
        std::vector<std::uint8_t> toc(4);
        const int n = static_cast<int>(d.starts.size());
        toc[2] = static_cast<std::uint8_t>(d.firstTrack);
        toc[3] = static_cast<std::uint8_t>(d.firstTrack + n - 2);
        for (int i = 0; i < n; ++i) {
            std::uint8_t desc[8] = {0, 0x10, static_cast<std::uint8_t>(i == n - 1 ? 0xAA : d.firstTrack + i), 0};
            const auto lba = static_cast<std::uint32_t>(d.starts[static_cast<std::size_t>(i)]);
            for (int k = 0; k < 4; ++k) desc[4 + k] = static_cast<std::uint8_t>(lba >> (24 - 8 * k));
            toc.insert(toc.end(), desc, desc + 8);
        }
        const auto len = static_cast<std::uint16_t>(toc.size() - 2);
        toc[0] = static_cast<std::uint8_t>(len >> 8);
        toc[1] = static_cast<std::uint8_t>(len);
        return toc;
    }

private:
    std::map<int, std::size_t> fdDevice_;

    static int Fail(sg_io_hdr& h, const SimFailure& f) {
        if (f.ioctlFails) return -1;
        h.status = f.status;
        auto* sense = static_cast<std::uint8_t*>(h.sbp);
        std::uint8_t bytes[18] = {0x70, 0, f.senseKey, 0, 0, 0, 0, 10, 0, 0, 0, 0, f.asc, f.ascq};
        const std::size_t n = std::min<std::size_t>(sizeof bytes, h.mx_sb_len);
        std::memcpy(sense, bytes, n);
        h.sb_len_wr = static_cast<unsigned char>(n);
        h.driver_status = 0x08;  // sense data present
        return 0;
    }

    static void Deliver(sg_io_hdr& h, const std::vector<std::uint8_t>& reply) {
        const std::size_t n = std::min<std::size_t>(reply.size(), h.dxfer_len);
        std::memcpy(h.dxferp, reply.data(), n);
        h.resid = static_cast<int>(h.dxfer_len - n);
    }

    int Command(SimDevice& d, sg_io_hdr& h) {
        SentCommand c;
        c.device = d.name;
        std::memcpy(c.cdb.data(), h.cmdp, std::min<std::size_t>(h.cmd_len, 16));
        c.cdbLength = h.cmd_len;
        c.dxferLen = h.dxfer_len;
        c.timeoutMs = h.timeout;
        c.header = &h;
        c.data = h.dxferp;
        sent.push_back(c);
        const std::uint8_t* cdb = h.cmdp;
        switch (cdb[0]) {
        case 0x12: {
            if (d.inquiryFails) return Fail(h, {2, 5, 0x24, 0});
            std::vector<std::uint8_t> reply(36, ' ');
            reply[0] = 5;
            std::memcpy(reply.data() + 16, d.product.data(), std::min<std::size_t>(16, d.product.size()));
            Deliver(h, reply);
            return 0;
        }
        case 0x43:
            if (d.tocFails) return Fail(h, {2, 2, 0x3A, 0});
            Deliver(h, d.rawToc ? *d.rawToc : Toc(d));
            return 0;
        case 0xBE: {
            const int read = readCdCount++;
            const std::uint32_t lba = (std::uint32_t{cdb[2]} << 24) | (std::uint32_t{cdb[3]} << 16) |
                                      (std::uint32_t{cdb[4]} << 8) | cdb[5];
            const std::uint32_t count = (std::uint32_t{cdb[6]} << 16) | (std::uint32_t{cdb[7]} << 8) | cdb[8];
            if (d.readFailure)
                if (auto f = d.readFailure(read, lba)) return Fail(h, *f);
            const auto leadOut = static_cast<std::uint32_t>(d.starts.back());
            if (lba + count > leadOut) return Fail(h, {2, 5, 0x21, 0});  // past the lead-out
            const std::size_t bytes = std::min<std::size_t>(count * kRawSectorBytes, h.dxfer_len) -
                                      static_cast<std::size_t>(d.shortBy);
            auto* out = static_cast<std::uint8_t*>(h.dxferp);
            for (std::size_t i = 0; i + 4 <= bytes; i += 4)
                PutLE32(out + i, lba + static_cast<std::uint32_t>(i / kRawSectorBytes));
            h.resid = static_cast<int>(h.dxfer_len - bytes);
            return 0;
        }
        default:
            return Fail(h, {2, 5, 0x20, 0});
        }
    }
};

// A long task that counts its rounds and can be told to stop, or to report
// its owner gone, at the top of a chosen round.
class FakeTask final : public LongTask {
public:
    int pumps = 0;
    int stopAtPump = -1;  // 1-based
    int goneAtPump = -1;
    bool stop = false;
    int clears = 0;

    bool Pump() override {
        ++pumps;
        if (pumps == stopAtPump) stop = true;
        return pumps != goneAtPump;
    }
    void ClearStop() override {
        ++clears;
        stop = false;
    }
    bool StopRequested() const override { return stop; }
};

}  // namespace zirpel::testing
