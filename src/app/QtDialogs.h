// The real dialogs: QMessageBox and Qt's own QFileDialog (the same widget
// on every desktop, so the filter and name rules below hold everywhere).
// Each dialog is parented to the window active when it opens.
#pragma once

#include <QString>
#include <QStringList>

#include "app/Dialogs.h"

class QtDialogs : public zirpel::Dialogs {
public:
    zirpel::MsgResult messageBox(const std::string& text, const std::string& caption,
                                 zirpel::MsgButtons buttons, zirpel::MsgIcon icon) override;
    std::optional<zirpel::FileChoice> openFile(const zirpel::FileDialogRequest& req) override;
    std::optional<zirpel::FileChoice> saveFile(const zirpel::FileDialogRequest& req) override;
};

// "Label|*.A;*.B|Label2|*.C" -> the filter list QFileDialog takes, every
// pattern in lower and upper case ("*.a *.A *.b *.B"), as users expect
// "song.mp3" under "*.MP3".
QStringList QtNameFilters(const std::string& filter);

// 1-based index of the filter a dialog reports as chosen, or 0. Depending on
// the Qt version and the dialog's options, the dialog reports either the
// whole filter text or its label alone; both are recognised.
int ChosenFilterIndex(const std::string& filter, const QString& chosen);

// For an Open dialog: the existing file meant by `typed` when that exact
// name does not exist but one whose extension differs only in case does
// ("song.WAV" typed or completed, "song.wav" on disk); otherwise `typed`.
QString ExistingSpelling(const QString& typed);
