#pragma once
#include <memory>

#include "app/MainUnit.h"

// Creates the program's windows in their fixed order: the main window first,
// then the format dialog, the CD dialog, the about box and the effect dialog.
// The secondary windows are children of the main window and die with it.
std::unique_ptr<TMainForm> CreateZirpelWindows(MainFormServices services);

// The same in two steps, so that the program can show the main window
// before it builds the secondary ones (none of them is visible at start):
// the main window alone, then the secondary windows for it.
std::unique_ptr<TMainForm> CreateMainWindow(MainFormServices services);
void CreateSecondaryWindows(TMainForm& main);
