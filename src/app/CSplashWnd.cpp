#include "app/CSplashWnd.h"

#include "platform/ui/images.h"

#include <wx/dcclient.h>

CSplashWnd::CSplashWnd(wxWindow* parent)
    : wxFrame(parent, wxID_ANY, "Ringtide", wxDefaultPosition, wxDefaultSize,
              wxBORDER_NONE | wxSTAY_ON_TOP | wxFRAME_NO_TASKBAR | wxFRAME_TOOL_WINDOW | wxFRAME_FLOAT_ON_PARENT),
      picture_(programPicture()), timer_(this)
{
    SetClientSize(picture_.GetSize());
    CentreOnScreen();
    // A child that can hold the focus: a bare frame gets no key events on GTK.
    canvas_ = new wxWindow(this, wxID_ANY, wxPoint(0, 0), picture_.GetSize(), wxWANTS_CHARS);
    canvas_->Bind(wxEVT_PAINT, &CSplashWnd::onPaint, this);
    canvas_->SetFocus();
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { dismiss(); });
    timer_.StartOnce(kLifetimeMs);
    wxEvtHandler::AddFilter(this);
    filtering_ = true;
}

CSplashWnd::~CSplashWnd()
{
    if (filtering_)
        wxEvtHandler::RemoveFilter(this);
}

int CSplashWnd::FilterEvent(wxEvent& event)
{
    const wxEventType type = event.GetEventType();
    const bool press = type == wxEVT_KEY_DOWN || type == wxEVT_CHAR || type == wxEVT_CHAR_HOOK ||
                       type == wxEVT_LEFT_DOWN || type == wxEVT_RIGHT_DOWN || type == wxEVT_MIDDLE_DOWN ||
                       type == wxEVT_LEFT_DCLICK || type == wxEVT_RIGHT_DCLICK || type == wxEVT_MIDDLE_DCLICK ||
                       type == wxEVT_AUX1_DOWN || type == wxEVT_AUX2_DOWN;
    if (!press || !filtering_)
        return Event_Skip;
    dismiss();
    return Event_Processed;
}

void CSplashWnd::dismiss()
{
    if (filtering_) {
        wxEvtHandler::RemoveFilter(this);
        filtering_ = false;
    }
    timer_.Stop();
    if (!IsBeingDeleted())
        Destroy();
}

void CSplashWnd::onPaint(wxPaintEvent&)
{
    wxPaintDC dc(canvas_);
    dc.DrawBitmap(picture_, 0, 0);
}
