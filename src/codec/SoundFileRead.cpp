#include "codec/SoundFileRead.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include "clip/RuntimeLibrary.h"
#include "codec/PcmConversion.h"

namespace zirpel {
namespace {

// libsndfile, opened with the first file it reads.
#define ZIRPEL_SNDFILE_ENTRY_POINTS(X) \
    X(sf_close) X(sf_command) X(sf_open_fd) X(sf_readf_double) X(sf_readf_short)
ZIRPEL_RUNTIME_LIBRARY(SoundFileLibrary, LoadSoundFile, "libsndfile.so.1", ZIRPEL_SNDFILE_ENTRY_POINTS)
// The entry points, once LoadSoundFile() has succeeded.
const SoundFileLibrary& SoundFile() { return *LoadSoundFile(); }

constexpr sf_count_t kBlockFrames = 8192;

class FileGuard {
public:
    FileGuard(int fd, SNDFILE* file) : fd_(fd), file_(file) {}
    ~FileGuard() {
        if (file_) SoundFile().sf_close(file_);
        if (fd_ >= 0) ::close(fd_);
    }
    FileGuard(const FileGuard&) = delete;
    FileGuard& operator=(const FileGuard&) = delete;
    void set(SNDFILE* file) { file_ = file; }

private:
    int fd_;
    SNDFILE* file_;
};

// The stored sample width when it is finer than 16 bit, else 0.
int WiderBits(int subtype) {
    switch (subtype) {
        case SF_FORMAT_PCM_24: case SF_FORMAT_DWVW_24: case SF_FORMAT_ALAC_24: return 24;
        case SF_FORMAT_ALAC_20: return 20;
        case SF_FORMAT_PCM_32: case SF_FORMAT_ALAC_32: case SF_FORMAT_FLOAT: return 32;
        case SF_FORMAT_DOUBLE: return 64;
        default: return 0;
    }
}

bool IsFloat(int subtype) { return subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE; }

// Decoders that produce more than 16 bits of precision, read as doubles.
bool NeedsRounding(int subtype) {
    return WiderBits(subtype) > 0 || subtype == SF_FORMAT_VORBIS || subtype == SF_FORMAT_OPUS;
}

bool IsMpeg(int format) {
    const int sub = format & SF_FORMAT_SUBMASK;
    return (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG || sub == SF_FORMAT_MPEG_LAYER_I ||
           sub == SF_FORMAT_MPEG_LAYER_II || sub == SF_FORMAT_MPEG_LAYER_III;
}

std::vector<ChannelRole> RolesOf(SNDFILE* file, const SF_INFO& info) {
    std::vector<int> map(static_cast<std::size_t>(info.channels), 0);
    if (SoundFile().sf_command(file, SFC_GET_CHANNEL_MAP_INFO, map.data(),
                   static_cast<int>(map.size() * sizeof(int))) == SF_TRUE) {
        std::vector<ChannelRole> roles;
        for (const int m : map) {
            switch (m) {
                case SF_CHANNEL_MAP_LEFT: case SF_CHANNEL_MAP_FRONT_LEFT:
                case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER: roles.push_back(ChannelRole::Left); break;
                case SF_CHANNEL_MAP_RIGHT: case SF_CHANNEL_MAP_FRONT_RIGHT:
                case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER: roles.push_back(ChannelRole::Right); break;
                case SF_CHANNEL_MAP_MONO: case SF_CHANNEL_MAP_CENTER:
                case SF_CHANNEL_MAP_FRONT_CENTER: roles.push_back(ChannelRole::Center); break;
                case SF_CHANNEL_MAP_LFE: roles.push_back(ChannelRole::Lfe); break;
                case SF_CHANNEL_MAP_REAR_LEFT: case SF_CHANNEL_MAP_SIDE_LEFT:
                    roles.push_back(ChannelRole::SurroundLeft); break;
                case SF_CHANNEL_MAP_REAR_RIGHT: case SF_CHANNEL_MAP_SIDE_RIGHT:
                    roles.push_back(ChannelRole::SurroundRight); break;
                case SF_CHANNEL_MAP_REAR_CENTER: roles.push_back(ChannelRole::RearCenter); break;
                default: roles.push_back(ChannelRole::Other); break;
            }
        }
        return roles;
    }
    const int type = info.format & SF_FORMAT_TYPEMASK;
    return DefaultChannelRoles(info.channels, type == SF_FORMAT_OGG);
}

}  // namespace

SoundFileRead ReadSoundFile(const std::string& fileName, bool dither, LongTask& task) {
    SoundFileRead result;
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    FileGuard guard(fd, nullptr);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return result;

    if (!LoadSoundFile()) return result;
    SF_INFO info{};
    SNDFILE* file = SoundFile().sf_open_fd(fd, SFM_READ, &info, SF_FALSE);
    if (!file) return result;
    guard.set(file);
    if (IsMpeg(info.format) || info.channels < 1 || info.samplerate < 1 || info.frames <= 0)
        return result;

    const int subtype = info.format & SF_FORMAT_SUBMASK;
    const int outChannels = info.channels == 1 ? 1 : 2;
    const std::int64_t frameBytes = 2 * outChannels;
    const sf_count_t expected = info.frames;
    if (expected > kMaxClipBytes / frameBytes) return result;

    std::vector<std::uint8_t>& bytes = result.clip.bytes;
    try {
        bytes.reserve(static_cast<std::size_t>(expected * frameBytes));
        if (!NeedsRounding(subtype) && info.channels <= 2) {
            // 16 bits or fewer, one or two channels: the library's own
            // 16-bit samples, exact, straight into the clip.
            bytes.resize(static_cast<std::size_t>(expected * frameBytes));
            sf_count_t done = 0;
            while (done < expected) {
                task.Progress(static_cast<std::int32_t>(done * 100 / expected));
                const sf_count_t want = std::min(kBlockFrames, expected - done);
                std::int16_t block[kBlockFrames * 2];
                const sf_count_t got = SoundFile().sf_readf_short(file, block, want);
                if (got <= 0) break;
                std::memcpy(bytes.data() + done * frameBytes, block,
                            static_cast<std::size_t>(got * frameBytes));
                done += got;
            }
            bytes.resize(static_cast<std::size_t>(done * frameBytes));
        } else {
            SoundFile().sf_command(file, SFC_SET_NORM_DOUBLE, nullptr, SF_TRUE);
            // Float files may hold values beyond full scale: clipped, not wrapped.
            const DownmixGains gains =
                info.channels > 2 ? StereoDownmix(RolesOf(file, info)) : DownmixGains{};
            SampleQuantizer quantize(dither);
            std::vector<double> block(static_cast<std::size_t>(kBlockFrames * info.channels));
            sf_count_t done = 0;
            while (done < expected) {
                task.Progress(static_cast<std::int32_t>(done * 100 / expected));
                const sf_count_t got =
                    SoundFile().sf_readf_double(file, block.data(), std::min(kBlockFrames, expected - done));
                if (got <= 0) break;
                AppendAsPcm16(block.data(), got, info.channels, gains, quantize, bytes);
                done += got;
            }
        }
    } catch (const std::bad_alloc&) {
        bytes = {};
        return result;
    }
    task.Progress(0);
    // A file that ends early keeps what could be read; one that gave
    // nothing at all is refused.
    if (bytes.empty()) return result;

    result.clip.format = {info.samplerate, outChannels == 2, true};
    if (const int bits = WiderBits(subtype))
        result.conversions.push_back(std::to_string(bits) + (IsFloat(subtype) ? " Bit Gleitkomma" : " Bit") +
                                     " → 16 Bit");
    if (info.channels > 2)
        result.conversions.push_back(std::to_string(info.channels) + " Kanäle → Stereo");
    result.ok = true;
    return result;
}

}  // namespace zirpel
