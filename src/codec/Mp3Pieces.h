// Decoding one MP3 file in pieces on several cores, with exactly the bytes a
// single decoder gives.
//
// A frame's PCM depends on the frames shortly before it: its audio data may
// begin in earlier frames (the bit reservoir), and the filter bank and the
// overlap of the transform carry one granule of state. Each piece after the
// first is decoded by a fresh decoder that parses, without decoding, every
// frame before its start and then decodes from a start frame `kWarmupFrames`
// before the first frame it keeps. The start frame is handed over with its
// side information cleared, so that it decodes as silence everywhere; the
// audio data of the frames after it must lie from the start frame on, and
// the count of frames decoded before the kept ones must match the single
// decoder's count in the decoder's filter-bank cycle (eight frames). That
// count holds only where the single decoder ran its filter bank for every
// frame before: a frame it gave up on comes out as zeros without, so every
// frame up to the last piece's first kept frame whose last granule is all
// zeros must carry no audio data to give up on (Mp3SideInfo.h), or the file
// is not decoded in pieces. From the first kept frame on, the decoder's
// state is then the single decoder's.
// Each piece is checked against its neighbour on the frames decoded by both:
// at least `kOverlapFrames`, more (up to `kMaxOverlapFrames`) while they are
// nearly silent, where a difference could not show. Every kept frame must be
// a whole frame of PCM. Anything
// unexpected gives "not decoded", and the caller decodes in one piece.
#pragma once

#include <cstdint>
#include <vector>

#include "clip/LongTask.h"
#include "codec/ByteSource.h"
#include "codec/Mp3FrameChain.h"
#include "codec/Mp3FrameDecoder.h"
#include "codec/PcmTarget.h"

namespace zirpel {

inline constexpr int kWarmupFrames = 4;
inline constexpr int kOverlapFrames = 8;
inline constexpr int kMaxOverlapFrames = 192;
inline constexpr int kFilterBankCycle = 8;

// Where the decoder of each piece after the first begins: the decoder's
// frame numbers of the start frames, ascending. `firstIndex` is the chain
// index of the frame the decoder numbers `firstNumber` (its first frame).
// Gives fewer starts than `pieces - 1` where no frame near a cut qualifies,
// and none for a chain that is not uniform.
std::vector<std::int64_t> PlanMp3Pieces(const Mp3FrameChain& chain, std::size_t firstIndex,
                                        std::int64_t firstNumber, int pieces);

enum class PiecesStatus {
    Decoded,     // the whole file
    Stopped,     // the stop request or a vanished owner: the leading part that was done
    NotDecoded,  // nothing usable was written; the target holds at most its first 44 bytes
    CannotWrite, // a write to the target failed
};

struct PiecesResult {
    PiecesStatus status = PiecesStatus::NotDecoded;
    std::uint64_t bytes = 0;  // PCM written after the 44-byte header
    bool ownerGone = false;   // the task's Pump returned false
};

// Decodes `source` from `dataStart` in up to `pieces` pieces side by side
// into `target` from byte 44 on (the header is the caller's). `chain` is the
// frame chain from `dataStart`. The calling thread reports progress (input
// bytes done over the file's length), lets events run through `task` about
// every 10 ms and ends early on a stop request. PCM beyond `maxBytes` is
// never planned: such a file is left to the caller.
PiecesResult DecodeMp3InPieces(const ByteSource& source, std::uint64_t dataStart,
                               const Mp3FrameChain& chain, const Mp3FrameDecoderFactory& decoders,
                               int pieces, std::uint64_t maxBytes, PcmTarget& target,
                               LongTask& task);

// How many pieces a file of `dataBytes` MP3 bytes is worth on `cores` cores:
// one piece per core, each of at least a megabyte.
int Mp3PiecesFor(std::uint64_t dataBytes, int cores);

// The cores this process may run on (at least 1).
int AvailableCores();

}  // namespace zirpel
