// A dialogs seam that answers from queues, so no test or benchmark ever
// waits in a modal loop. RealFileDialogs keeps the scripted message boxes
// but shows Qt's real file dialogs, for the tests that drive those.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/QtDialogs.h"

struct ShownMessage {
    std::string text;
    std::string caption;
    zirpel::MsgButtons buttons;
    zirpel::MsgIcon icon;
};

// Answers dialogs from queues; an empty queue answers OK / cancel.
class ScriptedDialogs : public zirpel::Dialogs {
public:
    std::vector<ShownMessage> messages;
    std::deque<zirpel::MsgResult> messageAnswers;
    std::deque<std::optional<zirpel::FileChoice>> openAnswers;
    std::deque<std::optional<zirpel::FileChoice>> saveAnswers;
    std::vector<zirpel::FileDialogRequest> openRequests;
    std::vector<zirpel::FileDialogRequest> saveRequests;
    std::function<void()> whileSaveDialogShows;  // called before the save dialog answers

    zirpel::MsgResult messageBox(const std::string& text, const std::string& caption,
                                 zirpel::MsgButtons buttons, zirpel::MsgIcon icon) override {
        messages.push_back({text, caption, buttons, icon});
        if (messageAnswers.empty()) return zirpel::MsgResult::Ok;
        auto r = messageAnswers.front();
        messageAnswers.pop_front();
        return r;
    }
    std::optional<zirpel::FileChoice> openFile(const zirpel::FileDialogRequest& req) override {
        openRequests.push_back(req);
        if (openAnswers.empty()) return std::nullopt;
        auto r = openAnswers.front();
        openAnswers.pop_front();
        return r;
    }
    std::optional<zirpel::FileChoice> saveFile(const zirpel::FileDialogRequest& req) override {
        saveRequests.push_back(req);
        if (whileSaveDialogShows) whileSaveDialogShows();
        if (saveAnswers.empty()) return std::nullopt;
        auto r = saveAnswers.front();
        saveAnswers.pop_front();
        return r;
    }
};

// Real file dialogs (driven by the test through timers), scripted boxes.
class RealFileDialogs : public ScriptedDialogs {
public:
    std::optional<zirpel::FileChoice> openFile(const zirpel::FileDialogRequest& req) override {
        openRequests.push_back(req);
        return real.openFile(req);
    }
    std::optional<zirpel::FileChoice> saveFile(const zirpel::FileDialogRequest& req) override {
        saveRequests.push_back(req);
        return real.saveFile(req);
    }
    QtDialogs real;
};
