#include "app/EditorArguments.h"

EditorArguments ParseEditorArguments(const QStringList& arguments) {
    EditorArguments result;
    bool optionsEnded = false;
    for (const QString& a : arguments) {
        if (!optionsEnded && a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && (a == QLatin1String("--help") || a == QLatin1String("-h"))) {
            result.action = EditorArguments::Action::Help;
            return result;
        } else if (!optionsEnded && a == QLatin1String("--version")) {
            result.action = EditorArguments::Action::Version;
            return result;
        } else if (!optionsEnded && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            result.action = EditorArguments::Action::Error;
            result.error = QString::fromUtf8("Unbekannte Option: %1").arg(a);
            return result;
        } else if (result.file.isEmpty()) {
            result.file = a;
        } else {
            result.action = EditorArguments::Action::Error;
            result.error = QString::fromUtf8("Nur eine Datei kann geöffnet werden.");
            return result;
        }
    }
    return result;
}

bool MayHoldQtOptions(const QStringList& arguments) {
    // The options of Qt's application classes and platform plugins, old
    // X11 ones included: better one too many here than a Qt option taken
    // for a mistake.
    static const QStringList kQtOptions = {
        "platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger", "qwindowgeometry",
        "qwindowicon", "qwindowtitle", "reverse", "session", "display", "geometry", "name", "title",
        "visual", "style", "stylesheet", "widgetcount", "testability", "nograb", "dograb", "sync", "fn",
        "font", "bg", "background", "fg", "foreground", "btn", "button", "im", "inputstyle", "ncols",
        "cmap", "graphicssystem", "qdevicepixelratio", "dialogs", "fontengine"};
    for (const QString& a : arguments) {
        if (a == QLatin1String("--")) return false;  // only names follow
        if (!a.startsWith(QLatin1Char('-'))) continue;
        QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1);
        name = name.left(name.indexOf(QLatin1Char('=')));
        if (kQtOptions.contains(name)) return true;
    }
    return false;
}

QString EditorHelpText() {
    return QString::fromUtf8(
        "Aufruf: zirpel-editor [DATEI]\n"
        "\n"
        "Zirpel-Editor macht aus Musik Klingeltöne: WAV- oder MP3-Datei öffnen,\n"
        "zurechtschneiden, Effekte anwenden, in einer Schleife anhören und als WAV,\n"
        "MP3 oder kleinen Zirpel (11025 Hz, 8 kBit/s) speichern.\n"
        "\n"
        "  DATEI       wird beim Start geöffnet, wie mit \"Öffnen...\"\n"
        "  --help      diese Hilfe zeigen\n"
        "  --version   die Version zeigen\n"
        "\n"
        "Ohne Fenster arbeitet der Befehl zirpel (siehe zirpel --help).\n");
}

QString EditorVersionText() { return QStringLiteral("Zirpel-Editor 1.0\n"); }
