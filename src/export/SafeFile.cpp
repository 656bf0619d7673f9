#include "export/SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <limits>
#include <cstdint>
#include <cstdlib>
#include <random>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "clip/FileWrites.h"

namespace zirpel {
namespace {

// The largest piece of one write or copy step (see clip/FileWrites.h): a
// stop request is looked at between pieces.
constexpr std::size_t kPiece = kFileWriteBytes;

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

// The file a save to `target` writes: a symbolic link is replaced through
// its destination, so the link survives. False for a link that leads
// nowhere or in a circle: following it would create a file the user never
// named, and replacing it would turn the link into a plain file.
bool ResolveTarget(const std::string& target, std::string& resolved) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        resolved = target;
        return true;
    }
    char* real = ::realpath(target.c_str(), nullptr);
    if (real == nullptr) return false;
    resolved = real;
    std::free(real);
    return true;
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

bool IsRefusal(int error) { return error == EACCES || error == EPERM || error == EROFS; }

void Close(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

using CreateFn = std::function<int(const char*, int, int)>;

// Creates "<dir>/.<base>.<random>.tmp" exclusively. Returns the descriptor
// and its name, or -1 with errno of the last attempt.
int CreateExclusive(const std::string& dir, const std::string& base, int access, int mode,
                    const CreateFn& create, std::string& name) {
    std::random_device seed;
    std::mt19937 rng(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = (dir == "/" ? std::string() : dir) + "/." + base + "." +
               std::to_string(rng() % 1000000000u) + ".tmp";
        const int fd = create(name.c_str(), access | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) return fd;
        if (errno != EEXIST) break;
    }
    name.clear();
    return -1;
}

int PlainCreate(const char* p, int f, int m) { return ::open(p, f, static_cast<mode_t>(m)); }

// A file only this process can reach: created like the temporary file, then
// its name is removed at once (only while it still is the file created).
int CreateNameless(const std::string& dir, const std::string& base, const CreateFn& create) {
    std::string name;
    const int fd = CreateExclusive(dir, base, O_RDWR, 0600, create, name);
    if (fd >= 0 && IsSameFile(name, fd)) ::unlink(name.c_str());
    return fd;
}

std::string DefaultStagingFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp != nullptr ? tmp : "";
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder.empty() ? "/tmp" : folder;
}

}  // namespace

SafeFile::SafeFile() : stagingFolder(DefaultStagingFolder()) {}

SafeFile::~SafeFile() { discard(); }

bool SafeFile::open(const std::string& target) {
    discard();
    failed_ = false;
    stopped_ = false;
    written_ = 0;
    oldMode_ = 0;
    if (target.empty() || !ResolveTarget(target, target_)) return false;

    auto [dir, base] = SplitPath(target_);
    if (base.empty()) return false;
    // Keep the temporary name within the file-name length limit.
    if (base.size() > 64) base.resize(64);
    dir_ = dir;
    base_ = base;

    // An existing file passes its permissions on; a new one gets what a
    // plain create would give (0666 less the umask, applied by open()).
    struct stat old {};
    const bool replacing = ::stat(target_.c_str(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode)) return false;
    // A file the user may not write stays as it is, as with a direct write.
    if (replacing && ::access(target_.c_str(), W_OK) != 0) return false;
    if (replacing) oldMode_ = old.st_mode;
    // Renaming over a file with other hard links would cut it off from them.
    if (replacing && old.st_nlink > 1) return openInPlace(true);

    const int fd = CreateExclusive(dir_, base_, O_WRONLY, 0666, createFile ? createFile : PlainCreate,
                                   tempName_);
    if (fd < 0) {
        // No temporary file can be made beside a file the user may write:
        // replace its contents instead, as the user asked.
        if (replacing && IsRefusal(errno)) return openInPlace(false);
        return false;
    }
    fd_ = fd;
    if (replacing) {
        // Owner first: changing it may clear set-id bits, which are dropped
        // anyway (a changed program must not keep running as its owner).
        if (::fchown(fd_, old.st_uid, old.st_gid) != 0) {
            // Not allowed for ordinary users; the file then belongs to them.
        }
        if (::fchmod(fd_, old.st_mode & 01777) != 0) {
            discard();
            return false;
        }
    }
    return true;
}

bool SafeFile::openInPlace(bool folderTakesFiles) {
    // Read access too: the old contents are kept until the new ones are in.
    targetFd_ = ::open(target_.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    if (targetFd_ < 0 || ::fstat(targetFd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        Close(targetFd_);
        return false;
    }
    fd_ = createStaging(folderTakesFiles);
    if (fd_ < 0) {
        Close(targetFd_);
        return false;
    }
    inPlace_ = true;
    return true;
}

int SafeFile::createStaging(bool beside) {
    if (beside) {
        const int fd = CreateNameless(dir_, base_, createFile ? createFile : PlainCreate);
        if (fd >= 0 || !IsRefusal(errno)) {
            stageBeside_ = true;
            return fd;
        }
    }
    stageBeside_ = false;
    return CreateNameless(stagingFolder, "zirpel-" + base_, PlainCreate);
}

bool SafeFile::write(const void* data, std::size_t size) {
    if (fd_ < 0 || failed_) {
        failed_ = true;
        return false;
    }
    if (stopRequested && stopRequested()) {
        stopped_ = failed_ = true;
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

bool SafeFile::place(std::uint64_t offset, const void* data, std::size_t size) {
    {
        std::lock_guard g(placing_);
        if (fd_ < 0 || failed_) return false;
    }
    const auto end = offset + size;
    const bool ok = offset <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) - size &&
                    writeAll(fd_, static_cast<const std::uint8_t*>(data), size, static_cast<off_t>(offset));
    std::lock_guard g(placing_);
    if (!ok) {
        failed_ = true;
        return false;
    }
    written_ = std::max(written_, static_cast<off_t>(end));
    return true;
}

bool SafeFile::setLength(std::uint64_t length) {
    std::lock_guard g(placing_);
    if (fd_ < 0 || failed_) return false;
    if (length > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) ||
        ::ftruncate(fd_, static_cast<off_t>(length)) != 0) {
        failed_ = true;
        return false;
    }
    written_ = static_cast<off_t>(length);
    return true;
}

bool SafeFile::flushPending() {
    const bool ok = writeOut(pending_.data(), pending_.size());
    pending_.clear();
    return ok;
}

bool SafeFile::writeOut(const std::uint8_t* p, std::size_t size) {
    while (size > 0) {
        if (stopRequested && stopRequested()) {
            stopped_ = failed_ = true;
            return false;
        }
        const std::size_t n = std::min(size, kPiece);
        if (!writeAll(fd_, p, n, written_)) {
            failed_ = true;
            return false;
        }
        written_ += static_cast<off_t>(n);
        p += n;
        size -= n;
    }
    return true;
}

bool SafeFile::writeAll(int fd, const std::uint8_t* p, std::size_t size, off_t offset) {
    while (size > 0) {
        const ssize_t n = writeAt ? writeAt(fd, p, size, offset) : ::pwrite(fd, p, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

// Copies `size` bytes from the start of `from` to the start of `to`. Into
// the target, every piece counts as touched before it is written.
bool SafeFile::copyBytes(int from, int to, off_t size, bool intoTarget) {
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<off_t>(size, kPiece)));
    for (off_t pos = 0; pos < size;) {
        const auto want = static_cast<std::size_t>(std::min<off_t>(size - pos, kPiece));
        const ssize_t got = ::pread(from, buffer.data(), want, pos);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        if (intoTarget) touched_ = std::max(touched_, pos + got);
        if (!writeAll(to, buffer.data(), static_cast<std::size_t>(got), pos)) return false;
        pos += got;
    }
    return true;
}

namespace {
// The turn of the commits on this thread (SafeFile::CommitTurn), if any.
thread_local const std::function<bool()>* tCommitTurn = nullptr;
}  // namespace

SafeFile::CommitTurn::CommitTurn(std::function<bool()> mayCommit)
    : mayCommit_(std::move(mayCommit)), outer_(tCommitTurn) {
    tCommitTurn = &mayCommit_;
}

SafeFile::CommitTurn::~CommitTurn() { tCommitTurn = outer_; }

bool SafeFile::commit() {
    if (fd_ >= 0 && !failed_) flushPending();
    if (fd_ < 0 || failed_ || (tCommitTurn != nullptr && !(*tCommitTurn)())) {
        discard();
        return false;
    }
    if (inPlace_) {
        const bool ok = commitInPlace();
        discard();
        return ok;
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

bool SafeFile::commitInPlace() {
    struct stat st {};
    if (::fstat(targetFd_, &st) != 0) return false;
    oldSize_ = st.st_size;
    touched_ = 0;
    // Nothing of the target has changed up to here, so a failure of these
    // two steps needs no repair beyond the length a failed reservation may
    // have grown.
    if (!keepOldContents()) return false;
    int reserved = 0;
    do {
        reserved = written_ == 0  ? 0
                   : reserveSpace ? reserveSpace(targetFd_, written_)
                                  : ::posix_fallocate(targetFd_, 0, written_);
    } while (reserved == EINTR);
    if (reserved != 0) {
        if (::ftruncate(targetFd_, oldSize_) != 0) {
            // The length is all a reservation changes; a failure to cut it
            // back leaves zeros after the old contents.
        }
        return false;
    }
    // Set-id bits never survive a change of contents.
    const bool dropIds = (oldMode_ & 06000) != 0;
    bool ok = copyBytes(fd_, targetFd_, written_, true);
    if (ok && written_ < oldSize_) {
        touched_ = oldSize_;
        ok = ::ftruncate(targetFd_, written_) == 0;
    }
    ok = ok && (!dropIds || ::fchmod(targetFd_, oldMode_ & 01777) == 0) && ::fsync(targetFd_) == 0;
    if (!ok) putBackOldContents();
    return ok;
}

bool SafeFile::keepOldContents() {
    // Beside the target first (where the blocks can be shared), then in the
    // staging folder when the target's disk has no room for a copy.
    for (const bool beside : {stageBeside_, false}) {
        keptFd_ = createStaging(beside);
        if (keptFd_ < 0) continue;
        // Sharing the blocks costs no space and cannot fail halfway.
        keptByClone_ = ::ioctl(keptFd_, FICLONE, targetFd_) == 0;
        if (keptByClone_ || copyBytes(targetFd_, keptFd_, oldSize_, false)) return true;
        Close(keptFd_);
        if (!beside) break;
    }
    return false;
}

void SafeFile::putBackOldContents() {
    bool back = false;
    if (keptByClone_) {
        file_clone_range whole{};
        whole.src_fd = keptFd_;  // offset 0 and length 0: the whole kept file
        back = ::ioctl(targetFd_, FICLONERANGE, &whole) == 0;
    }
    // Only what may have been overwritten goes back.
    if (!back) copyBytes(keptFd_, targetFd_, std::min(touched_, oldSize_), false);
    if (::ftruncate(targetFd_, oldSize_) != 0 || ::fsync(targetFd_) != 0) {
        // Nothing more can be done; the save is reported as failed.
    }
}

void SafeFile::discard() {
    pending_.clear();
    // Remove the temporary name only while it still is the file created
    // here: whatever someone else put under that name is not ours.
    if (!tempName_.empty() && fd_ >= 0 && IsSameFile(tempName_, fd_)) ::unlink(tempName_.c_str());
    tempName_.clear();
    Close(fd_);
    Close(targetFd_);
    Close(keptFd_);
    keptByClone_ = false;
    inPlace_ = false;
}

}  // namespace zirpel
