#pragma once
// The junction area of the main window: the junction display, the loop
// check's figures and verdict beside it, the zoom buttons and the buttons
// that move the loop start and end by a sample, a rising zero crossing or a
// period. It knows nothing of the main window: moves and zooms leave
// through the display's hooks.

#include "views/ui/CJunctionView.h"

#include <wx/panel.h>

class wxStaticText;

class CJunctionPanel : public wxPanel {
public:
    CJunctionPanel(wxWindow* parent, wxWindowID id, const wxRect& rect);

    CJunctionView* view() const { return view_; }
    // The loop check's lines beside the display.
    void setCheckText(const wxString& text);
    wxString checkText() const;

    // Button ids, relative to the panel (the buttons are its children).
    enum : int {
        ID_ZOOM_IN = 100,
        ID_ZOOM_OUT,
        ID_NUDGE_FIRST = 110, // 110 + 6 * point + button, point 0 start, 1 end
    };

private:
    CJunctionView* view_ = nullptr;
    wxStaticText* check_ = nullptr;
};
