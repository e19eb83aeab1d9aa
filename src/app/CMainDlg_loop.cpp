// Loop parameters of the main window: the loop-length edits, crossfade kind
// and length, loop type, solutions and the read-outs of the current loop,
// and the loop engine's two small dialogs.

#include "platform/ui/CBitmapButton.h"
#include "app/CMainDlg.h"
#include "platform/ui/CUpDownCtrl.h"
#include "document/format.h"
#include "loop/crossfade.h"
#include "loop/loop_check.h"
#include "loop/ui/CCrossfadeOptionsDlg.h"
#include "loop/ui/CFineSearchDlg.h"
#include "loop/ui/IntegerField.h"
#include "views/ui/CCrossfadePicture.h"
#include "views/ui/WaveformView.h"

#include <wx/choice.h>
#include <wx/slider.h>
#include <wx/textctrl.h>

#include <algorithm>

namespace {

// The controls that only make sense with a loop: Play sample, Play loop
// alone, Tune and the crossfade-length slider with its two labels.
constexpr int kLoopControls[] = {ID_PLAY_CL, ID_PLAY_LOOP, ID_TUNE, ID_CROSSFADE_SLIDER, ID_CROSSFADE_LABEL,
                                 ID_CROSSFADE_VALUE};

// The longest crossfade the slider may reach: ms(n) = trunc(n * 1000 / rate)
// of the material before the loop (s - 1 samples), of the loop itself and,
// for an alternate loop, of the material after it, at most 10000 ms.
int crossfadeLimitMs(int64_t loopStart, int64_t loopEnd, int64_t frames, int64_t rate, bool forward)
{
    auto ms = [rate](int64_t n) { return n * 1000 / rate; }; // truncates toward zero
    int64_t m = std::min(ms(loopStart - 1), ms(loopEnd - loopStart));
    if (!forward)
        m = std::min(m, ms(frames - loopEnd));
    return static_cast<int>(std::clamp<int64_t>(m, 0, 10000));
}

} // namespace

void CMainDlg::updateLoopTexts()
{
    const int slot = doc.loops.currentSolution;
    if (doc.sampleRate <= 0 || slot < 0 || slot >= SolutionTable::kSlots || !doc.loops.hasLoop(slot))
        return;
    const int32_t s = doc.loops.loopStart[slot];
    const int32_t e = doc.loops.loopEnd[slot];
    setText(ID_LOOP_START_TEXT, formatInteger(durationMs(s, doc.sampleRate)) + " ms");
    setText(ID_LOOP_LENGTH_TEXT, formatInteger(durationMs(e - s, doc.sampleRate)) + " ms");
    // The verdict ringtide-cli check gives, so the editor and the tool agree.
    const std::string verdict = loopCheckLine(checkLoop(doc, s, e, doc.loopForward));
    setToolTipText(ID_LOOP_START_TEXT, "Start loop\n" + verdict);
    setToolTipText(ID_LOOP_LENGTH_TEXT, "Loop length\n" + verdict);
}

bool CMainDlg::readLoopLengths()
{
    const auto minimum = parseIntegerField(static_cast<wxTextCtrl*>(control(ID_MIN_LOOP_EDIT))->GetValue());
    const auto maximum = parseIntegerField(static_cast<wxTextCtrl*>(control(ID_MAX_LOOP_EDIT))->GetValue());
    if (!minimum || !maximum || *minimum < 0 || *minimum > 100 || *maximum < 0 || *maximum > 100)
        return false;
    minLoopLength = static_cast<int16_t>(*minimum);
    maxLoopLength = static_cast<int16_t>(*maximum);
    return true;
}

bool CMainDlg::exchangeLoopLengths()
{
    int minimum = minLoopLength;
    int maximum = maxLoopLength;
    if (!exchangeIntegerField(this, static_cast<wxTextCtrl*>(control(ID_MIN_LOOP_EDIT)), 0, 100, minimum) ||
        !exchangeIntegerField(this, static_cast<wxTextCtrl*>(control(ID_MAX_LOOP_EDIT)), 0, 100, maximum))
        return false;
    minLoopLength = static_cast<int16_t>(minimum);
    maxLoopLength = static_cast<int16_t>(maximum);
    return true;
}

void CMainDlg::enableSearchIfSelection()
{
    // During a run the Search command is its Stop; the run's end decides.
    if (searching)
        return;
    if (doc.sampleCount < 1 || waveform()->selectionStart() >= waveform()->selectionEnd())
        return;
    enableMenuItem(ID_SEARCH, true);
    enableControl(ID_SEARCH);
    searchEnabled = true;
    waveform()->setSearchEnabled(true);
}

void CMainDlg::onMinLoopLengthChanged() { enableSearchIfSelection(); }
void CMainDlg::onMaxLoopLengthChanged() { enableSearchIfSelection(); }

void CMainDlg::onCrossfadeKindChanged()
{
    crossfadeKind = std::clamp(static_cast<wxChoice*>(control(ID_CROSSFADE_KIND))->GetSelection(), 0, 2);
    if (CCrossfadePicture* picture = crossfadePicture())
        picture->setKind(crossfadeKind);
    refreshJunction();
    handLoopToPlayback();
}

void CMainDlg::onLoopTypeChanged()
{
    doc.loopForward = static_cast<wxChoice*>(control(ID_LOOP_TYPE))->GetSelection() == 0;
    enableSearchIfSelection();
    // Saving needs a sound: without one the change only sets the type.
    if (doc.isLoaded()) {
        enableMenuItem(ID_SAVE, true);
        enableControl(ID_SAVE);
        doc.isSaved = false;
    }
    waveform()->setLoopForward(doc.loopForward);
    waveform()->Refresh();
    // An alternate loop also needs room after its end: the slider's limit
    // follows the type, so the crossfade stays inside the sound.
    applyCrossfadeLimits();
}

void CMainDlg::onSolutionSelected()
{
    auto* solutions = static_cast<wxChoice*>(control(ID_SOLUTIONS));
    const int index = solutions->GetSelection();
    if (index == wxNOT_FOUND || index >= SolutionTable::kSlots)
        return;
    doc.loops.currentSolution = static_cast<int16_t>(index);
    const bool noLoop = index == static_cast<int>(solutions->GetCount()) - 1 || !doc.loops.hasLoop(index);

    if (noLoop) {
        setText(ID_LOOP_START_TEXT, "");
        setText(ID_LOOP_LENGTH_TEXT, "");
        enableMenuItem(ID_SAVE_OPTIONS, false);
        enableMenuItem(ID_BPM_SET, false);
        for (int id : kLoopControls)
            disableControl(id);
    } else {
        enableMenuItem(ID_SAVE_OPTIONS, true);
        enableMenuItem(ID_BPM_SET, true);
        for (int id : kLoopControls)
            enableControl(id);
        applyCrossfadeLimits();
        updateLoopTexts();
    }

    enableMenuItem(ID_SAVE, true);
    enableControl(ID_SAVE);
    doc.isSaved = false;
    WaveformView* view = waveform();
    if (noLoop)
        view->setLoop(-1, -1);
    else
        view->setLoop(doc.loops.loopStart[index], doc.loops.loopEnd[index]);
    view->setLoopForward(doc.loopForward);
    view->setCrossfadeLength(crossfadeLength);
    view->Refresh();
    refreshJunction();
}

void CMainDlg::applyCrossfadeLimits()
{
    const int slot = doc.loops.currentSolution;
    if (doc.sampleRate <= 0 || slot < 0 || slot >= SolutionTable::kSlots || !doc.loops.hasLoop(slot))
        return;
    const int limit = crossfadeLimitMs(doc.loops.loopStart[slot], doc.loops.loopEnd[slot], doc.sampleCount,
                                       doc.sampleRate, doc.loopForward);
    auto* slider = static_cast<wxSlider*>(control(ID_CROSSFADE_SLIDER));
    const int previous = std::min(slider->GetValue(), crossfadeMaxMs_);
    setCrossfadeMaximum(limit);
    // Less room than the slider's position: pull it back. More room keeps it.
    if (limit < previous)
        slider->SetValue(limit);
    onCrossfadeSliderChanged();
}

void CMainDlg::setCrossfadeMaximum(int maxMs)
{
    crossfadeMaxMs_ = std::max(0, maxMs);
    auto* slider = static_cast<wxSlider*>(control(ID_CROSSFADE_SLIDER));
    slider->SetRange(0, crossfadeMaxMs_);
    if (slider->GetValue() > crossfadeMaxMs_)
        slider->SetValue(crossfadeMaxMs_);
}

// Every move of the slider and every change made by the program end here:
// X and the value label always follow the position.
void CMainDlg::onCrossfadeSliderChanged()
{
    auto* slider = static_cast<wxSlider*>(control(ID_CROSSFADE_SLIDER));
    if (slider->GetValue() > crossfadeMaxMs_)
        slider->SetValue(crossfadeMaxMs_);
    const int ms = slider->GetValue();
    crossfadeLength = crossfadeLengthSamples(ms, doc.sampleRate);
    setText(ID_CROSSFADE_VALUE, std::to_string(ms) + " ms");
    if (WaveformView* view = waveform())
        view->setCrossfadeLength(crossfadeLength);
    refreshJunction();
    handLoopToPlayback();
}

void CMainDlg::onCrossfadeOptions()
{
    CCrossfadeOptionsDlg dlg(this);
    dlg.passes = crossfadePasses;
    if (dlg.ShowModal() == wxID_OK) {
        crossfadePasses = dlg.passes;
        refreshJunction();
        handLoopToPlayback();
    }
}

void CMainDlg::installLoopHooks()
{
    waveform()->setFineSearchHook([this](int32_t& startMs, int32_t& endMs) {
        // The selection is the running search's input: it stays as it is.
        if (searching)
            return false;
        CFineSearchDlg dlg(this, startMs, endMs);
        if (dlg.ShowModal() != wxID_OK)
            return false;
        startMs = dlg.minStartMs;
        endMs = dlg.maxEndMs;
        return true;
    });
}
