// The one-step undo history of the main window: the snapshot before each
// edit, Undo and Redo (both exchange the live sound with the snapshot), and
// the refresh after an exchange.

#include "app/CMainDlg.h"

#include "document/format.h"

#include <wx/choice.h>

namespace {

// The window after an exchange: much as after a load, but with the loop of
// the restored current slot and with the solutions list left as it is. The
// exchange may change the length, the rate and (after New by FFT mixing)
// the channel count, so every read-out derived from them is rewritten.
void refreshAfterSwap(CMainDlg& dlg, int32_t rateBefore, int16_t channelsBefore)
{
    SampleBuffer& doc = dlg.doc;

    // The streaming buffers are made for one rate and channel count.
    if (doc.sampleRate != rateBefore || doc.channels != channelsBefore)
        dlg.rebuildPlaybackBuffers();

    // The exchange brings back the restored state's name (Undo of New).
    dlg.SetTitle(wxString::FromUTF8(windowTitle(doc.fileTitle)));
    dlg.setText(ID_WAVE_PROPERTIES, fileInformationText(doc));
    dlg.setText(ID_DURATION_TEXT, formatInteger(durationMs(doc.sampleCount, doc.sampleRate)) + " ms");

    // Pitch is detected afresh, without hints (the restored samples may be
    // a different sound altogether), followed by the pitch read-outs, the
    // MIDI note and the rule for Clean low frequencies.
    dlg.rebuildWaveform();
    dlg.detectPitch();
    // The crossfade must fit the restored loop, and its length in samples
    // follows the restored rate.
    const bool loop = doc.loops.hasLoop(doc.loops.currentSolution);
    if (loop)
        dlg.applyCrossfadeLimits();
    dlg.showLoopInViews();

    // The commands that need a loop follow the restored current slot, so an
    // Undo back to a sound without a loop cannot leave Play loop enabled.
    if (loop) {
        dlg.updateLoopTexts();
    } else {
        dlg.setText(ID_LOOP_START_TEXT, "");
        dlg.setText(ID_LOOP_LENGTH_TEXT, "");
    }
    dlg.enableMenuItem(ID_SAVE_OPTIONS, loop);
    // The exchange brought the restored state's own saved flag: Save (and
    // the save-changes question) follow whether it is the one on disk.
    dlg.enableMenuItem(ID_SAVE, !doc.isSaved);
    dlg.setControlEnabled(ID_SAVE, !doc.isSaved);
    dlg.enableMenuItem(ID_BPM_SET, loop);
    for (int id : {ID_PLAY_CL, ID_PLAY_LOOP, ID_TUNE, ID_CROSSFADE_SLIDER, ID_CROSSFADE_LABEL, ID_CROSSFADE_VALUE})
        dlg.setControlEnabled(id, loop);

    // Profile captions for the selected harmonic and the restored pitch.
    dlg.onHarmonicChanged();

    static_cast<wxChoice*>(dlg.control(ID_LOOP_TYPE))->SetSelection(doc.loopForward ? 0 : 1);
    // The list follows the restored slots: Undo of a search brings back the
    // solutions (or the single loop) that were there before it.
    dlg.showSolutionsOfSlots();

    dlg.startProfileRefresh();
}

} // namespace

void CMainDlg::showUndoState()
{
    undoAvailable = undoHistory.undoAvailable();
    redoAvailable = undoHistory.redoAvailable();
    for (int id : {ID_UNDO, ID_REDO}) {
        const bool on = id == ID_UNDO ? undoAvailable : redoAvailable;
        enableMenuItem(id, on);
        setControlEnabled(id, on);
    }
}

void CMainDlg::pushUndo()
{
    stopPlayback(); // the edit that follows replaces what is playing
    undoHistory.pushUndo(doc);
    showUndoState();
}

void CMainDlg::clearUndoHistory()
{
    undoHistory.clearUndo(doc);
    showUndoState();
}

void CMainDlg::onUndo()
{
    focusDefaultButton();
    const int32_t rate = doc.sampleRate;
    const int16_t channels = doc.channels;
    if (!undoHistory.undoAvailable())
        return;
    // The exchange hands the live arrays to the snapshot.
    stopPlayback();
    if (!undoHistory.undo(doc))
        return;
    showUndoState();
    discardTracker();
    refreshAfterSwap(*this, rate, channels);
    focusDefaultButton();
}

void CMainDlg::onRedo()
{
    focusDefaultButton();
    const int32_t rate = doc.sampleRate;
    const int16_t channels = doc.channels;
    if (!undoHistory.redoAvailable())
        return;
    // The exchange hands the live arrays to the snapshot.
    stopPlayback();
    if (!undoHistory.redo(doc))
        return;
    showUndoState();
    discardTracker();
    refreshAfterSwap(*this, rate, channels);
    focusDefaultButton();
}
