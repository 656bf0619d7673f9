// Writing a file the user chose without ever destroying what was there.
//
// Normally the bytes go into a new temporary file in the target's folder,
// created exclusively and written only through the descriptor that created
// it; commit() flushes it, checks that the temporary name still is that
// very file, renames it over the target in one step, and checks that the
// target now is that file. Until then, and whenever anything fails, the
// target stays exactly as it was and the temporary file is removed. A
// replaced file keeps its permission bits (and, where allowed, its owner).
//
// Two targets are written in place instead, because a rename would lose
// something the user has: a file with several hard links (the other names
// would keep the old contents), and a writable file in a folder the user
// may not write (no temporary file can be made there). A failure while
// writing in place is reported, but the file may then be incomplete.
//
// A target that is a symbolic link is saved to the file it points to; the
// link stays a link.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "wave/ByteSink.h"

namespace zirpel {

class SafeFile final : public ByteSink {
public:
    SafeFile() = default;
    ~SafeFile() override;
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    // Prepares writing `target`. False if nothing can be written there
    // (folder missing, target not a regular file or not writable, ...).
    bool open(const std::string& target);

    // Appends bytes. After the first failure every further write fails too
    // and commit() refuses.
    bool write(const void* data, std::size_t size) override;

    // Makes the written bytes the target's contents (see above). False if
    // any write failed or any step fails.
    bool commit();

    // Drops what was written; the target stays as it was (unless it was
    // being written in place).
    void discard();

    bool writesInPlace() const { return inPlace_; }

    // Test seams: how the temporary file is created (default: ::open), and
    // a call made just before the rename, with the temporary name.
    std::function<int(const char* path, int flags, int mode)> createFile;
    std::function<void(const std::string& tempName)> beforeRename;

private:
    bool openInPlace();
    bool flushPending();
    bool writeOut(const std::uint8_t* data, std::size_t size);

    static constexpr std::size_t kBlock = std::size_t{64} << 10;
    std::vector<std::uint8_t> pending_;
    int fd_ = -1;
    bool failed_ = false;
    bool inPlace_ = false;
    std::string target_;
    std::string tempName_;
};

}  // namespace zirpel
