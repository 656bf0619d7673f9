// "Öffnen...": loads a WAV file, or an MP3 file through a temporary WAV file,
// as the new clip. The work itself is the Qt-free OpenAudioFile.
#include <QPointer>

#include "app/MainUnit.h"
#include "app/WindowTask.h"
#include "codec/OpenAudioFile.h"

void TMainForm::OpenBtnClick() {
    zirpel::FileDialogRequest req;
    req.initialDir = FServices.programFolder;
    req.filter = "WAV und MP3-Dateien|*.WAV;*.MP3";
    req.defaultExt = "WAV";
    const auto choice = FServices.dialogs->openFile(req);
    if (!choice) return;
    OpenFile(choice->fileName);
}

void TMainForm::OpenFile(const std::string& fileName) {
    zirpel::Mp3Codec codec{mp3wav, FMP3Formats, FMP3FormatCount};
    WindowTask task(*this);
    const QPointer<TMainForm> alive(this);
    // EACMConvertor and input/output errors of the MP3 import end the
    // command here and reach the general error display.
    zirpel::OpenResult result = zirpel::OpenAudioFile(fileName, codec, FServices.tempFolder(), task);
    if (alive.isNull() || FTerminating) return;

    for (const zirpel::Notice& notice : zirpel::NoticesFor(result)) ShowNotice(notice);
    if (result.ok()) {
        FDocument.Replace(std::move(result.clip), "Öffnen");
    } else {
        // The old clip stays, but nothing is selected and the view is redone.
        FDocument.SetSelection({0, 0});
        UpdateForClip();
    }
}
