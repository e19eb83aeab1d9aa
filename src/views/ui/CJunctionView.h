#pragma once
// The junction display: the samples played just before and just after the
// loop wraps (for an alternate loop, each of its two turns side by side), for
// every channel, the uncrossfaded junction and over it the crossfaded one in
// another colour, on a time axis centred on the wrap (see junction_geometry.h).
//
// Keys, while the display has the focus (the owner acts on them through the
// nudge hook): Left / Right move the active point one sample, with Shift to
// the previous / next rising zero crossing, with Ctrl by one period; Tab
// switches the active point between loop end and loop start; + and - zoom,
// as does the mouse wheel.

#include "loop/loop_nudge.h"
#include "views/junction_geometry.h"
#include "views/ui/CPictureView.h"

#include <functional>
#include <vector>

class CJunctionView : public CPictureView {
public:
    CJunctionView(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                  const wxSize& size = wxDefaultSize);

    // The junctions to show (empty: no loop) and the zoom they were built at.
    void setTraces(std::vector<JunctionTrace> traces);
    const std::vector<JunctionTrace>& traces() const { return traces_; }

    // Zoom step into kJunctionZoomMs, clamped; zoomBy(+1) widens the span.
    int zoomStep() const { return zoom_; }
    double halfSpanMs() const { return kJunctionZoomMs[zoom_]; }
    void zoomBy(int steps);

    LoopPoint activePoint() const { return active_; }
    void setActivePoint(LoopPoint p);

    // A key or a button asks for a move; the owner applies it.
    void setNudgeHook(std::function<void(LoopPoint, NudgeStep, int direction)> hook) { nudgeHook_ = std::move(hook); }
    const std::function<void(LoopPoint, NudgeStep, int)>& nudgeHook() const { return nudgeHook_; }
    // The zoom changed: the owner rebuilds the traces at halfSpanMs().
    void setZoomHook(std::function<void()> hook) { zoomHook_ = std::move(hook); }

    // Key handling, public so that tests can drive it.
    bool handleKey(int keyCode, bool shift, bool control);

protected:
    void drawPicture(wxDC& dc, const wxSize& size) override;

private:
    void onKeyDown(wxKeyEvent& event);
    void onWheel(wxMouseEvent& event);

    std::vector<JunctionTrace> traces_;
    int zoom_ = 1; // +-1 ms
    LoopPoint active_ = LoopPoint::End;
    std::function<void(LoopPoint, NudgeStep, int)> nudgeHook_;
    std::function<void()> zoomHook_;
};
