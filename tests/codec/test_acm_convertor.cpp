// The stream convertor and the codec-manager layer under it.
#include <gtest/gtest.h>

#include <sstream>

#include "codec/ACMConvertor.h"
#include "codec/Acm.h"
#include "codec/FakeDriver.h"

using namespace zirpel;
using namespace zirpel::acm;
using zirpel::test::FakeDriver;
using zirpel::test::FakeDriverState;

namespace {

struct FakeSetup {
    std::shared_ptr<FakeDriverState> state = std::make_shared<FakeDriverState>();
    AcmRegistry registry;
    FakeSetup() { registry.add(std::make_shared<FakeDriver>(state)); }
};

std::string Message(const std::function<void()>& f) {
    try {
        f();
    } catch (const EACMConvertor& e) {
        return e.what();
    }
    return "<no EACMConvertor>";
}

}  // namespace

TEST(CheckResult, EveryCodeHasItsText) {
    const std::pair<MMRESULT, const char*> table[] = {
        {5, "L: The specified handle is invalid."},
        {6, "L: A suitable driver is not available to provide valid format selections."},
        {7, "L: The system is unable to allocate resources."},
        {10, "L: At least one flag is invalid."},
        {11, "L: At least one parameter is invalid."},
        {512, "L: The requested operation cannot be performed."},
        {513, "L: The conversion stream is already in use."},
        {514, "L: Cannot perform this action on a header that has not been prepared."},
    };
    for (auto [code, text] : table)
        EXPECT_EQ(Message([&] { TACMConvertor::CheckResult("L:", code); }), text) << code;
    EXPECT_EQ(Message([] { TACMConvertor::CheckResult("acmStreamReset", 1); }),
              "acmStreamReset raised an unknown error (code #1)");
    EXPECT_EQ(Message([] { TACMConvertor::CheckResult("acmStreamConvert:", 12); }),
              "acmStreamConvert: raised an unknown error (code #12)");
    EXPECT_NO_THROW(TACMConvertor::CheckResult("L:", 0));
    static_assert(std::is_base_of_v<std::runtime_error, EACMConvertor>);
}

TEST(ACMConvertor, DefaultsAndStoredMp3WavValues) {
    AcmRegistry none;
    TACMConvertor c(none);
    EXPECT_EQ(c.InputBufferSize(), 2048u);
    EXPECT_FALSE(c.UseRealTime());
    EXPECT_FALSE(c.Active());
    for (const FormatBlock* b : {&c.ACMFormatIn, &c.ACMFormatOut}) {
        EXPECT_EQ(GetU16(*b, wfx::wFormatTag), 1);
        EXPECT_EQ(GetU16(*b, wfx::nChannels), 1);
        EXPECT_EQ(GetU32(*b, wfx::nSamplesPerSec), 22050u);
        EXPECT_EQ(GetU32(*b, wfx::nAvgBytesPerSec), 22050u);
        EXPECT_EQ(GetU16(*b, wfx::nBlockAlign), 1);
        EXPECT_EQ(GetU16(*b, wfx::wBitsPerSample), 8);
        EXPECT_EQ(GetU16(*b, wfx::cbSize), 129);
        for (std::size_t i = 18; i < 129; ++i) ASSERT_EQ((*b)[i], 0);
    }

    c.LoadMp3WavStoredValues();
    EXPECT_EQ(c.InputBufferSize(), 2048u);
    EXPECT_FALSE(c.UseRealTime());
    const std::uint8_t in30[30] = {0x55, 0, 2, 0, 0xC0, 0x5D, 0, 0, 0x58, 0x1B, 0, 0, 1, 0, 0,
                                   0, 12, 0, 1, 0, 2, 0, 0, 0, 168, 0, 1, 0, 0x71, 0x05};
    EXPECT_TRUE(std::equal(in30, in30 + 30, c.ACMFormatIn.begin()));
    for (std::size_t i = 30; i < 129; ++i) ASSERT_EQ(c.ACMFormatIn[i], 0);
    const std::uint8_t out18[18] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 129, 0};
    EXPECT_TRUE(std::equal(out18, out18 + 18, c.ACMFormatOut.begin()));
    for (std::size_t i = 18; i < 129; ++i) ASSERT_EQ(c.ACMFormatOut[i], 0);
}

TEST(ACMConvertor, StoredFormRoundTripAndRefusedCount) {
    AcmRegistry none;
    TACMConvertor a(none);
    for (std::size_t i = 0; i < 129; ++i) {
        a.ACMFormatIn[i] = static_cast<std::uint8_t>(i * 7 + 3);
        a.ACMFormatOut[i] = static_cast<std::uint8_t>(255 - i);
    }
    a.SetInputBufferSize(4096);
    a.SetUseRealTime(true);
    std::stringstream s;
    a.WriteProperties(s);
    EXPECT_EQ(s.str().size(), 4u + 1 + 2 * (4 + 129));

    TACMConvertor b(none);
    ASSERT_TRUE(b.ReadProperties(s));
    EXPECT_EQ(b.ACMFormatIn, a.ACMFormatIn);
    EXPECT_EQ(b.ACMFormatOut, a.ACMFormatOut);
    EXPECT_EQ(b.InputBufferSize(), 4096u);
    EXPECT_TRUE(b.UseRealTime());

    // A count above 129 is refused and nothing enters the block.
    std::string big("\x82\x00\x00\x00", 4);
    big += std::string(130, '\x7F');
    std::istringstream bigIn(big);
    FormatBlock block = a.ACMFormatIn;
    EXPECT_FALSE(TACMConvertor::ReadFormatData(bigIn, block));
    EXPECT_EQ(block, a.ACMFormatIn);

    // A shorter count fills the front of the block only; a cut one changes nothing.
    std::istringstream shortIn(std::string("\x02\x00\x00\x00\xAA\xBB", 6));
    ASSERT_TRUE(TACMConvertor::ReadFormatData(shortIn, block));
    EXPECT_EQ(block[0], 0xAA);
    EXPECT_EQ(block[1], 0xBB);
    EXPECT_EQ(block[2], a.ACMFormatIn[2]);
    std::istringstream cutIn(std::string("\x10\x00\x00\x00\x01\x02", 6));
    const FormatBlock before = block;
    EXPECT_FALSE(TACMConvertor::ReadFormatData(cutIn, block));
    EXPECT_EQ(block, before);
}

TEST(ACMConvertor, ActiveStateRules) {
    FakeSetup f;
    {
        TACMConvertor c(f.registry);
        c.SetActive(false);  // inactive: nothing happens
        EXPECT_EQ(f.state->streamsOpened, 0);
        c.SetActive(true);
        c.SetActive(true);
        EXPECT_EQ(f.state->streamsOpened, 1);
        EXPECT_TRUE(c.Active());
        ASSERT_NE(c.FInputBuffer, nullptr);
        ASSERT_NE(c.FOutputBuffer, nullptr);
        EXPECT_EQ(c.OutputBufferSize(), 4096u);
        EXPECT_EQ(c.FStreamHeader.cbStruct, 84u);
        EXPECT_EQ(c.FStreamHeader.pbSrc, c.FInputBuffer.get());
        EXPECT_EQ(c.FStreamHeader.cbSrcLength, 2048u);
        EXPECT_EQ(c.FStreamHeader.cbDstLength, 4096u);
        EXPECT_EQ(f.state->openFlags.back(), ACM_STREAMOPENF_NONREALTIME);

        EXPECT_EQ(Message([&] { c.SetInputBufferSize(1024); }),
                  "You cannot change the buffer size while active.");
        EXPECT_EQ(c.InputBufferSize(), 2048u);
        EXPECT_EQ(Message([&] { c.SetUseRealTime(true); }),
                  "You cannot change the real time flag while active.");
        EXPECT_FALSE(c.UseRealTime());

        c.SetActive(false);
        EXPECT_FALSE(c.Active());
        EXPECT_EQ(c.FInputBuffer, nullptr);
        EXPECT_EQ(f.state->streamsClosed, 1);
        c.SetUseRealTime(true);
        c.SetActive(true);
        EXPECT_EQ(f.state->openFlags.back(), 0u);
    }
    // Destruction closes an active convertor.
    EXPECT_EQ(f.state->streamsClosed, 2);
}

TEST(ACMConvertor, FailuresOfEachStepLeaveNothingOpen) {
    {
        FakeSetup f;
        f.state->prepareResult = ACMERR_BUSY;
        TACMConvertor c(f.registry);
        EXPECT_EQ(Message([&] { c.SetActive(true); }),
                  "acmStreamPrepareHeader: The conversion stream is already in use.");
        EXPECT_FALSE(c.Active());
        EXPECT_EQ(c.FInputBuffer, nullptr);
        EXPECT_EQ(c.FOutputBuffer, nullptr);
        EXPECT_EQ(f.state->streamsClosed, f.state->streamsOpened);
    }
    {
        FakeSetup f;
        f.state->sizeResult = MMSYSERR_INVALPARAM;
        TACMConvertor c(f.registry);
        EXPECT_EQ(Message([&] { c.SetActive(true); }),
                  "acmStreamSize: At least one parameter is invalid.");
        EXPECT_FALSE(c.Active());
        EXPECT_EQ(f.state->streamsClosed, 1);
    }
    {
        FakeSetup f;
        f.state->unprepareResult = MMSYSERR_NOMEM;
        {
            TACMConvertor c(f.registry);
            c.SetActive(true);
            EXPECT_EQ(Message([&] { c.SetActive(false); }),
                      "acmStreamUnPrepareHeader: The system is unable to allocate resources.");
            EXPECT_TRUE(c.Active());  // a failed close leaves it active
        }
        EXPECT_EQ(f.state->streamsClosed, 1);  // but destruction still ends the stream
    }
    {
        AcmRegistry none;
        TACMConvertor c(none);
        EXPECT_EQ(Message([&] { c.SetActive(true); }),
                  "acmStreamOpen: The requested operation cannot be performed.");
        EXPECT_FALSE(c.Active());
    }
}

TEST(AcmLayer, HandlesFlagsAndDrivers) {
    FakeSetup f;
    AcmRegistry& reg = f.registry;
    auto disabledState = std::make_shared<FakeDriverState>();
    HACMDRIVERID disabled = reg.add(std::make_shared<FakeDriver>(disabledState), false);

    int seen = 0;
    acmDriverEnum(reg, [&](HACMDRIVERID, std::uint32_t) { return ++seen, true; }, 0);
    EXPECT_EQ(seen, 1);
    seen = 0;
    std::uint32_t lastSupport = 0;
    acmDriverEnum(reg, [&](HACMDRIVERID, std::uint32_t s) { return lastSupport = s, ++seen, true; },
                  ACM_DRIVERENUMF_DISABLED);
    EXPECT_EQ(seen, 2);
    EXPECT_NE(lastSupport & ACMDRIVERDETAILS_SUPPORTF_DISABLED, 0u);
    HACMDRIVER had = nullptr;
    EXPECT_EQ(acmDriverOpen(&had, disabled, 0), MMSYSERR_NOTENABLED);
    EXPECT_EQ(had, nullptr);

    FormatBlock src{}, dst{};
    HACMSTREAM has = nullptr;
    ASSERT_EQ(acmStreamOpen(reg, &has, nullptr, src, dst, ACM_STREAMOPENF_NONREALTIME), 0u);
    EXPECT_EQ(disabledState->openFlags.size(), 0u);  // disabled drivers are never asked
    EXPECT_EQ(acmStreamOpen(reg, &has, nullptr, src, dst, ACM_STREAMOPENF_ASYNC), MMSYSERR_INVALFLAG);
    ASSERT_EQ(acmStreamOpen(reg, &has, nullptr, src, dst, 0), 0u);

    std::uint8_t in[16] = {}, out[16] = {};
    ACMSTREAMHEADER h{};
    h.cbStruct = 84;
    h.pbSrc = in;
    h.cbSrcLength = 16;
    h.pbDst = out;
    h.cbDstLength = 16;
    EXPECT_EQ(acmStreamConvert(has, &h, 0), ACMERR_UNPREPARED);
    EXPECT_EQ(acmStreamUnprepareHeader(has, &h, 0), ACMERR_UNPREPARED);
    ASSERT_EQ(acmStreamPrepareHeader(has, &h, 0), 0u);
    EXPECT_NE(h.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED, 0u);
    EXPECT_EQ(acmStreamConvert(has, &h, 0x100), MMSYSERR_INVALFLAG);
    h.cbSrcLength = 17;
    EXPECT_EQ(acmStreamConvert(has, &h, 0), MMSYSERR_INVALPARAM);  // longer than prepared
    h.cbSrcLength = 8;
    f.state->producePerCall = 100;  // more than the buffer: clipped to it
    EXPECT_EQ(acmStreamConvert(has, &h, ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END), 0u);
    EXPECT_EQ(h.cbSrcLengthUsed, 8u);
    EXPECT_EQ(h.cbDstLengthUsed, 16u);
    EXPECT_EQ(acmStreamUnprepareHeader(has, &h, 0), 0u);
    EXPECT_EQ(acmStreamClose(has, 0), 0u);
    EXPECT_EQ(acmStreamClose(has, 0), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(acmStreamReset(has, 0), MMSYSERR_INVALHANDLE);
    std::uint32_t size = 0;
    EXPECT_EQ(acmStreamSize(nullptr, 1, &size, 0), MMSYSERR_INVALHANDLE);
}
