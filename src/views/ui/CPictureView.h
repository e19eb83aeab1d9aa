#pragma once
// A display that paints itself whole: the derived class draws its picture into
// any DC of a given size, and this base paints it through a back buffer (no
// flicker, background erase left to the picture) and renders the very same
// picture into a bitmap of the client size for tests and screenshots.

#include <wx/bitmap.h>
#include <wx/dc.h>
#include <wx/window.h>

class CPictureView : public wxWindow {
public:
    // The picture exactly as painted, at the client size (at least 1 x 1).
    wxBitmap renderBitmap();

protected:
    // Two-step creation: the derived class calls Create.
    CPictureView();
    CPictureView(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style);

    // Draws everything, background included, into a DC of `size` pixels.
    virtual void drawPicture(wxDC& dc, const wxSize& size) = 0;
    // Runs after each on-screen paint (not after renderBitmap).
    virtual void afterPaint() {}

private:
    void onPaint(wxPaintEvent& event);
};

// Draws straight strokes (members pen, x0, y0, x1, y1), each with the pen that
// penFor gives for its pen kind.
template <class Strokes, class PenFor>
void drawLineStrokes(wxDC& dc, const Strokes& strokes, PenFor penFor)
{
    for (const auto& s : strokes) {
        dc.SetPen(penFor(s.pen));
        dc.DrawLine(s.x0, s.y0, s.x1, s.y1);
    }
}
