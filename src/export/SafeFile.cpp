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
struct PathParts {
    std::string dir;
    std::string base;
};
PathParts SplitPath(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {std::string(1, '.'), path};
    return {path.substr(0, slash == 0 ? 1 : slash), path.substr(slash + 1)};
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

// Whether `path` (not following a link) is the file open on `fd`.
bool IsSameFile(const std::string& path, int fd) {
    struct stat byName {}, byFd {};
    return ::lstat(path.c_str(), &byName) == 0 && ::fstat(fd, &byFd) == 0 &&
           S_ISREG(byName.st_mode) && byName.st_dev == byFd.st_dev && byName.st_ino == byFd.st_ino;
}

}  // namespace

SafeFile::~SafeFile() { discard(); }

bool SafeFile::open(const std::string& target) {
    discard();
    failed_ = false;
    inPlace_ = false;
    if (target.empty()) return false;
    target_ = ResolveTarget(target);

    auto [dir, base] = SplitPath(target_);
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
    // Renaming over a file with other hard links would cut it off from them.
    if (replacing && old.st_nlink > 1) return openInPlace();

    const auto create = createFile ? createFile : [](const char* p, int f, int m) {
        return ::open(p, f, static_cast<mode_t>(m));
    };
    std::random_device seed;
    std::mt19937 rng(seed());
    int error = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = (dir == "/" ? std::string() : dir) + "/." + base + "." +
                                 std::to_string(rng() % 1000000000u) + ".tmp";
        const int fd = create(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            fd_ = fd;
            tempName_ = name;
            break;
        }
        error = errno;
        if (error != EEXIST) break;
    }
    if (fd_ < 0) {
        // No temporary file can be made beside a file the user may write:
        // replace its contents directly, as the user asked.
        if (replacing && (error == EACCES || error == EPERM || error == EROFS)) return openInPlace();
        return false;
    }

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

bool SafeFile::openInPlace() {
    // No O_TRUNC: the old contents are only cut off once the new ones are
    // written (commit), so a save refused at the first byte changes nothing.
    const int fd = ::open(target_.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    inPlace_ = true;
    return true;
}

bool SafeFile::write(const void* data, std::size_t size) {
    if (fd_ < 0 || failed_) {
        failed_ = true;
        return false;
    }
    // Small pieces (an MP3 encoder hands over a few hundred bytes at a time)
    // are collected and written in large blocks.
    const auto* p = static_cast<const std::uint8_t*>(data);
    if (pending_.size() + size > kBlock && !flushPending()) return false;
    if (size >= kBlock) return writeOut(p, size);
    pending_.insert(pending_.end(), p, p + size);
    return true;
}

bool SafeFile::flushPending() {
    const bool ok = writeOut(pending_.data(), pending_.size());
    pending_.clear();
    return ok;
}

bool SafeFile::writeOut(const std::uint8_t* p, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed_ = true;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool SafeFile::commit() {
    if (fd_ >= 0 && !failed_) flushPending();
    if (fd_ < 0 || failed_) {
        discard();
        return false;
    }
    if (inPlace_) {
        const off_t end = ::lseek(fd_, 0, SEEK_CUR);
        const bool ok = end >= 0 && ::ftruncate(fd_, end) == 0 && ::fsync(fd_) == 0;
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        inPlace_ = false;
        return ok && closed;
    }
    bool ok = ::fsync(fd_) == 0;
    if (beforeRename) beforeRename(tempName_);
    // Rename only the file written here: if the temporary name was swapped
    // for something else meanwhile, the save fails and the target stays.
    ok = ok && IsSameFile(tempName_, fd_) && ::rename(tempName_.c_str(), target_.c_str()) == 0;
    if (!ok) {
        discard();
        return false;
    }
    // The name now belongs to the target; a check that it really holds what
    // was written here keeps a race from passing as a successful save.
    const bool landed = IsSameFile(target_, fd_);
    tempName_.clear();
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    SyncFolder(SplitPath(target_).dir);
    return landed && closed;
}

void SafeFile::discard() {
    pending_.clear();
    // Remove the temporary name only while it still is the file created
    // here: whatever someone else put under that name is not ours.
    if (!tempName_.empty() && fd_ >= 0 && IsSameFile(tempName_, fd_)) ::unlink(tempName_.c_str());
    tempName_.clear();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    inPlace_ = false;
}

}  // namespace zirpel
