// Writes the program's picture (the one the about box and the window icon
// draw) as PNG files for the desktop's icon theme:
//   zirpel_render_icons <folder> <size>...  ->  <folder>/zirpel-editor-<size>.png
// The build runs it with QT_QPA_PLATFORM=offscreen, so no display is needed.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

#include "app/AppIcon.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "Aufruf: zirpel_render_icons ORDNER GRÖSSE...\n");
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "zirpel_render_icons: %s: Konnte Ordner nicht anlegen\n", argv[1]);
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLatin1(argv[i]).toInt(&ok);
        if (!ok || size < 16 || size > 1024) {
            std::fprintf(stderr, "zirpel_render_icons: ungültige Größe %s\n", argv[i]);
            return 1;
        }
        const QString name = folder + QStringLiteral("/zirpel-editor-%1.png").arg(size);
        if (!ZirpelPicture(size).save(name, "PNG")) {
            std::fprintf(stderr, "zirpel_render_icons: %s: Konnte Datei nicht speichern\n",
                         qPrintable(name));
            return 2;
        }
    }
    return 0;
}
