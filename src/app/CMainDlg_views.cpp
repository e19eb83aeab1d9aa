// The displays' side of the main window: the waveform and spectrum views,
// pitch detection and the MIDI note.

#include "app/CMainDlg.h"

#include "app/CUpDownCtrl.h"

#include <algorithm>

void CMainDlg::onHarmonicChanged()
{
    harmonic = static_cast<int16_t>(std::clamp(upDown(ID_HARMONIC_SPIN)->position(), 1, 32));
    // Redrawing the spectrum markers and profiles comes with those displays.
}

// Choosing the MIDI note by hand comes with pitch detection.
void CMainDlg::onMidiNoteChanged() {}

// The waveform view rebuilds its picture.
void CMainDlg::rebuildWaveform() {}
// Pitch detection fills doc.channelPitch and the main spectrum.
void CMainDlg::detectPitch() {}
// The waveform view takes the current slot's loop; the spectrum is rebuilt.
void CMainDlg::showLoopInViews() {}
// Clears the waveform and profile selections.
void CMainDlg::clearViewSelections() {}
