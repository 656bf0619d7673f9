// "Speichern..." and "Als kleiner Zirpel Speichern...": the clip as MP3, WAV
// or Ogg Vorbis, the format chosen by the save dialog's filter (the entries
// come from the format table; the small ringtone's dialog offers MP3 and WAV
// only).
#include <QComboBox>

#include "app/MainUnit.h"
#include "app/TerminationSignals.h"
#include "app/WindowTask.h"
#include "export/SaveClip.h"

namespace {

// Selects the given list entries for as long as it lives, then puts the
// user's own selections back, however the command ends.
class ForcedSelection {
public:
    ForcedSelection(QComboBox* a, int forcedA, QComboBox* b, int forcedB)
        : a_(a), b_(b), oldA_(a->currentIndex()), oldB_(b->currentIndex()) {
        a_->setCurrentIndex(forcedA);
        b_->setCurrentIndex(forcedB);
    }
    ~ForcedSelection() {
        a_->setCurrentIndex(oldA_);
        b_->setCurrentIndex(oldB_);
    }
    ForcedSelection(const ForcedSelection&) = delete;
    ForcedSelection& operator=(const ForcedSelection&) = delete;

private:
    QComboBox* a_;
    QComboBox* b_;
    int oldA_;
    int oldB_;
};

// A termination signal that arrives once the save command has begun stops
// the writing (the old file stays as it was); the window then closes as
// after any such signal. The writing lets no events run, so the signal's
// own count is asked, not the window's stop request.
zirpel::SaveStopQuery StopOnTerminationSignal() {
    return [since = TerminationSignals::Received()] { return TerminationSignals::Received() != since; };
}

}  // namespace

void TMainForm::SaveBtnClick() {
    const zirpel::SaveStopQuery stop = StopOnTerminationSignal();
    const bool ringtone = FSavingRingtone;
    const std::size_t entries = zirpel::SaveFormats(ringtone).size();
    zirpel::FileDialogRequest req;
    req.initialDir = FServices.programFolder;
    req.filter = zirpel::SaveDialogFilter();
    if (!ringtone) req.moreFilters = zirpel::SaveDialogMoreFilters();
    req.defaultExt = "WAV";
    req.filterIndex = static_cast<std::size_t>(FSaveFilterIndex) <= entries ? FSaveFilterIndex : 1;
    req.confirmOverwrite = true;
    const auto choice = FServices.dialogs->saveFile(req);
    if (!choice) return;

    const int filter = choice->filterIndex >= 1 && static_cast<std::size_t>(choice->filterIndex) <= entries
                           ? choice->filterIndex
                           : zirpel::kSaveFilterMp3;
    FSaveFilterIndex = filter;
    const std::string fileName = zirpel::CompleteSaveFileName(choice->fileName, filter);
    const zirpel::Writer writer = zirpel::WriterOfSaveFilter(filter, ringtone);
    if (writer == zirpel::Writer::Mp3) {
        SaveAsMP3File(fileName, stop);
        return;
    }
    ShowNote({});
    zirpel::SaveRequest request;
    request.writer = writer;
    request.fileName = fileName;
    request.outputRate = mp3format->currentText().toInt();
    request.bitRate = BitRate->currentText().toInt();
    WindowTask task(*this);
    const zirpel::SaveOutcome outcome =
        zirpel::SaveClipAs(request, FDocument.Span(), *FServices.encoder, task, stop);
    const zirpel::Notice notice = zirpel::NoticeFor(outcome.status);
    if (!notice.empty()) ShowNotice(notice);  // nothing for a stop: the window is closing
    ShowNote(outcome.note);
}

void TMainForm::SaveAsMP3File(const std::string& fileName, const std::function<bool()>& stop) {
    // The lists hold numbers only; their texts are read at the moment of saving.
    const std::int32_t outputRate = mp3format->currentText().toInt();
    const std::int32_t bitRate = BitRate->currentText().toInt();
    // Encoder errors (EMP3Encoder) end the command through the general error display.
    WindowTask task(*this);
    const zirpel::Notice notice = zirpel::NoticeFor(zirpel::SaveClipAsMP3File(
        *FServices.encoder, fileName, FDocument.Span(), outputRate, bitRate, task, stop));
    if (!notice.empty()) ShowNotice(notice);
}

void TMainForm::SaveSmallBtnClick() {
    // 11025 Hz and 8 kbit/s, the smallest the lists offer, while the save runs.
    const ForcedSelection small(mp3format, 6, BitRate, 0);
    FSavingRingtone = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{FSavingRingtone};
    SaveBtnClick();
}
