// The displays' side of the main window: the waveform and spectrum views,
// pitch detection, the MIDI note and the selected harmonic.

#include "app/CMainDlg.h"

#include "platform/ui/CUpDownCtrl.h"
#include "document/format.h"
#include "views/ui/CSpectrumView.h"
#include "views/ui/WaveformView.h"

#include <wx/choice.h>

#include <algorithm>
#include <string>

void CMainDlg::connectViews()
{
    // Both displays write their pointer read-outs into the same two statics.
    auto readout = [this](const wxString& x, const wxString& y) {
        setText(ID_MOUSE_X, x.ToStdString(wxConvUTF8));
        setText(ID_MOUSE_Y, y.ToStdString(wxConvUTF8));
    };
    waveform()->setReadoutHook(readout);
    spectrum()->setReadoutHook(readout);

    // The selection operations report each switch of the search flag.
    waveform()->setSearchEnabledHook([this](bool on) { setSearchCommandEnabled(on); });
    waveform()->setFftOptionsHook([this] { onFftOptions(); });
    // The fine-search hook belongs to the loop parameters and is set there.

    // A click on a marker moves the selector, whose change handler does the rest.
    spectrum()->setHarmonicHook([this](int n) {
        upDown(ID_HARMONIC_SPIN)->setPosition(n);
        onHarmonicChanged();
    });
}

void CMainDlg::setSearchCommandEnabled(bool enabled)
{
    searchEnabled = enabled;
    waveform()->setSearchEnabled(enabled);
    if (searching)
        return;
    enableMenuItem(ID_SEARCH, enabled);
    setControlEnabled(ID_SEARCH, enabled);
}

void CMainDlg::onHarmonicChanged()
{
    harmonic = static_cast<int16_t>(std::clamp(upDown(ID_HARMONIC_SPIN)->position(), 1, 32));
    spectrum()->setSelectedHarmonic(harmonic);
    showProfileHarmonic();
    if (doc.isLoaded())
        writeHarmonicTitles();
}

// Label 1075 and the amplitude-profile title; the frequency-profile title is
// written by its display when it paints.
void CMainDlg::writeHarmonicTitles()
{
    const std::string h = std::to_string(harmonic);
    const std::string degree = "\xC2\xB0";
    std::string caption = "Amplitude profile of the " + h + degree + " harmonic (";
    if (doc.isStereo())
        caption += formatSignificant(harmonic * doc.channelPitch[0], 6) + " - " +
                   formatSignificant(harmonic * doc.channelPitch[1], 6) + " Hz)";
    else
        caption += formatSignificant(harmonic * doc.pitchHz, 6) + " Hz)";
    setText(ID_AMPLITUDE_TITLE, caption);
    setText(ID_HARMONIC_OF, "the " + h + degree + " harmonic of ");
}

void CMainDlg::onMidiNoteChanged()
{
    const int index = static_cast<wxChoice*>(control(ID_MIDI_NOTE))->GetSelection();
    if (index < 0 || index > 127 || !doc.isLoaded())
        return;
    doc.midiNote = static_cast<int16_t>(index);
    // The root note is written into the file: the sound now differs from it.
    enableMenuItem(ID_SAVE, true);
    enableControl(ID_SAVE);
    doc.isSaved = false;
}

void CMainDlg::rebuildWaveform()
{
    waveform()->rebuild(doc.isLoaded() ? &doc : nullptr);
}

void CMainDlg::detectPitch()
{
    detectPitch(false);
}

void CMainDlg::detectPitch(bool withHints)
{
    spectrum()->beginAnalysis();
    const double hints[2] = {doc.channelPitch[0], doc.channelPitch[1]};
    // A refused analysis leaves the sound without pitch and the display empty.
    if (analyseSpectrum(doc, withHints ? hints : nullptr, analysis_)) {
        spectrum()->setSelectedHarmonic(harmonic);
        spectrum()->showAnalysis(analysis_);
    }
    if (!withHints)
        updatePitchDisplay();
}

void CMainDlg::detectPitchNear(const double hintsHz[2])
{
    spectrum()->beginAnalysis();
    const double hints[2] = {hintsHz[0], doc.isStereo() ? hintsHz[1] : 0.0};
    if (analyseSpectrum(doc, hints, analysis_)) {
        spectrum()->setSelectedHarmonic(harmonic);
        spectrum()->showAnalysis(analysis_);
    }
    updatePitchDisplay();
}

void CMainDlg::updatePitchDisplay()
{
    const PitchUpdate u = updatePitch(doc);
    setText(ID_PITCH_TEXT, u.pitchText);
    // A note above 127 has no entry: nothing is selected, the notes keep it.
    static_cast<wxChoice*>(control(ID_MIDI_NOTE))->SetSelection(u.noteSelection);
    enableMenuItem(ID_HIPASS, u.cleanLowFrequencies);
    setControlEnabled(ID_HIPASS, u.cleanLowFrequencies);
}

void CMainDlg::showLoopInViews()
{
    const int slot = doc.loops.currentSolution;
    const bool loop = slot >= 0 && slot < SolutionTable::kSlots && doc.loops.hasLoop(slot);
    waveform()->setLoopForward(doc.loopForward);
    waveform()->setCrossfadeLength(crossfadeLength);
    waveform()->setLoop(loop ? doc.loops.loopStart[slot] : -1, loop ? doc.loops.loopEnd[slot] : -1);
    waveform()->Refresh(false);
    spectrum()->Refresh(false);
    refreshJunction();
}

// The selection collapses to the first sample; that switch clears the search
// flag through the view's hook, so Search stays gray until a new drag.
void CMainDlg::clearViewSelections()
{
    if (!waveform()->sound())
        return;
    waveform()->setSelectionAnchor(0);
    setSearchCommandEnabled(false);
}
