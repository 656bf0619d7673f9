// The seam between command handlers and the desktop's modal dialogs.
// Handlers never call QMessageBox or QFileDialog themselves: they ask this
// interface, which the program answers with real dialogs and tests answer
// from a script, so no test ever blocks in a modal loop.
#pragma once

#include <optional>
#include <string>

namespace zirpel {

enum class MsgButtons { Ok, OkCancel };
enum class MsgIcon { None, Information, Error };
enum class MsgResult { Ok, Cancel };

struct FileChoice {
    std::string fileName;  // as the dialog returned it (absolute, UTF-8)
    int filterIndex = 1;   // 1-based, as the filter string lists them
};

struct FileDialogRequest {
    std::string initialDir;
    std::string filter;       // "Label|*.A;*.B|Label2|*.C"
    // Entries offered after those of `filter`, in the same form; their
    // indices go on from filter's last (the program's own fixed entries
    // stay first and keep their numbers).
    std::string moreFilters;
    std::string defaultExt;   // without the dot, e.g. "WAV"
    int filterIndex = 1;
    bool confirmOverwrite = false;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // caption empty = the desktop's default caption (the application title).
    virtual MsgResult messageBox(const std::string& text, const std::string& caption,
                                 MsgButtons buttons, MsgIcon icon) = 0;
    virtual std::optional<FileChoice> openFile(const FileDialogRequest& req) = 0;
    virtual std::optional<FileChoice> saveFile(const FileDialogRequest& req) = 0;
};

}  // namespace zirpel
