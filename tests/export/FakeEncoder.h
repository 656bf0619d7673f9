// An Mp3Encoder that records every call and answers as a test scripts it.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "export/Mp3Encoder.h"

namespace zirpel::test {

class FakeEncoder : public Mp3Encoder {
public:
    // Script.
    BE_ERR initResult = BE_ERR_SUCCESSFUL;
    std::uint32_t reportedBufferSize = 64;
    int failChunk = -1;  // index of the beEncodeChunk call that fails
    BE_ERR deinitResult = BE_ERR_SUCCESSFUL;
    std::vector<std::uint8_t> flushBytes = std::vector<std::uint8_t>(3, 0xF1);
    std::uint32_t overstateWritten = 0;  // added to the count a chunk reports

    // Record.
    std::vector<std::uint8_t> configBytes;  // the record as passed
    std::vector<std::vector<std::int16_t>> chunks;
    std::vector<std::string> calls;
    int openStreams = 0;

    static constexpr HBE_STREAM kHandle = 77;

    // Bytes that chunk i produces: 4 bytes "C", i, and the first value.
    static std::vector<std::uint8_t> ChunkBytes(std::size_t i, const std::vector<std::int16_t>& v) {
        const std::int16_t first = v.empty() ? 0 : v[0];
        return {'C', static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(first & 0xFF),
                static_cast<std::uint8_t>((first >> 8) & 0xFF)};
    }

    BE_ERR beInitStream(const BE_CONFIG* config, std::uint32_t* samplesPerChunk,
                        std::uint32_t* outputBufferSize, HBE_STREAM* stream) override {
        calls.push_back("init");
        configBytes.assign(reinterpret_cast<const std::uint8_t*>(config),
                           reinterpret_cast<const std::uint8_t*>(config) + sizeof(BE_CONFIG));
        if (initResult != BE_ERR_SUCCESSFUL) return initResult;
        *samplesPerChunk = 1152;  // ignored by the caller
        *outputBufferSize = reportedBufferSize;
        *stream = kHandle;
        ++openStreams;
        return BE_ERR_SUCCESSFUL;
    }

    BE_ERR beEncodeChunk(HBE_STREAM stream, std::uint32_t sampleCount, const std::int16_t* samples,
                         std::uint8_t* output, std::uint32_t* written) override {
        calls.push_back("chunk");
        if (stream != kHandle) return BE_ERR_INVALID_HANDLE;
        chunks.emplace_back(samples, samples + sampleCount);
        if (static_cast<int>(chunks.size()) - 1 == failChunk) return BE_ERR_INVALID_FORMAT;
        const auto bytes = ChunkBytes(chunks.size() - 1, chunks.back());
        std::memcpy(output, bytes.data(), bytes.size());
        *written = static_cast<std::uint32_t>(bytes.size()) + overstateWritten;
        return BE_ERR_SUCCESSFUL;
    }

    BE_ERR beDeinitStream(HBE_STREAM stream, std::uint8_t* output,
                          std::uint32_t* written) override {
        calls.push_back("deinit");
        if (stream != kHandle) return BE_ERR_INVALID_HANDLE;
        if (deinitResult != BE_ERR_SUCCESSFUL) return deinitResult;
        std::memcpy(output, flushBytes.data(), flushBytes.size());
        *written = static_cast<std::uint32_t>(flushBytes.size());
        return BE_ERR_SUCCESSFUL;
    }

    BE_ERR beCloseStream(HBE_STREAM stream) override {
        calls.push_back("close");
        if (stream != kHandle) return BE_ERR_INVALID_HANDLE;
        --openStreams;
        return BE_ERR_SUCCESSFUL;
    }
};

}  // namespace zirpel::test
