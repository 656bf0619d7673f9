#include "formats/AudioFormats.h"

namespace zirpel {
namespace {

// The order matters twice: the writable formats lead, in the save dialog's
// order (MP3 = entry 1, WAV = entry 2, as the program always had them).
constexpr std::array<AudioFormat, 6> kFormats{{
    {"MP3", {"mp3", "", ""}, Reader::Mp3Import, Writer::Mp3, "MP3-Datei", true},
    {"WAV", {"wav", "wave", ""}, Reader::WaveReader, Writer::Wave, "WAV-Datei", true},
    {"Ogg Vorbis", {"ogg", "oga", ""}, Reader::WaveReader, Writer::OggVorbis, "Ogg-Vorbis-Datei", false},
    {"FLAC", {"flac", "", ""}, Reader::WaveReader, Writer::None, "", false},
    {"Opus", {"opus", "", ""}, Reader::WaveReader, Writer::None, "", false},
    {"AIFF", {"aiff", "aif", "aifc"}, Reader::WaveReader, Writer::None, "", false},
}};

constexpr std::size_t CountSaved(bool ringtone) {
    std::size_t n = 0;
    while (n < kFormats.size() && kFormats[n].writer != Writer::None &&
           (!ringtone || kFormats[n].ringtoneDialog))
        ++n;
    return n;
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

}  // namespace

std::span<const AudioFormat> AudioFormats() { return kFormats; }

std::span<const AudioFormat> SaveFormats(bool ringtone) {
    return std::span<const AudioFormat>(kFormats).first(CountSaved(ringtone));
}

std::string FileExtension(const std::string& fileName) {
    const std::size_t slash = fileName.find_last_of('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || dot < start) return {};
    std::string ext = fileName.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

const AudioFormat* FormatOfFileName(const std::string& fileName) {
    const std::string ext = FileExtension(fileName);
    if (ext.empty()) return nullptr;
    for (const AudioFormat& f : kFormats)
        for (std::string_view e : f.extensions)
            if (!e.empty() && e == ext) return &f;
    return nullptr;
}

Reader ReaderForFileName(const std::string& fileName) {
    const AudioFormat* f = FormatOfFileName(fileName);
    return f ? f->reader : Reader::WaveReader;
}

const AudioFormat* FormatOfWriter(Writer writer) {
    for (const AudioFormat& f : kFormats)
        if (writer != Writer::None && f.writer == writer) return &f;
    return nullptr;
}

std::string SaveDialogFilter() {
    std::string filter;
    for (const AudioFormat& f : SaveFormats(true))
        filter += (filter.empty() ? "" : "|") + std::string(f.saveLabel) + "|*." + Upper(f.extensions[0]);
    return filter;
}

std::string SaveDialogMoreFilters() {
    std::string filter;
    for (const AudioFormat& f : SaveFormats().subspan(SaveFormats(true).size()))
        filter += (filter.empty() ? "" : "|") + std::string(f.saveLabel) + "|*." + Upper(f.extensions[0]);
    return filter;
}

Writer WriterOfSaveFilter(int filterIndex, bool ringtone) {
    const std::span<const AudioFormat> formats = SaveFormats(ringtone);
    if (filterIndex < 1 || static_cast<std::size_t>(filterIndex) > formats.size()) filterIndex = 1;
    return formats[static_cast<std::size_t>(filterIndex) - 1].writer;
}

std::string OpenDialogFilter() { return "WAV und MP3-Dateien|*.WAV;*.MP3"; }

std::string OpenDialogMoreFilters() {
    std::string all;
    for (const AudioFormat& f : kFormats)
        for (std::string_view e : f.extensions)
            if (!e.empty()) all += (all.empty() ? "*." : ";*.") + Upper(e);
    return "Alle Audiodateien|" + all + "|Alle Dateien|*";
}

}  // namespace zirpel
