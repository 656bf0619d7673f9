// Placeholder until the save commands land.
#include "app/MainUnit.h"

void TMainForm::SaveBtnClick() {}
void TMainForm::SaveSmallBtnClick() {}
