#pragma once
// A small up-down (spin) control drawn by the program, placed beside an edit
// field that it keeps in step ("buddy"). GTK's own spin widgets do not fit the
// window's dialog-unit sizes. The upper half steps up, the lower half down;
// holding the button repeats. Each step writes the new value into the buddy
// and sends wxEVT_SPIN with the position, then wxEVT_SPIN_UP / _DOWN.

#include <wx/control.h>
#include <wx/timer.h>

class wxTextCtrl;

class CUpDownCtrl : public wxControl {
public:
    CUpDownCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size);

    void setBuddy(wxTextCtrl* buddy) { buddy_ = buddy; }
    wxTextCtrl* buddy() const { return buddy_; }
    void setRange(int minimum, int maximum);
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    // Sets the position (clamped to the range) and the buddy's text.
    void setPosition(int value);
    // The buddy's value when it holds a number (clamped), else the last position.
    int position() const;
    // One step as a click does: +1 or -1, clamped, with the events.
    void step(int direction);

protected:
    wxSize DoGetBestSize() const override { return FromDIP(wxSize(14, 22)); }

private:
    void onPaint(wxPaintEvent&);
    void onMouseDown(wxMouseEvent& event);
    void onMouseUp(wxMouseEvent&);
    void onRepeat(wxTimerEvent&);
    void onCaptureLost(wxMouseCaptureLostEvent&);

    wxTextCtrl* buddy_ = nullptr;
    int min_ = 0;
    int max_ = 100;
    int pos_ = 0;
    int held_ = 0; // +1 upper half held, -1 lower half held, 0 none
    wxTimer repeat_;
};
