#include "platform/ui/CBitmapButton.h"

#include <wx/dcbuffer.h>

CBitmapButton::CBitmapButton(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxBitmapBundle images[4],
                             const wxSize& imageSize)
    : wxControl(parent, id, pos, imageSize, wxBORDER_NONE | wxWANTS_CHARS), imageSize_(imageSize)
{
    for (int i = 0; i < 4; ++i)
        images_[i] = images[i];
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetMinSize(imageSize);
    SetMaxSize(imageSize);
    Bind(wxEVT_PAINT, &CBitmapButton::onPaint, this);
    Bind(wxEVT_LEFT_DOWN, &CBitmapButton::onMouseDown, this);
    Bind(wxEVT_LEFT_DCLICK, &CBitmapButton::onMouseDown, this);
    Bind(wxEVT_LEFT_UP, &CBitmapButton::onMouseUp, this);
    Bind(wxEVT_MOTION, &CBitmapButton::onMotion, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &CBitmapButton::onCaptureLost, this);
    Bind(wxEVT_KEY_DOWN, &CBitmapButton::onKey, this);
    Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& e) { Refresh(); e.Skip(); });
    Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& e) { Refresh(); e.Skip(); });
}

CBitmapButton::Image CBitmapButton::currentImage() const
{
    if (!IsThisEnabled())
        return Disabled;
    if (latched_ || (tracking_ && inside_))
        return Pressed;
    if (HasFocus())
        return Focused;
    return Up;
}

bool CBitmapButton::Enable(bool enable)
{
    if (!enable && HasCapture())
        ReleaseMouse();
    if (!enable)
        tracking_ = false;
    const bool changed = wxControl::Enable(enable);
    Refresh();
    Update();
    return changed;
}

void CBitmapButton::setPressed(bool pressed)
{
    if (latched_ == pressed)
        return;
    latched_ = pressed;
    Refresh();
}

void CBitmapButton::onPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
    dc.Clear();
    const wxBitmap bmp = images_[currentImage()].GetBitmap(imageSize_);
    if (bmp.IsOk())
        dc.DrawBitmap(bmp, 0, 0, true);
}

void CBitmapButton::onMouseDown(wxMouseEvent&)
{
    tracking_ = true;
    inside_ = true;
    if (!HasCapture())
        CaptureMouse();
    Refresh();
}

void CBitmapButton::onMotion(wxMouseEvent& event)
{
    if (!tracking_)
        return;
    const bool now = wxRect(GetClientSize()).Contains(event.GetPosition());
    if (now != inside_) {
        inside_ = now;
        Refresh();
    }
}

void CBitmapButton::onMouseUp(wxMouseEvent& event)
{
    if (!tracking_)
        return;
    tracking_ = false;
    if (HasCapture())
        ReleaseMouse();
    const bool clicked = wxRect(GetClientSize()).Contains(event.GetPosition());
    Refresh();
    if (clicked)
        click();
}

void CBitmapButton::onCaptureLost(wxMouseCaptureLostEvent&)
{
    tracking_ = false;
    Refresh();
}

void CBitmapButton::onKey(wxKeyEvent& event)
{
    if (event.GetKeyCode() == WXK_SPACE || event.GetKeyCode() == WXK_RETURN)
        click();
    else
        event.Skip();
}

void CBitmapButton::click()
{
    if (togglable_)
        latched_ = !latched_;
    Refresh();
    wxCommandEvent event(wxEVT_BUTTON, GetId());
    event.SetEventObject(this);
    ProcessWindowEvent(event);
}
