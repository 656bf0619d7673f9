// The main window: it owns the audio clip, the selection, the view state and
// every command handler. Handlers are thin: they read controls, ask the
// dialogs seam, call the Qt-free core, replace the clip and redraw. Handlers
// of a subsystem are defined in that subsystem's ui/ folder.
#pragma once

#include <QImage>
#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "codec/ACMConvertor.h"
#include "codec/FormatBlock.h"
#include "playback/ChunkFill.h"
#include "playback/SoundBuffer.h"
#include "wave/AudioFormat.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QScrollArea;
class QScrollBar;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class TPaintBox;
class TProgressPanel;
class TSampleFormat;
class TMusikCDForm;
class TAboutBox;
class TEchoForm;
namespace zirpel {
class Mp3Encoder;
}

// Platform services the window uses. Every member left empty is filled with
// the real implementation; tests put fakes here.
struct MainFormServices {
    zirpel::Dialogs* dialogs = nullptr;
    // Runs a modal dialog and returns its result code (QDialog::exec by default).
    std::function<int(QDialog&)> execDialog;

    // --- export services (src/export/ui) ---
    // MP3 encoder used by the save commands (libmp3lame when empty).
    zirpel::Mp3Encoder* encoder = nullptr;

    // --- codec services (src/codec/ui) ---
    // Codec drivers of the MP3 import (the libmpg123 driver when empty).
    zirpel::acm::AcmRegistry* codecs = nullptr;

    // --- playback services (src/playback/ui) ---
    // Opens the sound output device (SDL audio when empty).
    std::function<zirpel::SoundResult(std::unique_ptr<zirpel::SoundDevice>&)> openSoundDevice;
    // Asks the application to end once its event loop runs (when the sound
    // output cannot be set up). Default: exit as soon as the main loop runs.
    std::function<void()> quitApplication;
};

struct TProgressRect {
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TMainForm(MainFormServices services = {}, QWidget* parent = nullptr);
    ~TMainForm() override;

    // ---- the audio clip ----
    std::vector<std::uint8_t> FSampleData;  // interleaved PCM bytes
    std::int32_t FSampleSize = 0;           // always FSampleData.size()
    std::int32_t FSampleRate = 0;
    bool FStereo = false;
    bool F16Bit = false;
    // ---- the selection (sample indices) ----
    std::int32_t FSelCaret = 0;
    std::int32_t FSelAnchor = 0;

    bool FStopRequested = false;
    QImage FViewBitmap;
    std::int32_t FProgress = 0;
    TProgressRect FProgressRect;

    // ---- controls ----
    QPushButton* OpenBtn = nullptr;
    QPushButton* SaveBtn = nullptr;
    QPushButton* SaveSmallBtn = nullptr;
    QPushButton* MusikCDBtn = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QComboBox* mp3format = nullptr;
    QComboBox* BitRate = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* ZoomKleinerBtn = nullptr;
    QPushButton* ZoomGroesserBtn = nullptr;
    QPushButton* ZoomOutFull = nullptr;
    QPushButton* ZoomInFull = nullptr;
    QPushButton* ZoomSel = nullptr;
    QSpinBox* ZoomOutEd = nullptr;
    QPushButton* PlayBtn = nullptr;
    QPushButton* StopBTN = nullptr;
    QCheckBox* SchleifeCheck = nullptr;
    QPushButton* CropToSelection = nullptr;
    QPushButton* CutSelectionBtn = nullptr;
    QPushButton* ChangeFormat = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    TPaintBox* PaintBox1 = nullptr;
    QScrollBar* RxSlider1 = nullptr;
    QLabel* Label2 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanel0 = nullptr;
    TProgressPanel* StatusPanel1 = nullptr;
    QMenu* MenuDatei = nullptr;
    QMenu* MenuBearbeiten = nullptr;
    QMenu* MenuAnsicht = nullptr;
    QMenu* MenuEffekte = nullptr;
    QMenu* MenuHilfe = nullptr;

    // The secondary windows, created after the main window (CreateZirpelWindows).
    TSampleFormat* SampleFormat = nullptr;
    TMusikCDForm* MusikCDForm = nullptr;
    TAboutBox* AboutBox = nullptr;
    TEchoForm* EchoForm = nullptr;

    // ---- commands (each runs inside RunCommand when triggered by the user) ----
    void OpenBtnClick();
    void SaveBtnClick();
    void SaveSmallBtnClick();
    void Beenden1Click();
    void berdasProgramm1Click();
    // view
    void PaintBox1Paint();
    void ZoomOutEdChange();
    void RxSlider1Change();
    void ZoomOutFullClick();
    void ZoomInFullClick();
    void ZoomSelClick();
    void ZoomKleinerBtnClick();
    void ZoomGroesserBtnClick();
    void BackBtnClick();
    void PaintBox1MouseDown(int x);
    void PaintBox1MouseMove(int x, bool leftButtonHeld);
    void PaintBox1MouseUp(int x);
    void CropToSelectionClick();
    void CutSelectionBtnClick();
    void SelectNothingBtnClick();
    // status bar
    void SetProStatus(std::int32_t percent);
    void StatusBar1DrawPanel(QPainter& painter, const QRect& rect);
    void SBarPaintMore();
    // playback
    void PlayBtnClick();
    void StopBTNClick();

    // Runs one command; an exception escaping it ends the command and is
    // shown by the general error display. Returns false if it failed.
    bool RunCommand(const std::function<void()>& command);
    // The general error display: caption "Zirpel-Editor", error icon, OK.
    void ShowGeneralError(const std::string& text);

    // Clip replacement shared by crop, cut and the other commands that
    // build a new buffer.
    void ReplaceClip(std::vector<std::uint8_t> data);
    void ReplaceClip(std::vector<std::uint8_t> data, const zirpel::ClipFormat& format);
    zirpel::ClipFormat ClipFormat() const { return {FSampleRate, FStereo, F16Bit}; }
    std::int32_t SampleIndexCount() const { return zirpel::SampleIndexCount(FSampleSize, ClipFormat()); }

    std::int32_t ZoomFactor() const;
    void SetZoomFactor(long double value);

    zirpel::Dialogs& Dialogs() { return *FDialogs; }
    int ExecDialog(QDialog& dialog) { return FExecDialog(dialog); }
    std::string ProgramFolder() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenu();
    void FormCreate();
    bool FormCloseQuery();
    void FormClose();
    void FormDestroy();

    template <typename Sender, typename Signal>
    void Wire(Sender* sender, Signal signal, void (TMainForm::*handler)());
    QAction* AddMenuCommand(QMenu* menu, const QString& caption, void (TMainForm::*handler)());

    // ---- platform hooks implemented by the subsystems ----
    void SetUpPlayback();         // src/playback/ui: creates the sound output
    void ReleasePlayback();       // src/playback/ui: releases it, in order
    void EnumerateCodecFormats(); // src/codec/ui: fills the MP3 format list
public:
    // src/codec/ui: converts an MP3 file into a 16-bit PCM WAV file.
    void ConvertMP3WAV(const std::string& mp3FileName, const std::string& wavFileName);

private:
    std::unique_ptr<zirpel::Dialogs> FOwnDialogs;
    zirpel::Dialogs* FDialogs = nullptr;
    std::function<int(QDialog&)> FExecDialog;
    MainFormServices FServices;

    // --- export state (src/export/ui) ---
    // Writes the clip as MP3 to `fileName` with the lists' rate and bit rate.
    void SaveAsMP3File(const std::string& fileName);
    // The save dialog's filter, kept from one save to the next (1 = MP3, 2 = WAV).
    int FSaveFilterIndex = 1;

    // --- codec state (src/codec/ui) ---
public:
    // The MPEG layer-3 formats the installed codecs offer: filled at start-up,
    // kept for the window's life.
    std::vector<zirpel::FormatBlock> FMP3Formats;
    std::int32_t FMP3FormatCount = 0;
    // The MP3 import's stream convertor.
    zirpel::TACMConvertor mp3wav{FServices.codecs ? *FServices.codecs : zirpel::acm::DefaultAcmRegistry()};

private:

    // --- playback state (src/playback/ui) ---
    // The sound output, created by SetUpPlayback in this order.
    std::unique_ptr<zirpel::SoundDevice> FDirectSound;
    zirpel::WaveFormatEx FPlayFormat{};
    zirpel::SoundBufferDesc FPlayBufferDesc{};
    std::uint32_t FDSBufferSize = 0;
    std::shared_ptr<zirpel::LoopingSoundBuffer> FPlayBuffer;
    std::shared_ptr<zirpel::SoundNotify> FPlayNotify;
    std::shared_ptr<zirpel::PlayEvent> FFirstHalfEvent;   // play position reached byte 22050
    std::shared_ptr<zirpel::PlayEvent> FSecondHalfEvent;  // play position reached byte 44099
    zirpel::PositionNotify FNotifyPositions[2];
    zirpel::SoundResult FDSResult{};  // result of the last sound call
    bool FPlaying = false;            // PlayBtnClick's loop is running
    zirpel::ClipView CurrentClipView() const;
};
