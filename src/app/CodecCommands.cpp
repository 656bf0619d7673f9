// The MP3 import's start-up step: the codec format enumeration.
#include <QCoreApplication>

#include "app/MainUnit.h"
#include "codec/Mp3Import.h"

void TMainForm::EnumerateCodecFormats() {
    // The convertor starts from the values it is stored with.
    mp3wav.LoadMp3WavStoredValues();
    zirpel::EnumerateMp3Formats(*FServices.codecs, FMP3Formats, FMP3FormatCount,
                                [] { QCoreApplication::processEvents(); });
}
