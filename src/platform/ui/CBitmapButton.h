#pragma once
// A toolbar button drawn by the program with exactly its four images: up,
// pressed, focused and disabled. GTK paints its own hover and pressed
// backgrounds around native bitmap buttons, so those cannot show the artwork
// as drawn. A click sends wxEVT_BUTTON with the button's id.
//
// A togglable button stays pressed after a click until setPressed(false):
// the playback buttons show the pressed image while their sound plays.

#include <wx/bmpbndl.h>
#include <wx/control.h>

class CBitmapButton : public wxControl {
public:
    enum Image { Up, Pressed, Focused, Disabled };

    CBitmapButton(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxBitmapBundle images[4],
                  const wxSize& imageSize);

    void setToggle(bool togglable) { togglable_ = togglable; }
    bool isToggle() const { return togglable_; }
    void setPressed(bool pressed);
    bool isPressed() const { return latched_; }
    // Which image is drawn now (for tests).
    Image currentImage() const;
    const wxBitmapBundle& image(Image which) const { return images_[which]; }

    bool AcceptsFocus() const override { return IsEnabled(); }
    bool Enable(bool enable = true) override;

protected:
    wxSize DoGetBestSize() const override { return imageSize_; }

private:
    void onPaint(wxPaintEvent&);
    void onMouseDown(wxMouseEvent&);
    void onMouseUp(wxMouseEvent& event);
    void onMotion(wxMouseEvent& event);
    void onCaptureLost(wxMouseCaptureLostEvent&);
    void onKey(wxKeyEvent& event);
    void click();

    wxBitmapBundle images_[4];
    wxSize imageSize_;
    bool togglable_ = false;
    bool latched_ = false;  // toggled on
    bool tracking_ = false; // left button went down on us and is still held
    bool inside_ = false;   // the pointer is over us while tracking
};
