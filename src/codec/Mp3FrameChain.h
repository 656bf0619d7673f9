// The chain of MPEG audio Layer III frames that follows the data start, as
// far as cutting the decoding into pieces needs to know it: where each frame
// lies, how far its audio data reaches back into the frames before it (the
// bit reservoir), and whether the whole stream keeps one format.
#pragma once

#include <cstdint>
#include <vector>

#include "codec/ByteSource.h"

namespace zirpel {

struct Mp3Frame {
    std::uint64_t offset = 0;        // of the header in the file
    std::uint32_t length = 0;        // the whole frame, header included
    std::uint16_t mainDataBegin = 0; // bytes its audio data begins before its own data
    std::uint16_t mainDataSize = 0;  // its own bytes after header, CRC and side information
};

struct Mp3FrameChain {
    std::vector<Mp3Frame> frames;
    // Every frame has the version, sample rate, channel mode and protection
    // of the first one, a bit rate from the table (no free format), and no
    // frame after the first carries a Xing, Info or VBRI header.
    bool uniform = false;
    std::uint32_t sampleRate = 0;
    int channels = 0;
    int samplesPerFrame = 0;   // 1152 for MPEG-1, 576 for MPEG-2 and 2.5
    bool crc = false;          // each header is followed by a 16-bit CRC
    int sideInfoBytes = 0;     // side information after header and CRC
    std::uint64_t end = 0;     // first byte after the last frame
};

// Walks frame after frame from `start`: each header must be a valid Layer
// III header and each frame must fit into the file. The walk stops at the
// first position that holds no such frame; whatever follows (a tag, a cut
// frame, junk) stays outside the chain. At most `maxFrames` are collected
// (a longer chain counts as not uniform). `source` is read with readAt only.
Mp3FrameChain ScanMp3Frames(const ByteSource& source, std::uint64_t start,
                            std::size_t maxFrames = std::size_t{1} << 24);

// Frame length in bytes of a valid Layer III header with a table bit rate,
// 0 for anything else (other layers, free format, reserved values).
std::uint32_t Layer3FrameLength(const std::uint8_t header[4]);

// The MPEG audio CRC-16 (polynomial 0x8005, start value 0xFFFF) over the
// header's last two bytes and `sideInfoBytes` of side information.
std::uint16_t Mp3FrameCrc(const std::uint8_t header[4], const std::uint8_t* sideInfo,
                          int sideInfoBytes);

}  // namespace zirpel
