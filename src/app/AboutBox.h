#pragma once
#include <QDialog>

// The about box: the program's picture, name and version, and a button that
// opens the home page in the browser.
inline constexpr const char* kZirpelHomePage = "https://zirpel-editor.example.org/";

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent);
};
