#include "codec/ByteSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zirpel {

std::size_t MemoryByteSource::read(void* buffer, std::size_t n) {
    if (pos_ >= size_) return 0;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - pos_));
    std::memcpy(buffer, data_ + pos_, count);
    pos_ += count;
    return count;
}

std::size_t MemoryByteSource::readAt(std::uint64_t position, void* buffer, std::size_t n) const {
    if (position >= size_) return 0;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - position));
    std::memcpy(buffer, data_ + position, count);
    return count;
}

namespace {
constexpr std::size_t kWindow = 64 * 1024;
}

std::unique_ptr<FileByteSource> FileByteSource::open(const std::string& path) {
    // O_NONBLOCK so that a FIFO cannot hold up the open itself while it
    // waits for a writer; whatever is not a regular file (directory, FIFO,
    // device) is refused before anything is read from it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
        ::close(fd);
        return nullptr;
    }
    // Plain blocking reads from here on.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* f = ::fdopen(fd, "rb");
    if (f == nullptr) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<FileByteSource>(
        new FileByteSource(f, static_cast<std::uint64_t>(st.st_size)));
}

FileByteSource::FileByteSource(std::FILE* f, std::uint64_t size)
    : file_(f), size_(size), window_(kWindow) {
    std::setvbuf(file_, nullptr, _IONBF, 0);  // the window is the buffer
}

FileByteSource::~FileByteSource() { std::fclose(file_); }

bool FileByteSource::fill(std::uint64_t position) {
    windowStart_ = position;
    windowLength_ = 0;
    if (position >= size_) return false;
    if (fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0) return false;
    windowLength_ = std::fread(window_.data(), 1, window_.size(), file_);
    return windowLength_ > 0;
}

std::uint64_t FileByteSource::HoleBytesAt(std::uint64_t position, std::uint64_t limit) const {
    const off_t data = ::lseek(::fileno(file_), static_cast<off_t>(position), SEEK_DATA);
    std::uint64_t holeEnd = 0;
    if (data >= 0)
        holeEnd = static_cast<std::uint64_t>(data);
    else if (errno == ENXIO)
        holeEnd = size_;  // no data after `position`: a hole up to the end
    else
        return 0;  // the file system cannot tell: read normally
    if (holeEnd <= position) return 0;
    return std::min({holeEnd - position, limit, size_ - position});
}

std::size_t FileByteSource::readAt(std::uint64_t position, void* buffer, std::size_t n) const {
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < n && position + done < size_) {
        const std::size_t want = static_cast<std::size_t>(
            std::min<std::uint64_t>(n - done, size_ - position - done));
        const ssize_t got = ::pread(::fileno(file_), out + done, want,
                                    static_cast<off_t>(position + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::size_t FileByteSource::read(void* buffer, std::size_t n) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < n && pos_ < size_) {
        if (pos_ < windowStart_ || pos_ >= windowStart_ + windowLength_) {
            // Large reads bypass the window.
            if (n - done >= window_.size()) {
                // A hole of a sparse file reads as zeros: fill them here
                // instead of having the kernel make zero pages to copy.
                const std::uint64_t zeros = HoleBytesAt(pos_, n - done);
                if (zeros > 0) {
                    std::memset(out + done, 0, static_cast<std::size_t>(zeros));
                    done += static_cast<std::size_t>(zeros);
                    pos_ += zeros;
                    continue;
                }
                if (fseeko(file_, static_cast<off_t>(pos_), SEEK_SET) != 0) break;
                const std::size_t got = std::fread(out + done, 1, n - done, file_);
                done += got;
                pos_ += got;
                break;
            }
            if (!fill(pos_)) break;
        }
        const std::size_t offset = static_cast<std::size_t>(pos_ - windowStart_);
        const std::size_t count = std::min(n - done, windowLength_ - offset);
        std::memcpy(out + done, window_.data() + offset, count);
        done += count;
        pos_ += count;
    }
    return done;
}

}  // namespace zirpel
