// The platform services the main window uses, handed to it at creation.
//
// RealServices makes the real implementations once at program start; tests
// make the same object and put their fakes into the members they replace.
// The window itself never chooses an implementation.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/Dialogs.h"
#include "playback/SoundBuffer.h"

class QDialog;
namespace zirpel {
class CdPlatform;
class Mp3Encoder;
namespace acm {
class AcmRegistry;
}
}  // namespace zirpel

struct MainFormServices {
    // Message boxes and file dialogs.
    zirpel::Dialogs* dialogs = nullptr;
    // Runs a modal dialog and returns its result code.
    std::function<int(QDialog&)> execDialog;
    // MP3 encoder of the save commands.
    zirpel::Mp3Encoder* encoder = nullptr;
    // Codec drivers of the MP3 import.
    zirpel::acm::AcmRegistry* codecs = nullptr;
    // Opens the sound output device.
    std::function<zirpel::SoundResult(std::unique_ptr<zirpel::SoundDevice>&)> openSoundDevice;
    // Asks the application to end once its event loop runs (when the sound
    // output cannot be set up).
    std::function<void()> quitApplication;
    // Where the MP3 import puts its temporary file (asked at each import).
    std::function<std::string()> tempFolder;
    // Initial folder of the file dialogs: the program's own folder.
    std::string programFolder;
    // How the CD import reaches the drives.
    std::shared_ptr<zirpel::CdPlatform> cdPlatform;
};

class RealServices {
public:
    RealServices();
    ~RealServices();
    RealServices(const RealServices&) = delete;
    RealServices& operator=(const RealServices&) = delete;

    // `given` with every member it leaves empty filled by the real one.
    MainFormServices Complete(MainFormServices given = {});

private:
    std::unique_ptr<zirpel::Dialogs> FDialogs;
    std::unique_ptr<zirpel::Mp3Encoder> FEncoder;
};
