#include "cdrom/TrackImport.h"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "cdrom/AspiTransport.h"
#include "cdrom/CdTexts.h"
#include "cdrom/Karaoke.h"
#include "cdrom/SptiTransport.h"

namespace zirpel {

namespace {

// Opens the transport for `drive`, logging why when it cannot be used.
std::unique_ptr<CdTransport> OpenTransport(CdPlatform& platform, const CdDriveTable& drives,
                                           const TCDDriveInfo& drive, const CdLog& log) {
    if (drives.FUseSPTI) {
        auto spti = std::make_unique<SptiTransport>(
            platform, platform.DeviceFolder() + "/" + drive.DeviceName);
        if (!spti->IsOpen()) {
            log(SptiNoAccessLine());
            return nullptr;
        }
        return spti;
    }
    auto aspi = std::make_unique<AspiTransport>(platform, drive.HaId, drive.Target, drive.Lun);
    if (!aspi->Layer().Load()) {
        log(AspiNotLoadedImportLine());
        return nullptr;
    }
    const auto status = static_cast<std::uint8_t>(aspi->Layer().GetSupportInfo() >> 8);
    if (status != kSrbCompleted && status != kSrbNoDevice) {
        log(AspiNotInitializedLine());
        return nullptr;
    }
    return aspi;
}

}  // namespace

std::int64_t MaxRipBytes(std::int64_t maxClipBytes) {
    return std::clamp<std::int64_t>(maxClipBytes, 0, kMaxClipBytes) / kReadBytes * kReadBytes;
}

std::int64_t RipReserveBytes(std::int64_t start, std::int64_t end, std::int64_t maxRipBytes) {
    if (end <= start) return 0;
    const std::int64_t requests = (end - start + kSectorsPerRead - 1) / kSectorsPerRead;
    return requests > maxRipBytes / kReadBytes ? maxRipBytes : requests * kReadBytes;
}

TrackImportResult RunTrackImport(CdPlatform& platform, const TrackImportRequest& request,
                                 TrackTable& table, LongTask& task, const TrackImportHooks& hooks) {
    const CdLog& log = hooks.log;
    task.ClearStop();
    const TCDDriveInfo* drive =
        request.drives ? request.drives->At(request.selectedDrive) : nullptr;
    if (drive == nullptr) {
        log(NoDriveLine());
        return {TrackImportEnd::NoDrive, std::nullopt};
    }
    const bool spti = request.drives->FUseSPTI;
    std::unique_ptr<CdTransport> transport = OpenTransport(platform, *request.drives, *drive, log);
    if (!transport) {
        log(RipEndLine());
        return {TrackImportEnd::NoTransport, std::nullopt};
    }

    // The track's sectors [start, end); both stay 0 without a TOC.
    std::int64_t start = 0;
    std::int64_t end = 0;
    const CommandResult toc = transport->Execute(ReadTocCommand());
    if (toc.succeeded) {
        log(TocReadLine());
        ParseToc(transport->Data(), kTocBytes, table);
        if (request.trackNumber < 1 || request.trackNumber > table.FTrackCount) {
            log(InvalidTrackLine());
            return {TrackImportEnd::InvalidTrack, std::nullopt};
        }
        start = table.FTrackStarts[static_cast<std::size_t>(request.trackNumber)];
        end = table.FTrackStarts[static_cast<std::size_t>(request.trackNumber) + 1];
        log(TracksFoundLine(table.FTrackCount));
    } else {
        log(TocFailedLine(spti, toc.status));
    }

    log(RipStartLine());
    transport->PrepareRead();
    const std::int64_t maxRip = MaxRipBytes(request.maxClipBytes);
    std::vector<std::uint8_t> rip;
    try {
        rip.reserve(static_cast<std::size_t>(RipReserveBytes(start, end, maxRip)));
    } catch (const std::bad_alloc&) {
        // Read anyway: the buffer then grows as the data arrives.
    }

    int failures = 0;
    bool tooManyFailures = false;
    while (!tooManyFailures && !task.StopRequested() && start < end) {
        if (!task.Pump()) return {TrackImportEnd::OwnerGone, std::nullopt};
        if (static_cast<std::int64_t>(rip.size()) + kReadBytes > maxRip) {
            log(RipTooLongLine());
            break;
        }
        const CommandResult read = transport->ReadAt(static_cast<std::uint32_t>(start));
        if (read.succeeded) {
            std::uint8_t* area = transport->Data();
            // In the data area itself: the part of it a later, shorter read
            // does not overwrite then holds this block as processed.
            if (hooks.karaoke && hooks.karaoke()) ApplyKaraoke(area, kReadBytes);
            // The full request, whatever count the drive reported.
            try {
                rip.insert(rip.end(), area, area + kReadBytes);
            } catch (const std::bad_alloc&) {
                log(RipOutOfMemoryLine());
                break;
            }
            failures = 0;
        } else {
            // The request's sectors are skipped, not read again.
            log(ReadFailedLine(spti, read));
            tooManyFailures = ++failures > kMaxFailedReadsInRow;
        }
        start += kSectorsPerRead;
        hooks.changeSec(start);
    }
    // Without a TOC the label keeps what it showed.
    if (toc.succeeded) hooks.changeSec(start);
    transport.reset();

    TrackImportResult result;
    if (!rip.empty()) result.clip = Clip(std::move(rip), kCdAudioFormat);
    log(RipEndLine());
    return result;
}

}  // namespace zirpel
