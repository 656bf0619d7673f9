// The real system calls: discovery on this machine's /dev, and SG_IO sent
// to things that are not SCSI devices (/dev/null, a regular file), which
// must fail cleanly, be logged, and leave no descriptor open.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "cdrom/CdDrives.h"
#include "cdrom/LinuxCdPlatform.h"
#include "cdrom/SimulatedCd.h"
#include "cdrom/TrackImport.h"

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace {

long OpenDescriptors() {
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
}

Lines Discover(zirpel::CdPlatform& platform, zirpel::CdDriveTable& table) {
    Lines log;
    zirpel::FindAllCDDrives(platform, table, [&](const std::string& l) { log.push_back(l); });
    return log;
}

}  // namespace

TEST(LinuxCdPlatform, DiscoveryOnThisMachine) {
    zirpel::LinuxCdPlatform platform;
    const long before = OpenDescriptors();
    zirpel::CdDriveTable table;
    const Lines log = Discover(platform, table);
    EXPECT_EQ(OpenDescriptors(), before);
    bool scsi = fs::exists("/proc/scsi/sg");
    for (const auto& e : fs::directory_iterator("/dev"))
        scsi = scsi || e.path().filename().string().starts_with("sr") ||
               e.path().filename().string().starts_with("sg");
    if (scsi)
        GTEST_SKIP() << "this machine has SCSI devices; drives found: " << table.FCDDriveCount;
    EXPECT_EQ(table.FCDDriveCount, 0);
    EXPECT_EQ(log, Lines{"Konnte ASPI Layer nicht laden..."});
}

TEST(LinuxCdPlatform, SgIoOnThingsThatAreNoScsiDevicesFailsCleanly) {
    std::string folder = (fs::temp_directory_path() / "zirpel_cd_XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const fs::path dev = folder;
    fs::create_symlink("/dev/null", dev / "sr0");
    std::ofstream(dev / "sr1") << "not a drive";
    zirpel::LinuxCdPlatform platform(folder);
    const long before = OpenDescriptors();

    // Both open, neither answers INQUIRY: listed under the fall-back name.
    zirpel::CdDriveTable table;
    EXPECT_TRUE(Discover(platform, table).empty());
    EXPECT_EQ(zirpel::DriveItemTexts(table), (Lines{"sr0: CD-DRIVE", "sr1: CD-DRIVE"}));
    for (int drive : {0, 1}) {
        zirpel::TrackTable toc;
        zirpel::testing::FakeTask task;
        Lines log;
        const auto r = zirpel::RunTrackImport(
            platform, {&table, drive}, toc, task,
            {[&](const std::string& l) { log.push_back(l); }, [](std::int64_t) {}, {}});
        EXPECT_FALSE(r.clip);
        EXPECT_EQ(log,
                  (Lines{"Konnte TOC nicht lesen...", "Starte Ripping...", "Ripping beendet..."}));
    }

    // A generic SCSI node that reports no address: the layer has no adapter.
    fs::remove(dev / "sr0");
    fs::remove(dev / "sr1");
    std::ofstream(dev / "sg0") << "not a drive";
    EXPECT_EQ(Discover(platform, table), Lines{"Konnte ASPI Layer nicht initialisieren..."});
    EXPECT_EQ(table.FCDDriveCount, 0);
    EXPECT_EQ(OpenDescriptors(), before);
    fs::remove_all(dev);
}
