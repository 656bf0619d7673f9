// The dialog that reads one track of an audio CD into the editor: drive
// list, track number, karaoke mode, and a log that keeps every line of the
// program run. It knows nothing of the main window: the main window runs
// the drive discovery, hands over the drives and the list items, shows the
// dialog modally and afterwards takes the ripped clip, if any.
#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cdrom/CdDrives.h"
#include "clip/Clip.h"
#include "cdrom/TrackTable.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
namespace zirpel {
class CdPlatform;
}  // namespace zirpel

class TMusikCDForm : public QDialog {
    Q_OBJECT
public:
    explicit TMusikCDForm(QWidget* parent);
    ~TMusikCDForm() override;

    // How to reach the drives: the platform (the real system calls unless
    // set) and the discovery's table with its transport choice. The dialog
    // keeps a copy of the table and a share of the platform, so a run can
    // finish closing its device even if the dialog goes away meanwhile.
    void SetCdAccess(std::shared_ptr<zirpel::CdPlatform> platform,
                     const zirpel::CdDriveTable& drives);
    // Replaces the drive list's items and selects the first, if any.
    void SetDriveItems(const std::vector<std::string>& items);
    // Adds one line (UTF-8) to the log.
    void AppendLog(const std::string& line);
    // The clip of the last run, once; empty when nothing was read.
    std::optional<zirpel::Clip> TakeRippedClip();

    // "OK": runs the import with OK disabled, then closes with OK.
    void BitBtnXP1Click();
    // "Abbrechen": asks a running import to stop; closes when none runs.
    void BitBtnXP2Click();
    // The program is ending on a termination signal: a running import stops
    // at its next round and hands over nothing, so the clip stays as it was.
    void Terminate();
    // The import run. Returns false when the dialog was destroyed during it.
    bool SaveTrackClick();
    // Shows a sector position in Label1.
    void ChangeSec(std::int64_t position);

    // Escape and the window's close button act as "Abbrechen".
    void reject() override;

    QLabel* Label2 = nullptr;
    QComboBox* DriveBox = nullptr;
    QLabel* Label4 = nullptr;
    QSpinBox* STrackEd = nullptr;
    QLabel* Label1 = nullptr;
    QCheckBox* KaraokeCheck = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* BitBtnXP1 = nullptr;
    QPushButton* BitBtnXP2 = nullptr;

    bool FCancelRequested = false;
    bool FTerminating = false;
    // FTrackStarts and FTrackCount of the last TOC read.
    zirpel::TrackTable FTrackTable;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::shared_ptr<zirpel::CdPlatform> FPlatform;
    zirpel::CdDriveTable FDrives;
    bool FRunning = false;
    // Held by pointer so this header needs no clip header.
    std::unique_ptr<zirpel::Clip> FRippedClip;
};
