// "Öffnen...": loads a WAV file, or an MP3 file through a temporary WAV file,
// as the new clip.
#include <QDir>
#include <QPushButton>

#include <cstdio>

#include "app/MainUnit.h"
#include "codec/TempFileName.h"
#include "view/Zoom.h"
#include "view/ui/PaintBox.h"
#include "wave/WaveFile.h"

void TMainForm::OpenBtnClick() {
    zirpel::FileDialogRequest req;
    req.initialDir = ProgramFolder();
    req.filter = "WAV und MP3-Dateien|*.WAV;*.MP3";
    req.defaultExt = "WAV";
    const auto choice = FDialogs->openFile(req);
    if (!choice) return;

    std::string nameToLoad = choice->fileName;
    std::string tempName;
    if (zirpel::IsMp3FileName(choice->fileName)) {
        tempName = zirpel::UniqueTempFileName(QDir::tempPath().toStdString(), "tempwav", ".wav");
        ConvertMP3WAV(choice->fileName, tempName);
        nameToLoad = tempName;
    }

    if (auto wav = zirpel::ReadWaveFile(nameToLoad)) {
        FSampleData = std::move(wav->data);
        FSampleSize = static_cast<std::int32_t>(FSampleData.size());
        FSampleRate = wav->format.sampleRate;
        FStereo = wav->format.stereo;
        F16Bit = wav->format.is16Bit;
    } else {
        FDialogs->messageBox("Konnte Datei nicht öffnen", "", zirpel::MsgButtons::Ok, zirpel::MsgIcon::Error);
    }
    if (!tempName.empty()) std::remove(tempName.c_str());

    FSelAnchor = 0;
    FSelCaret = 0;
    SetZoomFactor(zirpel::ZoomFullValue(SampleIndexCount(), PaintBox1->width()));
    PaintBox1Paint();
}
