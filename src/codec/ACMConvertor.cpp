#include "codec/ACMConvertor.h"

#include <cstdio>
#include <memory>
#include <sstream>

namespace zirpel {

using namespace acm;

namespace {

void SetDefaults(FormatBlock& b) {
    b.fill(0);
    PutU16(b, wfx::wFormatTag, WAVE_FORMAT_PCM);
    PutU16(b, wfx::nChannels, 1);
    PutU32(b, wfx::nSamplesPerSec, 22050);
    PutU32(b, wfx::nAvgBytesPerSec, 22050);
    PutU16(b, wfx::nBlockAlign, 1);
    PutU16(b, wfx::wBitsPerSample, 8);
    PutU16(b, wfx::cbSize, static_cast<std::uint16_t>(kFormatBlockSize));
}

void WriteU32(std::ostream& out, std::uint32_t v) {
    std::uint8_t b[4];
    PutU32(b, 0, v);
    out.write(reinterpret_cast<const char*>(b), 4);
}

bool ReadU32(std::istream& in, std::uint32_t& v) {
    std::uint8_t b[4];
    if (!in.read(reinterpret_cast<char*>(b), 4)) return false;
    v = GetU32(b, 0);
    return true;
}

std::string BuildMp3WavStoredForm() {
    FormatBlock in{};
    PutU16(in, wfx::wFormatTag, WAVE_FORMAT_MPEGLAYER3);
    PutU16(in, wfx::nChannels, 2);
    PutU32(in, wfx::nSamplesPerSec, 24000);
    PutU32(in, wfx::nAvgBytesPerSec, 7000);
    PutU16(in, wfx::nBlockAlign, 1);
    PutU16(in, wfx::wBitsPerSample, 0);
    PutU16(in, wfx::cbSize, MPEGLAYER3_WFX_EXTRA_BYTES);
    PutU16(in, wfx::wID, MPEGLAYER3_ID_MPEG);
    PutU32(in, wfx::fdwFlags, MPEGLAYER3_FLAG_PADDING_OFF);
    PutU16(in, wfx::nBlockSize, 168);
    PutU16(in, wfx::nFramesPerBlock, 1);
    PutU16(in, wfx::nCodecDelay, 1393);

    FormatBlock out{};
    PutU16(out, wfx::wFormatTag, WAVE_FORMAT_PCM);
    PutU16(out, wfx::nChannels, 2);
    PutU32(out, wfx::nSamplesPerSec, 44100);
    PutU32(out, wfx::nAvgBytesPerSec, 176400);
    PutU16(out, wfx::nBlockAlign, 4);
    PutU16(out, wfx::wBitsPerSample, 16);
    PutU16(out, wfx::cbSize, static_cast<std::uint16_t>(kFormatBlockSize));

    std::ostringstream s;
    WriteU32(s, 2048);  // InputBufferSize
    s.put(0);           // UseRealTime
    TACMConvertor::WriteFormatData(s, in);
    TACMConvertor::WriteFormatData(s, out);
    return s.str();
}

}  // namespace

TACMConvertor::TACMConvertor(AcmRegistry& registry) : FRegistry(&registry) {
    SetDefaults(ACMFormatIn);
    SetDefaults(ACMFormatOut);
}

TACMConvertor::~TACMConvertor() {
    try {
        SetActive(false);
    } catch (...) {
        // The stream refused to close in order; close it regardless.
        if (FStreamHandle != nullptr) acmStreamClose(FStreamHandle, 0);
        FStreamHandle = nullptr;
        FreeBuffers();
    }
}

void TACMConvertor::SetActive(bool value) {
    if (value == FActive) return;
    if (value)
        OpenStream();
    else
        CloseStream();
}

void TACMConvertor::SetInputBufferSize(std::uint32_t value) {
    if (FActive) throw EACMConvertor("You cannot change the buffer size while active.");
    FInputBufferSize = value;
}

void TACMConvertor::SetUseRealTime(bool value) {
    if (FActive) throw EACMConvertor("You cannot change the real time flag while active.");
    FUseRealTime = value;
}

std::string TACMConvertor::ResultText(const std::string& label, MMRESULT code) {
    const char* text = nullptr;
    switch (code) {
        case MMSYSERR_INVALHANDLE: text = " The specified handle is invalid."; break;
        case MMSYSERR_NODRIVER:
            text = " A suitable driver is not available to provide valid format selections.";
            break;
        case MMSYSERR_NOMEM: text = " The system is unable to allocate resources."; break;
        case MMSYSERR_INVALFLAG: text = " At least one flag is invalid."; break;
        case MMSYSERR_INVALPARAM: text = " At least one parameter is invalid."; break;
        case ACMERR_NOTPOSSIBLE: text = " The requested operation cannot be performed."; break;
        case ACMERR_BUSY: text = " The conversion stream is already in use."; break;
        case ACMERR_UNPREPARED:
            text = " Cannot perform this action on a header that has not been prepared.";
            break;
        default: break;
    }
    if (text != nullptr) return label + text;
    return label + " raised an unknown error (code #" + std::to_string(code) + ")";
}

void TACMConvertor::CheckResult(const std::string& label, MMRESULT code) {
    if (code != MMSYSERR_NOERROR) throw EACMConvertor(ResultText(label, code));
}

void TACMConvertor::OpenStream() {
    const std::uint32_t openFlags = FUseRealTime ? 0 : ACM_STREAMOPENF_NONREALTIME;
    HACMSTREAM stream = nullptr;
    CheckResult("acmStreamOpen:",
                acmStreamOpen(*FRegistry, &stream, nullptr, ACMFormatIn, ACMFormatOut, openFlags));
    FStreamHandle = stream;
    try {
        std::uint32_t outputSize = 0;
        CheckResult("acmStreamSize:", acmStreamSize(FStreamHandle, FInputBufferSize, &outputSize,
                                                    ACM_STREAMSIZEF_SOURCE));
        FOutputBufferSize = outputSize;
        FInputBuffer = std::make_unique_for_overwrite<std::uint8_t[]>(FInputBufferSize);
        FOutputBuffer = std::make_unique_for_overwrite<std::uint8_t[]>(FOutputBufferSize);

        FStreamHeader = ACMSTREAMHEADER{};
        FStreamHeader.cbStruct = kAcmStreamHeaderSize;
        FStreamHeader.pbSrc = FInputBuffer.get();
        FStreamHeader.cbSrcLength = FInputBufferSize;
        FStreamHeader.pbDst = FOutputBuffer.get();
        FStreamHeader.cbDstLength = FOutputBufferSize;
        CheckResult("acmStreamPrepareHeader:",
                    acmStreamPrepareHeader(FStreamHandle, &FStreamHeader, 0));
    } catch (...) {
        // Nothing of a half-opened stream stays behind.
        FreeBuffers();
        acmStreamClose(FStreamHandle, 0);
        FStreamHandle = nullptr;
        throw;
    }
    FActive = true;
}

void TACMConvertor::CloseStream() {
    CheckResult("acmStreamUnPrepareHeader:",
                acmStreamUnprepareHeader(FStreamHandle, &FStreamHeader, 0));
    CheckResult("acmStreamClose:", acmStreamClose(FStreamHandle, 0));
    FStreamHandle = nullptr;
    FreeBuffers();
    FActive = false;
}

void TACMConvertor::FreeBuffers() {
    FInputBuffer.reset();
    FOutputBuffer.reset();
    FStreamHeader.pbSrc = nullptr;
    FStreamHeader.pbDst = nullptr;
}

void TACMConvertor::WriteFormatData(std::ostream& out, const FormatBlock& block) {
    WriteU32(out, static_cast<std::uint32_t>(kFormatBlockSize));
    out.write(reinterpret_cast<const char*>(block.data()), kFormatBlockSize);
}

bool TACMConvertor::ReadFormatData(std::istream& in, FormatBlock& block) {
    std::uint32_t count = 0;
    if (!ReadU32(in, count)) return false;
    if (count > kFormatBlockSize) return false;  // would not fit the block: refused
    FormatBlock read = block;
    if (!in.read(reinterpret_cast<char*>(read.data()), count)) return false;
    block = read;
    return true;
}

void TACMConvertor::WriteProperties(std::ostream& out) const {
    WriteU32(out, FInputBufferSize);
    out.put(FUseRealTime ? 1 : 0);
    WriteFormatData(out, ACMFormatIn);
    WriteFormatData(out, ACMFormatOut);
}

bool TACMConvertor::ReadProperties(std::istream& in) {
    std::uint32_t size = 0;
    if (!ReadU32(in, size)) return false;
    SetInputBufferSize(size);
    char realTime = 0;
    if (!in.get(realTime)) return false;
    SetUseRealTime(realTime != 0);
    return ReadFormatData(in, ACMFormatIn) && ReadFormatData(in, ACMFormatOut);
}

const std::string& TACMConvertor::Mp3WavStoredForm() {
    static const std::string form = BuildMp3WavStoredForm();
    return form;
}

void TACMConvertor::LoadMp3WavStoredValues() {
    std::istringstream in(Mp3WavStoredForm());
    ReadProperties(in);
}

}  // namespace zirpel
