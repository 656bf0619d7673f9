// A codec driver for tests: every operation answers the result a test sets,
// counts calls, and records what the conversion loop hands it.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codec/Acm.h"

namespace zirpel::test {

struct FakeDriverState {
    acm::MMRESULT openDriverResult = 0;
    acm::MMRESULT openStreamResult = 0;
    acm::MMRESULT sizeResult = 0;
    acm::MMRESULT prepareResult = 0;
    acm::MMRESULT unprepareResult = 0;
    acm::MMRESULT convertResult = 0;
    acm::MMRESULT resetResult = 0;
    std::uint32_t outputSize = 4096;
    // Formats offered by enumeration (block bytes, length).
    std::vector<std::vector<std::uint8_t>> formats;

    int streamsOpened = 0;
    int streamsClosed = 0;
    std::vector<std::uint32_t> openFlags;
    std::vector<std::uint32_t> convertFlags;
    std::vector<std::uint8_t> consumed;  // every byte the stream took, in order
    // How many bytes of a block the stream takes; all of them by default.
    std::function<std::uint32_t(std::uint32_t offered)> take;
    // What the stream writes per call: this many bytes of 0x11.
    std::uint32_t producePerCall = 0;
};

class FakeStream final : public acm::AcmCodecStream {
public:
    explicit FakeStream(std::shared_ptr<FakeDriverState> s) : s_(std::move(s)) { ++s_->streamsOpened; }
    ~FakeStream() override { ++s_->streamsClosed; }
    acm::MMRESULT size(std::uint32_t, std::uint32_t& out, std::uint32_t) override {
        out = s_->outputSize;
        return s_->sizeResult;
    }
    acm::MMRESULT prepare(acm::ACMSTREAMHEADER&) override { return s_->prepareResult; }
    acm::MMRESULT unprepare(acm::ACMSTREAMHEADER&) override { return s_->unprepareResult; }
    acm::MMRESULT convert(acm::ACMSTREAMHEADER& h, std::uint32_t flags) override {
        s_->convertFlags.push_back(flags);
        const std::uint32_t used = s_->take ? s_->take(h.cbSrcLength) : h.cbSrcLength;
        s_->consumed.insert(s_->consumed.end(), h.pbSrc, h.pbSrc + used);
        h.cbSrcLengthUsed = used;
        const std::uint32_t out = std::min(s_->producePerCall, h.cbDstLength);
        std::memset(h.pbDst, 0x11, out);
        h.cbDstLengthUsed = out;
        return s_->convertResult;
    }
    acm::MMRESULT reset() override { return s_->resetResult; }

private:
    std::shared_ptr<FakeDriverState> s_;
};

class FakeDriver final : public acm::AcmDriver {
public:
    explicit FakeDriver(std::shared_ptr<FakeDriverState> s) : s_(std::move(s)) {}
    acm::MMRESULT open() override { return s_->openDriverResult; }
    acm::MMRESULT enumFormats(const FormatCallback& each) override {
        for (auto& f : s_->formats)
            if (!each(f.data(), f.size(), "fake")) break;
        return 0;
    }
    acm::MMRESULT openStream(const FormatBlock&, const FormatBlock&, std::uint32_t flags,
                             bool queryOnly, std::unique_ptr<acm::AcmCodecStream>& out) override {
        s_->openFlags.push_back(flags);
        if (s_->openStreamResult != 0) return s_->openStreamResult;
        if (!queryOnly) out = std::make_unique<FakeStream>(s_);
        return 0;
    }

private:
    std::shared_ptr<FakeDriverState> s_;
};

}  // namespace zirpel::test
