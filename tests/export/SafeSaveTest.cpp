// Saving to disk: the file appears only when everything was written, and a
// save that fails in any way leaves an existing file byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "export/FakeEncoder.h"
#include "export/LameEncoder.h"
#include "export/SafeFile.h"
#include "export/SaveClip.h"
#include "wave/WaveFile.h"

namespace zirpel {
namespace {

namespace fs = std::filesystem;
using test::FakeEncoder;

class SafeSaveTest : public testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "zirpel-save-XXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        dir_ = templ;
        clip_.resize(12000);
        for (std::size_t i = 0; i < clip_.size(); ++i) clip_[i] = static_cast<std::uint8_t>(i * 31);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    ClipSpan Clip() const { return {clip_.data(), 12000, {44100, true, true}}; }
    LongTask quiet;

    static std::vector<std::uint8_t> Read(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), {}};
    }
    static void Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
    }
    // Names in the folder: a leftover temporary file shows up here.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    static mode_t Mode(const std::string& path) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st.st_mode & 07777;
    }

    fs::path dir_;
    std::vector<std::uint8_t> clip_;
    const std::vector<std::uint8_t> old_{'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};
};

// Lowers the file size limit so that writes fail with EFBIG, as on a full
// disk; this stops root as well, unlike a read-only folder.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit lim = old_;
        lim.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST_F(SafeSaveTest, Mp3AppearsCompleteAndKeepsTheOldPermissions) {
    const std::string target = Path("song.mp3");
    Write(target, old_);
    ::chmod(target.c_str(), 0640);
    FakeEncoder enc;
    ASSERT_EQ(SaveClipAsMP3File(enc, target, Clip(), 44100, 128, quiet), SaveStatus::Saved);

    std::vector<std::uint8_t> expected;
    for (std::size_t i = 0; i < enc.chunks.size(); ++i) {
        const auto b = FakeEncoder::ChunkBytes(i, enc.chunks[i]);
        expected.insert(expected.end(), b.begin(), b.end());
    }
    expected.insert(expected.end(), enc.flushBytes.begin(), enc.flushBytes.end());
    EXPECT_EQ(Read(target), expected);
    EXPECT_EQ(Mode(target), 0640u);
    EXPECT_EQ(Entries(), std::vector<std::string>{"song.mp3"});

    // A new file gets the usual permissions (0666 less the umask).
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ASSERT_EQ(SaveClipAsMP3File(enc, Path("new.mp3"), Clip(), 44100, 128, quiet), SaveStatus::Saved);
    EXPECT_EQ(Mode(Path("new.mp3")), 0666u & ~mask);
}

TEST_F(SafeSaveTest, FailedMp3SaveLeavesTheOldFileAndNoLeftovers) {
    const std::string target = Path("song.mp3");
    Write(target, old_);

    FakeEncoder failInit;
    failInit.initResult = BE_ERR_INVALID_FORMAT;
    EXPECT_EQ(SaveClipAsMP3File(failInit, target, Clip(), 44100, 128, quiet),
              SaveStatus::EncoderInitFailed);
    EXPECT_EQ(Read(target), old_);

    FakeEncoder failChunk;
    failChunk.failChunk = 2;
    EXPECT_THROW(SaveClipAsMP3File(failChunk, target, Clip(), 44100, 128, quiet), EMP3Encoder);
    EXPECT_EQ(Read(target), old_);

    FakeEncoder failFlush;
    failFlush.deinitResult = BE_ERR_INVALID_HANDLE;
    EXPECT_THROW(SaveClipAsMP3File(failFlush, target, Clip(), 44100, 128, quiet), EMP3Encoder);
    EXPECT_EQ(Read(target), old_);
    EXPECT_EQ(Entries(), std::vector<std::string>{"song.mp3"});

    // Without an old file a refused encoder leaves no empty file behind.
    EXPECT_EQ(SaveClipAsMP3File(failInit, Path("fresh.mp3"), Clip(), 44100, 128, quiet),
              SaveStatus::EncoderInitFailed);
    EXPECT_FALSE(fs::exists(Path("fresh.mp3")));
}

TEST_F(SafeSaveTest, DiskFullDuringTheSaveLeavesTheOldFile) {
    // A real encoding of five seconds of noise is far larger than the limit.
    std::vector<std::uint8_t> noise(44100 * 4 * 5);
    std::uint32_t x = 1;
    for (auto& b : noise) b = static_cast<std::uint8_t>((x = x * 1664525u + 1013904223u) >> 24);
    const ClipSpan clip{noise.data(), static_cast<std::int32_t>(noise.size()), {44100, true, true}};
    std::vector<std::uint8_t> old(3000, 'x');
    const std::string mp3 = Path("full.mp3");
    const std::string wav = Path("full.wav");
    Write(mp3, old);
    Write(wav, old);

    LameEncoder encoder;
    {
        FileSizeLimit limit(20000);
        EXPECT_EQ(SaveClipAsMP3File(encoder, mp3, clip, 44100, 128, quiet), SaveStatus::CannotWrite);
        EXPECT_EQ(SaveClipAsWaveFile(wav, clip), SaveStatus::CannotWrite);
    }
    EXPECT_EQ(Read(mp3), old);
    EXPECT_EQ(Read(wav), old);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"full.mp3", "full.wav"}));
}

TEST_F(SafeSaveTest, FolderThatDoesNotExist) {
    FakeEncoder enc;
    const std::string target = Path("missing/song.mp3");
    EXPECT_EQ(SaveClipAsMP3File(enc, target, Clip(), 44100, 128, quiet), SaveStatus::CannotCreate);
    EXPECT_TRUE(enc.calls.empty());
    EXPECT_EQ(NoticeFor(SaveStatus::CannotCreate).text, "Konnte Datei nicht erstellen...");
    EXPECT_EQ(NoticeFor(SaveStatus::CannotCreate).style, NoticeStyle::Plain);
    EXPECT_EQ(SaveClipAsWaveFile(Path("missing/song.wav"), Clip()), SaveStatus::CannotWrite);
}

TEST_F(SafeSaveTest, ReadOnlyFileIsNotReplaced) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
    const std::string target = Path("locked.mp3");
    Write(target, old_);
    ::chmod(target.c_str(), 0444);
    FakeEncoder enc;
    EXPECT_EQ(SaveClipAsMP3File(enc, target, Clip(), 44100, 128, quiet), SaveStatus::CannotCreate);
    EXPECT_EQ(Read(target), old_);
}

TEST_F(SafeSaveTest, WaveSaveWritesWhatTheWriterWritesAndFollowsLinks) {
    const std::string direct = Path("direct.wav");
    ASSERT_TRUE(WriteWaveFile(direct, zirpel::ClipSpan{clip_.data(), 12000, {44100, true, true}}));

    // Saved through a symbolic link: the link stays, its destination changes.
    const std::string real = Path("real.wav");
    const std::string link = Path("link.wav");
    Write(real, old_);
    fs::create_symlink(real, link);
    ASSERT_EQ(SaveClipAsWaveFile(link, Clip()), SaveStatus::Saved);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(real), Read(direct));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"direct.wav", "link.wav", "real.wav"}));
}

TEST_F(SafeSaveTest, HardLinkedTargetIsWrittenInPlaceAndKeepsItsLinks) {
    const std::string target = Path("a.wav");
    const std::string other = Path("b.wav");
    Write(target, std::vector<std::uint8_t>(20000, 'x'));  // longer than the new file
    fs::create_hard_link(target, other);
    ASSERT_EQ(SaveClipAsWaveFile(target, Clip()), SaveStatus::Saved);
    const auto saved = Read(target);
    EXPECT_EQ(saved.size(), 44u + 12000u);  // the old tail is cut off
    EXPECT_EQ(Read(other), saved);
    EXPECT_EQ(fs::hard_link_count(target), 2u);
}

// Contents placed out of order from two threads, as the command line's MP3
// pieces fill a WAV output: a new file, a replaced one and one written in
// place all end up with those bytes; a write that fails keeps the old file.
TEST_F(SafeSaveTest, PlacedContentsLandOnEveryPathAndAFailedPlaceKeepsTheOldFile) {
    std::vector<std::uint8_t> contents(3 * 65536 + 7);
    for (std::size_t i = 0; i < contents.size(); ++i) contents[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const std::size_t half = contents.size() / 2;
    auto placeInTwoThreads = [&](SafeFile& f) {
        bool first = false, second = false;
        std::thread later([&] { second = f.place(half, contents.data() + half, contents.size() - half); });
        first = f.place(0, contents.data(), half);
        later.join();
        return first && second;
    };
    Write(Path("old.wav"), old_);
    Write(Path("linked.wav"), std::vector<std::uint8_t>(300000, 'x'));  // longer: its tail must go
    fs::create_hard_link(Path("linked.wav"), Path("link2.wav"));
    for (const char* name : {"new.wav", "old.wav", "linked.wav"}) {
        SafeFile f;
        ASSERT_TRUE(f.open(Path(name))) << name;
        // The replaced file longer first, as an import that reserved too
        // much and then cut back; the others as far as the bytes placed.
        const bool cut = name == std::string("old.wav");
        if (cut) {
            ASSERT_TRUE(f.setLength(contents.size() + 100));
        }
        ASSERT_TRUE(placeInTwoThreads(f)) << name;
        if (cut) {
            ASSERT_TRUE(f.setLength(contents.size()));
        }
        ASSERT_TRUE(f.commit()) << name;
        EXPECT_EQ(Read(Path(name)), contents) << name;
    }
    EXPECT_EQ(Read(Path("link2.wav")), contents);

    Write(Path("old.wav"), old_);
    SafeFile failing;
    failing.writeAt = [](int fd, const void* data, std::size_t size, off_t offset) -> ssize_t {
        if (offset > 0) {
            errno = ENOSPC;
            return -1;
        }
        return ::pwrite(fd, data, size, offset);
    };
    ASSERT_TRUE(failing.open(Path("old.wav")));
    EXPECT_FALSE(placeInTwoThreads(failing));
    EXPECT_FALSE(failing.place(0, contents.data(), 1)) << "every place after a failure fails";
    EXPECT_FALSE(failing.commit());
    EXPECT_EQ(Read(Path("old.wav")), old_);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"link2.wav", "linked.wav", "new.wav", "old.wav"}));
}

TEST_F(SafeSaveTest, UnwritableFolderWritesAnExistingFileInPlace) {
    // The seam refuses the temporary file as a read-only folder would (a
    // real one would not stop root).
    const std::string target = Path("song.wav");
    Write(target, old_);
    SafeFile file;
    file.createFile = [](const char*, int, int) {
        errno = EACCES;
        return -1;
    };
    ASSERT_TRUE(file.open(target));
    EXPECT_TRUE(file.writesInPlace());
    ASSERT_TRUE(WriteWaveFile(file, Clip()));
    ASSERT_TRUE(file.commit());
    EXPECT_TRUE(ReadWaveFile(target).ok());
    EXPECT_EQ(Entries(), std::vector<std::string>{"song.wav"});

    // A new file cannot be written there at all.
    SafeFile fresh;
    fresh.createFile = file.createFile;
    EXPECT_FALSE(fresh.open(Path("new.wav")));
}

TEST_F(SafeSaveTest, TemporaryNameSwappedForALinkNeverRedirectsTheSave) {
    // Another user replaces the temporary file by a link to a file outside
    // the folder, once right after it was created and once just before the
    // rename: nothing outside changes, the target keeps its old contents
    // and the save reports the failure.
    const std::string outsideDir = (dir_.parent_path() / (dir_.filename().string() + "-outside")).string();
    fs::create_directory(outsideDir);
    const std::string outside = outsideDir + "/precious";
    Write(outside, old_);
    const std::string target = Path("song.wav");
    Write(target, old_);
    const auto swap = [&](const std::string& name) {
        fs::rename(name, Path("moved-away"));
        fs::create_symlink(outside, name);
    };
    for (int when = 0; when < 2; ++when) {
        SCOPED_TRACE(when == 0 ? "after create" : "before rename");
        SafeFile file;
        if (when == 0) {
            file.createFile = [&](const char* p, int f, int m) {
                const int fd = ::open(p, f, static_cast<mode_t>(m));
                if (fd >= 0) swap(p);
                return fd;
            };
        } else {
            file.beforeRename = swap;
        }
        ASSERT_TRUE(file.open(target));
        ASSERT_TRUE(WriteWaveFile(file, Clip()));
        EXPECT_FALSE(file.commit());
        EXPECT_EQ(Read(outside), old_);
        EXPECT_EQ(Read(target), old_);
        EXPECT_FALSE(fs::is_symlink(target));
        for (const auto& e : fs::directory_iterator(dir_))
            if (e.path().filename() != "song.wav") fs::remove(e.path());
    }
    fs::remove_all(outsideDir);
}

// An in-place save (a hard-linked target, or a folder that takes no new
// file) whose disk fills up at any one write, or whose space cannot be
// reserved: either it succeeds, or every name shows the old bytes; nothing
// is left in the target's folder or the staging folder.
TEST_F(SafeSaveTest, InPlaceSaveKeepsTheOldBytesWhicheverWriteFails) {
    const std::string staging = Path("staging");
    fs::create_directory(staging);
    struct Case {
        bool hardLink, mp3;
        std::size_t oldSize;  // smaller and larger than the new file
    };
    for (const Case c : {Case{true, false, 20000}, Case{true, true, 3000}, Case{false, false, 3000},
                         Case{false, true, 20000}}) {
        std::vector<std::uint8_t> old(c.oldSize);
        for (std::size_t i = 0; i < old.size(); ++i) old[i] = static_cast<std::uint8_t>(i * 7 + 1);
        const std::string target = Path("t"), other = Path("u");
        const auto save = [&](SafeFile& file) {
            FakeEncoder enc;
            if (!c.mp3) return WriteWaveFile(file, Clip()) && file.commit();
            return EncodeClipToMP3(enc, Clip(), 44100, 128, file, quiet) == SaveStatus::Saved && file.commit();
        };
        SafeFile reference;
        ASSERT_TRUE(reference.open(Path("ref")) && save(reference));
        const auto fresh = Read(Path("ref"));
        fs::remove(Path("ref"));

        // First a save without failures, to count its writes; then 0: the
        // reservation fails; n: write n gets half its bytes through and the
        // next one none.
        int failures = 0, total = 0;
        for (int failAt = -1; failAt <= total; ++failAt) {
            SCOPED_TRACE(testing::Message() << "link " << c.hardLink << " mp3 " << c.mp3 << " at " << failAt);
            fs::remove(target);
            fs::remove(other);
            Write(target, old);
            if (c.hardLink) fs::create_hard_link(target, other);
            SafeFile file;
            file.stagingFolder = staging;
            if (!c.hardLink) file.createFile = [](const char*, int, int) { return errno = EACCES, -1; };
            int writes = 0;
            file.writeAt = [&, failWrite = failAt > 0 ? failAt : -2](int fd, const void* p, std::size_t n,
                                                                    off_t at) -> ssize_t {
                if (++writes == failWrite) n = (n + 1) / 2;
                if (writes == failWrite + 1) return errno = ENOSPC, -1;
                return ::pwrite(fd, p, n, at);
            };
            if (failAt == 0) file.reserveSpace = [](int, off_t) { return ENOSPC; };
            ASSERT_TRUE(file.open(target));
            ASSERT_TRUE(file.writesInPlace());
            const bool saved = save(file);
            EXPECT_EQ(Read(target), saved ? fresh : old);
            if (c.hardLink) {
                EXPECT_EQ(Read(other), saved ? fresh : old);
            }
            EXPECT_TRUE(fs::is_empty(staging));
            EXPECT_EQ(Entries().size(), c.hardLink ? 3u : 2u);
            if (failAt == -1) {
                ASSERT_TRUE(saved);
                total = writes;
            }
            failures += saved ? 0 : 1;
        }
        // The reservation, the staging file and the copying in (the kept copy
        // moves to the staging folder when it cannot be written beside).
        EXPECT_GE(failures, 3);
    }
}

TEST_F(SafeSaveTest, LinksThatLeadNowhereAreRefusedAndStayLinks) {
    fs::create_symlink(Path("missing.wav"), Path("dangling.wav"));
    fs::create_symlink(Path("loop2.wav"), Path("loop1.wav"));
    fs::create_symlink(Path("loop1.wav"), Path("loop2.wav"));
    for (const char* name : {"dangling.wav", "loop1.wav"}) {
        SCOPED_TRACE(name);
        FakeEncoder enc;
        EXPECT_EQ(SaveClipAsWaveFile(Path(name), Clip()), SaveStatus::CannotWrite);
        EXPECT_EQ(SaveClipAsMP3File(enc, Path(name), Clip(), 44100, 128, quiet), SaveStatus::CannotCreate);
        EXPECT_TRUE(fs::is_symlink(Path(name)));
    }
    EXPECT_EQ(Entries(), (std::vector<std::string>{"dangling.wav", "loop1.wav", "loop2.wav"}));
}

TEST_F(SafeSaveTest, AReplacedFileLosesSetIdBitsOnEveryPath) {
    for (const bool hardLink : {false, true}) {
        const std::string target = Path(hardLink ? "linked.wav" : "single.wav");
        Write(target, old_);
        ASSERT_EQ(::chmod(target.c_str(), 06754), 0);
        if (hardLink) fs::create_hard_link(target, Path("other.wav"));
        ASSERT_EQ(SaveClipAsWaveFile(target, Clip()), SaveStatus::Saved);
        EXPECT_EQ(Mode(target), 0754u) << target;
    }
}

TEST_F(SafeSaveTest, AStopDuringTheWritingKeepsTheOldFile) {
    FakeEncoder enc;
    for (const bool hardLink : {false, true}) {
        SCOPED_TRACE(hardLink ? "in place" : "renamed");
        const std::string wav = Path("s.wav"), mp3 = Path("s.mp3");
        Write(wav, old_);
        Write(mp3, old_);
        if (hardLink) {
            fs::create_hard_link(wav, Path("l.wav"));
            fs::create_hard_link(mp3, Path("l.mp3"));
        }
        int asked = 0;
        const auto secondQuestion = [&] { return ++asked > 1; };  // the first comes with the header
        EXPECT_EQ(SaveClipAsWaveFile(wav, Clip(), secondQuestion), SaveStatus::Stopped);
        asked = 0;
        EXPECT_EQ(SaveClipAsMP3File(enc, mp3, Clip(), 44100, 128, quiet, secondQuestion), SaveStatus::Stopped);
        EXPECT_EQ(Read(wav), old_);
        EXPECT_EQ(Read(mp3), old_);
        EXPECT_EQ(Entries().size(), hardLink ? 4u : 2u);
        for (const char* name : {"s.wav", "s.mp3", "l.wav", "l.mp3"}) fs::remove(Path(name));
    }
}

TEST_F(SafeSaveTest, SavesThatWouldNotOpenAgainAreRefusedAndLeaveTheOldFile) {
    // The readers refuse a WAV data chunk or an Ogg stream without samples.
    // An empty MP3 holds the encoder's flush frames and opens as a short clip.
    const ClipSpan empty{nullptr, 0, {200000, true, true}};
    const std::uint8_t frame[4] = {1, 2, 3, 4};
    const ClipSpan oneFrame{frame, 4, {44100, true, true}};  // nothing left at 11025 Hz
    struct Case { Writer writer; ClipSpan clip; std::int32_t rate; SaveStatus status; const char* message; };
    for (const Case& c : {Case{Writer::Wave, empty, 44100, SaveStatus::EmptyClip, kMsgEmptyClip},
                          Case{Writer::OggVorbis, empty, 44100, SaveStatus::EmptyOggClip, kMsgEmptyOggClip},
                          Case{Writer::OggVorbis, oneFrame, 11025, SaveStatus::OggTooShort, kMsgOggTooShort},
                          Case{Writer::Mp3, empty, 44100, SaveStatus::Saved, ""}}) {
        SCOPED_TRACE(static_cast<int>(c.status));
        const std::string target = Path("old");
        Write(target, old_);
        FakeEncoder enc;
        const SaveOutcome outcome = SaveClipAs({c.writer, target, c.rate, 128}, c.clip, enc, quiet);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(NoticeFor(outcome.status).text, c.message);
        if (c.status == SaveStatus::Saved) continue;
        EXPECT_EQ(NoticeFor(outcome.status).style, NoticeStyle::ErrorIcon);
        EXPECT_EQ(Read(target), old_);
        EXPECT_EQ(Entries(), std::vector<std::string>{"old"}) << "a temporary file was left";
    }
}

TEST(CompleteSaveFileName, AddsTheFiltersExtensionOnlyWhenTheNameHasNone) {
    EXPECT_EQ(CompleteSaveFileName("/a/song", 1), "/a/song.mp3");
    EXPECT_EQ(CompleteSaveFileName("/a/song", 2), "/a/song.wav");
    EXPECT_EQ(CompleteSaveFileName("/a/song.wav", 1), "/a/song.wav");
    EXPECT_EQ(CompleteSaveFileName("/a.b/song", 2), "/a.b/song.wav");
    EXPECT_EQ(CompleteSaveFileName("/a/.song", 1), "/a/.song");
}

}  // namespace
}  // namespace zirpel
