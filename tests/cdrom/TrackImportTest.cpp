// The import run against a simulated drive: what is read, in which order,
// what is logged, and how failures, cancelling and a vanished window end it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "cdrom/CdDrives.h"
#include "cdrom/SimulatedCd.h"
#include "cdrom/TrackImport.h"

using zirpel::kReadBytes;
using zirpel::TrackImportEnd;
using zirpel::testing::SimDevice;
using zirpel::testing::SimFailure;
using Lines = std::vector<std::string>;

namespace {

const std::string kStart = "Starte Ripping...";
const std::string kEnd = "Ripping beendet...";

std::optional<SimFailure> FailWhen(bool fail, SimFailure f = {}) {
    return fail ? std::optional<SimFailure>(f) : std::nullopt;
}

class ImportTest : public ::testing::Test {
protected:
    zirpel::testing::SimulatedCdPlatform sim;
    zirpel::CdDriveTable drives;
    zirpel::TrackTable table;
    zirpel::testing::FakeTask task;
    zirpel::TrackImportRequest request;
    Lines log;
    std::vector<std::int64_t> positions;
    std::function<bool()> karaoke;  // the check box, asked after every read

    void SetUp() override {
        SimDevice d;  // starts 0, 15000, 30000, 45000, lead-out 60000
        d.name = "sr0";
        sim.devices = {d};
        zirpel::TCDDriveInfo info;
        info.DeviceName = "sr0";
        drives.Add(info);
        request.drives = &drives;
        request.selectedDrive = 0;
    }
    SimDevice& Drive() { return sim.devices[0]; }

    zirpel::TrackImportResult Run(int track) {
        request.trackNumber = track;
        log.clear();
        sim.readCdCount = 0;
        zirpel::TrackImportHooks hooks{[&](const std::string& l) { log.push_back(l); },
                                       [&](std::int64_t p) { positions.push_back(p); },
                                       karaoke};
        auto r = zirpel::RunTrackImport(sim, request, table, task, hooks);
        EXPECT_TRUE(sim.openFds.empty()) << "device closed on every path";
        return r;
    }

    // The sector each 2352-byte piece of the clip came from.
    static std::vector<std::uint32_t> Sectors(const std::optional<zirpel::Clip>& clip) {
        std::vector<std::uint32_t> s;
        for (std::size_t i = 0; clip && i < clip->bytes.size(); i += zirpel::kRawSectorBytes)
            s.push_back(zirpel::testing::SectorOfFrame(clip->bytes.data() + i));
        return s;
    }
    static std::vector<std::uint32_t> Range(std::uint32_t from, std::uint32_t to,
                                            std::vector<std::uint32_t> r = {}) {
        for (std::uint32_t s = from; s < to; ++s) r.push_back(s);
        return r;
    }
};

}  // namespace

TEST_F(ImportTest, ReadsTrackThreeInOrder) {
    const auto r = Run(3);
    ASSERT_TRUE(r.clip);
    EXPECT_EQ(r.clip->format, (zirpel::ClipFormat{44100, true, true}));
    EXPECT_EQ(r.clip->bytes.size(), 1500u * 23520u);
    EXPECT_EQ(r.clip->bytes.capacity(), r.clip->bytes.size()) << "reserved once, exactly";
    EXPECT_EQ(Sectors(r.clip), Range(30000, 45000));
    EXPECT_EQ(log, (Lines{"TOC eingelesen...", "4 Tracks gefunden...", kStart, kEnd}));
    EXPECT_EQ(task.pumps, 1500);
    ASSERT_EQ(positions.size(), 1501u);
    EXPECT_EQ(positions.front(), 30010);
    EXPECT_EQ(positions.back(), 45000);

    const auto tocs = sim.SentWithOpcode(0x43);
    ASSERT_EQ(tocs.size(), 1u);
    EXPECT_EQ(tocs[0].cdb, (std::array<std::uint8_t, 16>{0x43, 0, 0, 0, 0, 0, 0, 0x08}));
    EXPECT_EQ(tocs[0].cdbLength + tocs[0].dxferLen + tocs[0].timeoutMs, 10u + 2048u + 2000u);
    // One READ CD record, built once: same header and data area each round,
    // only the four address bytes change.
    const auto reads = sim.SentWithOpcode(0xBE);
    ASSERT_EQ(reads.size(), 1500u);
    for (std::size_t i = 0; i < reads.size(); ++i) {
        const std::uint32_t lba = 30000 + 10 * static_cast<std::uint32_t>(i);
        const std::array<std::uint8_t, 16> cdb = {0xBE,
                                                  0,
                                                  std::uint8_t(lba >> 24),
                                                  std::uint8_t(lba >> 16),
                                                  std::uint8_t(lba >> 8),
                                                  std::uint8_t(lba),
                                                  0,
                                                  0,
                                                  0x0A,
                                                  0x10};
        ASSERT_EQ(reads[i].cdb, cdb) << i;
        ASSERT_EQ(reads[i].cdbLength + reads[i].dxferLen + reads[i].timeoutMs,
                  12u + 23520u + 200000u);
        ASSERT_EQ(reads[i].header, reads[0].header);
        ASSERT_EQ(reads[i].data, reads[0].data);
    }
}

TEST_F(ImportTest, WholeRequestsReachIntoTheNextTrackAndPastTheLeadOut) {
    Drive().starts = {0, 25, 47};
    EXPECT_EQ(Sectors(Run(1).clip), Range(0, 30));  // 5 sectors of track 2
    // 25..46: the third request would pass the lead-out; it is logged and skipped.
    EXPECT_EQ(Sectors(Run(2).clip), Range(25, 45));
    EXPECT_EQ(log, (Lines{"TOC eingelesen...", "2 Tracks gefunden...", kStart,
                          "Fehler: SCSI Status 2; Code:5;21;0 \"Illegal Request: logical block "
                          "address out of range\"",
                          kEnd}));
}

TEST_F(ImportTest, RunsThatReadNothing) {
    EXPECT_EQ(Run(5).end, TrackImportEnd::InvalidTrack);
    EXPECT_EQ(log, (Lines{"TOC eingelesen...", "Ungültige Track-Nummer..."}));
    EXPECT_EQ(Run(0).end, TrackImportEnd::InvalidTrack);
    EXPECT_TRUE(positions.empty());

    Drive().tocFails = true;  // the label keeps its text: no position shown
    EXPECT_FALSE(Run(1).clip);
    EXPECT_EQ(log, (Lines{"Konnte TOC nicht lesen...", kStart, kEnd}));
    EXPECT_TRUE(positions.empty());
    EXPECT_EQ(sim.SentWithOpcode(0xBE).size(), 0u);

    Drive().opens = false;
    EXPECT_EQ(Run(1).end, TrackImportEnd::NoTransport);
    EXPECT_EQ(log, (Lines{"Kein Laufwerkszugriff über SPTI möglich...", kEnd}));

    drives.FUseSPTI = false;  // ASPI, but no sg driver
    EXPECT_EQ(Run(1).end, TrackImportEnd::NoTransport);
    EXPECT_EQ(log, (Lines{"Konnte ASPI Layer nicht laden. Downloaden Sie den ASPI-Treiber von der "
                          "Webseite Ihres Linux-Systems!",
                          kEnd}));
    sim.procScsiSg = true;  // a driver, but no device at any address
    Run(1);
    EXPECT_EQ(log, (Lines{"Konnte ASPI Layer nicht initialisieren...", kEnd}));

    request.selectedDrive = -1;
    EXPECT_EQ(Run(1).end, TrackImportEnd::NoDrive);
    EXPECT_EQ(log, Lines{"Kein CD-Laufwerk gefunden..."});
}

TEST_F(ImportTest, FailedReadsLeaveGapsAndElevenInARowStop) {
    Drive().starts = {0, 400};
    // Ten in a row, a good one, ten more: the count starts over.
    Drive().readFailure = [](int n, std::uint32_t) {
        return FailWhen((n >= 2 && n <= 11) || (n >= 20 && n <= 29), {2, 0x23, 0x11, 0x05});
    };
    auto r = Run(1);
    EXPECT_EQ(Sectors(r.clip), Range(300, 400, Range(120, 200, Range(0, 20))));
    EXPECT_EQ(sim.readCdCount, 40);
    ASSERT_EQ(log.size(), 24u);
    EXPECT_EQ(log[3], "Fehler: SCSI Status 2; Code:23;11;5 \"Fehler: l-ec uncorrectable error\"");

    // Eleven in a row stop the loop; what was read is kept.
    Drive().readFailure = [](int n, std::uint32_t) { return FailWhen(n >= 3); };
    EXPECT_EQ(Sectors(Run(1).clip), Range(0, 30));
    EXPECT_EQ(sim.readCdCount, 14);
    EXPECT_EQ(positions.back(), 140);
    EXPECT_EQ(log.back(), kEnd);

    // Nothing read: no clip. A call that does not get through reports status 0.
    Drive().readFailure = [](int n, std::uint32_t) {
        return FailWhen(true, n == 0 ? SimFailure{0, 0, 0, 0, true} : SimFailure{});
    };
    EXPECT_FALSE(Run(1).clip);
    EXPECT_EQ(log[3],
              "Fehler: SCSI Status 0; Code:0;0;0 \"No Additional Sense: no additional "
              "sense information\"");
}

TEST_F(ImportTest, CancelKeepsWhatWasReadAndAGoneWindowEndsAtOnce) {
    task.stop = true;  // an old request is cleared when the run starts
    task.stopAtPump = 5;
    EXPECT_EQ(Sectors(Run(2).clip), Range(15000, 15050));  // the fifth round still reads
    EXPECT_EQ(log.back(), kEnd);

    task = {};
    task.goneAtPump = 3;
    positions.clear();
    const auto r = Run(2);
    EXPECT_EQ(r.end, TrackImportEnd::OwnerGone);
    EXPECT_FALSE(r.clip);
    EXPECT_EQ(log.back(), kStart);
    EXPECT_EQ(positions.size(), 2u);
    EXPECT_EQ(sim.readCdCount, 2);
}

TEST_F(ImportTest, KaraokeAndTheFilledDataArea) {
    karaoke = [] { return true; };
    Drive().starts = {0, 10};
    Drive().shortBy = 4;  // the last frame is not delivered: the 0xFF filling shows
    const auto r = Run(1);
    ASSERT_TRUE(r.clip);
    const auto& b = r.clip->bytes;
    ASSERT_EQ(b.size(), kReadBytes);
    // Sector 7: left 7, right 0 -> 4 in both; the undelivered frame -1, -1 -> 0.
    EXPECT_EQ(zirpel::GetLE32(b.data() + 7 * 2352), 0x00040004u);
    EXPECT_EQ(zirpel::GetLE32(b.data() + b.size() - 4), 0u);
}

TEST_F(ImportTest, KaraokeIsAskedPerBlockAndProcessesTheReusedDataArea) {
    Drive().starts = {0, 30};
    Drive().shortBy = 4;  // from the second read on, the last frame stays undelivered
    Drive().shortFrom = 1;
    int asked = 0;
    karaoke = [&] { return ++asked >= 2; };  // ticked after the first block
    const auto r = Run(1);
    ASSERT_TRUE(r.clip);
    EXPECT_EQ(asked, 3);
    const auto frame = [&](std::size_t block, std::size_t at) {
        return zirpel::GetLE32(r.clip->bytes.data() + block * kReadBytes + at);
    };
    const std::size_t last = kReadBytes - 4;
    EXPECT_EQ(frame(0, 5 * 2352), 5u);            // sector 5 as read: left 5, right 0
    EXPECT_EQ(frame(1, 5 * 2352), 0x000A000Au);   // sector 15: 2 * 15 / 3 in both
    // Undelivered, the area still held sector 9 as read (9, 0): processed, 6.
    EXPECT_EQ(frame(1, last), 0x00060006u);
    // Now it held that processed frame, whose channels cancel.
    EXPECT_EQ(frame(2, last), 0u);
}

TEST_F(ImportTest, StopsBeforePassingTheClipSize) {
    request.maxClipBytes = 3 * kReadBytes + 100;
    EXPECT_EQ(Sectors(Run(1).clip), Range(0, 30));
    EXPECT_EQ(sim.readCdCount, 3);
    EXPECT_EQ(log[3], "Track zu lang für einen Clip, Ripping abgebrochen...");
    EXPECT_EQ(zirpel::RipReserveBytes(0, 0x7FFFFFFF, zirpel::MaxRipBytes(zirpel::kMaxClipBytes)),
              2147483647 / 23520 * 23520);
    EXPECT_EQ(zirpel::RipReserveBytes(0, 11, 1000000), 2 * 23520);
}

TEST_F(ImportTest, ReadsThroughAspi) {
    SimDevice sg;
    sg.name = "sg1";
    sg.host = 1;
    sg.target = 4;
    sg.starts = {0, 30, 60};
    sg.readFailure = [](int n, std::uint32_t) { return FailWhen(n == 1); };
    sim.devices = {sg};
    drives = {};
    drives.FUseSPTI = false;
    zirpel::TCDDriveInfo info;
    info.HaId = 1;
    info.Target = 4;
    drives.Add(info);
    EXPECT_EQ(Sectors(Run(2).clip), Range(50, 60, Range(30, 40)));
    EXPECT_EQ(log, (Lines{"TOC eingelesen...", "2 Tracks gefunden...", kStart,
                          "Fehler 4 beim Ausführen des SCSI Kommandos...", kEnd}));
    EXPECT_EQ(sim.opens, 2);  // the address query, then one descriptor for the run

    sim.devices[0].tocFails = true;
    Run(1);
    EXPECT_EQ(log, (Lines{"Fehler 4! Konnte TOC nicht lesen...", kStart, kEnd}));
}
