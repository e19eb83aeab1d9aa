// Resample, Pitch shift, Change sample rate and Tune: the commands that change
// the relation between the samples, the rate and the pitch.

#include "app/CMainDlg.h"

#include "document/format.h"
#include "document/tuned_rate.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Shell.h"
#include "processing/resample.h"
#include "processing/ui/CChangeSampleRateDlg.h"
#include "processing/ui/CPitchShiftDlg.h"
#include "processing/ui/CResampleDlg.h"

#include <wx/checkbox.h>

void CMainDlg::onResample()
{
    focusDefaultButton();
    if (!doc.isLoaded())
        return;
    CResampleDlg dlg(this, lastResampleRate == -1 ? doc.sampleRate : lastResampleRate);
    if (dlg.ShowModal() == wxID_OK)
        applyResample(dlg.rate);
    focusDefaultButton();
}

void CMainDlg::applyResample(int32_t rate)
{
    if (!doc.isLoaded())
        return;
    if (rate != doc.sampleRate) {
        if (const auto refusal = messageFor(checkResample(doc, doc.sampleRate, rate))) {
            showMessage(this, *refusal);
            return;
        }
        pushUndo();
        resampleSound(doc.sampleRate, rate);
        refreshAfterEdit();
    }
    // Remembered even when nothing changed.
    lastResampleRate = rate;
}

void CMainDlg::onPitchShift()
{
    focusDefaultButton();
    if (!doc.isLoaded())
        return;
    CPitchShiftDlg dlg(this, shiftSemitones, shiftCents);
    if (dlg.ShowModal() == wxID_OK)
        applyPitchShift(dlg.semitones, dlg.cents);
    focusDefaultButton();
}

void CMainDlg::applyPitchShift(int16_t semitones, float cents)
{
    if (!doc.isLoaded())
        return;
    // The sound is converted as if its rate were rate * ratio, so it sounds
    // ratio times higher and lasts 1 / ratio as long. A ratio of 1 still
    // passes through the filter.
    const double ratio = pitchShiftRatio(semitones, cents);
    const int64_t fromRate = pitchShiftSourceRate(doc.sampleRate, ratio);
    const ResampleCheck check = sampleRateInRange(fromRate)
                                    ? checkResample(doc, static_cast<int32_t>(fromRate), doc.sampleRate)
                                    : ResampleCheck::RateOutOfRange;
    if (const auto refusal = messageFor(check)) {
        showMessage(this, *refusal);
        return;
    }
    pushUndo();
    for (double& hz : doc.channelPitch)
        hz *= ratio;
    resampleSound(static_cast<int32_t>(fromRate), doc.sampleRate);
    // The analysis refined the scaled pitches; now they are shown.
    refreshAfterEdit();
    updatePitchDisplay();
    onHarmonicChanged();
    shiftSemitones = semitones;
    shiftCents = cents;
}

void CMainDlg::onChangeSampleRate()
{
    focusDefaultButton();
    if (!doc.isLoaded() || doc.sampleRate == 0)
        return;
    CChangeSampleRateDlg dlg(this, doc.sampleRate);
    if (dlg.ShowModal() == wxID_OK && dlg.newRate != doc.sampleRate)
        setSampleRate(dlg.newRate);
    focusDefaultButton();
}

void CMainDlg::onTune()
{
    focusDefaultButton();
    const int slot = doc.loops.currentSolution;
    if (!doc.isLoaded() || slot < 0 || slot >= SolutionTable::kSlots || doc.loops.loopEnd[slot] <= 0) {
        showMessage(this, loopNeededMessage());
        return;
    }
    const auto* cyclic31 = dynamic_cast<wxCheckBox*>(control(ID_TUNE_CICLIC31));
    const int32_t tuned = tunedSampleRate(doc, cyclic31 && cyclic31->GetValue());
    if (tuned == doc.sampleRate) {
        showMessage(this, alreadyTunedMessage(doc.fileTitle));
        return;
    }
    if (!sampleRateInRange(tuned)) {
        showMessage(this, rateOutOfRangeMessage());
        return;
    }
    setSampleRate(tuned);
}

void CMainDlg::resampleSound(int32_t fromRate, int32_t toRate)
{
    const int32_t rateBefore = doc.sampleRate;
    discardTracker(); // the chiff no longer fits a sound of another length
    WaitCursor wait;
    const DroppedMarks dropped = ::resampleSound(doc, fromRate, toRate);
    // The streaming buffers are made for one rate.
    if (doc.sampleRate != rateBefore)
        rebuildPlaybackBuffers();
    showLoopInViews();
    showRateAndLoops();
    if (!dropped.empty())
        showMessage(this, resampledMarksMessage(dropped));
}

void CMainDlg::setSampleRate(int32_t newRate)
{
    pushUndo();
    relabelSampleRate(doc, newRate);
    rebuildPlaybackBuffers();
    updatePitchDisplay();
    onHarmonicChanged();
    showRateAndLoops();
    enableMenuItem(ID_SAVE, true);
    enableControl(ID_SAVE);
    doc.isSaved = false;
}

// The read-outs that follow the rate and the length, and the commands that
// follow the current slot: a conversion may have dropped its loop, and the
// crossfade's limit and length in samples follow the rate.
void CMainDlg::showRateAndLoops()
{
    setText(ID_WAVE_PROPERTIES, fileInformationText(doc));
    setText(ID_DURATION_TEXT, formatInteger(durationMs(doc.sampleCount, doc.sampleRate)) + " ms");
    const bool loop = doc.loops.hasLoop(doc.loops.currentSolution);
    if (loop) {
        updateLoopTexts();
        applyCrossfadeLimits();
    } else {
        setText(ID_LOOP_START_TEXT, "");
        setText(ID_LOOP_LENGTH_TEXT, "");
    }
    enableMenuItem(ID_SAVE_OPTIONS, loop);
    enableMenuItem(ID_BPM_SET, loop);
    for (int id : {ID_PLAY_CL, ID_PLAY_LOOP, ID_TUNE, ID_CROSSFADE_SLIDER, ID_CROSSFADE_LABEL, ID_CROSSFADE_VALUE})
        setControlEnabled(id, loop);
    showSolutionsOfSlots();
}
