// What the CD import needs from the operating system, behind one small seam:
// the device folder's entry names, whether a path exists, opening and
// closing a device, and the ioctl that carries SCSI commands (SG_IO) or asks
// a generic SCSI device for its address (SG_GET_SCSI_ID).
//
// The real implementation (LinuxCdPlatform) makes the system calls; tests
// put a simulated drive here, so discovery and rip run without hardware.
#pragma once

#include <string>
#include <vector>

namespace zirpel {

class CdPlatform {
public:
    virtual ~CdPlatform() = default;

    // The folder that holds the device nodes ("/dev" on a real system).
    virtual std::string DeviceFolder() const = 0;
    // Entry names in DeviceFolder(), in no particular order.
    virtual std::vector<std::string> DeviceNames() = 0;
    // True when `path` names something that exists.
    virtual bool PathExists(const std::string& path) = 0;

    // Opens a device read-only and non-blocking (what a CD block device
    // accepts for SG_IO). Returns a descriptor, or -1.
    virtual int Open(const std::string& path) = 0;
    // Returns 0 on success, -1 on failure (like ioctl(2)).
    virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual void Close(int fd) = 0;
};

// An open device that is closed on every path out of its scope.
class DeviceHandle {
public:
    DeviceHandle() = default;
    DeviceHandle(CdPlatform& platform, const std::string& path)
        : platform_(&platform), fd_(platform.Open(path)) {}
    ~DeviceHandle() { Reset(); }
    DeviceHandle(DeviceHandle&& other) noexcept : platform_(other.platform_), fd_(other.fd_) {
        other.fd_ = -1;
    }
    DeviceHandle& operator=(DeviceHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            platform_ = other.platform_;
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;

    bool valid() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    int Ioctl(unsigned long request, void* arg) const {
        return platform_->Ioctl(fd_, request, arg);
    }
    void Reset() {
        if (fd_ >= 0) platform_->Close(fd_);
        fd_ = -1;
    }

private:
    CdPlatform* platform_ = nullptr;
    int fd_ = -1;
};

}  // namespace zirpel
