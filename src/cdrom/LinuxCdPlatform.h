// The CD import's system calls on Linux: the device folder is read with
// opendir(3), devices are opened O_RDONLY | O_NONBLOCK | O_CLOEXEC, and the
// SCSI commands go through ioctl(2).
#pragma once

#include <string>

#include "cdrom/CdPlatform.h"

namespace zirpel {

class LinuxCdPlatform final : public CdPlatform {
public:
    // `deviceFolder` is "/dev" for the program; tests may point it elsewhere.
    explicit LinuxCdPlatform(std::string deviceFolder = "/dev");

    std::string DeviceFolder() const override { return folder_; }
    std::vector<std::string> DeviceNames() override;
    bool PathExists(const std::string& path) override;
    int Open(const std::string& path) override;
    int Ioctl(int fd, unsigned long request, void* arg) override;
    void Close(int fd) override;

private:
    std::string folder_;
};

}  // namespace zirpel
