// File commands of the main window and the window's refresh after a load.

#include "platform/ui/CBitmapButton.h"
#include "app/CMainDlg.h"
#include "platform/ui/CUpDownCtrl.h"
#include "document/format.h"
#include "document/load_sound.h"
#include "document/save_document.h"
#include "document/ui/CSaveOptionsDlg.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Shell.h"
#include "views/ui/WaveformView.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/filename.h>
#include <wx/slider.h>

#include <algorithm>

namespace {

// Folder (with its trailing separator), title (no extension) and full path
// are always set together.
void setIdentity(SampleBuffer& doc, const std::string& path)
{
    const wxFileName name(wxString::FromUTF8(path));
    doc.filePath = path;
    doc.fileTitle = name.GetName().ToStdString(wxConvUTF8);
    doc.fileFolder = name.GetPathWithSep().ToStdString(wxConvUTF8);
}

struct Identity {
    std::string path, title, folder;

    explicit Identity(const SampleBuffer& doc) : path(doc.filePath), title(doc.fileTitle), folder(doc.fileFolder) {}
    void restore(SampleBuffer& doc) const
    {
        doc.filePath = path;
        doc.fileTitle = title;
        doc.fileFolder = folder;
    }
};

// Loads `path` as the document; on failure the old name stays, so that a
// later Save still writes to the file the window shows.
bool loadAsDocument(CMainDlg& dlg, const std::string& path)
{
    const Identity old(dlg.doc);
    setIdentity(dlg.doc, path);
    if (dlg.loadSound()) {
        // A newly opened document; the reload after a cut save is not one.
        dlg.doc.reshapeSaveAgreed = false;
        return true;
    }
    old.restore(dlg.doc);
    return false;
}

bool isChecked(const CMainDlg& dlg, int id)
{
    auto* box = dynamic_cast<wxCheckBox*>(dlg.control(id));
    return box && box->GetValue();
}

// The write common to Save, Save as and a "save changes" Yes, to the file
// the identity triple names. On failure only the messages are shown: the
// document, Save's enabling and the file on disk are as they were.
SaveSettings saveSettingsOf(const CMainDlg& dlg)
{
    SaveSettings settings;
    settings.crossfade.kind = static_cast<CrossfadeKind>(std::clamp(dlg.crossfadeKind, 0, 2));
    settings.crossfade.lengthSamples = dlg.crossfadeLength;
    settings.crossfade.passes = dlg.crossfadePasses;
    settings.exportTxt = isChecked(dlg, ID_EXPORT_TXT);
    settings.tuneCyclic31 = isChecked(dlg, ID_TUNE_CICLIC31);
    return settings;
}

// Before the first Save that would replace the document's own file with a
// cut or retuned version: true when nothing is reshaped or the user agrees.
bool agreeToReshapedSave(CMainDlg& dlg)
{
    if (dlg.doc.reshapeSaveAgreed)
        return true;
    const SaveReshape reshape = saveReshape(dlg.doc, saveSettingsOf(dlg));
    if (!reshape.any())
        return true;
    if (showMessage(&dlg, reshapedSaveQuestion(dlg.doc, reshape)) != MessageAnswer::Yes)
        return false;
    dlg.doc.reshapeSaveAgreed = true;
    return true;
}

CMainDlg::FileWriteResult writeDocumentFile(CMainDlg& dlg)
{
    const SaveSettings settings = saveSettingsOf(dlg);

    SaveOutcome outcome;
    {
        WaitCursor wait;
        outcome = saveDocument(dlg.doc, settings);
    }
    for (const UserMessage& message : outcome.messages)
        showMessage(&dlg, message);
    dlg.lastSaveFailed = !outcome.saved;

    CMainDlg::FileWriteResult result;
    if (!outcome.saved)
        return result;
    // Retuning may have changed the rate.
    dlg.setText(ID_WAVE_PROPERTIES, fileInformationText(dlg.doc));
    dlg.enableMenuItem(ID_SAVE, false);
    dlg.disableControl(ID_SAVE);
    dlg.doc.isSaved = true;
    dlg.undoHistory.documentSaved(dlg.doc);
    result.saved = true;
    result.hadLoop = outcome.hadLoop;
    result.reloadNeeded = outcome.reloadNeeded;
    return result;
}

// After a save with a loop: the file holds another sound than the document
// (cut after the loop, or an alternate loop unrolled: reload it so the window
// shows what was saved), or the crossfade now lives in the samples and must
// not be applied a second time.
void afterLoopSaved(CMainDlg& dlg, const CMainDlg::FileWriteResult& result)
{
    if (!result.hadLoop)
        return;
    if (result.reloadNeeded) {
        dlg.loadSound();
        return;
    }
    static_cast<wxSlider*>(dlg.control(ID_CROSSFADE_SLIDER))->SetValue(0);
    dlg.onCrossfadeSliderChanged();
    dlg.crossfadeLength = 0;
    if (WaveformView* view = dlg.waveform())
        view->setCrossfadeLength(0);
    dlg.rebuildWaveform();
    if (WaveformView* view = dlg.waveform())
        view->Refresh();
}

} // namespace

void CMainDlg::onOpen()
{
    focusDefaultButton();
    // A load would re-enable commands by the document while a long task
    // (a loop search) still runs, and take its Stop away.
    if (commandsLocked_) {
        defaultBeep();
        return;
    }
    const std::string path = askOpenWaveFile(this, doc.fileFolder);
    if (path.empty())
        return;
    if (!askSaveChanges())
        return;
    loadAsDocument(*this, path);
    resetBpmSettings();
}

void CMainDlg::onDropFiles(wxDropFilesEvent& event)
{
    focusDefaultButton();
    if (event.GetNumberOfFiles() < 1)
        return;
    // Refused like every other command while commands are locked.
    if (commandsLocked_) {
        defaultBeep();
        return;
    }
    if (event.GetNumberOfFiles() > 1)
        showMessage(this, "Sorry, unable to handle more than 1 file.");
    const std::string path = event.GetFiles()[0].ToStdString(wxConvUTF8);
    // Only these two spellings: "x.Wav" is refused.
    const std::string tail = path.size() >= 3 ? path.substr(path.size() - 3) : path;
    if (tail != "wav" && tail != "WAV") {
        showMessage(this, "Unhandled type file.");
        return;
    }
    if (!askSaveChanges())
        return;
    // The BPM settings stay: a dropped file is often another take of the
    // same loop.
    loadAsDocument(*this, path);
}

bool CMainDlg::openFile(const std::string& path)
{
    return loadAsDocument(*this, path);
}

bool CMainDlg::saveDocument()
{
    return saveDocumentReporting().saved;
}

CMainDlg::FileWriteResult CMainDlg::saveDocumentReporting()
{
    lastSaveFailed = false;
    if (!doc.isLoaded())
        return {};
    // A sound that never had a file (New) is named first. The name is only
    // kept when the write succeeds: a failed write leaves the sound unnamed,
    // so that the next Save asks again instead of retrying the same target.
    const Identity old(doc);
    if (doc.fileTitle.empty()) {
        const std::string path = askSaveWaveFile(this, doc.fileFolder + doc.fileTitle + ".wav");
        if (path.empty())
            return {};
        setIdentity(doc, path);
    } else if (!agreeToReshapedSave(*this)) {
        return {}; // the file stays as it is
    }
    const FileWriteResult result = writeDocumentFile(*this);
    if (!result.saved) {
        old.restore(doc);
        return result;
    }
    SetTitle(wxString::FromUTF8(windowTitle(doc.fileTitle)));
    // A new search needs a new selection.
    enableMenuItem(ID_SEARCH, false);
    disableControl(ID_SEARCH);
    searchEnabled = false;
    clearViewSelections();
    if (waveform())
        waveform()->Refresh();
    return result;
}

void CMainDlg::onSave()
{
    focusDefaultButton();
    const FileWriteResult result = saveDocumentReporting();
    if (result.saved)
        afterLoopSaved(*this, result);
}

void CMainDlg::onSaveAs()
{
    focusDefaultButton();
    if (!doc.isLoaded())
        return;
    const std::string path = askSaveWaveFile(this, doc.fileFolder + doc.fileTitle + ".wav");
    if (path.empty())
        return;
    // A failed write keeps the old name: the title still shows it, and Save
    // must go on writing where the title says.
    const Identity old(doc);
    setIdentity(doc, path);
    const FileWriteResult result = writeDocumentFile(*this);
    if (!result.saved) {
        old.restore(doc);
        return;
    }
    SetTitle(wxString::FromUTF8(windowTitle(doc.fileTitle)));
    afterLoopSaved(*this, result);
}

void CMainDlg::onSaveOptions()
{
    focusDefaultButton();
    if (!doc.loops.hasLoop(doc.loops.currentSolution))
        return;
    SaveOptions start;
    start.tuneSampleRate = doc.tuneSampleRate != 0;
    start.cutAfterLoop = doc.cutAfterLoop != 0;
    start.simulateAlternate = doc.simulateAlternate != 0;
    CSaveOptionsDlg dialog(this, start, doc.loopForward);
    if (dialog.ShowModal() != wxID_OK)
        return;
    const SaveOptions chosen = dialog.options();
    doc.tuneSampleRate = chosen.tuneSampleRate ? 1 : 0;
    doc.simulateAlternate = chosen.simulateAlternate ? 1 : 0;
    if (chosen.cutAfterLoop != start.cutAfterLoop) {
        doc.cutAfterLoop = chosen.cutAfterLoop ? 1 : 0;
        // The view marks the part after the loop that will not be written.
        if (waveform())
            waveform()->cutOptionChanged();
    }
}

bool CMainDlg::loadSound()
{
    const LoadOutcome outcome = loadSoundFile(doc, doc.filePath);
    for (const UserMessage& message : outcome.messages)
        showMessage(this, message);
    if (!outcome.loaded)
        return false;
    clearUndoHistory();
    rebuildPlaybackBuffers();
    static_cast<wxChoice*>(control(ID_LOOP_TYPE))->SetSelection(doc.loopForward ? 0 : 1);
    refreshAfterLoad();
    return true;
}

void CMainDlg::refreshAfterLoad()
{
    auto both = [this](int id, bool enabled) {
        enableMenuItem(id, enabled);
        setControlEnabled(id, enabled);
    };

    // 1. No solutions yet.
    auto* solutions = static_cast<wxChoice*>(control(ID_SOLUTIONS));
    solutions->Clear();
    solutions->SetSelection(wxNOT_FOUND);
    disableControl(ID_SOLUTIONS);
    crossfadeLength = 0;

    // 2. Nothing to save; Save as and Play available.
    both(ID_SAVE, false);
    doc.isSaved = true;
    both(ID_SAVE_AS, true);
    enableControl(ID_PLAY);
    setControlEnabled(ID_PLAY_SA, doc.profilesShown && profilesReady);

    // 3. The loop of the file, if any, in slot 0.
    const bool loop = doc.loops.hasLoop(0);
    const int loopControls[] = {ID_PLAY_CL, ID_PLAY_LOOP, ID_TUNE, ID_CROSSFADE_SLIDER, ID_CROSSFADE_LABEL,
                                ID_CROSSFADE_VALUE};
    auto* slider = static_cast<wxSlider*>(control(ID_CROSSFADE_SLIDER));
    if (!loop) {
        setText(ID_LOOP_START_TEXT, "");
        setText(ID_LOOP_LENGTH_TEXT, "");
        enableMenuItem(ID_SAVE_OPTIONS, false);
        enableMenuItem(ID_BPM_SET, false);
        for (int id : loopControls)
            disableControl(id);
    } else {
        doc.loops.currentSolution = 0;
        enableControl(ID_SOLUTIONS);
        solutions->Append("1st   solution");
        solutions->Append("No loop");
        solutions->SetSelection(0);
        updateLoopTexts();
        enableMenuItem(ID_SAVE_OPTIONS, true);
        enableMenuItem(ID_BPM_SET, true);
        for (int id : loopControls)
            enableControl(id);
        const int64_t rate = doc.sampleRate;
        const int64_t s = doc.loops.loopStart[0];
        const int64_t e = doc.loops.loopEnd[0];
        // A loop starting at sample 0 leaves no room before it: the maximum
        // stays at 0 rather than going negative.
        const int64_t limit = std::max<int64_t>(0, std::min({(e - s) * 1000 / rate, (s - 1) * 1000 / rate,
                                                             int64_t(10000)}));
        setCrossfadeMaximum(static_cast<int>(limit));
        slider->SetValue(0);
        onCrossfadeSliderChanged();
    }

    // 4. File information, title, duration; the pitch follows below.
    setText(ID_WAVE_PROPERTIES, fileInformationText(doc));
    SetTitle(wxString::FromUTF8(windowTitle(doc.fileTitle)));
    setText(ID_DURATION_TEXT, formatInteger(durationMs(doc.sampleCount, doc.sampleRate)) + " ms");
    setText(ID_PITCH_TEXT, "");
    // The pointer read-outs described the previous sound.
    for (int id : {ID_MOUSE_X, ID_MOUSE_Y, ID_PROFILE_READOUT})
        setText(id, "");

    // 5. Commands that need a sound.
    for (int id : {ID_FFT_OPTIONS, ID_CUTBOOST, ID_ENHANCE, ID_HIPASS, ID_VOLUME, ID_NORMALIZE, ID_RESAMPLE, ID_PITCH,
                   ID_REFINE_PITCH, ID_CHANGE_RATE, ID_INHARMONIC_EXTRACTION, ID_HARMONIC_EXTRACTION})
        enableMenuItem(id, true);
    for (int id : {ID_ENHANCE, ID_CUTBOOST, ID_REFINE_PITCH, ID_HIPASS, ID_RESAMPLE, ID_PITCH, ID_VOLUME,
                   ID_NORMALIZE})
        enableControl(id);

    // 6-8. Waveform picture, pitch detection, loop shown in the views.
    rebuildWaveform();
    detectPitch();
    showLoopInViews();

    // 9-10. Pitch and MIDI note.
    doc.updatePitchHz();
    setText(ID_PITCH_TEXT, formatSignificant(doc.pitchHz, 6) + " Hz");
    doc.detectedNote = doc.midiNote = static_cast<int16_t>(midiNoteOf(doc.pitchHz));
    // The list ends at note 127: a higher pitch selects no entry.
    static_cast<wxChoice*>(control(ID_MIDI_NOTE))->SetSelection(doc.midiNote <= 127 ? doc.midiNote : wxNOT_FOUND);
    doc.note31 = static_cast<int16_t>(note31Of(doc.pitchHz));

    // 11. Cleaning below the fundamental needs a fundamental above 32 Hz.
    both(ID_HIPASS, doc.pitchHz > 32.0);

    // 12. Profile captions for the selected harmonic.
    harmonic = static_cast<int16_t>(std::clamp(upDown(ID_HARMONIC_SPIN)->position(), 1, 32));
    const std::string h = std::to_string(harmonic);
    std::string caption = "Amplitude profile of the " + h + "\xC2\xB0 harmonic (";
    if (doc.isStereo())
        caption += formatSignificant(harmonic * doc.channelPitch[0], 6) + " - " +
                   formatSignificant(harmonic * doc.channelPitch[1], 6) + " Hz)";
    else
        caption += formatSignificant(harmonic * doc.pitchHz, 6) + " Hz)";
    setText(ID_AMPLITUDE_TITLE, caption);
    setText(ID_HARMONIC_OF, "the " + h + "\xC2\xB0 harmonic of ");

    // 13. A new selection is needed before searching; Auto loop needs a pitch.
    both(ID_SEARCH, false);
    enableMenuItem(ID_AUTO_LOOP, doc.pitchHz > 0.0);
    clearViewSelections();

    // 14.
    startProfileRefresh();
    discardTracker();
}
