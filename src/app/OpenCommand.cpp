// "Öffnen...": loads a WAV file, an MP3 file through a temporary WAV file, or
// any other audio file the format table knows, as the new clip. The work
// itself is the Qt-free OpenAudioFile.
#include <QPointer>

#include "app/MainUnit.h"
#include "app/WindowTask.h"
#include "codec/OpenAudioFile.h"
#include "formats/AudioFormats.h"

void TMainForm::OpenBtnClick() {
    zirpel::FileDialogRequest req;
    req.initialDir = FServices.programFolder;
    req.filter = zirpel::OpenDialogFilter();
    req.moreFilters = zirpel::OpenDialogMoreFilters();
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
    ShowNote({});
    zirpel::OpenOptions options;
    options.dither = FDitherOnOpen;
    zirpel::OpenResult result =
        zirpel::OpenAudioFile(fileName, codec, FServices.tempFolder(), task, options);
    if (alive.isNull() || FTerminating) return;

    for (const zirpel::Notice& notice : zirpel::NoticesFor(result)) ShowNotice(notice);
    if (result.ok()) {
        FDocument.Replace(std::move(result.clip), "Öffnen");
        // What was converted is said once, without a box to click away.
        ShowNote(zirpel::ConversionNote(result));
    } else {
        // The old clip stays, but nothing is selected and the view is redone.
        FDocument.SetSelection({0, 0});
        UpdateForClip();
    }
}
