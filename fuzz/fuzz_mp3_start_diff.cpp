// libFuzzer target: the block scan of the MP3 data start search against the
// byte-wise rule on the same bytes. Both must agree on everything they
// report (or both raise), whatever the block size and however often the
// scan pumps; a stop at the first pump either ends the search as "no frame
// found" or comes too late to matter.
#include <cstdint>
#include <cstdlib>

#include "codec/ByteSource.h"
#include "codec/Mp3DataStart.h"

using namespace zirpel;

namespace {

struct Outcome {
    bool raised = false;
    Mp3DataStart start;
};

template <typename Search>
Outcome Run(const std::uint8_t* data, std::size_t size, Search search) {
    MemoryByteSource source(data, size);
    Outcome o;
    try {
        o.start = search(source);
    } catch (const EInOutError&) {
        o.raised = true;
    }
    return o;
}

bool Same(const Outcome& a, const Outcome& b) {
    if (a.raised || b.raised) return a.raised == b.raised;
    return a.start.riffWrapped == b.start.riffWrapped && a.start.frameFound == b.start.frameFound &&
           a.start.header == b.start.header && a.start.dataStart == b.start.dataStart &&
           a.start.wrapperFormat == b.start.wrapperFormat && a.start.stopped == b.start.stopped;
}

struct CountingTask : LongTask {
    int pumps = 0;
    bool stop = false;
    bool Pump() override {
        ++pumps;
        return true;
    }
    bool StopRequested() const override { return stop; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Outcome want = Run(data, size, [](ByteSource& s) { return FindMp3DataStartBytewise(s); });
    if (want.start.stopped) std::abort();

    // Tiny blocks put the seams everywhere; the last size is the real one.
    for (const std::size_t block : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{4},
                                    std::size_t{5}, std::size_t{7}, std::size_t{64},
                                    BlockScanLimits{}.blockBytes}) {
        CountingTask task;
        const Outcome got = Run(data, size, [&](ByteSource& s) {
            return FindMp3DataStart(s, &task, BlockScanLimits{block, 5});
        });
        if (!Same(want, got)) std::abort();
    }

    CountingTask stopping;
    stopping.stop = true;
    const Outcome stopped = Run(data, size, [&](ByteSource& s) {
        return FindMp3DataStart(s, &stopping, BlockScanLimits{3, 8});
    });
    if (stopped.raised != want.raised) std::abort();
    if (!stopped.raised) {
        if (stopped.start.stopped) {
            if (stopped.start.frameFound || stopping.pumps != 1) std::abort();
        } else if (!Same(want, stopped) || stopping.pumps != 0) {
            std::abort();
        }
    }
    return 0;
}
