// Loop parameters of the main window: the loop-length edits, crossfade kind
// and length, loop type, solutions and the read-outs of the current loop.

#include "app/CBitmapButton.h"
#include "app/CMainDlg.h"
#include "app/CUpDownCtrl.h"
#include "document/format.h"

#include <wx/choice.h>
#include <wx/slider.h>
#include <wx/textctrl.h>

#include <algorithm>

void CMainDlg::updateLoopTexts()
{
    const int slot = doc.loops.currentSolution;
    if (doc.sampleRate <= 0 || !doc.loops.hasLoop(slot))
        return;
    const int32_t s = doc.loops.loopStart[slot];
    const int32_t e = doc.loops.loopEnd[slot];
    setText(ID_LOOP_START_TEXT, formatInteger(durationMs(s, doc.sampleRate)) + " ms");
    setText(ID_LOOP_LENGTH_TEXT, formatInteger(durationMs(e - s, doc.sampleRate)) + " ms");
}

bool CMainDlg::readLoopLengths()
{
    long minimum = 0, maximum = 0;
    const wxString minText = static_cast<wxTextCtrl*>(control(ID_MIN_LOOP_EDIT))->GetValue();
    const wxString maxText = static_cast<wxTextCtrl*>(control(ID_MAX_LOOP_EDIT))->GetValue();
    if (!minText.ToLong(&minimum) || !maxText.ToLong(&maximum))
        return false;
    if (minimum < 0 || minimum > 100 || maximum < 0 || maximum > 100)
        return false;
    minLoopLength = static_cast<int16_t>(minimum);
    maxLoopLength = static_cast<int16_t>(maximum);
    return true;
}

// Enabling Search after a change of the loop-length edits needs the waveform
// view's selection; it comes with the loop search.
void CMainDlg::onMinLoopLengthChanged() {}
void CMainDlg::onMaxLoopLengthChanged() {}

void CMainDlg::onCrossfadeKindChanged()
{
    crossfadeKind = std::max(0, static_cast<wxChoice*>(control(ID_CROSSFADE_KIND))->GetSelection());
    if (wxWindow* picture = control(ID_CROSSFADE_PICTURE))
        picture->Refresh();
}

void CMainDlg::onLoopTypeChanged()
{
    doc.loopForward = static_cast<wxChoice*>(control(ID_LOOP_TYPE))->GetSelection() == 0;
    // The rest (Search and Save enabling) comes with the loop parameters.
}

// Choosing among the solutions comes with the loop search.
void CMainDlg::onSolutionSelected() {}

void CMainDlg::setCrossfadeMaximum(int maxMs)
{
    crossfadeMaxMs_ = std::max(0, maxMs);
    auto* slider = static_cast<wxSlider*>(control(ID_CROSSFADE_SLIDER));
    slider->SetRange(0, crossfadeMaxMs_);
    if (slider->GetValue() > crossfadeMaxMs_)
        slider->SetValue(crossfadeMaxMs_);
}

void CMainDlg::onCrossfadeSliderChanged()
{
    auto* slider = static_cast<wxSlider*>(control(ID_CROSSFADE_SLIDER));
    if (slider->GetValue() > crossfadeMaxMs_)
        slider->SetValue(crossfadeMaxMs_);
    const int ms = slider->GetValue();
    crossfadeLength = static_cast<int32_t>(ms * 0.001 * doc.sampleRate);
    setText(ID_CROSSFADE_VALUE, std::to_string(ms) + " ms");
}

// The loop search and its Stop come with the loop engine.
void CMainDlg::onSearch() { focusDefaultButton(); }

// The Crossfade Options dialog comes with the loop engine.
void CMainDlg::onCrossfadeOptions() {}
