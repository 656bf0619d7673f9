#include "codec/OpenAudioFile.h"

#include <sys/stat.h>

#include "codec/PcmTarget.h"
#include "codec/SoundFileRead.h"
#include "codec/TempWaveFile.h"
#include "formats/AudioFormats.h"

namespace zirpel {

namespace {

// The WAV reader refused the file for what it holds, not for how it is
// built: the sound-file library may know the format.
bool RefusedForFormat(WaveStatus status) {
    return status == WaveStatus::NotWave || status == WaveStatus::UnsupportedFormat;
}

}  // namespace

bool IsMp3FileName(const std::string& fileName) {
    return ReaderForFileName(fileName) == Reader::Mp3Import;
}

std::string ConversionNote(const OpenResult& result) {
    std::string note;
    for (const std::string& c : result.conversions) note += (note.empty() ? "" : ", ") + c;
    return note;
}

std::vector<Notice> NoticesFor(const OpenResult& result) {
    std::vector<Notice> notices;
    if (result.mp3) {
        Notice conversion = NoticeFor(result.conversion);
        if (!conversion.empty()) notices.push_back(std::move(conversion));
    }
    if (!result.ok()) notices.push_back({"Konnte Datei nicht öffnen", NoticeStyle::ErrorIcon});
    return notices;
}

OpenResult OpenAudioFile(const std::string& fileName, Mp3Codec& codec,
                         const std::string& tempFolder, LongTask& task,
                         const OpenOptions& options) {
    OpenResult result;
    struct stat st {};
    if (::stat(fileName.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return result;

    if (ReaderForFileName(fileName) == Reader::WaveReader) {
        WaveRead wave = ReadWaveFile(fileName);
        result.read = wave.status;
        result.clip = std::move(wave.clip);
        if (RefusedForFormat(wave.status)) {
            SoundFileRead other = ReadSoundFile(fileName, options.dither, task);
            if (other.ok) {
                result.read = WaveStatus::Ok;
                result.clip = std::move(other.clip);
                result.conversions = std::move(other.conversions);
            }
        }
        return result;
    }

    result.mp3 = true;
    if (options.mp3IntoMemory) {
        MemoryWaveTarget memory;
        result.conversion = ConvertMP3WAV(fileName, memory, codec, task);
        if (memory.created()) {
            WaveRead wave = memory.TakeClip();
            result.read = wave.status;
            result.clip = std::move(wave.clip);
        }
        return result;
    }
    TempWaveFile temp(tempFolder);  // deleted on every way out of here
    result.conversion = ConvertMP3WAV(fileName, temp, codec, task);
    if (temp.created()) {
        WaveRead wave = ReadWaveFile(temp.fd(), temp.TakeReadBackRoom());
        result.read = wave.status;
        result.clip = std::move(wave.clip);
    }
    return result;
}

}  // namespace zirpel
