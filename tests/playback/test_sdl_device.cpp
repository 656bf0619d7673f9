// The real SDL audio device: the disk driver records exactly what the
// device was given, so the recorded stream must hold the chunks in order.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "playback/TestClips.h"
#include "playback/LoopCallbacks.h"
#include "playback/PlaybackRig.h"
#include "playback/SdlSoundDevice.h"

using namespace zirpel;
using namespace zirpel::testing;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Sets an environment variable for the life of the object.
class EnvVar {
public:
    EnvVar(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~EnvVar() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};


Bytes Chunk(const Bytes& clip, int c) {
    Bytes chunk(kChunkBytes, 0);
    const std::size_t from = static_cast<std::size_t>(c) * kChunkBytes;
    if (from < clip.size())
        std::copy(clip.begin() + from, clip.begin() + std::min(clip.size(), from + kChunkBytes),
                  chunk.begin());
    return chunk;
}

struct Recording {
    std::filesystem::path file;
    EnvVar driver{"SDL_AUDIODRIVER", "disk"};
    std::optional<EnvVar> path;
    Recording() {
        file = std::filesystem::temp_directory_path() /
               ("zirpel-play-" + std::to_string(getpid()) + ".raw");
        path.emplace("SDL_DISKAUDIOFILE", file.string());
    }
    ~Recording() { std::filesystem::remove(file); }
    Bytes Read() const {
        std::ifstream in(file, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
};

// Plays the clip through SDL and returns what the disk driver recorded.
Bytes PlayThroughDisk(const Bytes& clip, bool loop, int stopAtPump, PlayEnd expectedEnd) {
    Recording rec;
    {
        std::unique_ptr<SoundDevice> device;
        EXPECT_EQ(CreateSdlSoundDevice(device), SoundResult::Ok);
        PlaybackRig rig;
        EXPECT_EQ(rig.SetUp(std::move(device)), SoundResult::Ok);
        if (!rig.buffer) return {};
        int pumps = 0;
        const ClipSpan view{clip.data(), static_cast<std::int32_t>(clip.size()),
                            ClipFormat{44100, true, true}};
        PlayCallbacks cb{[&] { return ++pumps, true; }, [&] { return view; },
                         [&] { return loop; }, [&] { return pumps >= stopAtPump; },
                         [](std::int64_t) {}};
        SoundResult result = SoundResult::Ok;
        EXPECT_EQ(RunPlayLoop(rig.Output(), FrameRange{0, view.frames()}, cb, result), expectedEnd);
    }  // closing the device finishes the file
    return rec.Read();
}

// Skips the leading silence (the device runs before the play starts).
Bytes FromFirstSound(const Bytes& stream) {
    const auto it = std::find_if(stream.begin(), stream.end(), [](std::uint8_t b) { return b != 0; });
    return Bytes(it, stream.end());
}

bool AllZero(Bytes::const_iterator from, Bytes::const_iterator to) {
    return std::all_of(from, to, [](std::uint8_t b) { return b == 0; });
}

}  // namespace

TEST(SdlSoundDevice, NoUsableDriverFailsCleanlyAndLeavesSdlReusable) {
    {
        EnvVar driver("SDL_AUDIODRIVER", "no-such-driver");
        std::unique_ptr<SoundDevice> device;
        EXPECT_EQ(CreateSdlSoundDevice(device), SoundResult::NoDriver);
        EXPECT_EQ(device, nullptr);
    }
    EnvVar driver("SDL_AUDIODRIVER", "dummy");
    std::unique_ptr<SoundDevice> device;
    ASSERT_EQ(CreateSdlSoundDevice(device), SoundResult::Ok);
    const WaveFormatEx mono8{kWaveFormatPcm, 1, 22050, 22050, 1, 8, 0};
    const SoundBufferDesc desc = MakePlayBufferDesc(44100, &mono8);
    std::shared_ptr<LoopingSoundBuffer> buffer;
    EXPECT_EQ(device->CreateSoundBuffer(desc, buffer), SoundResult::BadFormat);
}

TEST(SdlSoundDevice, RecordedStreamHoldsTheRangeOnceWithoutLooping) {
    const Bytes clip = NonZeroClip(20000);  // 11025 + 8975 frames
    const Bytes stream = FromFirstSound(PlayThroughDisk(clip, false, 1000, PlayEnd::RangeDone));
    const Bytes c0 = Chunk(clip, 0), c1 = Chunk(clip, 1);
    ASSERT_GE(stream.size(), 2 * kChunkBytes);
    EXPECT_TRUE(std::equal(c0.begin(), c0.end(), stream.begin()));
    EXPECT_TRUE(std::equal(c1.begin(), c1.end(), stream.begin() + kChunkBytes));
    EXPECT_TRUE(AllZero(stream.begin() + 2 * kChunkBytes, stream.end()));
}

TEST(SdlSoundDevice, RecordedStreamRepeatsTheRangeWhileLooping) {
    const Bytes clip = NonZeroClip(20000);
    const Bytes stream = FromFirstSound(PlayThroughDisk(clip, true, 5, PlayEnd::Stopped));
    const Bytes c0 = Chunk(clip, 0), c1 = Chunk(clip, 1);
    ASSERT_GE(stream.size(), 4 * kChunkBytes);
    for (int i = 0; i < 4; ++i) {
        const Bytes& c = i % 2 ? c1 : c0;
        EXPECT_TRUE(std::equal(c.begin(), c.end(), stream.begin() + i * kChunkBytes)) << i;
    }
    // STOP may cut the fifth chunk (chunk 0 again) anywhere; silence follows.
    const auto rest = stream.begin() + 4 * kChunkBytes;
    const auto cut = std::mismatch(c0.begin(), c0.end(), rest, stream.end()).second;
    EXPECT_TRUE(AllZero(cut, stream.end()));
}

// The window program must still end on SIGTERM or Ctrl+C: opening the sound
// output may not take those signals over.
TEST(SdlSoundDevice, LeavesTheTerminationSignalsToTheProgram) {
    EnvVar driver("SDL_AUDIODRIVER", "dummy");
    std::unique_ptr<SoundDevice> device;
    ASSERT_EQ(CreateSdlSoundDevice(device), SoundResult::Ok);
    for (int sig : {SIGTERM, SIGINT}) {
        struct sigaction current {};
        ASSERT_EQ(sigaction(sig, nullptr, &current), 0);
        EXPECT_EQ(current.sa_handler, SIG_DFL) << "signal " << sig;
    }
}
