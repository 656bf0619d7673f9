// The real system calls: discovery on this machine's /dev, and SG_IO sent
// to things that are not SCSI devices (/dev/null, a regular file), which
// must fail cleanly, be logged, and leave no descriptor open.
#include <gtest/gtest.h>


#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cdrom/CdDrives.h"
#include "cdrom/LinuxCdPlatform.h"
#include "cdrom/SimulatedCd.h"
#include "cdrom/TrackImport.h"

namespace fs = std::filesystem;

namespace {

int OpenDescriptors() {
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

struct TempDeviceFolder {
    fs::path path;
    TempDeviceFolder() {
        std::string templ = (fs::temp_directory_path() / "zirpel_cd_XXXXXX").string();
        if (::mkdtemp(templ.data()) != nullptr) path = templ;
    }
    ~TempDeviceFolder() {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
};

struct Found {
    zirpel::CdDriveTable table;
    std::vector<std::string> log;
};

Found Discover(zirpel::CdPlatform& platform) {
    Found f;
    zirpel::FindAllCDDrives(platform, f.table, [&](const std::string& l) { f.log.push_back(l); });
    return f;
}

}  // namespace

TEST(LinuxCdPlatform, DiscoveryOnThisMachine) {
    zirpel::LinuxCdPlatform platform;
    const int before = OpenDescriptors();
    const Found f = Discover(platform);
    EXPECT_EQ(OpenDescriptors(), before);

    bool anyScsi = fs::exists("/proc/scsi/sg");
    for (const auto& e : fs::directory_iterator("/dev")) {
        const std::string name = e.path().filename().string();
        if (name.rfind("sr", 0) == 0 || name.rfind("sg", 0) == 0) anyScsi = true;
    }
    if (anyScsi) GTEST_SKIP() << "this machine has SCSI devices; found " << f.table.FCDDriveCount;
    EXPECT_EQ(f.table.FCDDriveCount, 0);
    EXPECT_FALSE(f.table.FUseSPTI);
    EXPECT_EQ(f.log, std::vector<std::string>{"Konnte ASPI Layer nicht laden..."});
}

TEST(LinuxCdPlatform, SgIoOnThingsThatAreNoScsiDevicesFailsCleanly) {
    TempDeviceFolder dev;
    ASSERT_FALSE(dev.path.empty());
    fs::create_symlink("/dev/null", dev.path / "sr0");
    std::ofstream(dev.path / "sr1") << "not a drive";
    zirpel::LinuxCdPlatform platform(dev.path.string());
    const int before = OpenDescriptors();

    // Both open, neither answers INQUIRY: listed under the fall-back name.
    const Found f = Discover(platform);
    EXPECT_TRUE(f.table.FUseSPTI);
    EXPECT_EQ(zirpel::DriveItemTexts(f.table),
              (std::vector<std::string>{"sr0: CD-DRIVE", "sr1: CD-DRIVE"}));
    EXPECT_TRUE(f.log.empty());

    for (int drive : {0, 1}) {
        zirpel::TrackImportRequest request;
        request.drives = &f.table;
        request.selectedDrive = drive;
        zirpel::TrackTable table;
        zirpel::testing::FakeTask task;
        std::vector<std::string> log;
        const auto r = zirpel::RunTrackImport(
            platform, request, table, task,
            {[&](const std::string& l) { log.push_back(l); }, [](std::int64_t) {}});
        EXPECT_FALSE(r.clip);
        EXPECT_EQ(log, (std::vector<std::string>{"Konnte TOC nicht lesen...", "Starte Ripping...",
                                                 "Ripping beendet..."}));
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(LinuxCdPlatform, GenericDeviceThatReportsNoAddress) {
    TempDeviceFolder dev;
    ASSERT_FALSE(dev.path.empty());
    std::ofstream(dev.path / "sg0") << "not a drive";
    zirpel::LinuxCdPlatform platform(dev.path.string());
    const int before = OpenDescriptors();
    const Found f = Discover(platform);
    EXPECT_EQ(f.table.FCDDriveCount, 0);
    EXPECT_EQ(f.log, std::vector<std::string>{"Konnte ASPI Layer nicht initialisieren..."});
    EXPECT_EQ(OpenDescriptors(), before);
}
