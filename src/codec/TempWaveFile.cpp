#include "codec/TempWaveFile.h"

#include "clip/Clip.h"
#include "clip/FileWrites.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include <new>

#include <fcntl.h>
#include <unistd.h>

namespace zirpel {
namespace {

constexpr std::uint64_t kWaveHeaderBytes = 44;

// Far more names than any folder holds; only a folder that answers EEXIST
// for everything could get here, and then giving up is right.
constexpr unsigned long kMaxAttempts = 1000000;

}  // namespace

TempWaveFile::TempWaveFile(std::string folder) : folder_(std::move(folder)) {}

TempWaveFile::~TempWaveFile() {
    Discard();
    if (preparing_.joinable()) preparing_.join();
}

bool TempWaveFile::Create() {
    Discard();
    std::string base = folder_;
    if (base.empty() || base.back() != '/') base += '/';
    unsigned long n = 0;
    while (n < kMaxAttempts) {
        std::string name = base + "tempwav" + std::to_string(n) + ".wav";
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            fd_ = fd;
            name_ = std::move(name);
            return true;
        }
        if (errno == EINTR) continue;  // the same name again
        if (errno != EEXIST) return false;
        ++n;
    }
    return false;
}

bool TempWaveFile::WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        std::lock_guard one(writing_);
        const ssize_t n = ::pwrite(fd_, data, std::min(size, kFileWriteBytes),
                                   static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool TempWaveFile::Truncate(std::uint64_t length) {
    while (::ftruncate(fd_, static_cast<off_t>(length)) != 0)
        if (errno != EINTR) return false;
    return true;
}

bool TempWaveFile::Reserve(std::uint64_t length) {
    if (preparing_.joinable() || length <= kWaveHeaderBytes) return true;
    const std::uint64_t bytes = std::min<std::uint64_t>(length - kWaveHeaderBytes, kMaxClipBytes);
    // Touching every page (the zero fill) is what costs: done here it runs
    // beside the decoders instead of after them.
    preparing_ = std::thread([this, bytes] {
        try {
            room_.resize(static_cast<std::size_t>(bytes));
        } catch (const std::bad_alloc&) {
            room_ = {};
        }
    });
    return true;
}

std::vector<std::uint8_t> TempWaveFile::TakeReadBackRoom() {
    if (preparing_.joinable()) preparing_.join();
    return std::move(room_);
}

void TempWaveFile::Discard() {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    // The name is ours: we created it exclusively and only we remove it.
    ::unlink(name_.c_str());
    name_.clear();
}

}  // namespace zirpel
