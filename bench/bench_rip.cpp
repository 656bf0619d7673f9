// Ripping a 74-minute track (333000 sectors, 783 MB) from a simulated drive
// through the import's read loop, beside a plain copy of the same bytes
// (the same sector data generated request by request and appended to a
// buffer reserved once). Memory: the rip buffer's capacity against the
// track's size, and the process's peak resident set (getrusage ru_maxrss)
// after the rip, which runs first.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstring>
#include <vector>

#include "cdrom/CdDrives.h"
#include "cdrom/SimulatedCd.h"
#include "cdrom/TrackImport.h"

namespace {

constexpr std::int32_t kTrackSectors = 74 * 60 * 75;
constexpr std::int64_t kTrackBytes = std::int64_t{kTrackSectors} * zirpel::kRawSectorBytes;

double PeakRssBytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024.0;  // Linux reports KiB
}

void BM_RipTrack(benchmark::State& state) {
    zirpel::testing::SimulatedCdPlatform sim;
    zirpel::testing::SimDevice drive;
    drive.name = "sr0";
    drive.starts = {0, kTrackSectors};
    sim.devices = {drive};
    zirpel::CdDriveTable drives;
    zirpel::TCDDriveInfo info;
    info.DeviceName = "sr0";
    drives.Add(info);
    zirpel::TrackImportRequest request;
    request.drives = &drives;
    request.selectedDrive = 0;
    request.trackNumber = 1;
    zirpel::TrackImportHooks hooks{[](const std::string&) {}, [](std::int64_t) {}, {}};
    zirpel::LongTask task;
    double capacity = 0;

    for (auto _ : state) {
        sim.sent.clear();
        zirpel::TrackTable table;
        auto result = zirpel::RunTrackImport(sim, request, table, task, hooks);
        if (!result.clip || result.clip->bytes.size() != static_cast<std::size_t>(kTrackBytes)) {
            state.SkipWithError("rip incomplete");
            break;
        }
        capacity = static_cast<double>(result.clip->bytes.capacity());
        benchmark::DoNotOptimize(result.clip->bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * kTrackBytes);
    state.counters["capacity_per_track"] = capacity / static_cast<double>(kTrackBytes);
    state.counters["peak_rss_per_track"] = PeakRssBytes() / static_cast<double>(kTrackBytes);
}
BENCHMARK(BM_RipTrack)->Unit(benchmark::kMillisecond);

// The floor: generate each request's sector data as the drive does, then
// append it to a buffer reserved once.
void BM_PlainCopy(benchmark::State& state) {
    std::vector<std::uint8_t> request(zirpel::kReadBytes);
    for (auto _ : state) {
        std::vector<std::uint8_t> out;
        out.reserve(static_cast<std::size_t>(kTrackBytes));
        for (std::uint32_t lba = 0; lba < static_cast<std::uint32_t>(kTrackSectors); lba += 10) {
            for (std::size_t i = 0; i + 4 <= request.size(); i += 4)
                zirpel::PutLE32(request.data() + i,
                                lba + static_cast<std::uint32_t>(i / zirpel::kRawSectorBytes));
            out.insert(out.end(), request.begin(), request.end());
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * kTrackBytes);
}
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
