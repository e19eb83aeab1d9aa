// File commands of the main window and the window's refresh after a load.

#include "app/CBitmapButton.h"
#include "app/CMainDlg.h"
#include "app/CUpDownCtrl.h"
#include "document/format.h"
#include "document/load_sound.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Shell.h"

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

} // namespace

void CMainDlg::onOpen()
{
    focusDefaultButton();
    const std::string path = askOpenWaveFile(this);
    if (path.empty())
        return;
    if (!askSaveChanges())
        return;
    const std::string oldPath = doc.filePath, oldTitle = doc.fileTitle, oldFolder = doc.fileFolder;
    setIdentity(doc, path);
    if (!loadSound()) {
        doc.filePath = oldPath;
        doc.fileTitle = oldTitle;
        doc.fileFolder = oldFolder;
    }
    // The BPM machine's remembered values are reset here once that dialog exists.
}

void CMainDlg::onDropFiles(wxDropFilesEvent& event)
{
    focusDefaultButton();
    if (event.GetNumberOfFiles() < 1)
        return;
    if (event.GetNumberOfFiles() > 1)
        showMessage(this, "Sorry, unable to handle more than 1 file.");
    const std::string path = event.GetFiles()[0].ToStdString(wxConvUTF8);
    const std::string tail = path.size() >= 3 ? path.substr(path.size() - 3) : path;
    if (tail != "wav" && tail != "WAV") {
        showMessage(this, "Unhandled type file.");
        return;
    }
    if (!askSaveChanges())
        return;
    const std::string oldPath = doc.filePath, oldTitle = doc.fileTitle, oldFolder = doc.fileFolder;
    setIdentity(doc, path);
    if (!loadSound()) {
        doc.filePath = oldPath;
        doc.fileTitle = oldTitle;
        doc.fileFolder = oldFolder;
    }
}

// New by FFT mixing comes with the mixing feature.
void CMainDlg::onNewMix() { focusDefaultButton(); }

// Save and Save as come with the WAV writer.
void CMainDlg::onSave() { focusDefaultButton(); }
void CMainDlg::onSaveAs() { focusDefaultButton(); }

bool CMainDlg::saveDocument()
{
    // Writing the file comes with the WAV writer; until then nothing is saved
    // and the document stays modified.
    return false;
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
    static_cast<wxChoice*>(control(ID_MIDI_NOTE))->SetSelection(doc.midiNote);
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

    // 13. A new selection is needed before searching.
    both(ID_SEARCH, false);
    clearViewSelections();

    // 14.
    startProfileRefresh();
}
