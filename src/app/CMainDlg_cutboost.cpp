// The parametric cut/boost filter and the FFT options of the main window: the
// two commands, the commit of the filter's working copies, and the preview the
// cut/boost dialog plays through the window's engine.

#include "app/CMainDlg.h"

#include "platform/ui/Shell.h"
#include "playback/PlaybackEngine.h"
#include "processing/fft_options.h"
#include "processing/ui/CCutBoostDlg.h"
#include "processing/ui/CFftOptionsDlg.h"

void CMainDlg::onFftOptions()
{
    focusDefaultButton();
    if (doc.channels <= 0)
        return;
    runFftOptions();
}

void CMainDlg::runFftOptions()
{
    CFftOptionsDlg dlg(this, doc);
    const FftOptionsRequest request = fftOptionsRequest(doc);
    dlg.largestStartMs = request.largestStartMs;
    dlg.exponent = request.exponent;
    dlg.startMs = request.startMs;
    if (dlg.ShowModal() != wxID_OK)
        return;

    WaitCursor wait;
    const double pitchBefore = doc.pitchHz;
    applyFftOptions(doc, dlg.exponent, dlg.startMs);
    setText(ID_PITCH_TEXT, "");
    detectPitch(true);
    updatePitchDisplay();
    if (pitchMovedBeyondFivePercent(pitchBefore, doc.pitchHz))
        startProfileRefresh();
}

void CMainDlg::onCutBoost()
{
    focusDefaultButton();
    if (!doc.isLoaded())
        return;
    stopPlayback();
    {
        CCutBoostDlg dlg(this, cutBoostHost());
        const int answer = dlg.ShowModal();
        // Nothing may read the working copies once the dialog is gone.
        dlg.stopPreview();
        if (answer == wxID_OK && dlg.session().applied()) {
            if (dlg.session().commit(doc, undoHistory)) {
                showUndoState();
                refreshAfterEdit(false);
            }
            cutBoostFreqPos = dlg.freqPosition();
            cutBoostWidthPos = dlg.widthPosition();
        }
    }
    focusDefaultButton();
}

bool CMainDlg::startDialogPreview(int32_t mode, const PlaybackSource& source)
{
    if (!playback_ || !doc.isLoaded())
        return false;
    // A one-shot that ended by itself has left its worker to be joined.
    playback_->stopPlayback();
    if (mode == PlayOneShot)
        takePlaybackSnapshot(PlayOneShot);
    else if (!playback_->setModeSource(mode, source))
        return false;
    if (playback_->startPlayback(mode, false) == PlaybackEngine::StartResult::Started)
        return true;
    stopDialogPreview();
    return false;
}

void CMainDlg::stopDialogPreview()
{
    if (!playback_)
        return;
    playback_->stopPlayback(); // joins the worker
    playback_->setModeSource(PlayCutBoostPreview, PlaybackSource());
    playSound_ = SampleBuffer();
}

CutBoostHost CMainDlg::cutBoostHost()
{
    return CutBoostHost{doc,
                        cutBoostGain,
                        cutBoostFreqPos,
                        cutBoostWidthPos,
                        [this]() -> const PlaybackEngine* { return playbackEngine(); },
                        [this](int32_t mode, const PlaybackSource& source) { return startDialogPreview(mode, source); },
                        [this] { stopDialogPreview(); }};
}
