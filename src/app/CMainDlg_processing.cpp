// Processing, analysis and history commands of the main window, and the steps
// of the refresh that rebuild the displays.

#include "app/CMainDlg.h"

#include "app/CUpDownCtrl.h"

#include <algorithm>

// Undo and redo come with the undo history.
void CMainDlg::onUndo() { focusDefaultButton(); }
void CMainDlg::onRedo() { focusDefaultButton(); }
void CMainDlg::clearUndoHistory()
{
    undoAvailable = redoAvailable = false;
    // The snapshot itself is released here once the undo history exists.
}
// Takes the snapshot before an edit; the undo history fills it in.
void CMainDlg::pushUndo() {}
// The refresh shared by every edit; the undo history work fills it in.
void CMainDlg::refreshAfterEdit() {}

// The processing dialogs come with the processing features.
void CMainDlg::onManualPitch() { focusDefaultButton(); }
void CMainDlg::onCutBoost() { focusDefaultButton(); }
void CMainDlg::onEnhanceSmooth() { focusDefaultButton(); }
void CMainDlg::onCleanLowFrequencies() { focusDefaultButton(); }
void CMainDlg::onVolume() { focusDefaultButton(); }
void CMainDlg::onNormalize() { focusDefaultButton(); }
void CMainDlg::onResample() { focusDefaultButton(); }
void CMainDlg::onPitchShift() { focusDefaultButton(); }
void CMainDlg::onChangeSampleRate() { focusDefaultButton(); }
void CMainDlg::onTune() { focusDefaultButton(); }

// The profile area (show/hide, Recalculate, FFT window, overlap) comes with
// the harmonic profiles.
void CMainDlg::onShowProfiles() {}
void CMainDlg::onRecalculate() {}
void CMainDlg::onFftWindowChanged() {}
void CMainDlg::onOverlapChanged() {}

// Starts the profile worker once the harmonic profiles exist.
void CMainDlg::startProfileRefresh() {}
