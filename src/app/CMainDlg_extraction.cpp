// Harmonic and inharmonic extraction, the optimized resample (RS) and the
// tracker buttons Trak, Ch and Sl. The filtering and the tracker's state
// live in extraction/; these handlers open the dialogs and refresh.

#include "app/CMainDlg.h"

#include "document/format.h"
#include "dsp/progress.h"
#include "extraction/ui/CHarmonicExtractionDlg.h"
#include "extraction/ui/CInharmonicExtractionDlg.h"
#include "extraction/ui/CTrackerParamsDlg.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Shell.h"
#include "processing/resample.h"
#include "processing/volume.h"

#include <wx/checkbox.h>
#include <wx/choice.h>

// ---- extraction ---------------------------------------------------------------

void CMainDlg::onInharmonicExtraction()
{
    focusDefaultButton();
    if (!doc.isLoaded() || searching)
        return;
    CInharmonicExtractionDlg dlg(this);
    if (dlg.ShowModal() != wxID_OK)
        return;
    applyExtraction(dlg.settings);
}

void CMainDlg::onHarmonicExtraction()
{
    focusDefaultButton();
    if (!doc.isLoaded() || searching)
        return;
    CHarmonicExtractionDlg dlg(this);
    if (dlg.ShowModal() != wxID_OK)
        return;
    applyExtraction(dlg.settings);
}

void CMainDlg::applyExtraction(const ExtractionSettings& settings)
{
    if (!doc.isLoaded() || !channelArraysComplete(doc))
        return;
    int32_t rate = doc.sampleRate;
    if (settings.resample && !optimizedResampleRate(rate))
        return;
    WaitCursor wait;
    pushUndo();
    resampleToOptimizedRate(rate);
    {
        ProgressDisplay progress(100 * doc.channels, filterProgress());
        apply_extraction(doc, settings);
    }
    refreshAfterEdit();
}

void CMainDlg::onDevelopmentRS()
{
    focusDefaultButton();
    int32_t rate = doc.sampleRate;
    if (!doc.isLoaded() || searching || !optimizedResampleRate(rate) || rate == doc.sampleRate)
        return;
    pushUndo();
    resampleToOptimizedRate(rate);
    refreshAfterEdit();
}

bool CMainDlg::optimizedResampleRate(int32_t& rate)
{
    rate = optimized_sample_rate(doc.sampleRate, doc.pitchHz);
    if (rate == doc.sampleRate)
        return true;
    if (const auto refusal = messageFor(checkResample(doc, doc.sampleRate, rate))) {
        showMessage(this, *refusal);
        return false;
    }
    return true;
}

void CMainDlg::resampleToOptimizedRate(int32_t rate)
{
    if (rate != doc.sampleRate)
        resampleSound(doc.sampleRate, rate);
}

// ---- tracker ------------------------------------------------------------------

void CMainDlg::onDevelopmentTrak()
{
    focusDefaultButton();
    if (searching)
        return;
    switch (tracker_check(doc)) {
    case TrackerCheck::NoLoop: return;
    case TrackerCheck::UnusableLoop: showMessage(this, "There must be a loop selected."); return;
    case TrackerCheck::Ready: break;
    }
    CTrackerParamsDlg dlg(this, trackerParams);
    if (dlg.ShowModal() != wxID_OK)
        return;
    applyTracker(dlg.params);
}

void CMainDlg::applyTracker(const TrackerParams& params)
{
    trackerParams = params;
    if (tracker_check(doc) != TrackerCheck::Ready)
        return;
    {
        WaitCursor wait;
        pushUndo();
        ProgressDisplay progress(100 * doc.channels, filterProgress());
        tracker_.trak(doc, params);
    }
    refreshAfterEdit();
    setControlEnabled(ID_DEV_CH, tracker_.canShowChiff());
    disableControl(ID_DEV_SL);
}

void CMainDlg::onDevelopmentCh()
{
    focusDefaultButton();
    if (searching)
        return;
    stopPlayback();
    const bool invert = static_cast<wxCheckBox*>(control(ID_INVERT_CHIFF))->GetValue();
    WaitCursor wait;
    if (!tracker_.fits(doc) || !tracker_.showChiff(doc, invert)) {
        discardTracker();
        return;
    }
    showTrackerExchange(true);
}

void CMainDlg::onDevelopmentSl()
{
    focusDefaultButton();
    if (searching)
        return;
    stopPlayback();
    WaitCursor wait;
    if (!tracker_.fits(doc) || !tracker_.showSlow(doc)) {
        discardTracker();
        return;
    }
    showTrackerExchange(false);
}

void CMainDlg::discardTracker()
{
    tracker_.discard();
    disableControl(ID_DEV_CH);
    disableControl(ID_DEV_SL);
}

// After Ch (the chiff alone, no loop) or Sl (the whole sound and its loop).
void CMainDlg::showTrackerExchange(bool chiffShown)
{
    // The length changed: the old selection may lie past the end.
    clearViewSelections();
    rebuildWaveform();
    detectPitch(true);
    setText(ID_DURATION_TEXT, formatInteger(durationMs(doc.sampleCount, doc.sampleRate)) + " ms");

    const bool loop = !chiffShown && doc.loops.hasLoop(doc.loops.currentSolution);
    if (chiffShown) {
        auto* solutions = static_cast<wxChoice*>(control(ID_SOLUTIONS));
        solutions->Clear();
        disableControl(ID_SOLUTIONS);
    } else {
        showSolutionsOfSlots();
    }
    if (loop) {
        applyCrossfadeLimits();
        updateLoopTexts();
    } else {
        setText(ID_LOOP_START_TEXT, "");
        setText(ID_LOOP_LENGTH_TEXT, "");
    }
    showLoopInViews();
    enableMenuItem(ID_SAVE_OPTIONS, loop);
    enableMenuItem(ID_BPM_SET, loop);
    for (int id : {ID_PLAY_CL, ID_PLAY_LOOP, ID_TUNE, ID_CROSSFADE_SLIDER, ID_CROSSFADE_LABEL, ID_CROSSFADE_VALUE})
        setControlEnabled(id, loop);

    enableMenuItem(ID_SAVE, true);
    enableControl(ID_SAVE);
    doc.isSaved = false;
    setControlEnabled(ID_DEV_CH, tracker_.canShowChiff());
    setControlEnabled(ID_DEV_SL, tracker_.canShowSlow());
    // Last: a profile run locks the commands enabled above until it ends.
    startProfileRefresh();
}
