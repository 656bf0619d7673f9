// Saving the audio clip: as MP3 through an Mp3Encoder, or as WAV. Files are
// written through SafeFile, so a failed save leaves any existing file as it was.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "clip/Clip.h"
#include "clip/LongTask.h"
#include "clip/Notice.h"
#include "export/BeConfig.h"
#include "export/Mp3Encoder.h"
#include "formats/AudioFormats.h"
#include "wave/ByteSink.h"

namespace zirpel {

// The messages of the save commands, exactly as the user sees them.
inline constexpr const char* kMsgCannotCreate = "Konnte Datei nicht erstellen...";
inline constexpr const char* kMsgEncoderInit = "Konnte LAME Encoder nicht initialisieren...";
inline constexpr const char* kMsgEncodeFailed = "Fehler beim MP3 Codieren";
inline constexpr const char* kMsgFlushFailed = "Echec à la sortie";
inline constexpr const char* kMsgCannotSave = "Konnte Datei nicht speichern";
inline constexpr const char* kMsgVorbisInit = "Konnte Vorbis Encoder nicht initialisieren...";
// A WAV or Ogg Vorbis file without samples would not open again: such a
// save is refused.
inline constexpr const char* kMsgEmptyClip =
    "Der Clip enthält keine Samples; eine leere WAV-Datei ließe sich nicht wieder öffnen. Nichts gespeichert.";
inline constexpr const char* kMsgEmptyOggClip =
    "Der Clip enthält keine Samples; eine leere Ogg-Vorbis-Datei ließe sich nicht wieder öffnen. "
    "Nichts gespeichert.";
// A clip shorter than one sample period of the output rate converts to no
// samples at all.
inline constexpr const char* kMsgOggTooShort =
    "Der Clip ist kürzer als ein Sample der gewählten Samplefrequenz; eine leere Ogg-Vorbis-Datei "
    "ließe sich nicht wieder öffnen. Nichts gespeichert.";

// An encoder failure in the middle of a save. It ends the command and is
// shown by the general error display; what() is the message.
class EMP3Encoder : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How a save ended when it did not end with EMP3Encoder.
enum class SaveStatus {
    Saved,
    CannotCreate,       // the output file could not be created
    EncoderInitFailed,  // beInitStream refused the settings
    CannotWrite,        // writing, flushing or replacing the file failed
    VorbisInitFailed,   // the Ogg Vorbis encoder took no setting near the asked one
    Stopped,            // the stop query ended the save; the target stays as it was
    EmptyClip,          // WAV: a clip with a rate but no samples
    EmptyOggClip,       // the same as Ogg Vorbis
    OggTooShort,        // Ogg Vorbis: the rate conversion left no samples
};

// Asked between blocks of a save; true stops it (SaveStatus::Stopped).
using SaveStopQuery = std::function<bool()>;

// What the save command shows for a status (nothing for Saved).
Notice NoticeFor(SaveStatus status);

// Largest piece of 16-bit encoder input per beEncodeChunk, in bytes.
inline constexpr std::int32_t kMp3ChunkBytes = 5000;

// The encoder record for a clip: input rate = clip rate, output rate and
// both bit-rate fields as given, stereo or mono after the clip, CBR, high
// quality, copyright and original set, no CRC, no VBR, reserved bytes zero.
BE_CONFIG MakeMp3Config(const ClipFormat& clip, std::int32_t outputRate, std::int32_t bitRate);

// Encodes the clip into `out`: 8-bit clips are widened once to 16 bit as
// (b - 128) * 256; the 16-bit input goes to the encoder in pieces of at most
// kMp3ChunkBytes, with progress pos * 100 / count before each piece and 0
// after the last (to the task's Progress; the encoding lets no events run);
// then the stream is flushed and closed.
// Returns Saved, EncoderInitFailed, or CannotWrite when `out` refuses bytes
// (the stream is closed first). Throws EMP3Encoder(kMsgEncodeFailed) when a
// chunk fails and EMP3Encoder(kMsgFlushFailed) when the flush fails, after
// closing the stream.
SaveStatus EncodeClipToMP3(Mp3Encoder& encoder, const ClipSpan& clip, std::int32_t outputRate,
                           std::int32_t bitRate, ByteSink& out, LongTask& task);

// EncodeClipToMP3 into the named file. Nothing replaces the file unless the
// whole encoding succeeded and was written out: CannotCreate if the file
// cannot be created, CannotWrite if a write or the final replace fails,
// Stopped when `stop` answered true.
SaveStatus SaveClipAsMP3File(Mp3Encoder& encoder, const std::string& fileName,
                             const ClipSpan& clip, std::int32_t outputRate, std::int32_t bitRate,
                             LongTask& task, const SaveStopQuery& stop = {});

// The save dialog's entries (SaveDialogFilter() of the format table):
// 1 = MP3, 2 = WAV, 3 = Ogg Vorbis.
inline constexpr int kSaveFilterMp3 = 1;
inline constexpr int kSaveFilterWav = 2;
inline constexpr int kSaveFilterOgg = 3;

// Appends the extension of the save dialog's entry `filterIndex` (".mp3",
// ".wav", ".ogg") when the last path component holds no dot; otherwise
// returns the name unchanged.
std::string CompleteSaveFileName(const std::string& fileName, int filterIndex);

// One save, whatever the writer: the output rate and bit rate are the MP3
// box's (the WAV writer ignores both).
struct SaveRequest {
    Writer writer = Writer::Wave;
    std::string fileName;
    std::int32_t outputRate = 44100;
    std::int32_t bitRate = 128;  // kbit/s
};

struct SaveOutcome {
    SaveStatus status = SaveStatus::Saved;
    // Said to the user after a save that had to deviate from the request
    // (an Ogg Vorbis bit rate the encoder does not offer); usually empty.
    std::string note;
};

// Saves the clip as the request's writer asks, through the safe file;
// `stop` ends any of them (Stopped). EMP3Encoder escapes as from
// SaveClipAsMP3File.
SaveOutcome SaveClipAs(const SaveRequest& request, const ClipSpan& clip, Mp3Encoder& encoder,
                       LongTask& task, const SaveStopQuery& stop = {});

// The clip as a WAV file (WriteWaveFile into the safe file's descriptor),
// replacing the named file only when the whole file was written. Saved,
// CannotWrite, Stopped, or EmptyClip for a clip with a rate but no bytes
// (the reader refuses an empty data chunk; a clip without a rate keeps the
// writer's own refusal, CannotWrite).
SaveStatus SaveClipAsWaveFile(const std::string& fileName, const ClipSpan& clip,
                              const SaveStopQuery& stop = {});

}  // namespace zirpel
