// One import run of the CD dialog: open the transport for the selected
// drive, read the TOC, read the chosen track in requests of 10 sectors
// (optionally in karaoke mode) and hand the result over as a clip of
// 44100 Hz, 16-bit stereo. Every step is reported as a log line; the run
// never fails loudly.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "cdrom/CdDrives.h"
#include "cdrom/CdPlatform.h"
#include "cdrom/TrackTable.h"
#include "clip/Clip.h"
#include "clip/LongTask.h"

namespace zirpel {

struct TrackImportRequest {
    const CdDriveTable* drives = nullptr;
    int selectedDrive = -1;        // the drive list's selected index (-1: none)
    std::int32_t trackNumber = 1;  // position in the TOC, 1 = first entry
    // The largest clip the run may build: the clip's 32-bit size field
    // (tests make it smaller). The read loop stops before passing it.
    std::int64_t maxClipBytes = kMaxClipBytes;
};

// `log` and `changeSec` must be set.
struct TrackImportHooks {
    CdLog log;
    // Shows a sector position (the dialog sets its label to ChangeSecText).
    std::function<void(std::int64_t position)> changeSec;
    // Karaoke mode: asked after every successful read (the dialog's check
    // box stays usable during the run). Empty: never.
    std::function<bool()> karaoke;
};

enum class TrackImportEnd {
    Finished,      // the read loop ran (maybe reading nothing); "Ripping beendet..." logged
    NoDrive,       // no drive in the list or none selected
    NoTransport,   // the device or the ASPI layer could not be used
    InvalidTrack,  // the TOC has no such track
    OwnerGone,     // the window went away during the run: nothing more was touched
};

struct TrackImportResult {
    TrackImportEnd end = TrackImportEnd::Finished;
    // What was read, when anything was; otherwise the clip stays as it is.
    std::optional<Clip> clip;
};

inline constexpr ClipFormat kCdAudioFormat{44100, true, true};
// Failed requests in a row after which the read loop gives up.
inline constexpr int kMaxFailedReadsInRow = 10;

// `table` keeps the last TOC read (the dialog's FTrackStarts/FTrackCount).
// `task`: Pump() once at the top of every read round (a false return ends
// the run at once), StopRequested() is the dialog's cancel flag (or a
// termination signal), cleared with ClearStop() at the start.
TrackImportResult RunTrackImport(CdPlatform& platform, const TrackImportRequest& request,
                                 TrackTable& table, LongTask& task, const TrackImportHooks& hooks);

// The largest rip of whole 23520-byte requests within `maxClipBytes`.
std::int64_t MaxRipBytes(std::int64_t maxClipBytes);
// Bytes to reserve for a track of sectors [start, end): whole requests of
// 10 sectors, no more than `maxRipBytes`.
std::int64_t RipReserveBytes(std::int64_t start, std::int64_t end, std::int64_t maxRipBytes);

}  // namespace zirpel
