// "Von Musik-CD einlesen...": the drive search on first use, the CD dialog,
// and the ripped track as the new clip.
#include "app/MainUnit.h"
#include "cdrom/CdDrives.h"
#include "cdrom/ui/MusikCDFUnit.h"
#include "clip/Clip.h"

void TMainForm::MusikCDBtnClick() {
    if (!FCDDrivesSearched) {
        // Once per program run, even when nothing is found.
        FCDDrivesSearched = true;
        zirpel::FindAllCDDrives(*FServices.cdPlatform, FCDDrives,
                                [this](const std::string& line) { MusikCDForm->AppendLog(line); });
        MusikCDForm->SetDriveItems(zirpel::DriveItemTexts(FCDDrives));
        MusikCDForm->SetCdAccess(FServices.cdPlatform, FCDDrives);
    }
    ExecDialog(*MusikCDForm);
    // However the dialog closed: a track read becomes the clip, and the view
    // shows the whole clip.
    if (std::optional<zirpel::Clip> clip = MusikCDForm->TakeRippedClip())
        FDocument.Replace(std::move(*clip), "Von Musik-CD einlesen");
    else
        UpdateForClip();
}
