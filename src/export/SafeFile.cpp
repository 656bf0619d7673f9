#include "export/SafeFile.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zirpel {
namespace {

// Folder part of a path ("." when there is none) and the last component.
void SplitPath(const std::string& path, std::string& dir, std::string& base) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        dir = ".";
        base = path;
    } else {
        dir = slash == 0 ? "/" : path.substr(0, slash);
        base = path.substr(slash + 1);
    }
}

// A symbolic link is replaced through its destination, so the link survives.
std::string ResolveTarget(const std::string& target) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(target.c_str(), nullptr)) {
            std::string resolved(real);
            std::free(real);
            return resolved;
        }
    }
    return target;
}

void SyncFolder(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

SafeFile::~SafeFile() { discard(); }

bool SafeFile::open(const std::string& target) {
    discard();
    failed_ = false;
    if (target.empty()) return false;
    target_ = ResolveTarget(target);

    std::string dir, base;
    SplitPath(target_, dir, base);
    if (base.empty()) return false;
    // Keep the temporary name within the file-name length limit.
    if (base.size() > 64) base.resize(64);

    // An existing file passes its permissions on; a new one gets what a
    // plain create would give (0666 less the umask, applied by open()).
    struct stat old {};
    const bool replacing = ::stat(target_.c_str(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode)) return false;
    // A file the user may not write stays as it is, as with a direct write.
    if (replacing && ::access(target_.c_str(), W_OK) != 0) return false;

    std::random_device seed;
    std::mt19937 rng(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = (dir == "/" ? std::string() : dir) + "/." + base + "." +
                                 std::to_string(rng() % 1000000000u) + ".tmp";
        const int fd =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        fd_ = fd;
        tempName_ = name;
        break;
    }
    if (fd_ < 0) return false;

    if (replacing) {
        // Owner first: changing it may clear set-id bits, which the mode restores.
        if (::fchown(fd_, old.st_uid, old.st_gid) != 0) {
            // Not allowed for ordinary users; the file then belongs to them.
        }
        if (::fchmod(fd_, old.st_mode & 07777) != 0) {
            discard();
            return false;
        }
    }
    return true;
}

bool SafeFile::write(const void* data, std::size_t size) {
    if (fd_ < 0 || failed_) {
        failed_ = true;
        return false;
    }
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            failed_ = true;
            return false;
        }
        if (n == 0) {
            failed_ = true;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool SafeFile::commit() {
    if (fd_ < 0 || failed_) {
        discard();
        return false;
    }
    const bool synced = ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    if (!synced || !closed || ::rename(tempName_.c_str(), target_.c_str()) != 0) {
        discard();
        return false;
    }
    tempName_.clear();
    std::string dir, base;
    SplitPath(target_, dir, base);
    SyncFolder(dir);
    return true;
}

void SafeFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempName_.empty()) {
        ::unlink(tempName_.c_str());
        tempName_.clear();
    }
}

}  // namespace zirpel
