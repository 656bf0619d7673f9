// Opening an audio file as a clip: the part of "Öffnen..." that needs no
// window, shared by the editor and the command line.
//
// The way is decided by the name alone, through the format table: an
// extension that reads ".MP3" in capitals goes through the MP3 import into
// a temporary WAV file, which is read back through its descriptor and
// deleted; every other name goes to the WAV reader. Where the WAV reader
// refuses a file for its format alone (not RIFF/WAVE at all, or a format
// block it does not take: other sample widths, WAVE_FORMAT_EXTENSIBLE,
// more channels, compression), the sound-file library reads it instead and
// the clip is converted to 16 bit, mono or stereo (SoundFileRead.h). A
// WAV file the WAV reader takes is read by it alone, byte for byte; one
// it refuses for a broken structure (no "fmt " or "data" where they
// belong, an empty or short data chunk) stays refused.
#pragma once

#include <string>
#include <vector>

#include "clip/Clip.h"
#include "clip/LongTask.h"
#include "clip/Notice.h"
#include "codec/Mp3Import.h"
#include "wave/WaveFile.h"

namespace zirpel {

// True when the format table sends the name to the MP3 import: the
// extension of the last path component, in any case, is ".mp3".
bool IsMp3FileName(const std::string& fileName);

struct OpenOptions {
    bool dither = false;  // triangular dither where samples are rounded to 16 bit
    // MP3 only: decode straight into the clip instead of through the
    // temporary file (the command line, where nothing else reads that file:
    // it saves writing and reading back the whole clip once).
    bool mp3IntoMemory = false;
};

struct OpenResult {
    bool mp3 = false;                                       // the MP3 path was taken
    Mp3ConvertResult conversion = Mp3ConvertResult::Converted;  // meaningful when mp3
    WaveStatus read = WaveStatus::CannotOpen;
    Clip clip;  // the new clip when ok()
    // What was converted on the way ("24 Bit → 16 Bit", "6 Kanäle → Stereo");
    // empty when the file's own samples became the clip.
    std::vector<std::string> conversions;

    bool ok() const { return read == WaveStatus::Ok; }
};

// What the user is told, in order: the conversion's own message (if any),
// then "Konnte Datei nicht öffnen" unless the file was read.
std::vector<Notice> NoticesFor(const OpenResult& result);

// Opens `fileName`. Anything that exists but is not a regular file (a
// folder, a FIFO, a device) is refused at once, before any read. MP3 files
// are converted into a temporary file in `tempFolder`, which is deleted
// before this returns, whatever happens (or into memory, as asked). EACMConvertor and EInOutError of
// the conversion escape to the caller (the window's general error display).
OpenResult OpenAudioFile(const std::string& fileName, Mp3Codec& codec,
                         const std::string& tempFolder, LongTask& task,
                         const OpenOptions& options = {});

// The conversions as one line for the user: "24 Bit → 16 Bit, 6 Kanäle →
// Stereo"; empty when there were none.
std::string ConversionNote(const OpenResult& result);

}  // namespace zirpel
