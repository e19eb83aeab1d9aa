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

void CMainDlg::onHarmonicChanged()
{
    harmonic = static_cast<int16_t>(std::clamp(upDown(ID_HARMONIC_SPIN)->position(), 1, 32));
    // Redrawing the spectrum markers and profiles comes with those displays.
}

// Choosing the MIDI note by hand comes with pitch detection.
void CMainDlg::onMidiNoteChanged() {}

// The waveform view rebuilds its picture once it replaces the placeholder.
void CMainDlg::rebuildWaveform() {}
// Pitch detection fills doc.channelPitch once the detector exists.
void CMainDlg::detectPitch() {}
// The waveform view takes slot 0's loop; the spectrum is rebuilt.
void CMainDlg::showLoopInViews() {}
// Clears the waveform and profile selections.
void CMainDlg::clearViewSelections() {}
// Starts the profile worker once the harmonic profiles exist.
void CMainDlg::startProfileRefresh() {}
