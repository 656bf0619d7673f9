#include "codec/Mp3Pieces.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include <sched.h>

#include "clip/FileWrites.h"
#include "codec/Mp3SideInfo.h"

namespace zirpel {
namespace {

constexpr std::size_t kFeedBytes = 256 * 1024;
constexpr std::uint64_t kHeaderBytes = 44;
constexpr std::int64_t kSearchFrames = 1024;
constexpr std::uint64_t kMinPieceBytes = std::uint64_t{1} << 20;
constexpr std::int64_t kNoEnd = std::numeric_limits<std::int64_t>::max();
constexpr auto kPumpEvery = std::chrono::milliseconds(10);
// The farthest back a frame's audio data may begin (9 bits in MPEG-1).
constexpr std::uint32_t kMaxReservoirBytes = 511;

// 16-bit samples of at least this size, so many of them: the overlap of two
// pieces must hold that much sound before it counts as a check.
constexpr int kAudibleLevel = 16;
constexpr std::size_t kAudibleSamples = 1024;

std::size_t AudibleSamples(const std::uint8_t* pcm, std::size_t bytes) {
    std::size_t n = 0;
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        const auto v = static_cast<std::int16_t>(pcm[i] | (pcm[i + 1] << 8));
        n += (v >= kAudibleLevel || v <= -kAudibleLevel) ? 1 : 0;
    }
    return n;
}

// Reads the file into a decoder chunk by chunk, putting replacement bytes
// in place of the file's own in a few ranges.
class Feeder {
public:
    Feeder(const ByteSource& source, std::uint64_t from) : source_(source), pos_(from), buffer_(kFeedBytes) {}

    void Replace(std::uint64_t at, std::vector<std::uint8_t> bytes) { patches_.push_back({at, std::move(bytes)}); }
    // Feeds the next chunk; false at the end of the file or on failure.
    bool More(Mp3FrameDecoder& decoder) {
        const std::size_t n = source_.readAt(pos_, buffer_.data(), buffer_.size());
        if (n == 0) return false;
        const std::uint64_t end = pos_ + n;
        for (const Patch& patch : patches_) {
            const std::uint64_t patchEnd = patch.at + patch.bytes.size();
            if (patch.bytes.empty() || patch.at >= end || patchEnd <= pos_) continue;
            const std::uint64_t from = std::max(patch.at, pos_), to = std::min(patchEnd, end);
            std::memcpy(buffer_.data() + (from - pos_), patch.bytes.data() + (from - patch.at),
                        static_cast<std::size_t>(to - from));
        }
        pos_ = end;
        return decoder.Feed(buffer_.data(), n);
    }

private:
    struct Patch {
        std::uint64_t at;
        std::vector<std::uint8_t> bytes;
    };
    const ByteSource& source_;
    std::uint64_t pos_;
    std::vector<std::uint8_t> buffer_;
    std::vector<Patch> patches_;
};

struct Piece {
    std::int64_t decodeFrom = 0;  // first frame decoded
    std::int64_t keepFrom = 0;    // first frame whose PCM is kept
    std::int64_t keepTo = kNoEnd; // first frame no longer kept
    std::uint64_t startPosition = 0;  // decoding range in the file, for the progress
    std::uint64_t endPosition = 0;
    std::uint64_t startFrameOffset = 0;  // where the start frame must lie
    std::uint64_t outOffset = 0;         // PCM offset of keepFrom
};

struct QuietFrame {
    std::int64_t number = 0;
    bool allSilent = false;  // every granule of it came out as zeros
};

struct PieceState {
    std::atomic<std::uint64_t> position{0};
    std::uint64_t bytes = 0;       // PCM written
    bool complete = false;
    bool failed = false;
    bool writeFailed = false;
    std::vector<std::uint8_t> head;  // PCM of the first kept frames
    std::vector<std::uint8_t> tail;  // PCM of the frames after keepTo
    std::vector<QuietFrame> quiet;   // kept frames whose last granule came out as zeros
};

// Whether `bytes` of PCM are all zeros.
bool Silent(const std::uint8_t* pcm, std::size_t bytes) {
    return std::all_of(pcm, pcm + bytes, [](std::uint8_t b) { return b == 0; });
}

// A frame whose last granule came out as zeros (or that gave no PCM): a
// decoder that gives up on a frame fills it with zeros without running its
// filter bank, which shifts the bank's cycle for every frame after; from
// the PCM alone that cannot be told from real silence.
std::optional<QuietFrame> Quiet(std::int64_t number, const std::uint8_t* pcm, std::size_t bytes,
                                std::size_t granuleBytes) {
    const std::size_t last = bytes > granuleBytes ? bytes - granuleBytes : 0;
    if (!Silent(pcm + last, bytes - last)) return std::nullopt;
    return QuietFrame{number, Silent(pcm, last)};
}

struct Shared {
    Shared(const ByteSource& s, std::uint64_t d, std::size_t f, std::size_t g, PcmTarget& t)
        : source(s), dataStart(d), frameBytes(f), granuleBytes(g), target(t) {}
    const ByteSource& source;
    std::uint64_t dataStart;
    std::size_t frameBytes;
    std::size_t granuleBytes;
    PcmTarget& target;
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::condition_variable done;
    int running = 0;
};

// Decodes one piece. `verifyStart`: the start frame must be found where the
// plan put it (every piece but the first, whose first frame is decoded
// before the pieces start).
void RunPiece(Shared& sh, const Piece& piece, bool last, bool verifyStart, Mp3FrameDecoder& decoder,
              Feeder& feeder, PieceState& st) {
    std::vector<std::uint8_t> out;
    out.reserve(kFileWriteBytes);
    std::uint64_t outPos = piece.outOffset;
    auto flush = [&] {
        if (out.empty()) return true;
        if (!sh.target.WriteAt(kHeaderBytes + outPos, out.data(), out.size())) return false;
        outPos += out.size();
        out.clear();
        return true;
    };
    int headFrames = 0, tailFrames = 0;
    std::size_t audible = 0;
    bool started = !verifyStart;
    while (!sh.stop.load(std::memory_order_relaxed)) {
        const Mp3FrameDecoder::Step step = decoder.Next();
        if (step == Mp3FrameDecoder::Step::NeedMore) {
            if (feeder.More(decoder)) continue;
            // The input ended: only the last piece may end so, or one that
            // holds enough frames past its end for the check.
            st.complete = last || tailFrames >= kOverlapFrames;
            st.failed = !st.complete;
            break;
        }
        if (step != Mp3FrameDecoder::Step::Frame) {
            st.complete = step == Mp3FrameDecoder::Step::End && (last || tailFrames >= kOverlapFrames);
            st.failed = !st.complete;
            break;
        }
        const std::int64_t n = decoder.FrameNumber();
        st.position.store(sh.dataStart + static_cast<std::uint64_t>(std::max<std::int64_t>(decoder.FramePosition(), 0)),
                          std::memory_order_relaxed);
        if (n < piece.decodeFrom) continue;
        if (!started) {
            // The start frame must be the one the plan chose, with the side
            // information the feeder cleared.
            if (n != piece.decodeFrom ||
                sh.dataStart + static_cast<std::uint64_t>(decoder.FramePosition()) != piece.startFrameOffset) {
                st.failed = true;
                break;
            }
            started = true;
        }
        const std::uint8_t* pcm = nullptr;
        std::size_t bytes = 0;
        if (!decoder.Decode(pcm, bytes)) {
            st.failed = true;
            break;
        }
        if (n < piece.keepFrom) continue;
        if (n >= piece.keepTo) {
            // Past the piece: PCM to hold against the next piece's start,
            // until it has enough sound in it to tell a difference.
            st.tail.insert(st.tail.end(), pcm, pcm + bytes);
            audible += AudibleSamples(pcm, bytes);
            ++tailFrames;
            if ((tailFrames >= kOverlapFrames && audible >= kAudibleSamples) || tailFrames >= kMaxOverlapFrames) {
                st.complete = true;
                break;
            }
            continue;
        }
        // Only the last piece may end in a frame cut short (the gapless end).
        if (!last && bytes != sh.frameBytes) {
            st.failed = true;
            break;
        }
        if (const auto q = Quiet(n, pcm, bytes, sh.granuleBytes)) st.quiet.push_back(*q);
        if (headFrames < kMaxOverlapFrames) {
            st.head.insert(st.head.end(), pcm, pcm + bytes);
            ++headFrames;
        }
        out.insert(out.end(), pcm, pcm + bytes);
        st.bytes += bytes;
        if (out.size() >= kFileWriteBytes && !flush()) {
            st.writeFailed = true;
            break;
        }
    }
    if (!st.writeFailed && !flush()) st.writeFailed = true;
    if (st.writeFailed || st.failed) sh.stop.store(true, std::memory_order_relaxed);
    if (!last && st.complete &&
        st.bytes != static_cast<std::uint64_t>(piece.keepTo - piece.keepFrom) * sh.frameBytes)
        st.failed = true;
}

// Whether the PCM a piece decoded past its end is what the next piece
// decoded at its start, as far as both reach.
bool Agree(const std::vector<std::uint8_t>& tail, const std::vector<std::uint8_t>& head) {
    const std::size_t n = std::min(tail.size(), head.size());
    return std::equal(tail.begin(), tail.begin() + static_cast<std::ptrdiff_t>(n), head.begin());
}

// `side` (side information without the CRC) as the replacement of
// `frame`'s CRC and side information, with the CRC that goes with it.
std::vector<std::uint8_t> WithCrc(const ByteSource& source, const Mp3FrameChain& chain, const Mp3Frame& frame,
                                  std::vector<std::uint8_t> side) {
    if (chain.crc) {
        std::uint8_t header[4] = {};
        if (source.readAt(frame.offset, header, 4) != 4) return {};
        const std::uint16_t crc = Mp3FrameCrc(header, side.data(), chain.sideInfoBytes);
        side.insert(side.begin(), {static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)});
    }
    return side;
}

// The replacement for the start frame's CRC and side information: zeros,
// with the CRC they need.
std::vector<std::uint8_t> SilentSideInfo(const ByteSource& source, const Mp3FrameChain& chain,
                                         const Mp3Frame& frame) {
    return WithCrc(source, chain, frame, std::vector<std::uint8_t>(static_cast<std::size_t>(chain.sideInfoBytes), 0));
}

// Whether every frame from `first` on (after frame `i`) finds its audio
// data from frame `i` on: a decoder that starts at `i` has nothing before
// it in its reservoir.
bool ReservoirFrom(const Mp3FrameChain& chain, std::size_t i, std::size_t first) {
    std::uint32_t behind = 0;
    for (std::size_t j = i + 1; j < chain.frames.size() && behind < kMaxReservoirBytes; ++j) {
        behind += chain.frames[j - 1].mainDataSize;
        if (j >= first && chain.frames[j].mainDataBegin > behind) return false;
    }
    return true;
}
bool ReservoirFrom(const Mp3FrameChain& chain, std::size_t i) { return ReservoirFrom(chain, i, i + 1); }

// Whether frames `first` to `last` find their audio data from frame `s` on.
bool DataFrom(const Mp3FrameChain& chain, std::size_t s, std::size_t first, std::size_t last) {
    std::uint64_t behind = 0;
    for (std::size_t j = s; j < first; ++j) behind += chain.frames[j].mainDataSize;
    for (std::size_t j = first; j <= last; ++j) {
        if (chain.frames[j].mainDataBegin > behind) return false;
        behind += chain.frames[j].mainDataSize;
    }
    return true;
}

// Decodes frames `from` to `to` (chain indices) with a fresh decoder whose
// frame `from` is silenced and whose frame `at` gets `replacement` (CRC
// and side information) if there is one; gives the PCM of the frames from
// `at + skip` on, or nothing on any failure.
std::optional<std::vector<std::uint8_t>> Probe(const ByteSource& source, std::uint64_t dataStart,
                                               const Mp3FrameChain& chain, const Mp3FrameDecoderFactory& decoders,
                                               std::size_t from, std::size_t to, std::size_t at, std::size_t skip,
                                               std::vector<std::uint8_t> replacement) {
    std::unique_ptr<Mp3FrameDecoder> decoder = decoders();
    if (!decoder) return std::nullopt;
    Feeder feeder(source, dataStart);
    std::vector<std::uint8_t> silent = SilentSideInfo(source, chain, chain.frames[from]);
    if (silent.empty()) return std::nullopt;
    feeder.Replace(chain.frames[from].offset + 4, std::move(silent));
    if (!replacement.empty()) feeder.Replace(chain.frames[at].offset + 4, std::move(replacement));
    std::vector<std::uint8_t> out;
    for (;;) {
        const Mp3FrameDecoder::Step step = decoder->Next();
        if (step == Mp3FrameDecoder::Step::NeedMore) {
            if (!feeder.More(*decoder)) return std::nullopt;
            continue;
        }
        if (step != Mp3FrameDecoder::Step::Frame) return std::nullopt;
        const std::uint64_t pos = dataStart + static_cast<std::uint64_t>(std::max<std::int64_t>(decoder->FramePosition(), 0));
        if (pos < chain.frames[from].offset) continue;
        const std::uint8_t* pcm = nullptr;
        std::size_t bytes = 0;
        if (!decoder->Decode(pcm, bytes)) return std::nullopt;
        if (pos >= chain.frames[at + skip].offset) out.insert(out.end(), pcm, pcm + bytes);
        if (pos >= chain.frames[to].offset) return out;
    }
}

constexpr std::size_t kProbeFrames = 16;
constexpr std::size_t kMaxProbes = 8;
// How far before the frame a probe may start.
constexpr std::size_t kProbeLead = 64;
// A filter bank off by one granule shows in sound like this much.
constexpr std::size_t kProbeAudibleSamples = 4096;

// 16-bit samples that are neither near silence nor at full scale.
std::size_t TellingSamples(const std::vector<std::uint8_t>& pcm) {
    std::size_t n = 0;
    for (std::size_t i = 0; i + 1 < pcm.size(); i += 2) {
        const auto v = static_cast<std::int16_t>(pcm[i] | (pcm[i + 1] << 8));
        n += (v >= kAudibleLevel || v <= -kAudibleLevel) && v < 32767 && v > -32767 ? 1 : 0;
    }
    return n;
}

// Whether the single decoder ran its filter bank for the same number of
// granules of frame `i` as a piece's decoder takes it to have run (all of
// them, or in MPEG-1 none, as both granules keep the bank's cycle), where
// the frame came out as zeros to the end (`q`). A decoder gives up on a
// granule only where it has audio data, and then on the rest of the frame.
// Where that cannot be ruled out, probe decoders tell: one left alone and
// one made to refuse the frame go on alike only if the frame was refused
// anyway; and in MPEG-1 one with the last granule silenced goes on, two
// frames later, alike with the one left alone only where that ran it.
bool GranulesAccountedFor(const ByteSource& source, std::uint64_t dataStart, const Mp3FrameChain& chain,
                          const Mp3FrameDecoderFactory& decoders, std::size_t i, const QuietFrame& q,
                          std::size_t& probes) {
    const Mp3Frame& frame = chain.frames[i];
    const bool mpeg1 = chain.samplesPerFrame == 1152;
    const std::size_t crcBytes = chain.crc ? 2 : 0;
    std::vector<std::uint8_t> side(crcBytes + static_cast<std::size_t>(chain.sideInfoBytes));
    if (source.readAt(frame.offset + 4, side.data(), side.size()) != side.size()) return false;
    side.erase(side.begin(), side.begin() + static_cast<std::ptrdiff_t>(crcBytes));
    const unsigned withData = Mp3GranulesWithData(side.data(), chain.sideInfoBytes, mpeg1, chain.channels);
    const unsigned last = mpeg1 ? 2u : 1u;
    if (mpeg1) {
        // Refused whole, the frame keeps the cycle; only the second granule
        // given up on alone shifts it.
        if ((withData & last) == 0) return true;
        if (!q.allSilent) return false;
    } else if (withData == 0) {
        // Nothing to give up on, unless its data lies before the stream
        // (a Xing or Info frame's bytes count: the decoder reads them).
        std::uint32_t behind = 0;
        for (std::size_t j = i; j-- > 0 && behind < kMaxReservoirBytes;) behind += chain.frames[j].mainDataSize;
        return frame.mainDataBegin <= behind;
    }
    // The probes start a few frames early, so that the frame and those
    // after it find their audio data in what the probe reads.
    const std::size_t to = i + kProbeFrames;
    if (to >= chain.frames.size()) return false;
    std::size_t from = i;
    for (std::size_t s = i; s-- > 0 && s + kProbeLead >= i;) {
        if (DataFrom(chain, s, i, to)) {
            from = s;
            break;
        }
    }
    if (from == i || ++probes > kMaxProbes) return false;
    const auto alone = Probe(source, dataStart, chain, decoders, from, to, i, 1, {});
    const auto refused = Probe(source, dataStart, chain, decoders, from, to, i, 1,
                               WithCrc(source, chain, frame, Mp3RefusedSideInfo(side.data(), chain.sideInfoBytes, mpeg1, chain.channels)));
    if (!alone || !refused) return false;
    if (*alone == *refused) return mpeg1;  // refused anyway: in MPEG-1 the cycle stays
    if (!mpeg1) return true;
    const auto silenced = Probe(source, dataStart, chain, decoders, from, to, i, 2,
                                WithCrc(source, chain, frame, Mp3SilencedGranule(side.data(), chain.sideInfoBytes, mpeg1, chain.channels, 1)));
    const std::size_t frameBytes = std::size_t{1152} * static_cast<std::size_t>(chain.channels) * 2;
    if (!silenced || alone->size() < frameBytes) return false;
    const std::vector<std::uint8_t> later(alone->begin() + static_cast<std::ptrdiff_t>(frameBytes), alone->end());
    return later == *silenced && TellingSamples(later) >= kProbeAudibleSamples;
}

}  // namespace

std::vector<std::int64_t> PlanMp3Pieces(const Mp3FrameChain& chain, std::size_t firstIndex,
                                        std::int64_t firstNumber, int pieces) {
    std::vector<std::int64_t> starts;
    if (!chain.uniform || pieces < 2 || firstIndex >= chain.frames.size()) return starts;
    const auto numbered = static_cast<std::int64_t>(chain.frames.size() - firstIndex);
    const std::int64_t endNumber = firstNumber + numbered;
    // Room around every cut: the warm-up, the overlap, and a few frames more.
    const std::int64_t room = kWarmupFrames + kOverlapFrames + 16;
    std::int64_t earliest = firstNumber + room;
    for (int k = 1; k < pieces; ++k) {
        const std::int64_t target = firstNumber + numbered * k / pieces - kWarmupFrames;
        for (std::int64_t a = target; a >= target - kSearchFrames && a >= earliest; --a) {
            if ((a - firstNumber) % kFilterBankCycle != 0) continue;
            if (a + kWarmupFrames + kMaxOverlapFrames + room > endNumber) continue;
            const std::size_t i = firstIndex + static_cast<std::size_t>(a - firstNumber);
            // A frame of the warm-up whose data lies before the start may
            // be refused whole by the piece's decoder. In MPEG-1 that leaves
            // the filter bank's cycle as it was (two granules), and only the
            // kept frames must find their data from the start on; in MPEG-2
            // and 2.5 a frame is one granule, and every frame after it must.
            if (chain.samplesPerFrame == 1152 ? !ReservoirFrom(chain, i, i + kWarmupFrames) : !ReservoirFrom(chain, i))
                continue;
            starts.push_back(a);
            earliest = a + kWarmupFrames + room;
            break;
        }
    }
    return starts;
}

int AvailableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

int Mp3PiecesFor(std::uint64_t dataBytes, int cores) {
    const std::uint64_t bySize = dataBytes / kMinPieceBytes;
    return static_cast<int>(std::max<std::uint64_t>(1, std::min<std::uint64_t>(std::max(cores, 1), bySize)));
}

PiecesResult DecodeMp3InPieces(const ByteSource& source, std::uint64_t dataStart,
                               const Mp3FrameChain& chain, const Mp3FrameDecoderFactory& decoders,
                               int pieces, std::uint64_t maxBytes, PcmTarget& target,
                               LongTask& task) {
    PiecesResult result;
    if (!decoders || !chain.uniform || pieces < 2) return result;
    std::unique_ptr<Mp3FrameDecoder> first = decoders();
    if (!first) return result;
    Feeder firstFeeder(source, dataStart);
    Mp3FrameDecoder::Step step;
    while ((step = first->Next()) == Mp3FrameDecoder::Step::NeedMore)
        if (!firstFeeder.More(*first)) return result;
    if (step != Mp3FrameDecoder::Step::Frame) return result;

    // The decoder's first frame in the chain (it skips a Xing/Info frame).
    const std::int64_t firstNumber = first->FrameNumber();
    const std::uint64_t firstOffset = dataStart + static_cast<std::uint64_t>(first->FramePosition());
    const auto it = std::lower_bound(chain.frames.begin(), chain.frames.end(), firstOffset,
                                     [](const Mp3Frame& f, std::uint64_t o) { return f.offset < o; });
    if (it == chain.frames.end() || it->offset != firstOffset) return result;
    const auto firstIndex = static_cast<std::size_t>(it - chain.frames.begin());
    const std::vector<std::int64_t> starts = PlanMp3Pieces(chain, firstIndex, firstNumber, pieces);
    if (starts.empty()) return result;

    const std::size_t frameBytes = static_cast<std::size_t>(chain.samplesPerFrame) * chain.channels * 2;
    const std::size_t granuleBytes = std::size_t{576} * static_cast<std::size_t>(chain.channels) * 2;
    const std::uint64_t bound = (chain.frames.size() - firstIndex) * std::uint64_t{frameBytes};
    if (bound > maxBytes) return result;
    const std::uint8_t* pcm = nullptr;
    std::size_t firstBytes = 0;
    if (!first->Decode(pcm, firstBytes) || firstBytes > frameBytes) return result;
    const std::optional<QuietFrame> firstQuiet = Quiet(firstNumber, pcm, firstBytes, granuleBytes);
    if (!target.Reserve(kHeaderBytes + bound)) return result;
    if (firstBytes > 0 && !target.WriteAt(kHeaderBytes, pcm, firstBytes)) {
        result.status = PiecesStatus::CannotWrite;
        return result;
    }

    // The pieces: the first goes on with the decoder that read the first frame.
    const std::size_t count = starts.size() + 1;
    std::vector<Piece> plan(count);
    auto offsetOf = [&](std::int64_t number) {
        return chain.frames[firstIndex + static_cast<std::size_t>(number - firstNumber)].offset;
    };
    for (std::size_t k = 0; k < count; ++k) {
        Piece& p = plan[k];
        p.decodeFrom = k == 0 ? firstNumber : starts[k - 1];
        p.keepFrom = k == 0 ? firstNumber + 1 : starts[k - 1] + kWarmupFrames;
        p.keepTo = k + 1 < count ? starts[k] + kWarmupFrames : kNoEnd;
        p.startPosition = k == 0 ? dataStart : offsetOf(p.decodeFrom);
        p.endPosition = k + 1 < count ? offsetOf(p.keepTo) : source.size();
        p.startFrameOffset = k == 0 ? 0 : offsetOf(p.decodeFrom);
        p.outOffset = firstBytes + static_cast<std::uint64_t>(p.keepFrom - firstNumber - 1) * frameBytes;
    }

    Shared sh(source, dataStart, frameBytes, granuleBytes, target);
    std::vector<std::unique_ptr<Mp3FrameDecoder>> decodersOfPieces(count);
    std::vector<std::unique_ptr<Feeder>> feeders(count);
    decodersOfPieces[0] = std::move(first);
    for (std::size_t k = 1; k < count; ++k) {
        decodersOfPieces[k] = decoders();
        if (!decodersOfPieces[k]) {
            target.Truncate(kHeaderBytes);
            return result;
        }
        feeders[k] = std::make_unique<Feeder>(source, dataStart);
        const Mp3Frame& start = chain.frames[firstIndex + static_cast<std::size_t>(plan[k].decodeFrom - firstNumber)];
        std::vector<std::uint8_t> silent = SilentSideInfo(source, chain, start);
        if (silent.empty()) {
            target.Truncate(kHeaderBytes);
            return result;
        }
        feeders[k]->Replace(start.offset + 4, std::move(silent));
    }
    std::vector<PieceState> states(count);
    for (std::size_t k = 0; k < count; ++k) states[k].position = plan[k].startPosition;
    std::vector<std::thread> threads;
    sh.running = static_cast<int>(count);
    for (std::size_t k = 0; k < count; ++k) {
        threads.emplace_back([&, k] {
            Feeder& feeder = k == 0 ? firstFeeder : *feeders[k];
            try {
                RunPiece(sh, plan[k], k + 1 == count, k > 0, *decodersOfPieces[k], feeder, states[k]);
            } catch (...) {
                states[k].failed = true;
                sh.stop = true;
            }
            std::lock_guard g(sh.lock);
            --sh.running;
            sh.done.notify_all();
        });
    }

    const std::uint64_t length = std::max<std::uint64_t>(source.size(), 1);
    bool pumping = true;
    for (;;) {
        {
            std::unique_lock l(sh.lock);
            if (sh.done.wait_for(l, kPumpEvery, [&] { return sh.running == 0; })) break;
        }
        if (!pumping) continue;
        std::uint64_t done = dataStart;
        for (std::size_t k = 0; k < count; ++k) {
            const std::uint64_t at = std::min(states[k].position.load(std::memory_order_relaxed), plan[k].endPosition);
            done += at > plan[k].startPosition ? at - plan[k].startPosition : 0;
        }
        task.Progress(static_cast<std::int32_t>(std::min<std::uint64_t>(done, length) * 100 / length));
        if (!task.Pump()) {
            // The owner is gone: end at once, touching nothing of its own.
            result.ownerGone = true;
            pumping = false;
            sh.stop = true;
        } else if (task.StopRequested()) {
            sh.stop = true;
        }
    }
    for (std::thread& t : threads) t.join();

    bool writeFailed = false, failed = false;
    for (const PieceState& st : states) {
        writeFailed = writeFailed || st.writeFailed;
        failed = failed || st.failed;
    }
    // Each piece's decoder took the filter bank's cycle to be the single
    // decoder's, which holds only where that one ran the bank for every
    // frame before: where it gave silence up to the last piece's first kept
    // frame, the frame must surely have been decoded.
    std::vector<QuietFrame> quiet;
    if (firstQuiet) quiet.push_back(*firstQuiet);
    for (const PieceState& st : states) quiet.insert(quiet.end(), st.quiet.begin(), st.quiet.end());
    std::size_t probes = 0;
    for (const QuietFrame& q : quiet) {
        if (failed) break;
        if (q.number < plan.back().keepFrom &&
            !GranulesAccountedFor(source, dataStart, chain, decoders,
                                  firstIndex + static_cast<std::size_t>(q.number - firstNumber), q, probes))
            failed = true;
    }
    if (writeFailed) {
        result.status = PiecesStatus::CannotWrite;
        return result;
    }
    // The leading part that is whole: each piece up to the first that is
    // not done, as far as its start agrees with the piece before. On a
    // stop that is the result; otherwise it must be the whole file.
    std::uint64_t bytes = firstBytes;
    bool whole = !failed;
    for (std::size_t k = 0; whole && k < count; ++k) {
        bytes += states[k].bytes;
        whole = states[k].complete && (k + 1 == count || Agree(states[k].tail, states[k + 1].head));
    }
    const bool stopped = result.ownerGone || task.StopRequested();
    if (failed || (!whole && !stopped)) {
        target.Truncate(kHeaderBytes);
        return result;
    }
    if (!target.Truncate(kHeaderBytes + bytes)) {
        result.status = PiecesStatus::CannotWrite;
        return result;
    }
    result.status = whole ? PiecesStatus::Decoded : PiecesStatus::Stopped;
    result.bytes = bytes;
    return result;
}

}  // namespace zirpel
