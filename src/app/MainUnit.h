// The main window: it owns the document (the audio clip and the
// selection), the view state and every command handler. Handlers are thin:
// they read controls, ask the dialogs seam and hand the work to the
// document; what the document reports back (a new clip, samples changed,
// the selection moved) the window turns into zoom, scroll range and drawing.
#pragma once

#include <QImage>
#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Services.h"
#include "cdrom/CdDrives.h"
#include "clip/Clip.h"
#include "clip/Extended.h"
#include "clip/Notice.h"
#include "clip/Selection.h"
#include "codec/ACMConvertor.h"
#include "document/EditorDocument.h"
#include "codec/FormatBlock.h"
#include "effects/EffectStatus.h"
#include "playback/SoundBuffer.h"

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
class TLoudnessForm;
class TReadout;
class TSelectionForm;
namespace zirpel {
class PlaySource;
}

struct TProgressRect {
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    // Every service must be set (RealServices::Complete fills them).
    explicit TMainForm(MainFormServices services, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The audio clip and the selection.
    zirpel::EditorDocument& Document() { return FDocument; }
    const zirpel::EditorDocument& Document() const { return FDocument; }

    bool FStopRequested = false;
    QImage FViewBitmap;
    std::int32_t FProgress = 0;
    TProgressRect FProgressRect;
    // Right end of the navy the bar shows on the screen.
    std::int32_t FNavyRight = 0;

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
    QAction* UndoAction = nullptr;  // "Rückgängig", first in "Bearbeiten"
    QAction* RedoAction = nullptr;  // "Wiederherstellen"
    // ---- ringtone helpers (additions) ----
    TReadout* Readout = nullptr;      // the line of times and save facts above the tab
    QPushButton* SeamBtn = nullptr;   // "Übergang anhören"
    TSelectionForm* SelectionForm = nullptr;  // "Auswahl festlegen"
    TLoudnessForm* LoudnessForm = nullptr;    // "Lautheit angleichen"
    double FPickSeconds = 30;         // the suggestion's length, as last set in "Auswahl festlegen..."
    double FLoudnessTarget = -14;     // the last target of "Lautheit angleichen..."

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
    // undo and redo of the document's steps
    void UndoClick();
    void RedoClick();
    // status bar
    void SetProStatus(std::int32_t percent);
    void StatusBar1DrawPanel(QPainter& painter, const QRect& rect);
    void SBarPaintMore();
    // playback
    void PlayBtnClick();
    void StopBTNClick();
    // effects and the format change
    void Echo1Click();
    void Weicheinblenden1Click();
    void Weichausblenden1Click();
    void EndeaufAnfangberblenden1Click();
    void MaximaleLautstrke1Click();
    void Lauter101Click();
    void Leiser101Click();
    void Rckwrts1Click();
    void Schneller101Click();
    void Langsamer101Click();
    void ChangeFormatClick();
    // Every row of the effect table runs here: its dialog, the document, the error.
    void RunEffect(const zirpel::EffectEntry& effect);
    // audio CD
    void MusikCDBtnClick();
    // ringtone helpers
    void AuswahlFestlegenClick();          // "Bearbeiten" > "Auswahl festlegen..."
    void KlingeltonVorschlagenClick();     // "Bearbeiten" > "Klingelton-Auswahl vorschlagen"
    void LautheitAngleichenClick();        // "Effekte" > "Lautheit angleichen..."
    void UebergangAnhoerenClick();         // "Übergang anhören": the seam, once
    // Brings the readout up to date with the clip, the selection and the lists.
    void RefreshReadout();
    // Sets the selection, scrolls its start into view if it is not, redraws.
    void ShowSelection(zirpel::Selection sel);

    // Opens `fileName` as "Öffnen..." does after its dialog (messages included).
    void OpenFile(const std::string& fileName);

    // A line for the user that needs no answer (what Open converted, a bit
    // rate a save had to change), shown as the readout's last line until the
    // next Open or Save; empty text clears it.
    void ShowNote(const std::string& text);
    // Triangular dither where Open rounds samples to 16 bit. Off: the window
    // has no place for the switch yet (the command line has --dither).
    bool FDitherOnOpen = false;

    // Runs one command; an exception escaping it ends the command and is
    // shown by the general error display. Returns false if it failed.
    bool RunCommand(const std::function<void()>& command);
    // Shows a message of the core: the command's own box, or the general
    // error display (caption "Zirpel-Editor", error icon, OK).
    void ShowNotice(const zirpel::Notice& notice);
    void ShowGeneralError(const std::string& text);

    // Zoom to the whole clip, scroll range, repaint: what every new clip needs.
    void UpdateForClip();

    std::int32_t ZoomFactor() const;
    void SetZoomFactor(zirpel::Extended value);

    zirpel::Dialogs& Dialogs() { return *FServices.dialogs; }
    int ExecDialog(QDialog& dialog) { return FServices.execDialog(dialog); }
    const MainFormServices& Services() const { return FServices; }

    // Ends any running playback or MP3 import and the program, without the
    // close confirmation (a termination signal).
    void Terminate();

protected:
    void closeEvent(QCloseEvent* event) override;
    // An audio file dropped on the window is opened as "Öffnen..." would.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildControls();
    void BuildMenu();
    void BuildUndoCommands();   // the first entries of "Bearbeiten"
    void UpdateUndoCommands();  // their texts and enabled states
    void FormCreate();
    bool FormCloseQuery();
    void FormClose();
    void FormDestroy();
    void UpdateScrollRange();
    // What the window does when the document reports a change.
    void DocumentChanged(const zirpel::DocumentChange& change);
    // The sample index under view column x.
    std::int32_t IndexUnderMouse(int x) const;

    // The time dialog with the row's preset, its answer held within the
    // row's limits (nothing on cancel).
    std::optional<zirpel::Extended> AskEffectTime(const zirpel::TimeLimits& time);

    template <typename Sender, typename Signal>
    void Wire(Sender* sender, Signal signal, void (TMainForm::*handler)());
    QAction* AddMenuCommand(QMenu* menu, const QString& caption, void (TMainForm::*handler)());
    QAction* AddEffectCommand(QMenu* menu, const zirpel::EffectEntry& row);

    // ---- platform set-up and release ----
    void SetUpPlayback();         // creates the sound output
    void ReleasePlayback();       // releases it, in order
    void EnumerateCodecFormats(); // fills the MP3 format list

    MainFormServices FServices;
    bool FTerminating = false;
    zirpel::EditorDocument FDocument;

    // --- export state ---
    // Writes the clip as MP3 to `fileName` with the lists' rate and bit rate;
    // `stop` true ends the writing and keeps the old file.
    void SaveAsMP3File(const std::string& fileName, const std::function<bool()>& stop);
    // The save dialog's filter, kept from one save to the next (1 = MP3, 2 = WAV, 3 = Ogg).
    int FSaveFilterIndex = 1;
    // "Als kleiner Zirpel Speichern..." is running: its dialog offers MP3 and WAV only.
    bool FSavingRingtone = false;

public:
    // --- codec state ---
    // The MPEG layer-3 formats the installed codecs offer: filled at start-up,
    // kept for the window's life.
    std::vector<zirpel::FormatBlock> FMP3Formats;
    std::int32_t FMP3FormatCount = 0;
    // The MP3 import's stream convertor.
    zirpel::TACMConvertor mp3wav{*FServices.codecs};

    // --- CD state ---
    bool FCDDrivesSearched = false;  // the drives were searched in this run
    zirpel::CdDriveTable FCDDrives;  // FUseSPTI, FCDDriveCount and the 32 entries

private:
    // --- playback state ---
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
    // PLAY and the seam: one play of `range` from `source` through the sound output.
    void RunPlay(zirpel::FrameRange range, zirpel::PlaySource& source);
    zirpel::SoundResult FDSResult{};  // result of the last sound call
    bool FPlaying = false;            // PlayBtnClick's loop is running
};
