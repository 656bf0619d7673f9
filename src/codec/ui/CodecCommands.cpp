// Placeholder until the MP3 import lands: no codec formats, no conversion,
// so an MP3 name reaches the WAV reader's failure path.
#include "app/MainUnit.h"

void TMainForm::EnumerateCodecFormats() {}
void TMainForm::ConvertMP3WAV(const std::string&, const std::string&) {}
