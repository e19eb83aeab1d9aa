// Processing and analysis commands of the main window: Volume, Normalize,
// the progress bar of the long passes and the refresh every edit ends with.

#include "app/CMainDlg.h"

#include "platform/ui/Shell.h"
#include "processing/normalize.h"
#include "processing/ui/CNormalizeDlg.h"
#include "processing/ui/CVolumeDlg.h"
#include "processing/volume.h"

#include <wx/gauge.h>

#include <algorithm>

// ---- progress and the after-edit refresh -----------------------------------

void CMainDlg::showProgress()
{
    auto* gauge = static_cast<wxGauge*>(control(ID_PROGRESS));
    gauge->SetValue(0);
    gauge->Show();
    gauge->Update();
}

// The passes run on the window's thread, so the bar is repainted at once
// rather than when the event loop next runs.
void CMainDlg::setProgress(int position, int range)
{
    auto* gauge = static_cast<wxGauge*>(control(ID_PROGRESS));
    if (gauge->GetRange() != range)
        gauge->SetRange(std::max(1, range));
    gauge->SetValue(std::clamp(position, 0, std::max(1, range)));
    gauge->Update();
}

void CMainDlg::hideProgress()
{
    auto* gauge = static_cast<wxGauge*>(control(ID_PROGRESS));
    gauge->SetValue(0);
    gauge->Hide();
}

void CMainDlg::refreshAfterEdit(bool beep)
{
    refreshAfterEditWithoutProfiles(beep);
    startProfileRefresh();
}

void CMainDlg::refreshAfterEditWithoutProfiles(bool beep)
{
    showSixteenBitFormat();
    hideProgress();
    rebuildWaveform();
    // The edit keeps the pitch roughly where it was: refine the current
    // estimates rather than search afresh, and leave the pitch read-outs.
    detectPitch(true);
    if (beep)
        defaultBeep();
    enableMenuItem(ID_SAVE, true);
    enableControl(ID_SAVE);
    doc.isSaved = false;
    // An edit that changed the length leaves the tracker's chiff without a place.
    if (!trackerState().fits(doc))
        discardTracker();
}

// ---- Volume and Normalize ---------------------------------------------------

void CMainDlg::onVolume()
{
    focusDefaultButton();
    if (!doc.isLoaded())
        return;
    CVolumeDlg dlg(this, db_from_gain(volumeGain));
    if (dlg.ShowModal() != wxID_OK)
        return;
    applyVolumeLevel(dlg.levelDb);
}

void CMainDlg::onNormalize()
{
    focusDefaultButton();
    if (!doc.isLoaded())
        return;
    CNormalizeDlg dlg(this, db_from_gain(normalizeLevel));
    if (dlg.ShowModal() != wxID_OK)
        return;
    applyNormalizeLevel(dlg.levelDb);
}

void CMainDlg::applyVolumeLevel(double levelDb)
{
    if (!doc.isLoaded())
        return;
    const double gain = gain_from_db(levelDb);
    // Remembered even at 0 dB, which changes nothing else.
    volumeGain = gain;
    if (gain == 1.0)
        return;
    stopPlayback();
    EditOutcome outcome;
    {
        WaitCursor wait;
        showProgress();
        outcome = applyVolume(doc, undoHistory, gain, [this](int position, int range) { setProgress(position, range); });
    }
    showUndoState();
    if (outcome == EditOutcome::Changed)
        refreshAfterEdit();
    else
        hideProgress();
}

void CMainDlg::applyNormalizeLevel(double levelDb)
{
    if (!doc.isLoaded())
        return;
    const double level = gain_from_db(levelDb);
    normalizeLevel = level;
    stopPlayback();
    NormalizeResult result;
    {
        WaitCursor wait;
        showProgress();
        result = applyNormalize(doc, undoHistory, level,
                                [this](int position, int range) { setProgress(position, range); });
    }
    // A sound already at the level keeps its snapshot: Undo is offered all
    // the same, but nothing is refreshed and nothing beeps.
    showUndoState();
    if (result.outcome == EditOutcome::Changed)
        refreshAfterEdit();
    else
        hideProgress();
}

// The processing dialogs come with the processing features.
