// Drive discovery against simulated machines: SPTI first, the ASPI
// fall-back, names, limits and the log.
#include <gtest/gtest.h>

#include "cdrom/CdDrives.h"
#include "cdrom/SimulatedCd.h"

using zirpel::testing::SimDevice;
using zirpel::testing::SimulatedCdPlatform;
using Lines = std::vector<std::string>;

namespace {

SimDevice Dev(const std::string& name, int host = 0, int target = 0, int type = 5) {
    SimDevice d;
    d.name = name;
    d.host = host;
    d.target = target;
    d.type = type;
    return d;
}

struct Discovery {
    zirpel::CdDriveTable table;
    Lines log, items;
};

Discovery Discover(SimulatedCdPlatform& sim) {
    Discovery r;
    zirpel::FindAllCDDrives(sim, r.table, [&](const std::string& line) { r.log.push_back(line); });
    r.items = zirpel::DriveItemTexts(r.table);
    EXPECT_TRUE(sim.openFds.empty()) << "every device closed again";
    return r;
}

}  // namespace

TEST(Discovery, SptiDrivesInNumberOrderWithTheirNames) {
    SimulatedCdPlatform sim;
    sim.procScsiSg = true;
    sim.devices = {Dev("sr10"), Dev("sr1"), Dev("sr0"), Dev("sr2"), Dev("sr3"), Dev("sg0")};
    sim.devices[0].product = "DVD-RW  ";  // short: the blanks it sent are kept
    sim.devices[1].opens = false;         // skipped
    sim.devices[3].inquiryFails = true;
    sim.devices[4].product = "CD\xC4 Laufwerk   X";

    const Discovery r = Discover(sim);
    EXPECT_TRUE(r.table.FUseSPTI);
    EXPECT_EQ(r.items, (Lines{"sr0: SIMULATED CD    ", "sr2: CD-DRIVE",
                              "sr3: CD\xC3\x84 Laufwerk   X", "sr10: DVD-RW          "}));
    EXPECT_TRUE(r.log.empty());
    EXPECT_TRUE(sim.pathsAsked.empty()) << "the ASPI layer is never looked for";
    EXPECT_EQ(sim.scsiIdQueries, 0);
    const auto inquiries = sim.SentWithOpcode(0x12);
    ASSERT_EQ(inquiries.size(), 4u);
    EXPECT_EQ(inquiries[0].cdb, (std::array<std::uint8_t, 16>{0x12, 0, 0, 0, 0xFF}));
    EXPECT_EQ(inquiries[0].cdbLength + inquiries[0].dxferLen + inquiries[0].timeoutMs,
              6u + 255u + 2000u);
}

TEST(Discovery, FallsBackToAspiAddresses) {
    SimulatedCdPlatform sim;
    // A disk, a CD at 1:3, one whose INQUIRY fails at 2:1, a CD at 0:2, and
    // one at target 16, past the targets searched.
    sim.devices = {Dev("sg0", 0, 0, 0), Dev("sg1", 1, 3), Dev("sg4", 2, 1), Dev("sg2", 0, 2),
                   Dev("sg5", 0, 16)};
    sim.devices[2].inquiryFails = true;

    const Discovery r = Discover(sim);
    EXPECT_FALSE(r.table.FUseSPTI);
    ASSERT_EQ(r.table.FCDDriveCount, 3);
    std::vector<std::pair<int, int>> addresses;
    for (int i = 0; i < 3; ++i)
        addresses.emplace_back(r.table.FCDDrives[i].HaId, r.table.FCDDrives[i].Target);
    EXPECT_EQ(addresses, (std::vector<std::pair<int, int>>{{0, 2}, {1, 3}, {2, 1}}));
    EXPECT_EQ(r.items, (Lines{"SIMULATED CD    ", "SIMULATED CD    ", "CD-DRIVE"}));
    EXPECT_EQ(r.log, Lines{"Fehler 4 beim Ausführen des SCSI Kommandos..."});
}

TEST(Discovery, AspiLayerMissingOrWithoutAdapters) {
    SimulatedCdPlatform none;
    Discovery r = Discover(none);
    EXPECT_TRUE(r.items.empty());
    EXPECT_EQ(r.log, Lines{"Konnte ASPI Layer nicht laden..."});

    SimulatedCdPlatform mute;  // the sg driver, but no device answers
    mute.procScsiSg = true;
    mute.devices = {Dev("sg0")};
    mute.devices[0].scsi = false;
    r = Discover(mute);
    EXPECT_EQ(r.table.FCDDriveCount, 0);
    EXPECT_EQ(r.log, Lines{"Konnte ASPI Layer nicht initialisieren..."});
}

TEST(Discovery, ListsAtMost32Drives) {
    SimulatedCdPlatform aspi, spti;
    for (int i = 0; i < 40; ++i) {
        aspi.devices.push_back(Dev("sg" + std::to_string(i), i / 16, i % 16));
        spti.devices.push_back(Dev("sr" + std::to_string(i)));
    }
    Discovery r = Discover(aspi);
    EXPECT_EQ(r.table.FCDDriveCount, 32);
    EXPECT_EQ(r.table.FCDDrives[31].HaId * 16 + r.table.FCDDrives[31].Target, 31);
    r = Discover(spti);
    EXPECT_EQ(r.items.size(), 32u);
    EXPECT_EQ(r.items.back(), "sr31: SIMULATED CD    ");
    EXPECT_EQ(spti.opens, 32);
}
