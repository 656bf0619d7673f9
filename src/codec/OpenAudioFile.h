// Opening a WAV or MP3 file as a clip: the part of "Öffnen..." that needs no
// window, shared by the editor and the command line.
//
// The kind is decided by the name alone: an extension that reads ".MP3" in
// capitals goes through the MP3 import into a temporary WAV file, which is
// read back through its descriptor and deleted; every other name goes to
// the WAV reader.
#pragma once

#include <string>
#include <vector>

#include "clip/Clip.h"
#include "clip/LongTask.h"
#include "clip/Notice.h"
#include "codec/Mp3Import.h"
#include "wave/WaveFile.h"

namespace zirpel {

// True when the extension of the last path component (from its last dot,
// dot included), upper-cased, is ".MP3".
bool IsMp3FileName(const std::string& fileName);

struct OpenResult {
    bool mp3 = false;                                       // the MP3 path was taken
    Mp3ConvertResult conversion = Mp3ConvertResult::Converted;  // meaningful when mp3
    WaveStatus read = WaveStatus::CannotOpen;
    Clip clip;  // the new clip when ok()

    bool ok() const { return read == WaveStatus::Ok; }
};

// What the user is told, in order: the conversion's own message (if any),
// then "Konnte Datei nicht öffnen" unless the file was read.
std::vector<Notice> NoticesFor(const OpenResult& result);

// Where an MP3 file's WAV form is made before it becomes the clip: the
// temporary file tempwav<n>.wav (the editor's Open), or memory, from where
// the audio becomes the clip without being copied (the command line).
enum class Mp3Staging { TemporaryFile, Memory };

// Opens `fileName`. Anything that exists but is not a regular file (a
// folder, a FIFO, a device) is refused at once, before any read. MP3 files
// are converted into a temporary file in `tempFolder`, which is deleted
// before this returns, whatever happens, or into memory, where the clip is
// checked as the WAV reader checks the file. EACMConvertor and EInOutError
// of the conversion escape to the caller (the window's general error display).
OpenResult OpenAudioFile(const std::string& fileName, Mp3Codec& codec,
                         const std::string& tempFolder, LongTask& task,
                         Mp3Staging staging = Mp3Staging::TemporaryFile);

}  // namespace zirpel
