// TACMConvertor owns one codec-manager conversion stream: a source and a
// destination format block, a source and a destination buffer and one
// prepared stream header. Making it active opens the stream between the two
// formats and prepares the header; making it inactive undoes this. The owner
// runs the conversion loop itself on FStreamHandle and FStreamHeader.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>

#include "codec/Acm.h"
#include "codec/FormatBlock.h"

namespace zirpel {

// Every codec-manager failure of the convertor, with an English message.
class EACMConvertor : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TACMConvertor {
public:
    // `registry` supplies the drivers; it must outlive the convertor.
    explicit TACMConvertor(acm::AcmRegistry& registry = acm::DefaultAcmRegistry());
    // Makes the convertor inactive; a stream that then cannot be closed
    // cleanly is closed anyway, so nothing stays open.
    ~TACMConvertor();
    TACMConvertor(const TACMConvertor&) = delete;
    TACMConvertor& operator=(const TACMConvertor&) = delete;

    bool Active() const { return FActive; }
    void SetActive(bool value);

    std::uint32_t InputBufferSize() const { return FInputBufferSize; }
    void SetInputBufferSize(std::uint32_t value);
    bool UseRealTime() const { return FUseRealTime; }
    void SetUseRealTime(bool value);
    std::uint32_t OutputBufferSize() const { return FOutputBufferSize; }

    // Raises EACMConvertor with `label` and the text for `code` unless code is 0.
    static void CheckResult(const std::string& label, acm::MMRESULT code);
    static std::string ResultText(const std::string& label, acm::MMRESULT code);

    // Stored form of a format block: a 32-bit little-endian byte count, then
    // that many bytes. Writing always stores 129 bytes. Reading refuses a
    // count above 129 (the block stays as it was) and returns false then or
    // when the input ends early.
    static void WriteFormatData(std::ostream& out, const FormatBlock& block);
    static bool ReadFormatData(std::istream& in, FormatBlock& block);

    // The stored properties: InputBufferSize, UseRealTime, ACMFormatIn,
    // ACMFormatOut. Loading stops at the first refused or cut value.
    void WriteProperties(std::ostream& out) const;
    bool ReadProperties(std::istream& in);

    // The values the main window's instance `mp3wav` is stored with.
    static const std::string& Mp3WavStoredForm();
    void LoadMp3WavStoredValues();

    // Format blocks, written by the owner before the convertor is activated.
    FormatBlock ACMFormatIn{};
    FormatBlock ACMFormatOut{};

    // Used directly by the owner while active.
    acm::HACMSTREAM FStreamHandle = nullptr;
    acm::ACMSTREAMHEADER FStreamHeader{};
    std::unique_ptr<std::uint8_t[]> FInputBuffer;
    std::unique_ptr<std::uint8_t[]> FOutputBuffer;

private:
    void OpenStream();
    void CloseStream();
    void FreeBuffers();

    acm::AcmRegistry* FRegistry;
    bool FActive = false;
    bool FUseRealTime = false;
    std::uint32_t FInputBufferSize = 2048;
    std::uint32_t FOutputBufferSize = 0;
};

}  // namespace zirpel
