// The real dialogs: QMessageBox and QFileDialog.
#pragma once

#include "app/Dialogs.h"

class QWidget;
#include <QStringList>

class QtDialogs : public zirpel::Dialogs {
public:
    explicit QtDialogs(QWidget* parent) : FParent(parent) {}
    zirpel::MsgResult messageBox(const std::string& text, const std::string& caption,
                                 zirpel::MsgButtons buttons, zirpel::MsgIcon icon) override;
    std::optional<zirpel::FileChoice> openFile(const zirpel::FileDialogRequest& req) override;
    std::optional<zirpel::FileChoice> saveFile(const zirpel::FileDialogRequest& req) override;

private:
    QWidget* FParent;
};

// "Label|*.A;*.B|Label2|*.C" -> the filter list QFileDialog takes. Patterns
// match regardless of case, as users expect "song.mp3" under "*.MP3".
QStringList QtNameFilters(const std::string& filter);
