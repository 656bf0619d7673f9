// Program start: "--help" and "--version" (answered before anything needs
// a display), the application object, the command line, the German
// translations of Qt's own dialogs, the platform services, the main window
// (shown) and then the secondary windows, the file named on the command
// line, and the message loop. Work the window only needs later (the fonts'
// configuration, the session bus, the icon, Qt's image plugins, the sound
// output) runs on other threads meanwhile, so the window appears sooner.
#include <QApplication>
#include <QBuffer>
#include <QDBusConnection>
#include <QImageReader>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <future>
#include <thread>
#include <vector>

#include <fontconfig/fontconfig.h>

#include "app/AppIcon.h"
#include "app/EditorArguments.h"
#include "app/MainUnit.h"
#include "app/Services.h"
#include "app/TerminationSignals.h"
#include "app/ZirpelWindows.h"
#include "playback/SoundDeviceOpener.h"

namespace {

// Prints the help or the version text when the arguments ask for it.
bool PrintInformation(const EditorArguments& args) {
    switch (args.action) {
        case EditorArguments::Action::Help:
            std::fputs(EditorHelpText().toUtf8().constData(), stdout);
            return true;
        case EditorArguments::Action::Version:
            std::fputs(EditorVersionText().toUtf8().constData(), stdout);
            return true;
        case EditorArguments::Action::Error:
        case EditorArguments::Action::Run: break;
    }
    return false;
}

int ReportMistake(const EditorArguments& args) {
    std::fprintf(stderr, "zirpel-editor: %s\n%s", args.error.toUtf8().constData(), "Mehr mit: zirpel-editor --help\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    // "--help", "--version" and a mistake need no display: they are
    // answered from the raw arguments before the application connects to
    // one (without a display it could not even be made). Qt's own options
    // are only taken out by the application object, so a command line that
    // may hold one ("-platform ...") is read again below, after them.
    {
        QStringList raw;
        for (int i = 1; i < argc; ++i) raw << QString::fromLocal8Bit(argv[i]);
        const EditorArguments early = ParseEditorArguments(raw);
        if (PrintInformation(early)) return 0;
        if (early.action == EditorArguments::Action::Error && !MayHoldQtOptions(raw)) return ReportMistake(early);
    }

    // The fonts' configuration is read while the application connects to
    // the display: the first caption needs it, and the library is safe to
    // start from another thread.
    std::jthread fonts([] { FcInit(); });
    QApplication app(argc, argv);
    fonts.join();
    QApplication::setApplicationName(QStringLiteral("Zirpel-Editor"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

    const EditorArguments args = ParseEditorArguments(QApplication::arguments().mid(1));
    if (PrintInformation(args)) return 0;
    if (args.action == EditorArguments::Action::Error) return ReportMistake(args);

    // The first button wakes Qt's accessibility bridge, which waits for a
    // connection to the session bus; that connection is made here, on
    // another thread, while the window is built.
    std::jthread bus([] { QDBusConnection::sessionBus(); });
    // Work the window needs later is done on one other thread while the
    // window is built: the program's icon; Qt's image format plugins, which
    // the menu bar loads when it asks its style for an icon; and then the
    // sound output, SDL and the libraries it brings. The window takes the
    // device, or the failure, at its usual step of its creation.
    std::promise<std::vector<QImage>> iconDrawn;
    std::future<std::vector<QImage>> icon = iconDrawn.get_future();
    zirpel::SoundDeviceOpener sound([&iconDrawn] {
        iconDrawn.set_value(DrawZirpelIconImages());
        QByteArray none;
        QBuffer buffer(&none);
        QImageReader(&buffer).format();
    });

    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    // Every window of the program shows the application's icon, set once
    // it is drawn: before the main window is shown, or before the sound
    // output's failure message, which comes during the window's creation
    // (the icon is drawn by then: the thread draws it before it opens SDL).
    bool iconSet = false;
    auto setIcon = [&icon, &iconSet] {
        if (iconSet) return;
        iconSet = true;
        QApplication::setWindowIcon(ZirpelIcon(icon.get()));
    };
    RealServices real;
    MainFormServices services;
    services.openSoundDevice = [&sound, &setIcon](std::unique_ptr<zirpel::SoundDevice>& out) {
        const zirpel::SoundResult result = sound.Take(out);
        if (result != zirpel::SoundResult::Ok) setIcon();
        return result;
    };
    auto mainForm = CreateMainWindow(real.Complete(std::move(services)));
    TerminationSignals termination([form = mainForm.get()] { form->Terminate(); });
    setIcon();
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
