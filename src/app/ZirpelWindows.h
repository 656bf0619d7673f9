#pragma once
#include <memory>

#include "app/MainUnit.h"

// Creates the program's windows in their fixed order: the main window first,
// then the format dialog, the CD dialog, the about box and the effect dialog.
// The secondary windows are children of the main window and die with it.
std::unique_ptr<TMainForm> CreateZirpelWindows(MainFormServices services);
