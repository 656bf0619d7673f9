#include "app/ZirpelWindows.h"

#include "app/AboutBox.h"
#include "cdrom/ui/MusikCDFUnit.h"
#include "effects/ui/EchoFUnit.h"
#include "effects/ui/SampleFormatFUnit.h"

std::unique_ptr<TMainForm> CreateZirpelWindows(MainFormServices services) {
    auto main = std::make_unique<TMainForm>(std::move(services));
    main->SampleFormat = new TSampleFormat(main.get());
    main->MusikCDForm = new TMusikCDForm(main.get());
    main->AboutBox = new TAboutBox(main.get());
    main->EchoForm = new TEchoForm(main.get());
    return main;
}
