#include "app/ZirpelWindows.h"

#include "app/AboutBox.h"
#include "cdrom/ui/MusikCDFUnit.h"
#include "effects/ui/EchoFUnit.h"
#include "effects/ui/SampleFormatFUnit.h"

std::unique_ptr<TMainForm> CreateMainWindow(MainFormServices services) {
    return std::make_unique<TMainForm>(std::move(services));
}

void CreateSecondaryWindows(TMainForm& main) {
    main.SampleFormat = new TSampleFormat(&main);
    main.MusikCDForm = new TMusikCDForm(&main);
    main.AboutBox = new TAboutBox(&main);
    main.EchoForm = new TEchoForm(&main);
}

std::unique_ptr<TMainForm> CreateZirpelWindows(MainFormServices services) {
    auto main = CreateMainWindow(std::move(services));
    CreateSecondaryWindows(*main);
    return main;
}
