// "Speichern..." and "Als kleiner Zirpel Speichern...": the clip as WAV or MP3,
// the format chosen by the save dialog's filter.
#include <QComboBox>

#include "app/MainUnit.h"
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

}  // namespace

void TMainForm::SaveBtnClick() {
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
        SaveAsMP3File(fileName);
        return;
    }
    const zirpel::SaveStatus status = zirpel::SaveClipAsWaveFile(fileName, FDocument.Span());
    if (status != zirpel::SaveStatus::Saved) ShowNotice(zirpel::NoticeFor(status));
}

void TMainForm::SaveAsMP3File(const std::string& fileName) {
    // The lists hold numbers only; their texts are read at the moment of saving.
    const std::int32_t outputRate = mp3format->currentText().toInt();
    const std::int32_t bitRate = BitRate->currentText().toInt();
    // Encoder errors (EMP3Encoder) end the command through the general error display.
    WindowTask task(*this);
    const zirpel::SaveStatus status = zirpel::SaveClipAsMP3File(
        *FServices.encoder, fileName, FDocument.Span(), outputRate, bitRate, task);
    if (status != zirpel::SaveStatus::Saved) ShowNotice(zirpel::NoticeFor(status));
}

void TMainForm::SaveSmallBtnClick() {
    // 11025 Hz and 8 kbit/s, the smallest the lists offer, while the save runs.
    const ForcedSelection small(mp3format, 6, BitRate, 0);
    SaveBtnClick();
}
