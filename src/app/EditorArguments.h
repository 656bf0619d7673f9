// The editor's command line: `zirpel-editor [DATEI]`, `--help`, `--version`.
#pragma once

#include <QString>
#include <QStringList>

struct EditorArguments {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QString file;   // opened at start, as "Öffnen..." would; empty for none
    QString error;  // for Action::Error: what was wrong, in German
};

// `arguments` without the program name (Qt's own options already taken out).
EditorArguments ParseEditorArguments(const QStringList& arguments);

// Whether an argument may be one of Qt's own options (with one dash or
// two, "-platform", "--style=fusion", ...), which only the application
// object takes out of the command line.
bool MayHoldQtOptions(const QStringList& arguments);

QString EditorHelpText();
QString EditorVersionText();
