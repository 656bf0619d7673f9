// Placeholder until playback lands.
#include "app/MainUnit.h"

void TMainForm::SetUpPlayback() {}
void TMainForm::ReleasePlayback() {}
void TMainForm::PlayBtnClick() {}
void TMainForm::StopBTNClick() { FStopRequested = true; }
