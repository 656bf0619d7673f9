// Random-access byte input for the MP3 import: a buffered file reader and an
// in-memory source with the same interface (the latter for tests and the
// fuzzer). Reads past the end return fewer bytes; seeking past the end is
// allowed and simply reads nothing there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace zirpel {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to n bytes at the current position; returns how many were read.
    virtual std::size_t read(void* buffer, std::size_t n) = 0;
    virtual void seek(std::uint64_t position) = 0;
    virtual std::uint64_t tell() const = 0;
    virtual std::uint64_t size() const = 0;
    // Reads up to n bytes at `position` without moving the current
    // position. Safe to call from several threads at once.
    virtual std::size_t readAt(std::uint64_t position, void* buffer, std::size_t n) const = 0;
};

class MemoryByteSource final : public ByteSource {
public:
    MemoryByteSource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t read(void* buffer, std::size_t n) override;
    void seek(std::uint64_t position) override { pos_ = position; }
    std::uint64_t tell() const override { return pos_; }
    std::uint64_t size() const override { return size_; }
    std::size_t readAt(std::uint64_t position, void* buffer, std::size_t n) const override;

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::uint64_t pos_ = 0;
};

// Reads a file through a window of 64 KiB, so that the byte-wise header
// search and the block reads cost no system call per step.
class FileByteSource final : public ByteSource {
public:
    // Opens `path` read-only; returns null when it cannot be opened or is
    // not a regular file (a directory, FIFO or device is never read).
    static std::unique_ptr<FileByteSource> open(const std::string& path);
    ~FileByteSource() override;

    std::size_t read(void* buffer, std::size_t n) override;
    void seek(std::uint64_t position) override { pos_ = position; }
    std::uint64_t tell() const override { return pos_; }
    std::uint64_t size() const override { return size_; }
    std::size_t readAt(std::uint64_t position, void* buffer, std::size_t n) const override;

private:
    FileByteSource(std::FILE* f, std::uint64_t size);
    bool fill(std::uint64_t position);
    // Bytes of a hole (sparse region) from `position`, at most `limit`; 0
    // where there is data or the file system cannot tell.
    std::uint64_t HoleBytesAt(std::uint64_t position, std::uint64_t limit) const;

    std::FILE* file_;
    std::uint64_t size_;
    std::uint64_t pos_ = 0;
    std::vector<std::uint8_t> window_;
    std::uint64_t windowStart_ = 0;
    std::size_t windowLength_ = 0;
};

}  // namespace zirpel
