// The real platform services: Qt's dialogs, libmp3lame, the libmpg123 codec
// driver, SDL audio, the system's temporary folder.
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QThread>
#include <QTimer>

#include "app/QtDialogs.h"
#include "app/Services.h"
#include "cdrom/LinuxCdPlatform.h"
#include "codec/Acm.h"
#include "export/LameEncoder.h"
#include "playback/SdlSoundDevice.h"

namespace {

// Ends the program as soon as its main event loop runs. The start-up goes
// on first (and may pump events or show a modal box itself), so a plain
// queued quit could be spent before the loop starts; this one waits until
// the main loop runs with no modal window open. It exits directly: the
// close confirmation is not asked.
void EndOnceRunning() {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, qApp, [timer] {
        if (QThread::currentThread()->loopLevel() != 1 || QApplication::activeModalWidget()) return;
        timer->stop();
        QCoreApplication::exit(0);
    });
    timer->start(10);
}

}  // namespace

RealServices::RealServices()
    : FDialogs(std::make_unique<QtDialogs>()), FEncoder(std::make_unique<zirpel::LameEncoder>()) {}

RealServices::~RealServices() = default;

MainFormServices RealServices::Complete(MainFormServices s) {
    if (!s.dialogs) s.dialogs = FDialogs.get();
    if (!s.execDialog) s.execDialog = [](QDialog& d) { return d.exec(); };
    if (!s.encoder) s.encoder = FEncoder.get();
    if (!s.codecs) s.codecs = &zirpel::acm::DefaultAcmRegistry();
    if (!s.openSoundDevice) s.openSoundDevice = zirpel::CreateSdlSoundDevice;
    if (!s.quitApplication) s.quitApplication = EndOnceRunning;
    if (!s.tempFolder) s.tempFolder = [] { return QDir::tempPath().toStdString(); };
    if (s.programFolder.empty()) s.programFolder = QCoreApplication::applicationDirPath().toStdString();
    if (!s.cdPlatform) s.cdPlatform = std::make_shared<zirpel::LinuxCdPlatform>();
    return s;
}
