// Manual pitch detection and the BPM machine: the two commands that retune
// what the window knows of the sound without touching its samples.

#include "app/CMainDlg.h"

#include "document/format.h"
#include "dsp/manual_pitch.h"
#include "dsp/ui/CManualPitchDlg.h"
#include "loop/ui/CBpmMachineDlg.h"
#include "platform/ui/MessageBox.h"

// ---- manual pitch detection -------------------------------------------------

void CMainDlg::onManualPitch()
{
    focusDefaultButton();
    const ManualPitchSound sound = manualPitchSoundOf(doc);
    if (!sound.usable())
        return;
    double bins[2];
    manualPitchBinsOf(doc, sound, bins);
    CManualPitchDlg dlg(this, sound, bins);
    if (dlg.ShowModal() != wxID_OK)
        return;
    applyManualPitch(dlg.bins);
}

bool CMainDlg::applyManualPitch(const double bins[2])
{
    const ManualPitchSound sound = manualPitchSoundOf(doc);
    if (!sound.usable())
        return false;
    const double before = doc.pitchHz;
    double hints[2];
    manualPitchHints(bins, sound.sampleRate, sound.frameSize, hints);
    // The samples stay as they are: no undo snapshot, nothing to save.
    setText(ID_PITCH_TEXT, "");
    detectPitchNear(hints);
    onHarmonicChanged(); // the harmonic captions name the new frequency
    if (!pitchMovedBeyondProfileTolerance(before, doc.pitchHz))
        return false;
    startProfileRefresh();
    return true;
}

// ---- BPM machine ------------------------------------------------------------

void CMainDlg::onBpmSet()
{
    focusDefaultButton();
    const int slot = doc.loops.currentSolution;
    if (!doc.isLoaded() || slot < 0 || slot >= SolutionTable::kSlots || !doc.loops.hasLoop(slot))
        return;
    CBpmMachineDlg dlg(this, bpmDialogStart());
    if (dlg.ShowModal() != wxID_OK)
        return;
    applyBpmSettings(dlg.settings);
}

BpmSettings CMainDlg::bpmDialogStart() const
{
    if (!bpmSettings.isSet()) {
        const int slot = doc.loops.currentSolution;
        return bpm_proposal(doc.loops.loopEnd[slot] - doc.loops.loopStart[slot], doc.sampleRate);
    }
    BpmSettings s;
    s.beatValueIndex = bpmSettings.beatValueIndex;
    s.beatsPerMeasure = bpmSettings.beatsPerMeasure;
    s.measures = bpmSettings.measures;
    s.tempo = bpmSettings.tempo;
    return s;
}

BpmOutcome CMainDlg::applyBpmSettings(const BpmSettings& settings)
{
    // The snapshot, if one is taken, must not be made under a playback that
    // streams the old rate.
    stopPlayback();
    const BpmResult result = applyBpmMachine(doc, undoHistory, settings);
    if (result.outcome == BpmOutcome::NoLoop)
        return result.outcome;
    if (result.outcome == BpmOutcome::OutOfRange) {
        showMessage(this, bpmRateOutOfRangeMessage(result.newRate));
        return result.outcome;
    }
    bpmSettings.beatValueIndex = settings.beatValueIndex;
    bpmSettings.beatsPerMeasure = settings.beatsPerMeasure;
    bpmSettings.tempo = settings.tempo;
    bpmSettings.measures = settings.measures;
    if (result.outcome == BpmOutcome::Unchanged)
        return result.outcome;

    showUndoState();
    rebuildPlaybackBuffers();
    // The pitch went with the rate: notes, Clean low frequencies and the
    // root note written on saving follow it.
    updatePitchDisplay();
    onHarmonicChanged();
    setText(ID_WAVE_PROPERTIES, fileInformationText(doc));
    setText(ID_DURATION_TEXT, formatInteger(durationMs(doc.sampleCount, doc.sampleRate)) + " ms");
    updateLoopTexts();
    enableMenuItem(ID_SAVE, true);
    enableControl(ID_SAVE);
    doc.isSaved = false;
    return result.outcome;
}
