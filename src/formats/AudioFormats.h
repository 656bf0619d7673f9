// The one table of the file formats the program knows: their extensions,
// the save dialog's entry, how a file of the kind is opened and how a clip
// is saved as it. The open and save dialogs, Open, the save command, the
// drop target and the command line's output names all read this table;
// nothing else decides by extension.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zirpel {

// How a file of a kind is opened.
enum class Reader {
    Mp3Import,   // the MP3 import into a temporary WAV file
    WaveReader,  // the WAV reader; where it refuses the format, the sound-file library
};

// How a clip is saved as a kind.
enum class Writer { None, Wave, Mp3, OggVorbis };

struct AudioFormat {
    std::string_view name;                    // "WAV", "Ogg Vorbis", ... (help texts, README)
    std::array<std::string_view, 3> extensions;  // lower case, no dot; the first names new files
    Reader reader;
    Writer writer;
    std::string_view saveLabel;  // the save dialog's entry; empty when not saved
    bool ringtoneDialog;         // offered by "Als kleiner Zirpel Speichern..." too
};

// Every known format. The writable ones come first, in the order of the save
// dialog's entries (so entry n is SaveFormats()[n - 1]).
std::span<const AudioFormat> AudioFormats();

// The formats the save dialog offers, in order; the small ringtone's
// dialog offers only those marked ringtoneDialog, which lead the list.
std::span<const AudioFormat> SaveFormats(bool ringtone = false);

// The extension of the last path component, from its last dot (dot not
// included), in lower case; empty when there is none.
std::string FileExtension(const std::string& fileName);

// The format whose extensions hold the file name's extension (any case),
// or null.
const AudioFormat* FormatOfFileName(const std::string& fileName);

// How the file is opened: the MP3 import when its extension names MP3,
// otherwise the WAV reader (whatever the extension, or none).
Reader ReaderForFileName(const std::string& fileName);

// The format written by `writer`, or null for Writer::None.
const AudioFormat* FormatOfWriter(Writer writer);

// The save dialog's entries as "Label|*.EXT|Label|*.EXT" (upper-case
// patterns of the first extension): the program's own first two
// ("MP3-Datei|*.MP3|WAV-Datei|*.WAV"), and those offered after them
// ("Ogg-Vorbis-Datei|*.OGG"; not by the small ringtone's dialog).
std::string SaveDialogFilter();
std::string SaveDialogMoreFilters();

// The writer of save-dialog entry `filterIndex` (1-based); an index
// outside the entries counts as the first.
Writer WriterOfSaveFilter(int filterIndex, bool ringtone = false);

// The open dialog's entries: the program's own "WAV und MP3-Dateien|
// *.WAV;*.MP3", and after it every extension of the table, then every file.
std::string OpenDialogFilter();
std::string OpenDialogMoreFilters();

}  // namespace zirpel
