// The import run against a simulated drive: what is read, in which order,
// what is logged, and how failures, cancelling and a vanished window end it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cdrom/CdDrives.h"
#include "cdrom/SimulatedCd.h"
#include "cdrom/TrackImport.h"

using zirpel::kReadBytes;
using zirpel::TrackImportEnd;
using zirpel::testing::FakeTask;
using zirpel::testing::SimDevice;
using zirpel::testing::SimFailure;
using zirpel::testing::SimulatedCdPlatform;

namespace {

const std::string kRipStart = "Starte Ripping...";
const std::string kRipEnd = "Ripping beendet...";

class ImportTest : public ::testing::Test {
protected:
    SimulatedCdPlatform sim;
    zirpel::CdDriveTable drives;
    zirpel::TrackTable table;
    FakeTask task;
    zirpel::TrackImportRequest request;
    std::vector<std::string> log;
    std::vector<std::int64_t> positions;

    void SetUp() override {
        SimDevice d;
        d.name = "sr0";
        sim.devices = {d};
        TCDDrive("sr0");
        request.drives = &drives;
        request.selectedDrive = 0;
    }
    void TCDDrive(const std::string& device) {
        zirpel::TCDDriveInfo info;
        info.DeviceName = device;
        info.Name = "SIMULATED CD    ";
        drives.Add(info);
    }
    SimDevice& Drive() { return sim.devices[0]; }

    zirpel::TrackImportResult Run(int track) {
        request.trackNumber = track;
        zirpel::TrackImportHooks hooks{[&](const std::string& l) { log.push_back(l); },
                                       [&](std::int64_t p) { positions.push_back(p); }};
        auto r = zirpel::RunTrackImport(sim, request, table, task, hooks);
        EXPECT_TRUE(sim.openFds.empty()) << "device closed on every path";
        return r;
    }

    // The sector each 2352-byte piece of the clip came from.
    static std::vector<std::uint32_t> Sectors(const zirpel::Clip& clip) {
        std::vector<std::uint32_t> s;
        for (std::size_t i = 0; i < clip.bytes.size(); i += zirpel::kRawSectorBytes)
            s.push_back(zirpel::testing::SectorOfFrame(clip.bytes.data() + i));
        return s;
    }
    static std::vector<std::uint32_t> Range(std::uint32_t from, std::uint32_t to) {
        std::vector<std::uint32_t> r;
        for (std::uint32_t s = from; s < to; ++s) r.push_back(s);
        return r;
    }
};

}  // namespace

TEST_F(ImportTest, ReadsTrackThreeInOrder) {
    const auto r = Run(3);
    EXPECT_EQ(r.end, TrackImportEnd::Finished);
    ASSERT_TRUE(r.clip);
    EXPECT_EQ(r.clip->format, (zirpel::ClipFormat{44100, true, true}));
    EXPECT_EQ(r.clip->bytes.size(), 1500u * 23520u);
    EXPECT_EQ(r.clip->bytes.capacity(), r.clip->bytes.size()) << "reserved once, exactly";
    EXPECT_EQ(Sectors(*r.clip), Range(30000, 45000));
    EXPECT_EQ(log, (std::vector<std::string>{"TOC eingelesen...", "4 Tracks gefunden...", kRipStart,
                                             kRipEnd}));
    EXPECT_EQ(task.clears, 1);
    EXPECT_EQ(task.pumps, 1500);
    ASSERT_EQ(positions.size(), 1501u);
    EXPECT_EQ(positions.front(), 30010);
    EXPECT_EQ(positions.back(), 45000);

    // READ TOC once; then one READ CD record, built once and reused: same
    // header and data area, only the address bytes change.
    const auto tocs = sim.SentWithOpcode(0x43);
    ASSERT_EQ(tocs.size(), 1u);
    const std::array<std::uint8_t, 16> tocCdb = {0x43, 0, 0, 0, 0, 0, 0, 0x08, 0};
    EXPECT_EQ(tocs[0].cdb, tocCdb);
    EXPECT_EQ(tocs[0].cdbLength, 10u);
    EXPECT_EQ(tocs[0].dxferLen, 2048u);
    EXPECT_EQ(tocs[0].timeoutMs, 2000u);
    const auto reads = sim.SentWithOpcode(0xBE);
    ASSERT_EQ(reads.size(), 1500u);
    for (std::size_t i = 0; i < reads.size(); ++i) {
        const std::uint32_t lba = 30000 + 10 * static_cast<std::uint32_t>(i);
        const std::array<std::uint8_t, 16> cdb = {0xBE, 0, std::uint8_t(lba >> 24), std::uint8_t(lba >> 16),
                                                  std::uint8_t(lba >> 8), std::uint8_t(lba), 0, 0, 0x0A, 0x10};
        ASSERT_EQ(reads[i].cdb, cdb) << i;
        ASSERT_EQ(reads[i].cdbLength, 12u);
        ASSERT_EQ(reads[i].dxferLen, 23520u);
        ASSERT_EQ(reads[i].timeoutMs, 200000u);
        ASSERT_EQ(reads[i].header, reads[0].header);
        ASSERT_EQ(reads[i].data, reads[0].data);
    }
}

TEST_F(ImportTest, WholeRequestsReachIntoTheNextTrackAndPastTheLeadOut) {
    Drive().starts = {0, 25, 47};
    auto r = Run(1);
    ASSERT_TRUE(r.clip);
    EXPECT_EQ(Sectors(*r.clip), Range(0, 30));  // 3 requests: 5 sectors of track 2

    log.clear();
    r = Run(2);  // 25..46: the third request would pass the lead-out at 47
    ASSERT_TRUE(r.clip);
    EXPECT_EQ(Sectors(*r.clip), Range(25, 45));
    EXPECT_EQ(log, (std::vector<std::string>{
                       "TOC eingelesen...", "2 Tracks gefunden...", kRipStart,
                       "Fehler: SCSI Status 2; Code:5;21;0 \"Illegal Request: logical block "
                       "address out of range\"",
                       kRipEnd}));
}

TEST_F(ImportTest, TrackNotOnTheDiscEndsTheRunAtOnce) {
    const auto r = Run(5);
    EXPECT_EQ(r.end, TrackImportEnd::InvalidTrack);
    EXPECT_FALSE(r.clip);
    EXPECT_EQ(log, (std::vector<std::string>{"TOC eingelesen...", "Ungültige Track-Nummer..."}));
    EXPECT_EQ(sim.readCdCount, 0);
    EXPECT_TRUE(positions.empty());
    EXPECT_EQ(Run(0).end, TrackImportEnd::InvalidTrack);
}

TEST_F(ImportTest, FailedReadsLeaveGapsAndElevenInARowStop) {
    // Reads 2..11 fail (ten in a row), then one succeeds: the count starts over.
    Drive().readFailure = [](int n, std::uint32_t) -> std::optional<SimFailure> {
        if ((n >= 2 && n <= 11) || (n >= 20 && n <= 29)) return SimFailure{2, 0x23, 0x11, 0x05};
        return std::nullopt;
    };
    Drive().starts = {0, 400};
    auto r = Run(1);
    ASSERT_TRUE(r.clip);
    std::vector<std::uint32_t> expected = Range(0, 20);
    for (auto s : Range(120, 200)) expected.push_back(s);
    for (auto s : Range(300, 400)) expected.push_back(s);
    EXPECT_EQ(Sectors(*r.clip), expected);
    EXPECT_EQ(sim.readCdCount, 40);
    ASSERT_EQ(log.size(), 4u + 20u);
    EXPECT_EQ(log[3], "Fehler: SCSI Status 2; Code:23;11;5 \"Fehler: l-ec uncorrectable error\"");

    // Eleven in a row: the loop stops; what was read is kept.
    log.clear();
    sim.readCdCount = 0;
    Drive().readFailure = [](int n, std::uint32_t) -> std::optional<SimFailure> {
        if (n >= 3) return SimFailure{2, 3, 0x11, 0x00};
        return std::nullopt;
    };
    r = Run(1);
    ASSERT_TRUE(r.clip);
    EXPECT_EQ(Sectors(*r.clip), Range(0, 30));
    EXPECT_EQ(sim.readCdCount, 14);
    EXPECT_EQ(positions.back(), 140);
    EXPECT_EQ(log.back(), kRipEnd);

    // A call that does not get through reports the status it left.
    log.clear();
    sim.readCdCount = 0;
    Drive().readFailure = [](int n, std::uint32_t) -> std::optional<SimFailure> {
        if (n == 0) return SimFailure{0, 0, 0, 0, true};
        return std::nullopt;
    };
    r = Run(1);
    EXPECT_EQ(log[3], "Fehler: SCSI Status 0; Code:0;0;0 \"No Additional Sense: no additional "
                      "sense information\"");
}

TEST_F(ImportTest, NothingReadLeavesNoClip) {
    Drive().readFailure = [](int, std::uint32_t) { return std::optional<SimFailure>(SimFailure{}); };
    const auto r = Run(2);
    EXPECT_EQ(r.end, TrackImportEnd::Finished);
    EXPECT_FALSE(r.clip);
    EXPECT_EQ(sim.readCdCount, 11);
}

TEST_F(ImportTest, CancelKeepsWhatWasRead) {
    task.stop = true;  // an old request is cleared when the run starts
    task.stopAtPump = 5;
    const auto r = Run(2);
    ASSERT_TRUE(r.clip);
    EXPECT_EQ(Sectors(*r.clip), Range(15000, 15050));  // the fifth round still reads
    EXPECT_EQ(task.pumps, 5);
    EXPECT_EQ(log.back(), kRipEnd);
}

TEST_F(ImportTest, WindowGoneEndsTheRunWithoutAnotherWord) {
    task.goneAtPump = 3;
    const auto r = Run(2);
    EXPECT_EQ(r.end, TrackImportEnd::OwnerGone);
    EXPECT_FALSE(r.clip);
    EXPECT_EQ(log.back(), kRipStart);
    EXPECT_EQ(positions.size(), 2u);
    EXPECT_EQ(sim.readCdCount, 2);
}

TEST_F(ImportTest, KaraokeAndTheFilledDataArea) {
    request.karaoke = true;
    Drive().starts = {0, 10};
    Drive().shortBy = 4;  // the last frame is not delivered: the 0xFF filling shows
    const auto r = Run(1);
    ASSERT_TRUE(r.clip);
    const auto& b = r.clip->bytes;
    ASSERT_EQ(b.size(), kReadBytes);
    // Sector 7: left 7, right 0 -> 4 in both; the undelivered frame -1, -1 -> 0.
    EXPECT_EQ(zirpel::GetSample16(b.data() + 7 * 2352), 4);
    EXPECT_EQ(zirpel::GetSample16(b.data() + 7 * 2352 + 2), 4);
    EXPECT_EQ(zirpel::GetLE32(b.data() + b.size() - 4), 0u);
}

TEST_F(ImportTest, TocFailureReadsNothingAndKeepsTheLabel) {
    Drive().tocFails = true;
    const auto r = Run(1);
    EXPECT_FALSE(r.clip);
    EXPECT_EQ(log, (std::vector<std::string>{"Konnte TOC nicht lesen...", kRipStart, kRipEnd}));
    EXPECT_TRUE(positions.empty());
}

TEST_F(ImportTest, StopsBeforePassingTheClipSize) {
    request.maxClipBytes = 3 * kReadBytes + 100;
    const auto r = Run(1);
    ASSERT_TRUE(r.clip);
    EXPECT_EQ(Sectors(*r.clip), Range(0, 30));
    EXPECT_EQ(sim.readCdCount, 3);
    EXPECT_EQ(log[3], "Track zu lang für einen Clip, Ripping abgebrochen...");
    EXPECT_EQ(zirpel::RipReserveBytes(0, 0x7FFFFFFF, zirpel::MaxRipBytes(zirpel::kMaxClipBytes)),
              2147483647 / 23520 * 23520);
    EXPECT_EQ(zirpel::RipReserveBytes(0, 11, 1000000), 2 * 23520);
}

TEST_F(ImportTest, TransportAndDriveFailures) {
    request.selectedDrive = -1;
    EXPECT_EQ(Run(1).end, TrackImportEnd::NoDrive);
    EXPECT_EQ(log, std::vector<std::string>{"Kein CD-Laufwerk gefunden..."});

    log.clear();
    request.selectedDrive = 0;
    Drive().opens = false;
    EXPECT_EQ(Run(1).end, TrackImportEnd::NoTransport);
    EXPECT_EQ(log, (std::vector<std::string>{"Kein Laufwerkszugriff über SPTI möglich...", kRipEnd}));

    log.clear();
    drives.FUseSPTI = false;  // ASPI, but no sg driver
    EXPECT_EQ(Run(1).end, TrackImportEnd::NoTransport);
    EXPECT_EQ(log, (std::vector<std::string>{
                       "Konnte ASPI Layer nicht laden. Downloaden Sie den ASPI-Treiber von der "
                       "Webseite Ihres Linux-Systems!",
                       kRipEnd}));

    log.clear();
    sim.procScsiSg = true;  // driver, but no device answers its address
    EXPECT_EQ(Run(1).end, TrackImportEnd::NoTransport);
    EXPECT_EQ(log, (std::vector<std::string>{"Konnte ASPI Layer nicht initialisieren...", kRipEnd}));
}

TEST_F(ImportTest, ReadsThroughAspi) {
    SimDevice sg;
    sg.name = "sg1";
    sg.host = 1;
    sg.target = 4;
    sg.starts = {0, 30, 60};
    sg.readFailure = [](int n, std::uint32_t) -> std::optional<SimFailure> {
        if (n == 1) return SimFailure{};
        return std::nullopt;
    };
    sim.devices = {sg};
    drives = {};
    drives.FUseSPTI = false;
    zirpel::TCDDriveInfo info;
    info.HaId = 1;
    info.Target = 4;
    drives.Add(info);
    auto r = Run(2);
    ASSERT_TRUE(r.clip);
    EXPECT_EQ(Sectors(*r.clip), (std::vector<std::uint32_t>{30, 31, 32, 33, 34, 35, 36, 37, 38, 39,
                                                            50, 51, 52, 53, 54, 55, 56, 57, 58, 59}));
    EXPECT_EQ(log, (std::vector<std::string>{"TOC eingelesen...", "2 Tracks gefunden...", kRipStart,
                                             "Fehler 4 beim Ausführen des SCSI Kommandos...",
                                             kRipEnd}));
    EXPECT_EQ(sim.opens, 2);  // the query, then one descriptor for the whole run

    log.clear();
    sim.devices[0].tocFails = true;
    r = Run(1);
    EXPECT_EQ(log, (std::vector<std::string>{"Fehler 4! Konnte TOC nicht lesen...", kRipStart,
                                             kRipEnd}));
}
