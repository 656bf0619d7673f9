// Drive discovery against simulated machines: SPTI first, the ASPI
// fall-back, names, limits and the log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cdrom/CdDrives.h"
#include "cdrom/SimulatedCd.h"

using zirpel::CdDriveTable;
using zirpel::DriveItemTexts;
using zirpel::FindAllCDDrives;
using zirpel::testing::SimDevice;
using zirpel::testing::SimulatedCdPlatform;

namespace {

SimDevice Dev(const std::string& name) {
    SimDevice d;
    d.name = name;
    return d;
}

SimDevice Sg(const std::string& name, int host, int target, int type = 5) {
    SimDevice d = Dev(name);
    d.host = host;
    d.target = target;
    d.type = type;
    return d;
}

struct Discovery {
    CdDriveTable table;
    std::vector<std::string> log;
    std::vector<std::string> items;
};

Discovery Discover(SimulatedCdPlatform& sim) {
    Discovery r;
    FindAllCDDrives(sim, r.table, [&](const std::string& line) { r.log.push_back(line); });
    r.items = DriveItemTexts(r.table);
    EXPECT_TRUE(sim.openFds.empty()) << "every device closed again";
    return r;
}

}  // namespace

TEST(Discovery, SptiDrivesInNumberOrderWithTheirNames) {
    SimulatedCdPlatform sim;
    sim.procScsiSg = true;
    SimDevice sr10 = Dev("sr10");
    sr10.product = "DVD-RW  ";  // short: the trailing blanks it sent are kept
    SimDevice sr1 = Dev("sr1");
    sr1.opens = false;  // skipped
    SimDevice sr2 = Dev("sr2");
    sr2.inquiryFails = true;
    SimDevice sr3 = Dev("sr3");
    sr3.product = "CD\xC4 Laufwerk   X";
    sim.devices = {sr10, sr1, Dev("sr0"), sr2, sr3, Sg("sg0", 0, 0)};

    const Discovery r = Discover(sim);
    EXPECT_TRUE(r.table.FUseSPTI);
    EXPECT_EQ(r.items, (std::vector<std::string>{"sr0: SIMULATED CD    ", "sr2: CD-DRIVE",
                                                 "sr3: CD\xC3\x84 Laufwerk   X",
                                                 "sr10: DVD-RW          "}));
    EXPECT_TRUE(r.log.empty());
    // The ASPI layer is never looked for.
    EXPECT_TRUE(sim.pathsAsked.empty());
    EXPECT_EQ(sim.scsiIdQueries, 0);
    // INQUIRY: 6-byte block, 255 bytes, 2 s.
    const auto inquiries = sim.SentWithOpcode(0x12);
    ASSERT_EQ(inquiries.size(), 4u);
    EXPECT_EQ(inquiries[0].cdbLength, 6u);
    EXPECT_EQ(inquiries[0].cdb[4], 0xFF);
    EXPECT_EQ(inquiries[0].dxferLen, 255u);
    EXPECT_EQ(inquiries[0].timeoutMs, 2000u);
}

TEST(Discovery, FallsBackToAspiAddresses) {
    SimulatedCdPlatform sim;
    SimDevice broken = Sg("sg4", 2, 1);
    broken.inquiryFails = true;
    SimDevice tooFar = Sg("sg5", 0, 16);  // targets go up to 15
    sim.devices = {Sg("sg0", 0, 0, 0), Sg("sg1", 1, 3), broken, Sg("sg2", 0, 2), tooFar};

    const Discovery r = Discover(sim);
    EXPECT_FALSE(r.table.FUseSPTI);
    ASSERT_EQ(r.table.FCDDriveCount, 3);
    // Host by host, target by target.
    EXPECT_EQ(r.table.FCDDrives[0].HaId, 0);
    EXPECT_EQ(r.table.FCDDrives[0].Target, 2);
    EXPECT_EQ(r.table.FCDDrives[1].HaId, 1);
    EXPECT_EQ(r.table.FCDDrives[1].Target, 3);
    EXPECT_EQ(r.table.FCDDrives[2].HaId, 2);
    EXPECT_EQ(r.table.FCDDrives[2].Lun, 0);
    EXPECT_EQ(r.items,
              (std::vector<std::string>{"SIMULATED CD    ", "SIMULATED CD    ", "CD-DRIVE"}));
    EXPECT_EQ(r.log, (std::vector<std::string>{
                         "Fehler 4 beim Ausführen des SCSI Kommandos..."}));
}

TEST(Discovery, AspiLayerMissingOrWithoutAdapters) {
    SimulatedCdPlatform none;
    Discovery r = Discover(none);
    EXPECT_EQ(r.table.FCDDriveCount, 0);
    EXPECT_TRUE(r.items.empty());
    EXPECT_EQ(r.log, std::vector<std::string>{"Konnte ASPI Layer nicht laden..."});

    SimulatedCdPlatform driverOnly;  // the sg driver, but no device answers
    driverOnly.procScsiSg = true;
    SimDevice mute = Sg("sg0", 0, 0);
    mute.scsi = false;
    driverOnly.devices = {mute};
    r = Discover(driverOnly);
    EXPECT_EQ(r.table.FCDDriveCount, 0);
    EXPECT_EQ(r.log, std::vector<std::string>{"Konnte ASPI Layer nicht initialisieren..."});
}

TEST(Discovery, ListsAtMost32Drives) {
    SimulatedCdPlatform aspi;
    for (int i = 0; i < 40; ++i) aspi.devices.push_back(Sg("sg" + std::to_string(i), i / 16, i % 16));
    Discovery r = Discover(aspi);
    EXPECT_EQ(r.table.FCDDriveCount, 32);
    EXPECT_EQ(r.table.FCDDrives[31].HaId, 1);
    EXPECT_EQ(r.table.FCDDrives[31].Target, 15);
    EXPECT_EQ(r.items.size(), 32u);

    SimulatedCdPlatform spti;
    for (int i = 0; i < 40; ++i) spti.devices.push_back(Dev("sr" + std::to_string(i)));
    r = Discover(spti);
    EXPECT_EQ(r.table.FCDDriveCount, 32);
    EXPECT_EQ(r.items.back(), "sr31: SIMULATED CD    ");
    EXPECT_EQ(spti.opens, 32);
}
