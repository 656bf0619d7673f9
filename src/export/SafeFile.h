// Writing a file the user chose without ever destroying what was there.
//
// The bytes go into a new temporary file in the target's folder; commit()
// flushes it to disk, closes it and renames it over the target in one step.
// Until then, and whenever anything fails, the target stays exactly as it
// was, and the temporary file is removed. A replaced file keeps its
// permission bits (and, where allowed, its owner).
#pragma once

#include <cstddef>
#include <string>

#include "export/ByteSink.h"

namespace zirpel {

class SafeFile final : public ByteSink {
public:
    SafeFile() = default;
    ~SafeFile() override;
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    // Creates the temporary file beside `target`. False if it cannot be
    // created (folder missing or not writable, ...), or if `target` exists
    // but is not a regular file the caller may write.
    bool open(const std::string& target);

    // Name of the temporary file, for writers that open files by name.
    // Empty when not open.
    const std::string& tempName() const { return tempName_; }

    // Appends bytes. After the first failure every further write fails too
    // and commit() refuses.
    bool write(const void* data, std::size_t size) override;

    // Flushes, closes and renames the temporary file over the target. False
    // if any write failed or any of these steps fails; the target is then
    // unchanged and the temporary file gone.
    bool commit();

    // Drops the temporary file; the target stays as it was.
    void discard();

private:
    int fd_ = -1;
    bool failed_ = false;
    std::string target_;
    std::string tempName_;
};

}  // namespace zirpel
