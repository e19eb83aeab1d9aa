#pragma once
// The start-up picture: a borderless window centred on the screen that closes
// itself after 1500 ms. While it shows, any key or mouse-button press meant
// for the program only closes it (the press is not handled further).

#include <wx/eventfilter.h>
#include <wx/frame.h>
#include <wx/timer.h>

class CSplashWnd : public wxFrame, public wxEventFilter {
public:
    static constexpr int kLifetimeMs = 1500;

    explicit CSplashWnd(wxWindow* parent);
    ~CSplashWnd() override;

    int FilterEvent(wxEvent& event) override;
    // Stops swallowing input at once, then destroys the window.
    void dismiss();

private:
    void onPaint(wxPaintEvent&);

    wxWindow* canvas_ = nullptr; // holds the picture and the keyboard focus
    wxBitmap picture_;
    wxTimer timer_;
    bool filtering_ = false;
};
