#include "codec/OpenAudioFile.h"

#include <sys/stat.h>

#include "codec/TempWaveFile.h"

namespace zirpel {

bool IsMp3FileName(const std::string& fileName) {
    const std::size_t slash = fileName.find_last_of('/');
    const std::string last = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const std::size_t dot = last.find_last_of('.');
    if (dot == std::string::npos) return false;
    std::string ext = last.substr(dot);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return ext == ".MP3";
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
                         const std::string& tempFolder, LongTask& task, Mp3Staging staging) {
    OpenResult result;
    struct stat st {};
    if (::stat(fileName.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return result;

    if (!IsMp3FileName(fileName)) {
        WaveRead wave = ReadWaveFile(fileName);
        result.read = wave.status;
        result.clip = std::move(wave.clip);
        return result;
    }

    result.mp3 = true;
    if (staging == Mp3Staging::Memory) {
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
        WaveRead wave = ReadWaveFile(temp.fd());
        result.read = wave.status;
        result.clip = std::move(wave.clip);
    }
    return result;
}

}  // namespace zirpel
