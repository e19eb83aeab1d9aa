#include "platform/ui/CUpDownCtrl.h"

#include <wx/dcbuffer.h>
#include <wx/settings.h>
#include <wx/spinbutt.h>
#include <wx/textctrl.h>

#include <algorithm>

CUpDownCtrl::CUpDownCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : wxControl(parent, id, pos, size, wxBORDER_NONE | wxWANTS_CHARS), repeat_(this)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &CUpDownCtrl::onPaint, this);
    Bind(wxEVT_LEFT_DOWN, &CUpDownCtrl::onMouseDown, this);
    Bind(wxEVT_LEFT_DCLICK, &CUpDownCtrl::onMouseDown, this);
    Bind(wxEVT_LEFT_UP, &CUpDownCtrl::onMouseUp, this);
    Bind(wxEVT_TIMER, &CUpDownCtrl::onRepeat, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &CUpDownCtrl::onCaptureLost, this);
}

void CUpDownCtrl::setRange(int minimum, int maximum)
{
    min_ = std::min(minimum, maximum);
    max_ = std::max(minimum, maximum);
    pos_ = std::clamp(pos_, min_, max_);
}

void CUpDownCtrl::setPosition(int value)
{
    pos_ = std::clamp(value, min_, max_);
    if (buddy_)
        buddy_->ChangeValue(wxString::Format("%d", pos_));
}

int CUpDownCtrl::position() const
{
    long value = 0;
    if (buddy_ && buddy_->GetValue().Trim().Trim(false).ToLong(&value))
        return static_cast<int>(std::clamp<long>(value, min_, max_));
    return pos_;
}

void CUpDownCtrl::step(int direction)
{
    const int before = position();
    const int after = std::clamp(before + (direction > 0 ? 1 : -1), min_, max_);
    pos_ = after;
    if (buddy_)
        buddy_->SetValue(wxString::Format("%d", after)); // SetValue: the buddy's text-change handler runs
    if (after == before)
        return;
    for (wxEventType type : {wxEVT_SPIN, direction > 0 ? wxEVT_SPIN_UP : wxEVT_SPIN_DOWN}) {
        wxSpinEvent event(type, GetId());
        event.SetEventObject(this);
        event.SetPosition(after);
        ProcessWindowEvent(event);
    }
}

void CUpDownCtrl::onPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    const wxSize size = GetClientSize();
    const bool enabled = IsEnabled();
    const wxColour face = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    const wxColour light = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNHIGHLIGHT);
    const wxColour dark = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW);
    const wxColour arrow = enabled ? wxColour(40, 40, 40) : wxColour(160, 160, 160);
    dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
    dc.Clear();

    const int half = size.y / 2;
    for (int part = 0; part < 2; ++part) {
        const wxRect r(0, part == 0 ? 0 : half, size.x, part == 0 ? half : size.y - half);
        const bool pressed = (held_ == 1 && part == 0) || (held_ == -1 && part == 1);
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(face));
        dc.DrawRectangle(r);
        // Raised bevel, sunken while held.
        dc.SetPen(wxPen(pressed ? dark : light));
        dc.DrawLine(r.GetLeft(), r.GetBottom(), r.GetLeft(), r.GetTop());
        dc.DrawLine(r.GetLeft(), r.GetTop(), r.GetRight(), r.GetTop());
        dc.SetPen(wxPen(pressed ? light : dark));
        dc.DrawLine(r.GetRight(), r.GetTop(), r.GetRight(), r.GetBottom());
        dc.DrawLine(r.GetRight(), r.GetBottom(), r.GetLeft() - 1, r.GetBottom());

        // Triangle, centred, about a third of the part's height.
        const int w = std::max(3, std::min(r.width - 6, (r.height - 3) * 2 - 1)) | 1;
        const int h = (w + 1) / 2;
        const int cx = r.x + r.width / 2 + (pressed ? 1 : 0);
        const int cy = r.y + r.height / 2 + (pressed ? 1 : 0);
        wxPoint tri[3];
        if (part == 0) {
            tri[0] = wxPoint(cx - w / 2, cy + h / 2);
            tri[1] = wxPoint(cx + w / 2, cy + h / 2);
            tri[2] = wxPoint(cx, cy + h / 2 - h + 1);
        } else {
            tri[0] = wxPoint(cx - w / 2, cy - h / 2);
            tri[1] = wxPoint(cx + w / 2, cy - h / 2);
            tri[2] = wxPoint(cx, cy - h / 2 + h - 1);
        }
        dc.SetPen(wxPen(arrow));
        dc.SetBrush(wxBrush(arrow));
        dc.DrawPolygon(3, tri);
    }
}

void CUpDownCtrl::onMouseDown(wxMouseEvent& event)
{
    held_ = event.GetY() < GetClientSize().y / 2 ? 1 : -1;
    if (!HasCapture())
        CaptureMouse();
    step(held_);
    repeat_.StartOnce(400);
    Refresh();
}

void CUpDownCtrl::onMouseUp(wxMouseEvent&)
{
    repeat_.Stop();
    held_ = 0;
    if (HasCapture())
        ReleaseMouse();
    Refresh();
}

void CUpDownCtrl::onRepeat(wxTimerEvent&)
{
    if (held_ == 0)
        return;
    step(held_);
    repeat_.StartOnce(60);
}

void CUpDownCtrl::onCaptureLost(wxMouseCaptureLostEvent&)
{
    repeat_.Stop();
    held_ = 0;
    Refresh();
}
