#include "cdrom/LinuxCdPlatform.h"

#include <cerrno>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zirpel {

LinuxCdPlatform::LinuxCdPlatform(std::string deviceFolder) : folder_(std::move(deviceFolder)) {}

std::vector<std::string> LinuxCdPlatform::DeviceNames() {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder_.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
    ::closedir(dir);
    return names;
}

bool LinuxCdPlatform::PathExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

int LinuxCdPlatform::Open(const std::string& path) {
    // Non-blocking: a drive without a disc (or a tray that is open) must not
    // keep the open waiting; SG_IO works on such a descriptor all the same.
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? -1 : fd;
}

int LinuxCdPlatform::Ioctl(int fd, unsigned long request, void* arg) {
    int r;
    do {
        r = ::ioctl(fd, request, arg);
    } while (r < 0 && errno == EINTR);
    return r < 0 ? -1 : 0;
}

void LinuxCdPlatform::Close(int fd) { ::close(fd); }

}  // namespace zirpel
