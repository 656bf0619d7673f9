// The main window's own services to its commands: running a command with
// the general error display and showing the core's messages.
#include "app/MainUnit.h"

#include <new>

bool TMainForm::RunCommand(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const std::bad_alloc&) {
        ShowGeneralError("Nicht genügend Arbeitsspeicher");
    } catch (const std::exception& e) {
        ShowGeneralError(e.what());
    }
    return false;
}

void TMainForm::ShowNotice(const zirpel::Notice& notice) {
    switch (notice.style) {
        case zirpel::NoticeStyle::GeneralError:
            ShowGeneralError(notice.text);
            return;
        case zirpel::NoticeStyle::ErrorIcon:
            FServices.dialogs->messageBox(notice.text, "", zirpel::MsgButtons::Ok, zirpel::MsgIcon::Error);
            return;
        case zirpel::NoticeStyle::Plain:
            FServices.dialogs->messageBox(notice.text, "", zirpel::MsgButtons::Ok, zirpel::MsgIcon::None);
            return;
    }
}

void TMainForm::ShowGeneralError(const std::string& text) {
    FServices.dialogs->messageBox(zirpel::GeneralErrorText(text), "Zirpel-Editor",
                                  zirpel::MsgButtons::Ok, zirpel::MsgIcon::Error);
}
