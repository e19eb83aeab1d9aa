#include "app/CStaticLink.h"

#include "platform/ui/Shell.h"

CStaticLink::CStaticLink(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos,
                         const std::string& link)
    : wxGenericStaticText(parent, id, text, pos), link_(link)
{
    SetCursor(wxCursor(wxCURSOR_HAND));
    Bind(wxEVT_LEFT_UP, [this](wxMouseEvent&) { click(); });
    applyLook();
}

void CStaticLink::applyLook()
{
    if (!underlined_.IsOk()) {
        underlined_ = GetFont();
        underlined_.SetUnderlined(true);
        SetFont(underlined_);
    }
    SetForegroundColour(visited_ ? visitedColour_ : unvisitedColour_);
    Refresh();
}

void CStaticLink::click()
{
    if (link_.empty())
        link_ = GetLabelText().ToStdString(wxConvUTF8);
    if (!openWebLink(link_)) {
        defaultBeep();
        return;
    }
    visited_ = 1;
    applyLook();
}
