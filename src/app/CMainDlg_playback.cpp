// Playback commands of the main window. The sound output device and the
// streaming engine are attached here.

#include "app/CMainDlg.h"

bool CMainDlg::initPlaybackDevice()
{
    // The output device is opened here once the playback engine exists; the
    // caller reports a failure and the program goes on without sound.
    return true;
}

// Playback buffers are recreated for the new rate once the engine exists.
void CMainDlg::rebuildPlaybackBuffers() {}

// Stops the one-shot timer of a one-shot or single-harmonic playback.
void CMainDlg::stopPlaybackTimerIfRunning() {}

// The four playback commands come with the playback engine.
void CMainDlg::onPlayOneShot() { focusDefaultButton(); }
void CMainDlg::onPlaySample() { focusDefaultButton(); }
void CMainDlg::onPlayLoopAlone() { focusDefaultButton(); }
void CMainDlg::onPlayHarmonic() { focusDefaultButton(); }

// Timer 2 ends a one-shot playback.
void CMainDlg::onTimer() {}
