// A small audio codec manager: registered codec drivers, their format
// enumeration, and conversion streams between two format blocks. The
// operations, flags, structures and result codes follow the classic codec
// manager interface so that the stream convertor and its error texts can be
// written against it directly. Drivers are plain C++ objects registered in an
// AcmRegistry; tests register none, or one that fails where they want it to.
//
// Handles are opaque pointers checked against a table of live handles, so a
// stale or foreign handle gives MMSYSERR_INVALHANDLE instead of a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "codec/FormatBlock.h"
#include "codec/Mp3FrameDecoder.h"

namespace zirpel::acm {

using MMRESULT = std::uint32_t;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MMSYSERR_NOTENABLED = 12;
constexpr MMRESULT ACMERR_NOTPOSSIBLE = 512;
constexpr MMRESULT ACMERR_BUSY = 513;
constexpr MMRESULT ACMERR_UNPREPARED = 514;

constexpr std::uint32_t ACM_DRIVERENUMF_NOLOCAL = 0x40000000u;
constexpr std::uint32_t ACM_DRIVERENUMF_DISABLED = 0x80000000u;

constexpr std::uint32_t ACMDRIVERDETAILS_SUPPORTF_CODEC = 0x00000001u;
constexpr std::uint32_t ACMDRIVERDETAILS_SUPPORTF_DISABLED = 0x80000000u;

constexpr std::uint32_t ACM_STREAMOPENF_QUERY = 0x00000001u;
constexpr std::uint32_t ACM_STREAMOPENF_ASYNC = 0x00000002u;
constexpr std::uint32_t ACM_STREAMOPENF_NONREALTIME = 0x00000004u;

constexpr std::uint32_t ACM_STREAMSIZEF_SOURCE = 0x00000000u;
constexpr std::uint32_t ACM_STREAMSIZEF_DESTINATION = 0x00000001u;

constexpr std::uint32_t ACM_STREAMCONVERTF_BLOCKALIGN = 0x00000004u;
constexpr std::uint32_t ACM_STREAMCONVERTF_START = 0x00000010u;
constexpr std::uint32_t ACM_STREAMCONVERTF_END = 0x00000020u;

constexpr std::uint32_t ACMSTREAMHEADER_STATUSF_DONE = 0x00010000u;
constexpr std::uint32_t ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000u;

// The header a stream converts through. cbStruct carries the classic size.
struct ACMSTREAMHEADER {
    std::uint32_t cbStruct = 0;
    std::uint32_t fdwStatus = 0;
    std::uintptr_t dwUser = 0;
    std::uint8_t* pbSrc = nullptr;
    std::uint32_t cbSrcLength = 0;
    std::uint32_t cbSrcLengthUsed = 0;
    std::uintptr_t dwSrcUser = 0;
    std::uint8_t* pbDst = nullptr;
    std::uint32_t cbDstLength = 0;
    std::uint32_t cbDstLengthUsed = 0;
    std::uintptr_t dwDstUser = 0;
    std::uint32_t dwReservedDriver[10] = {};
};
constexpr std::uint32_t kAcmStreamHeaderSize = 84;

struct ACMFORMATDETAILS {
    std::uint32_t cbStruct = 0;
    std::uint32_t dwFormatIndex = 0;
    std::uint32_t dwFormatTag = 0;
    std::uint32_t fdwSupport = 0;
    std::uint8_t* pwfx = nullptr;
    std::uint32_t cbwfx = 0;
    char szFormat[128] = {};
};
constexpr std::uint32_t kAcmFormatDetailsSize = 152;

// One open conversion stream inside a driver.
class AcmCodecStream {
public:
    virtual ~AcmCodecStream() = default;
    // Largest output for `input` source bytes (ACM_STREAMSIZEF_SOURCE), or the
    // source size that fills `input` destination bytes (..._DESTINATION).
    virtual MMRESULT size(std::uint32_t input, std::uint32_t& output, std::uint32_t flags) = 0;
    virtual MMRESULT prepare(ACMSTREAMHEADER&) { return MMSYSERR_NOERROR; }
    virtual MMRESULT unprepare(ACMSTREAMHEADER&) { return MMSYSERR_NOERROR; }
    // Converts cbSrcLength bytes from pbSrc into at most cbDstLength bytes at
    // pbDst and sets cbSrcLengthUsed and cbDstLengthUsed.
    virtual MMRESULT convert(ACMSTREAMHEADER& header, std::uint32_t flags) = 0;
    virtual MMRESULT reset() = 0;
    // Fresh frame-by-frame decoders set up like this stream, for decoding a
    // file in pieces; empty when the stream cannot give them.
    virtual Mp3FrameDecoderFactory frameDecoders() const { return {}; }
};

// A codec driver.
class AcmDriver {
public:
    virtual ~AcmDriver() = default;
    virtual MMRESULT open() { return MMSYSERR_NOERROR; }
    virtual void close() {}
    // Calls `each` once per format the driver offers (format block bytes and a
    // short description); stops early when `each` returns false.
    using FormatCallback =
        std::function<bool(const std::uint8_t* wfx, std::size_t length, std::string_view text)>;
    virtual MMRESULT enumFormats(const FormatCallback& each) = 0;
    // Opens a stream from `src` to `dst`, or answers ACMERR_NOTPOSSIBLE.
    // With `queryOnly` the driver only says whether it could.
    virtual MMRESULT openStream(const FormatBlock& src, const FormatBlock& dst, std::uint32_t flags,
                                bool queryOnly, std::unique_ptr<AcmCodecStream>& out) = 0;
};

struct AcmDriverIdObject;
struct AcmDriverObject;
struct AcmStreamObject;
using HACMDRIVERID = AcmDriverIdObject*;
using HACMDRIVER = AcmDriverObject*;
using HACMSTREAM = AcmStreamObject*;

// The installed drivers, in the order they were added.
class AcmRegistry {
public:
    AcmRegistry();
    ~AcmRegistry();
    AcmRegistry(const AcmRegistry&) = delete;
    AcmRegistry& operator=(const AcmRegistry&) = delete;

    HACMDRIVERID add(std::shared_ptr<AcmDriver> driver, bool enabled = true);
    void setEnabled(HACMDRIVERID id, bool enabled);
    std::vector<HACMDRIVERID> ids() const;

private:
    std::vector<std::unique_ptr<AcmDriverIdObject>> drivers_;
};

// The registry the program uses: the libmpg123 MP3 driver, registered on
// first use.
AcmRegistry& DefaultAcmRegistry();

using ACMDRIVERENUMCB = std::function<bool(HACMDRIVERID id, std::uint32_t fdwSupport)>;
using ACMFORMATENUMCB =
    std::function<bool(HACMDRIVERID id, ACMFORMATDETAILS& details, std::uint32_t fdwSupport)>;

MMRESULT acmDriverEnum(const AcmRegistry& registry, const ACMDRIVERENUMCB& callback,
                       std::uint32_t fdwEnum);
MMRESULT acmDriverOpen(HACMDRIVER* phad, HACMDRIVERID hadid, std::uint32_t fdwOpen);
MMRESULT acmDriverClose(HACMDRIVER had, std::uint32_t fdwClose);
MMRESULT acmFormatEnum(HACMDRIVER had, ACMFORMATDETAILS* pafd, const ACMFORMATENUMCB& callback,
                       std::uint32_t fdwEnum);

// `had` null: any enabled driver of `registry` that can do the conversion.
MMRESULT acmStreamOpen(const AcmRegistry& registry, HACMSTREAM* phas, HACMDRIVER had,
                       const FormatBlock& src, const FormatBlock& dst, std::uint32_t fdwOpen);
MMRESULT acmStreamSize(HACMSTREAM has, std::uint32_t cbInput, std::uint32_t* pdwOutputBytes,
                       std::uint32_t fdwSize);
MMRESULT acmStreamPrepareHeader(HACMSTREAM has, ACMSTREAMHEADER* pash, std::uint32_t fdwPrepare);
MMRESULT acmStreamUnprepareHeader(HACMSTREAM has, ACMSTREAMHEADER* pash,
                                  std::uint32_t fdwUnprepare);
MMRESULT acmStreamConvert(HACMSTREAM has, ACMSTREAMHEADER* pash, std::uint32_t fdwConvert);
MMRESULT acmStreamReset(HACMSTREAM has, std::uint32_t fdwReset);
MMRESULT acmStreamClose(HACMSTREAM has, std::uint32_t fdwClose);

// The open stream's frame decoders (AcmCodecStream::frameDecoders); empty
// for a stale handle or a stream that has none.
Mp3FrameDecoderFactory acmStreamFrameDecoders(HACMSTREAM has);

}  // namespace zirpel::acm
