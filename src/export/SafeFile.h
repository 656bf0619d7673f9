// Writing a file the user chose without ever destroying what was there.
//
// Normally the bytes go into a new temporary file in the target's folder,
// created exclusively and written only through the descriptor that created
// it; commit() flushes it, checks that the temporary name still is that
// very file, renames it over the target in one step, and checks that the
// target now is that file. Until then, and whenever anything fails, the
// target stays exactly as it was and the temporary file is removed. A
// replaced file keeps its permission bits (and, where allowed, its owner),
// but never a set-uid or set-gid bit.
//
// Two targets are rewritten in place instead, because a rename would lose
// something the user has: a file with several hard links (the other names
// would keep the old contents), and a writable file in a folder the user
// may not write (no temporary file can be made there). Their new contents
// first go completely into a staging file (beside the target, or in the
// temporary folder when the target's folder takes no new file); until
// commit() nothing touches the target. commit() then keeps the old contents
// in a second file, reserves the space of the new contents on the target
// (posix_fallocate), copies them in and cuts the target to their length.
// If any of that fails, the old contents are put back and the save fails.
// The kept copy, not the reservation, is what makes this safe: a reserved
// block may still need fresh space when it is overwritten (copy-on-write
// file systems), and a disk can fail at any write. Where the file system
// can share blocks between files, the copy is made (and put back) that way,
// which needs no space. The staging file and the copy lose their names
// right after they are created, so neither is ever left behind.
//
// A target that is a symbolic link is saved to the file it points to; the
// link stays a link. A link that points nowhere or in a circle is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <sys/types.h>

#include "wave/ByteSink.h"

namespace zirpel {

class SafeFile final : public ByteSink {
public:
    SafeFile();
    ~SafeFile() override;
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    // Prepares writing `target`. False if nothing can be written there
    // (folder missing, target not a regular file or not writable, a link
    // that leads nowhere, no room for the staging file, ...).
    bool open(const std::string& target);

    // Appends bytes. After the first failure every further write fails too
    // and commit() refuses.
    bool write(const void* data, std::size_t size) override;

    // Writes at `offset` of the new contents, for a writer that fills them
    // out of order. Several threads may place disjoint ranges at once; the
    // contents reach as far as the farthest byte placed. Not for mixing
    // with write(), and stopRequested is not asked: such a writer ends on
    // a stop of its own and calls discard().
    bool place(std::uint64_t offset, const void* data, std::size_t size);
    // Cuts (or extends with zeros) what was placed to `length` bytes.
    bool setLength(std::uint64_t length);

    // Makes the written bytes the target's contents (see above). False if
    // any write failed or any step fails; the target then holds its old
    // contents.
    bool commit();

    // Drops what was written; the target stays as it was.
    void discard();

    bool writesInPlace() const { return inPlace_; }
    // Whether a write was refused because stopRequested answered true.
    bool stopped() const { return stopped_; }

    // Asked before every block of new contents; true ends the save, and the
    // target stays as it was. Not asked once commit() has begun.
    std::function<bool()> stopRequested;

    // While one lives, every commit() on this thread first asks `mayCommit`
    // (which may wait): false leaves the target as it was and drops what
    // was written. The command line's parallel run puts its outputs in
    // place this way in the order of the inputs.
    class CommitTurn {
    public:
        explicit CommitTurn(std::function<bool()> mayCommit);
        ~CommitTurn();
        CommitTurn(const CommitTurn&) = delete;
        CommitTurn& operator=(const CommitTurn&) = delete;

    private:
        std::function<bool()> mayCommit_;
        const std::function<bool()>* outer_;
    };
    // Where an in-place save stages its new contents when the target's
    // folder takes no new file: $TMPDIR, else /tmp.
    std::string stagingFolder;

    // Test seams: how files are created in the target's folder (default
    // ::open), every write (default ::pwrite), the reservation on the target
    // (default posix_fallocate; returns an error number), and a call made
    // just before the rename, with the temporary name.
    std::function<int(const char* path, int flags, int mode)> createFile;
    std::function<ssize_t(int fd, const void* data, std::size_t size, off_t offset)> writeAt;
    std::function<int(int fd, off_t size)> reserveSpace;
    std::function<void(const std::string& tempName)> beforeRename;

private:
    bool openInPlace(bool folderTakesFiles);
    int createStaging(bool beside);
    bool flushPending();
    bool writeOut(const std::uint8_t* data, std::size_t size);
    bool writeAll(int fd, const std::uint8_t* data, std::size_t size, off_t offset);
    bool copyBytes(int from, int to, off_t size, bool intoTarget);
    bool commitInPlace();
    bool keepOldContents();
    void putBackOldContents();

    static constexpr std::size_t kBlock = std::size_t{64} << 10;
    std::vector<std::uint8_t> pending_;
    int fd_ = -1;        // the temporary file, or (in place) the staging file
    int targetFd_ = -1;  // in place: the target itself
    int keptFd_ = -1;    // in place, during commit: the old contents
    off_t written_ = 0;  // bytes of new contents in fd_
    std::mutex placing_;  // guards written_ and failed_ while place() runs on several threads
    off_t oldSize_ = 0;
    off_t touched_ = 0;  // the target's bytes from 0 that may have changed
    mode_t oldMode_ = 0;
    bool keptByClone_ = false;
    bool stageBeside_ = false;
    bool failed_ = false;
    bool stopped_ = false;
    bool inPlace_ = false;
    std::string target_;
    std::string dir_;
    std::string base_;
    std::string tempName_;
};

}  // namespace zirpel
