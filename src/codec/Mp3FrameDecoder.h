// An MP3 decoder that is fed bytes and worked frame by frame: a frame can be
// parsed and passed over without being decoded, and each decoded frame's
// 16-bit PCM comes out on its own. Several of them decode the pieces of one
// file side by side (Mp3Pieces.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace zirpel {

class Mp3FrameDecoder {
public:
    virtual ~Mp3FrameDecoder() = default;

    // Hands the decoder the next bytes of the stream (copied).
    virtual bool Feed(const std::uint8_t* data, std::size_t size) = 0;

    // Frame: a frame was parsed. NeedMore: feed more bytes. End: the decoder
    // takes no more frames (the end its gapless information announced).
    enum class Step { Frame, NeedMore, End, Failed };
    // Parses the next frame without decoding it.
    virtual Step Next() = 0;
    // The decoder's number of the frame just parsed (it does not count a
    // Xing/Info frame) and its position counted from the first byte fed.
    virtual std::int64_t FrameNumber() const = 0;
    virtual std::int64_t FramePosition() const = 0;
    // Decodes the frame just parsed. The PCM stays valid until the next call.
    virtual bool Decode(const std::uint8_t*& pcm, std::size_t& bytes) = 0;
};

// Makes fresh decoders, each set up exactly like the stream it belongs to.
using Mp3FrameDecoderFactory = std::function<std::unique_ptr<Mp3FrameDecoder>()>;

}  // namespace zirpel
