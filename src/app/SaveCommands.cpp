// "Speichern..." and "Als kleiner Zirpel Speichern...": the clip as WAV or MP3,
// the format chosen by the save dialog's filter.
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
    zirpel::FileDialogRequest req;
    req.initialDir = FServices.programFolder;
    req.filter = zirpel::kSaveFilter;
    req.defaultExt = "WAV";
    req.filterIndex = FSaveFilterIndex;
    req.confirmOverwrite = true;
    const auto choice = FServices.dialogs->saveFile(req);
    if (!choice) return;

    const int filter =
        choice->filterIndex == zirpel::kSaveFilterWav ? zirpel::kSaveFilterWav : zirpel::kSaveFilterMp3;
    FSaveFilterIndex = filter;
    const std::string fileName = zirpel::CompleteSaveFileName(choice->fileName, filter);
    if (filter == zirpel::kSaveFilterMp3) {
        SaveAsMP3File(fileName, stop);
        return;
    }
    const zirpel::Notice notice = zirpel::NoticeFor(zirpel::SaveClipAsWaveFile(fileName, FDocument.Span(), stop));
    if (!notice.empty()) ShowNotice(notice);  // nothing for a stop: the window is closing
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
    SaveBtnClick();
}
