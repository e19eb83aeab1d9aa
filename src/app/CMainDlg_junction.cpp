// The junction area of the main window and the loop points moved by hand:
// the area shows where the current loop wraps and the loop check's verdict;
// its buttons and keys, and the loop edges dragged on the waveform, move the
// current slot's points (one undo step each) while the loop may go on playing.

#include "app/CMainDlg.h"

#include "loop/crossfade.h"
#include "loop/loop_check.h"
#include "playback/PlaybackEngine.h"
#include "views/junction_geometry.h"
#include "views/ui/CJunctionPanel.h"
#include "views/ui/WaveformView.h"

#include <wx/button.h>

#include <algorithm>
#include <cstdio>

namespace {

std::string figure(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The loop check's figures, one a line, and its verdict last.
std::string checkLines(const LoopCheck& c)
{
    if (!c.valid)
        return "Loop check: no loop";
    std::string s = figure("Value jump: %.3f\n", c.valueJump) + figure("Slope jump: %.3f\n", c.slopeJump) +
                    figure("Click figure: %.2f", c.clickFigure) + figure(" (crest %.2f)\n", c.crest) +
                    figure("Mismatch: %.3f\n", c.mismatch);
    if (c.periods > 0.0)
        s += figure("Periods: %.3f\n", c.periods) + figure("Drift: %+.2f cents\n", c.driftCents);
    return s + loopCheckLine(c);
}

} // namespace

void CMainDlg::createJunctionArea()
{
    auto* show = new wxButton(panel_, ID_SHOW_JUNCTION, "Show junction >>");
    show->SetSize(dialogRect(160, 255, 66, 13));
    junctionPanel_ = new CJunctionPanel(panel_, ID_JUNCTION_AREA, dialogRect(3, 291, 341, 98));
    junctionPanel_->Hide();
    CJunctionView* view = junctionPanel_->view();
    view->setNudgeHook([this](LoopPoint which, NudgeStep step, int direction) { nudgeLoop(which, step, direction); });
    view->setZoomHook([this] { refreshJunction(); });
    waveform()->setLoopDragHook([this](bool startEdge, int32_t sample, bool snap) {
        dragLoopEdge(startEdge ? LoopPoint::Start : LoopPoint::End, sample, snap);
    });
}

bool CMainDlg::junctionShown() const
{
    return junctionPanel_ && junctionPanel_->IsShown();
}

// The junction takes the profile area: the profiles give way first, and the
// area's own controls hide under it.
void CMainDlg::onShowJunction()
{
    focusDefaultButton();
    const bool show = !junctionShown();
    if (show && doc.profilesShown)
        onShowProfiles();
    const int top = dialogRect(0, 289, 0, 0).y;
    for (wxWindow* child : panel_->GetChildren())
        if (child != junctionPanel_ && child->GetPosition().y >= top)
            child->Show(!show);
    const wxSize client = GetClientSize();
    SetSizeHints(wxDefaultSize, wxDefaultSize);
    SetClientSize(client.x, client.y + (show ? profileAreaHeight() : -profileAreaHeight()));
    SetSizeHints(GetSize(), GetSize());
    junctionPanel_->Show(show);
    setText(ID_SHOW_JUNCTION, show ? "<< Hide junction" : "Show junction >>");
    if (show) {
        refreshJunction();
        junctionPanel_->view()->SetFocus();
    }
}

void CMainDlg::refreshJunction()
{
    if (!junctionShown())
        return;
    CJunctionView* view = junctionPanel_->view();
    const int slot = doc.loops.currentSolution;
    if (!doc.isLoaded() || slot < 0 || slot >= SolutionTable::kSlots || !doc.loops.hasLoop(slot)) {
        view->setTraces({});
        junctionPanel_->setCheckText("Loop check: no loop");
        return;
    }
    const int32_t s = doc.loops.loopStart[slot];
    const int32_t e = doc.loops.loopEnd[slot];
    const CrossfadeSettings fade{static_cast<CrossfadeKind>(std::clamp(crossfadeKind, 0, 2)), crossfadeLength,
                                 crossfadePasses};
    view->setTraces(buildJunctionTraces(doc, s, e, doc.loopForward, fade, view->halfSpanMs()));
    junctionPanel_->setCheckText(checkLines(checkLoop(doc, s, e, doc.loopForward)));
}

NudgeContext CMainDlg::nudgeContext() const
{
    NudgeContext ctx;
    ctx.x = doc.samples[0].data();
    ctx.frames = std::min<int32_t>(doc.sampleCount, static_cast<int32_t>(doc.samples[0].size()));
    ctx.periodSamples = doc.pitchHz > 0.0 ? doc.sampleRate / doc.pitchHz : 0.0;
    ctx.crossfadeSamples = crossfadeLength;
    ctx.forward = doc.loopForward;
    return ctx;
}

void CMainDlg::nudgeLoop(LoopPoint which, NudgeStep step, int direction)
{
    const int slot = doc.loops.currentSolution;
    if (!doc.isLoaded() || slot < 0 || slot >= SolutionTable::kSlots || !doc.loops.hasLoop(slot))
        return;
    const LoopPoints loop{doc.loops.loopStart[slot], doc.loops.loopEnd[slot]};
    if (const auto moved = nudgeLoopPoint(loop, which, step, direction, nudgeContext()))
        applyHandLoop(*moved);
    else
        wxBell();
}

void CMainDlg::dragLoopEdge(LoopPoint which, int32_t sample, bool snap)
{
    const int slot = doc.loops.currentSolution;
    if (!doc.isLoaded() || slot < 0 || slot >= SolutionTable::kSlots || !doc.loops.hasLoop(slot))
        return;
    const LoopPoints loop{doc.loops.loopStart[slot], doc.loops.loopEnd[slot]};
    const auto moved = dragLoopPoint(loop, which, sample, snap, nudgeContext());
    if (!moved || !applyHandLoop(*moved))
        showLoopInViews(); // the edge goes back where the loop is
}

bool CMainDlg::applyHandLoop(const LoopPoints& loop)
{
    const int slot = doc.loops.currentSolution;
    if (searching || commandsLocked() || slot < 0 || slot >= SolutionTable::kSlots || !doc.loops.hasLoop(slot))
        return false;
    if (loop.start == doc.loops.loopStart[slot] && loop.end == doc.loops.loopEnd[slot])
        return true;
    // Only the loop changes: what plays keeps playing (the snapshot is
    // taken without the stop that an edit of the samples needs).
    undoHistory.pushUndo(doc);
    showUndoState();
    doc.loops.loopStart[slot] = loop.start;
    doc.loops.loopEnd[slot] = loop.end;
    doc.isSaved = false;
    enableMenuItem(ID_SAVE, true);
    enableControl(ID_SAVE);
    applyCrossfadeLimits();
    updateLoopTexts();
    showLoopInViews();
    refreshJunction();
    handLoopToPlayback();
    return true;
}

// A loop that plays takes the current slot's loop, with the current
// crossfade, from its next wrap on (the engine switches at the wrap).
void CMainDlg::handLoopToPlayback()
{
    if (!playback_ || playingButton_ == 0)
        return;
    const int32_t mode = playback_->playMode.load();
    if (mode < PlayLoopForward || mode > PlaySampleLoopAlternate)
        return;
    const int slot = doc.loops.currentSolution;
    if (slot < 0 || slot >= SolutionTable::kSlots || !doc.loops.hasLoop(slot))
        return;
    const bool alternate = mode == PlayLoopAlternate || mode == PlaySampleLoopAlternate;
    const CrossfadeSettings fade{static_cast<CrossfadeKind>(std::clamp(crossfadeKind, 0, 2)), crossfadeLength,
                                 crossfadePasses};
    auto next = std::make_unique<LoopReplacement>();
    next->loopStart = doc.loops.loopStart[slot];
    next->loopEnd = doc.loops.loopEnd[slot];
    const int64_t length = static_cast<int64_t>(next->loopEnd - next->loopStart) * (alternate ? 2 : 1);
    const int channels = std::min<int>(doc.channels, 2);
    for (int ch = 0; ch < channels; ++ch) {
        next->loop[ch].assign(static_cast<size_t>(length), 0);
        const int16_t* x = doc.samples[ch].data();
        const bool built = alternate ? build_alternate_loop(x, doc.sampleCount, next->loopStart, next->loopEnd, fade,
                                                            next->loop[ch].data())
                                     : build_forward_loop(x, doc.sampleCount, next->loopStart, next->loopEnd, fade,
                                                          next->loop[ch].data());
        if (!built)
            return;
    }
    playback_->replaceLoop(std::move(next));
}
