// Program start: the application object, the German translations of Qt's own
// dialogs, the platform services, the windows in their order, and the
// message loop.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/AppIcon.h"
#include "app/MainUnit.h"
#include "app/Services.h"
#include "app/TerminationSignals.h"
#include "app/ZirpelWindows.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zirpel-Editor"));
    QApplication::setWindowIcon(ZirpelIcon());
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    RealServices real;
    auto mainForm = CreateZirpelWindows(real.Complete());
    TerminationSignals termination([form = mainForm.get()] { form->Terminate(); });
    mainForm->show();
    const int rc = QApplication::exec();
    mainForm.reset();
    return rc;
}
