// Program start: the application object, the command line, the German
// translations of Qt's own dialogs, the platform services, the main window
// (shown) and then the secondary windows, the file named on the command
// line, and the message loop.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <thread>

#include <fontconfig/fontconfig.h>

#include "app/AppIcon.h"
#include "app/EditorArguments.h"
#include "app/MainUnit.h"
#include "app/Services.h"
#include "app/TerminationSignals.h"
#include "app/ZirpelWindows.h"
#include "playback/SdlLibrary.h"

int main(int argc, char** argv) {
    // The fonts' configuration is read while the application connects to
    // the display: the first caption needs it, and the library is safe to
    // start from another thread.
    std::thread fonts([] { FcInit(); });
    // SDL is loaded beside them too, for the sound device the window opens
    // as it is built.
    std::thread sound([] { zirpel::LoadSdl(); });
    QApplication app(argc, argv);
    fonts.join();
    sound.join();
    QApplication::setApplicationName(QStringLiteral("Zirpel-Editor"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QApplication::setWindowIcon(ZirpelIcon());
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

    const EditorArguments args = ParseEditorArguments(QApplication::arguments().mid(1));
    switch (args.action) {
        case EditorArguments::Action::Help:
            std::fputs(EditorHelpText().toUtf8().constData(), stdout);
            return 0;
        case EditorArguments::Action::Version:
            std::fputs(EditorVersionText().toUtf8().constData(), stdout);
            return 0;
        case EditorArguments::Action::Error:
            std::fprintf(stderr, "zirpel-editor: %s\n%s", args.error.toUtf8().constData(),
                         "Mehr mit: zirpel-editor --help\n");
            return 1;
        case EditorArguments::Action::Run:
            break;
    }

    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    RealServices real;
    auto mainForm = CreateMainWindow(real.Complete());
    TerminationSignals termination([form = mainForm.get()] { form->Terminate(); });
    mainForm->show();
    // None of the secondary windows is visible at start: they are built
    // while the window system maps the main window.
    CreateSecondaryWindows(*mainForm);
    if (!args.file.isEmpty()) {
        // Once the window is up, so the import's progress and any message
        // appear over it.
        QTimer::singleShot(0, mainForm.get(), [form = mainForm.get(), file = args.file] {
            form->RunCommand([form, &file] { form->OpenFile(file.toStdString()); });
        });
    }
    const int rc = QApplication::exec();
    mainForm.reset();
    return rc;
}
