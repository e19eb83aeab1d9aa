// New by FFT mixing: the New command, the document replaced by the mix, and
// the mixing dialog's previews through the window's playback engine.

#include "app/CMainDlg.h"

#include "mixing/ui/CFftMixingDlg.h"
#include "playback/PlaybackEngine.h"

void CMainDlg::onNewMix()
{
    focusDefaultButton();
    stopPlayback();
    const std::string name = doc.fileTitle.empty() ? "NoName" : doc.fileTitle;
    bool saveFirst = false;
    MixSettings settings;
    {
        // The dialog goes (and with it any preview and the arrays it read)
        // before the document changes.
        MixingHost host{mixInputs, mixResult,
                        [this](int32_t mode, const PlaybackSource& source, int32_t rateHz) {
                            return startMixPreview(mode, source, rateHz);
                        },
                        [this] { stopMixPreview(); }};
        CFftMixingDlg dlg(this, std::move(host), mixSettings, name, doc.isLoaded() && !doc.isSaved);
        if (dlg.ShowModal() != wxID_OK)
            return; // the inputs stay for the next opening; the settings and the mix do not
        saveFirst = dlg.saveFirst();
        settings = dlg.settings();
    }
    applyNewMix(saveFirst, settings);
}

bool CMainDlg::applyNewMix(bool saveFirst, const MixSettings& settings)
{
    if (!mixResult.made())
        return false;
    // A save the user asked for that did not happen must not be followed by
    // replacing the sound it was meant to keep.
    if (saveFirst && !saveDocument())
        return false;
    pushUndo();
    applyMixResult(doc, mixResult);
    rebuildPlaybackBuffers();
    // As after a load (no loops, pitch detected afresh, commands for a sound,
    // profiles started), but the new sound has never been saved.
    refreshAfterLoad();
    enableMenuItem(ID_SAVE, true);
    enableControl(ID_SAVE);
    doc.isSaved = false;
    resetBpmSettings();
    mixSettings = settings;
    return true;
}

bool CMainDlg::startMixPreview(int32_t mode, const PlaybackSource& source, int32_t rateHz)
{
    if (!playback_ || source.channels < 1 || source.channels > 2 || rateHz < 2)
        return false;
    stopPlayback();
    const int32_t ring = PlaybackEngine::ringSamplesFor(rateHz);
    for (int ch = 0; ch < source.channels; ++ch)
        if (!playback_->createChannelBuffer(rateHz, ring, ch)) {
            stopMixPreview();
            return false;
        }
    if (playback_->setModeSource(mode, source) &&
        playback_->startPlayback(mode, false) == PlaybackEngine::StartResult::Started)
        return true;
    stopMixPreview();
    return false;
}

void CMainDlg::stopMixPreview()
{
    if (!playback_)
        return;
    playback_->stopPlayback(); // joins the worker
    for (int32_t mode : {PlayMixSourceA, PlayMixSourceB, PlayMixResult})
        playback_->setModeSource(mode, PlaybackSource());
    // The rings go back to the sound's own rate and channels.
    rebuildPlaybackBuffers();
}
