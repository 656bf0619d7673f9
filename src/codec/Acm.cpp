#include "codec/Acm.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace zirpel::acm {

struct AcmDriverIdObject {
    std::shared_ptr<AcmDriver> driver;
    bool enabled = true;
};

struct AcmDriverObject {
    HACMDRIVERID id = nullptr;
    std::shared_ptr<AcmDriver> driver;
};

struct AcmStreamObject {
    std::shared_ptr<AcmDriver> driver;  // keeps the driver's code alive with the stream
    std::unique_ptr<AcmCodecStream> codec;
    // Headers prepared on this stream, with the lengths they were prepared for.
    struct Prepared {
        std::uint32_t srcLength;
        std::uint32_t dstLength;
    };
    std::unordered_map<const ACMSTREAMHEADER*, Prepared> prepared;
};

namespace {

// Live handles of every kind. The program has one thread; the lock only keeps
// the table sound should a test ever touch it from another one.
struct HandleTable {
    std::mutex lock;
    std::unordered_set<const void*> driverIds;
    std::unordered_map<const void*, std::unique_ptr<AcmDriverObject>> drivers;
    std::unordered_map<const void*, std::unique_ptr<AcmStreamObject>> streams;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

bool LiveDriverId(HACMDRIVERID id) {
    auto& t = Handles();
    std::lock_guard g(t.lock);
    return id != nullptr && t.driverIds.count(id) != 0;
}

bool LiveDriver(HACMDRIVER had) {
    auto& t = Handles();
    std::lock_guard g(t.lock);
    return had != nullptr && t.drivers.count(had) != 0;
}

bool LiveStream(HACMSTREAM has) {
    auto& t = Handles();
    std::lock_guard g(t.lock);
    return has != nullptr && t.streams.count(has) != 0;
}

std::uint32_t SupportOf(const AcmDriverIdObject& id) {
    return ACMDRIVERDETAILS_SUPPORTF_CODEC | (id.enabled ? 0u : ACMDRIVERDETAILS_SUPPORTF_DISABLED);
}

}  // namespace

AcmRegistry::AcmRegistry() {
    // The handle table must outlive every registry, static ones included.
    Handles();
}

AcmRegistry::~AcmRegistry() {
    auto& t = Handles();
    std::lock_guard g(t.lock);
    for (auto& d : drivers_) t.driverIds.erase(d.get());
}

HACMDRIVERID AcmRegistry::add(std::shared_ptr<AcmDriver> driver, bool enabled) {
    auto id = std::make_unique<AcmDriverIdObject>();
    id->driver = std::move(driver);
    id->enabled = enabled;
    HACMDRIVERID raw = id.get();
    drivers_.push_back(std::move(id));
    auto& t = Handles();
    std::lock_guard g(t.lock);
    t.driverIds.insert(raw);
    return raw;
}

void AcmRegistry::setEnabled(HACMDRIVERID id, bool enabled) {
    for (auto& d : drivers_)
        if (d.get() == id) d->enabled = enabled;
}

std::vector<HACMDRIVERID> AcmRegistry::ids() const {
    std::vector<HACMDRIVERID> out;
    for (auto& d : drivers_) out.push_back(d.get());
    return out;
}

MMRESULT acmDriverEnum(const AcmRegistry& registry, const ACMDRIVERENUMCB& callback,
                       std::uint32_t fdwEnum) {
    if (!callback) return MMSYSERR_INVALPARAM;
    if ((fdwEnum & ~(ACM_DRIVERENUMF_DISABLED | ACM_DRIVERENUMF_NOLOCAL)) != 0)
        return MMSYSERR_INVALFLAG;
    for (HACMDRIVERID id : registry.ids()) {
        if (!id->enabled && (fdwEnum & ACM_DRIVERENUMF_DISABLED) == 0) continue;
        if (!callback(id, SupportOf(*id))) break;
    }
    return MMSYSERR_NOERROR;
}

MMRESULT acmDriverOpen(HACMDRIVER* phad, HACMDRIVERID hadid, std::uint32_t fdwOpen) {
    if (phad == nullptr) return MMSYSERR_INVALPARAM;
    *phad = nullptr;
    if (!LiveDriverId(hadid)) return MMSYSERR_INVALHANDLE;
    if (fdwOpen != 0) return MMSYSERR_INVALFLAG;
    if (!hadid->enabled) return MMSYSERR_NOTENABLED;
    if (MMRESULT r = hadid->driver->open(); r != MMSYSERR_NOERROR) return r;
    auto obj = std::make_unique<AcmDriverObject>();
    obj->id = hadid;
    obj->driver = hadid->driver;
    HACMDRIVER raw = obj.get();
    auto& t = Handles();
    std::lock_guard g(t.lock);
    t.drivers.emplace(raw, std::move(obj));
    *phad = raw;
    return MMSYSERR_NOERROR;
}

MMRESULT acmDriverClose(HACMDRIVER had, std::uint32_t fdwClose) {
    if (!LiveDriver(had)) return MMSYSERR_INVALHANDLE;
    if (fdwClose != 0) return MMSYSERR_INVALFLAG;
    std::unique_ptr<AcmDriverObject> obj;
    {
        auto& t = Handles();
        std::lock_guard g(t.lock);
        auto it = t.drivers.find(had);
        obj = std::move(it->second);
        t.drivers.erase(it);
    }
    obj->driver->close();
    return MMSYSERR_NOERROR;
}

MMRESULT acmFormatEnum(HACMDRIVER had, ACMFORMATDETAILS* pafd, const ACMFORMATENUMCB& callback,
                       std::uint32_t fdwEnum) {
    if (!LiveDriver(had)) return MMSYSERR_INVALHANDLE;
    if (pafd == nullptr || !callback || pafd->cbStruct < kAcmFormatDetailsSize ||
        pafd->pwfx == nullptr || pafd->cbwfx < 18)
        return MMSYSERR_INVALPARAM;
    if (fdwEnum != 0) return MMSYSERR_INVALFLAG;
    HACMDRIVERID id = had->id;
    const std::uint32_t support = ACMDRIVERDETAILS_SUPPORTF_CODEC;
    std::uint32_t index = 0;
    MMRESULT result = MMSYSERR_NOERROR;
    MMRESULT r = had->driver->enumFormats(
        [&](const std::uint8_t* wfx, std::size_t length, std::string_view text) {
            if (length > pafd->cbwfx) {
                // The caller's buffer cannot hold this format.
                result = MMSYSERR_INVALPARAM;
                return false;
            }
            std::memset(pafd->pwfx, 0, pafd->cbwfx);
            std::memcpy(pafd->pwfx, wfx, length);
            pafd->dwFormatIndex = index++;
            pafd->dwFormatTag = length >= 2 ? GetU16(wfx, wfx::wFormatTag) : 0;
            pafd->fdwSupport = support;
            std::memset(pafd->szFormat, 0, sizeof pafd->szFormat);
            std::memcpy(pafd->szFormat, text.data(),
                        std::min(text.size(), sizeof pafd->szFormat - 1));
            return callback(id, *pafd, support);
        });
    return result != MMSYSERR_NOERROR ? result : r;
}

MMRESULT acmStreamOpen(const AcmRegistry& registry, HACMSTREAM* phas, HACMDRIVER had,
                       const FormatBlock& src, const FormatBlock& dst, std::uint32_t fdwOpen) {
    const bool query = (fdwOpen & ACM_STREAMOPENF_QUERY) != 0;
    if (phas != nullptr) *phas = nullptr;
    if ((fdwOpen & ~(ACM_STREAMOPENF_QUERY | ACM_STREAMOPENF_NONREALTIME)) != 0)
        return MMSYSERR_INVALFLAG;  // asynchronous streams are not offered
    if (!query && phas == nullptr) return MMSYSERR_INVALPARAM;
    if (had != nullptr && !LiveDriver(had)) return MMSYSERR_INVALHANDLE;

    std::vector<std::shared_ptr<AcmDriver>> candidates;
    if (had != nullptr) {
        candidates.push_back(had->driver);
    } else {
        for (HACMDRIVERID id : registry.ids())
            if (id->enabled) candidates.push_back(id->driver);
    }

    MMRESULT failure = ACMERR_NOTPOSSIBLE;
    for (auto& driver : candidates) {
        std::unique_ptr<AcmCodecStream> codec;
        MMRESULT r = driver->openStream(src, dst, fdwOpen, query, codec);
        if (r == MMSYSERR_NOERROR) {
            if (query) return MMSYSERR_NOERROR;
            if (!codec) return MMSYSERR_ERROR;
            auto obj = std::make_unique<AcmStreamObject>();
            obj->driver = driver;
            obj->codec = std::move(codec);
            HACMSTREAM raw = obj.get();
            auto& t = Handles();
            std::lock_guard g(t.lock);
            t.streams.emplace(raw, std::move(obj));
            *phas = raw;
            return MMSYSERR_NOERROR;
        }
        // A driver that cannot do this conversion says so; any other
        // failure is the more telling answer.
        if (r != ACMERR_NOTPOSSIBLE) failure = r;
    }
    return failure;
}

MMRESULT acmStreamSize(HACMSTREAM has, std::uint32_t cbInput, std::uint32_t* pdwOutputBytes,
                       std::uint32_t fdwSize) {
    if (!LiveStream(has)) return MMSYSERR_INVALHANDLE;
    if (pdwOutputBytes == nullptr) return MMSYSERR_INVALPARAM;
    if (fdwSize != ACM_STREAMSIZEF_SOURCE && fdwSize != ACM_STREAMSIZEF_DESTINATION)
        return MMSYSERR_INVALFLAG;
    if (cbInput == 0) return MMSYSERR_INVALPARAM;
    std::uint32_t out = 0;
    MMRESULT r = has->codec->size(cbInput, out, fdwSize);
    if (r == MMSYSERR_NOERROR) *pdwOutputBytes = out;
    return r;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM has, ACMSTREAMHEADER* pash, std::uint32_t fdwPrepare) {
    if (!LiveStream(has)) return MMSYSERR_INVALHANDLE;
    if (pash == nullptr || pash->cbStruct < kAcmStreamHeaderSize || pash->pbSrc == nullptr ||
        pash->pbDst == nullptr)
        return MMSYSERR_INVALPARAM;
    if (fdwPrepare != 0) return MMSYSERR_INVALFLAG;
    if (has->prepared.count(pash) != 0) return MMSYSERR_NOERROR;  // already prepared here
    if (MMRESULT r = has->codec->prepare(*pash); r != MMSYSERR_NOERROR) return r;
    has->prepared[pash] = {pash->cbSrcLength, pash->cbDstLength};
    pash->fdwStatus = (pash->fdwStatus | ACMSTREAMHEADER_STATUSF_PREPARED) &
                      ~ACMSTREAMHEADER_STATUSF_DONE;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM has, ACMSTREAMHEADER* pash,
                                  std::uint32_t fdwUnprepare) {
    if (!LiveStream(has)) return MMSYSERR_INVALHANDLE;
    if (pash == nullptr || pash->cbStruct < kAcmStreamHeaderSize) return MMSYSERR_INVALPARAM;
    if (fdwUnprepare != 0) return MMSYSERR_INVALFLAG;
    auto it = has->prepared.find(pash);
    if (it == has->prepared.end()) return ACMERR_UNPREPARED;
    if (MMRESULT r = has->codec->unprepare(*pash); r != MMSYSERR_NOERROR) return r;
    has->prepared.erase(it);
    pash->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM has, ACMSTREAMHEADER* pash, std::uint32_t fdwConvert) {
    if (!LiveStream(has)) return MMSYSERR_INVALHANDLE;
    if (pash == nullptr || pash->cbStruct < kAcmStreamHeaderSize) return MMSYSERR_INVALPARAM;
    if ((fdwConvert & ~(ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_START |
                        ACM_STREAMCONVERTF_END)) != 0)
        return MMSYSERR_INVALFLAG;
    auto it = has->prepared.find(pash);
    if (it == has->prepared.end()) return ACMERR_UNPREPARED;
    // The buffers may shrink after preparing, never grow.
    if (pash->cbSrcLength > it->second.srcLength || pash->cbDstLength > it->second.dstLength)
        return MMSYSERR_INVALPARAM;
    pash->cbSrcLengthUsed = 0;
    pash->cbDstLengthUsed = 0;
    pash->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_DONE;
    MMRESULT r = has->codec->convert(*pash, fdwConvert);
    // Whatever a driver reports, the caller never sees more than its buffers.
    pash->cbSrcLengthUsed = std::min(pash->cbSrcLengthUsed, pash->cbSrcLength);
    pash->cbDstLengthUsed = std::min(pash->cbDstLengthUsed, pash->cbDstLength);
    pash->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
    return r;
}

Mp3FrameDecoderFactory acmStreamFrameDecoders(HACMSTREAM has) {
    if (!LiveStream(has)) return {};
    return has->codec->frameDecoders();
}

MMRESULT acmStreamReset(HACMSTREAM has, std::uint32_t fdwReset) {
    if (!LiveStream(has)) return MMSYSERR_INVALHANDLE;
    if (fdwReset != 0) return MMSYSERR_INVALFLAG;
    return has->codec->reset();
}

MMRESULT acmStreamClose(HACMSTREAM has, std::uint32_t fdwClose) {
    if (!LiveStream(has)) return MMSYSERR_INVALHANDLE;
    if (fdwClose != 0) return MMSYSERR_INVALFLAG;
    std::unique_ptr<AcmStreamObject> obj;
    {
        auto& t = Handles();
        std::lock_guard g(t.lock);
        auto it = t.streams.find(has);
        obj = std::move(it->second);
        t.streams.erase(it);
    }
    // Headers still prepared on the stream are not touched: their owner may
    // already have discarded them.
    return MMSYSERR_NOERROR;
}

}  // namespace zirpel::acm
