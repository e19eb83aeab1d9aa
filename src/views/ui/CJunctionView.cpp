#include "views/ui/CJunctionView.h"

#include <wx/dc.h>

#include <algorithm>
#include <cstdlib>

namespace {

const wxColour kBackground(255, 255, 255);
const wxColour kPlain(0, 0, 128);     // the trace pen of the waveform
const wxColour kFaded(200, 0, 64);    // the loop pen of the waveform
const wxColour kGuide(128, 128, 128);

const char* turnTitle(JunctionTurn t)
{
    switch (t) {
    case JunctionTurn::LoopWrap: return "Loop end > loop start";
    case JunctionTurn::EndTurn: return "Turn at loop end";
    case JunctionTurn::StartTurn: return "Turn at loop start";
    }
    return "";
}

} // namespace

CJunctionView::CJunctionView(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : CPictureView(parent, id, pos, size, wxBORDER_SUNKEN | wxWANTS_CHARS)
{
    Bind(wxEVT_KEY_DOWN, &CJunctionView::onKeyDown, this);
    Bind(wxEVT_MOUSEWHEEL, &CJunctionView::onWheel, this);
    Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& e) {
        SetFocus();
        e.Skip();
    });
}

void CJunctionView::setTraces(std::vector<JunctionTrace> traces)
{
    traces_ = std::move(traces);
    Refresh(false);
}

void CJunctionView::zoomBy(int steps)
{
    const int z = std::clamp(zoom_ + steps, 0, kJunctionZoomSteps - 1);
    if (z == zoom_)
        return;
    zoom_ = z;
    if (zoomHook_)
        zoomHook_();
    Refresh(false);
}

void CJunctionView::setActivePoint(LoopPoint p)
{
    active_ = p;
    Refresh(false);
}

bool CJunctionView::handleKey(int keyCode, bool shift, bool control)
{
    switch (keyCode) {
    case WXK_LEFT:
    case WXK_RIGHT: {
        const NudgeStep step = control ? NudgeStep::Period : shift ? NudgeStep::ZeroCrossing : NudgeStep::Sample;
        if (nudgeHook_)
            nudgeHook_(active_, step, keyCode == WXK_RIGHT ? 1 : -1);
        return true;
    }
    case WXK_TAB: setActivePoint(active_ == LoopPoint::End ? LoopPoint::Start : LoopPoint::End); return true;
    case '+':
    case '=':
    case WXK_NUMPAD_ADD: zoomBy(-1); return true;
    case '-':
    case WXK_NUMPAD_SUBTRACT: zoomBy(+1); return true;
    default: return false;
    }
}

void CJunctionView::onKeyDown(wxKeyEvent& event)
{
    if (!handleKey(event.GetKeyCode(), event.ShiftDown(), event.ControlDown()))
        event.Skip();
}

void CJunctionView::onWheel(wxMouseEvent& event)
{
    // Wheel up narrows the span (zooms in), as in most displays.
    zoomBy(event.GetWheelRotation() > 0 ? -1 : 1);
}

void CJunctionView::drawPicture(wxDC& dc, const wxSize& size)
{
    dc.SetBackground(wxBrush(kBackground));
    dc.Clear();
    dc.SetFont(wxFont(wxFontInfo(8)));
    dc.SetTextForeground(kGuide);
    const int panels = std::max<int>(1, static_cast<int>(traces_.size()));
    const int panelWidth = size.x / panels;
    wxString zoom = wxString::Format("+-%g ms   moving the loop %s", halfSpanMs(),
                                     active_ == LoopPoint::End ? "end" : "start");
    if (traces_.empty()) {
        dc.DrawText("No loop", 4, 2);
        return;
    }
    for (int p = 0; p < panels; ++p) {
        const JunctionTrace& t = traces_[static_cast<size_t>(p)];
        const int left = p * panelWidth;
        const int bandHeight = size.y / std::max(t.channels, 1);
        // One scale for the whole junction: its largest sample fills 90 % of
        // half a band, so a quiet junction still shows its shape.
        int peak = 256;
        for (int ch = 0; ch < t.channels; ++ch)
            for (size_t i = 0; i < t.plain[ch].size(); ++i)
                peak = std::max({peak, std::abs(int(t.plain[ch][i])), std::abs(int(t.faded[ch][i]))});
        const double scale = 0.45 * bandHeight / peak;
        dc.SetPen(wxPen(kGuide, 1, wxPENSTYLE_DOT));
        dc.DrawLine(left + panelWidth / 2, 0, left + panelWidth / 2, size.y);
        if (p > 0) {
            dc.SetPen(wxPen(kGuide));
            dc.DrawLine(left, 0, left, size.y);
        }
        for (int ch = 0; ch < t.channels; ++ch) {
            const int centre = ch * bandHeight + bandHeight / 2;
            dc.SetPen(wxPen(wxColour(220, 220, 220)));
            dc.DrawLine(left, centre, left + panelWidth, centre);
            const std::vector<int16_t>* rows[2] = {&t.plain[ch], &t.faded[ch]};
            const wxColour colours[2] = {kPlain, kFaded};
            for (int r = 0; r < 2; ++r) {
                std::vector<wxPoint> pts;
                pts.reserve(rows[r]->size());
                for (int32_t i = 0; i < 2 * t.halfSamples; ++i) {
                    const double x = left + junctionSampleX(i - t.halfSamples, t.halfSamples, panelWidth);
                    pts.emplace_back(static_cast<int>(x), centre - static_cast<int>((*rows[r])[size_t(i)] * scale));
                }
                dc.SetPen(wxPen(colours[r]));
                dc.DrawLines(static_cast<int>(pts.size()), pts.data());
                // Sample dots while samples are far enough apart to tell.
                if (panelWidth >= 8 * 2 * t.halfSamples) {
                    dc.SetBrush(wxBrush(colours[r]));
                    for (const wxPoint& pt : pts)
                        dc.DrawRectangle(pt.x - 1, pt.y - 1, 3, 3);
                }
            }
            if (ch > 0) {
                dc.SetPen(wxPen(kGuide));
                dc.DrawLine(left, ch * bandHeight, left + panelWidth, ch * bandHeight);
            }
        }
        dc.SetTextForeground(kGuide);
        dc.DrawText(turnTitle(t.turn), left + 4, 2);
    }
    dc.DrawText(zoom, 4, size.y - dc.GetCharHeight() - 2);
}
