// The main window's side of the MP3 import: the codec format enumeration at
// start-up and the MP3-to-WAV conversion of the Open command.
#include <QCoreApplication>

#include "app/MainUnit.h"
#include "codec/Mp3Import.h"

void TMainForm::EnumerateCodecFormats() {
    // The convertor starts from the values it is stored with.
    mp3wav.LoadMp3WavStoredValues();
    const zirpel::acm::AcmRegistry& codecs =
        FServices.codecs ? *FServices.codecs : zirpel::acm::DefaultAcmRegistry();
    zirpel::EnumerateMp3Formats(codecs, FMP3Formats, FMP3FormatCount,
                                [] { QCoreApplication::processEvents(); });
}

void TMainForm::ConvertMP3WAV(const std::string& mp3FileName, const std::string& wavFileName) {
    zirpel::Mp3ConversionContext context{
        mp3wav,
        FMP3Formats,
        FMP3FormatCount,
        FStopRequested,
        [this](std::int32_t percent) { SetProStatus(percent); },
        [] { QCoreApplication::processEvents(); },
        [this](const std::string& text) {
            FDialogs->messageBox(text, "", zirpel::MsgButtons::Ok, zirpel::MsgIcon::Error);
        }};
    // EACMConvertor and input/output errors end the Open command here and
    // reach the general error display.
    zirpel::ConvertMP3WAV(mp3FileName, wavFileName, context);
}
